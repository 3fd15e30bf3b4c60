// "Sensor Settings": the window's copy of the sensor's settings, read from the sensor.
#include "panel/PanelFormat.h"
#include "panel/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

void CSpectrelDlg::OnReadSettings() {
    if (!m_sensor) {
        return;
    }
    if (!PauseDataPolling()) {
        ShowWarning(TEXT_STOP_DATA_FAILED, WARN_APPLICATION);
        return;
    }
    if (m_sensor->RequestSettings()) {
        EnableControls(false);
    } else {
        ShowWarning(TEXT_READ_SETTINGS_FAILED, WARN_SENSOR);
    }
}

void CSpectrelDlg::OnSensorSettings() {
    if (!m_sensor) {
        return;
    }
    m_values.AveragingIndex = static_cast<int>(m_sensor->GetAveraging());
    m_values.TriggeringIndex = static_cast<int>(m_sensor->GetTriggering());
    m_values.OutputDurationIndex = static_cast<int>(m_sensor->GetOutputDelay());
    m_values.AmbientSubtraction = static_cast<int>(m_sensor->GetAmbientSubtraction());
    m_values.Illumination = static_cast<int>(m_sensor->GetIllumination());
    m_values.IlluminationText = FormatInteger(m_values.Illumination, 3);
    m_view.SetSliderPosition(IDC_ILLUMINATION_SLIDER, m_values.Illumination);
    UpdateData(false);
    if (!m_panelReady) {
        // First contact with this sensor: its channels come next.
        StartReadAll();
        return;
    }
    ResumeDataPolling();
    EnableControls(true);
}

// Read and Send make sense only while the panel differs from the sensor's last known settings.
void CSpectrelDlg::UpdateSettingsButtons() {
    bool differs = false;
    if (m_sensor) {
        differs = m_values.AveragingIndex != static_cast<int>(m_sensor->GetAveraging()) ||
                  m_values.TriggeringIndex != static_cast<int>(m_sensor->GetTriggering()) ||
                  m_values.OutputDurationIndex != static_cast<int>(m_sensor->GetOutputDelay()) ||
                  m_values.Illumination != static_cast<int>(m_sensor->GetIllumination());
    }
    m_view.EnableControl(IDC_READ_SETTINGS, differs && m_controlsEnabled);
}
