// "Sensor Settings": the window's copy of the sensor's settings, read from the sensor and
// edited by the user.
#include <algorithm>

#include "panel/PanelFormat.h"
#include "panel/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

namespace {
constexpr int ILLUMINATION_WIDTH = 3; // the field's characters, "%3d"
} // namespace

void CSpectrelDlg::OnSelchangeAveraging() {
    PullSettings();
}

void CSpectrelDlg::OnSelchangeOutputDuration() {
    PullSettings();
}

void CSpectrelDlg::OnTriggering() {
    PullSettings();
}

void CSpectrelDlg::PullSettings() {
    UpdateData(true);
    UpdateSettingsButtons();
}

void CSpectrelDlg::OnKillfocusIllumination() {
    const int old = m_values.Illumination;
    if (!UpdateData(true)) {
        return;
    }
    const int value = ReadClampedInteger(m_values.IlluminationText, 0, MAX_ILLUMINATION);
    m_values.Illumination = value;
    // Text that already stands for the illumination shown is left as the user typed it.
    if (value != old) {
        m_values.IlluminationText = FormatInteger(value, ILLUMINATION_WIDTH);
    }
    m_view.SetSliderPosition(IDC_ILLUMINATION_SLIDER, value);
    UpdateSettingsButtons();
    UpdateData(false);
}

void CSpectrelDlg::OnIlluminationScroll(int position) {
    m_values.Illumination = std::clamp(position, 0, MAX_ILLUMINATION);
    m_values.IlluminationText = FormatInteger(m_values.Illumination, ILLUMINATION_WIDTH);
    UpdateSettingsButtons();
    UpdateData(false);
}

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
        ReadRequestFailed(TEXT_READ_SETTINGS_FAILED);
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
    m_values.IlluminationText = FormatInteger(m_values.Illumination, ILLUMINATION_WIDTH);
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

// Reading back makes sense only while the panel differs from the sensor's last known settings.
// Send will follow the same condition once sending exists; until then EnableControls keeps it off.
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
