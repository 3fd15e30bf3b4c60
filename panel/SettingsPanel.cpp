// "Sensor Settings": the window's copy of the sensor's settings, read from the sensor, edited
// by the user and sent to the sensor.
#include <algorithm>

#include "common/PanelFormat.h"
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

namespace {
constexpr int ILLUMINATION_WIDTH = 3; // the field's characters, "%3d"
// The sensor measures against the ambient light only with subtraction on; the panel never
// offers to turn it off.
constexpr unsigned AMBIENT_SUBTRACTION_ON = 1;
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
    if (!SensorProxy()) {
        return;
    }
    if (!m_connection.PauseDataPolling()) {
        ShowWarning(TEXT_STOP_DATA_FAILED, WARN_APPLICATION);
        return;
    }
    if (SensorProxy()->RequestSettings()) {
        EnableControls(false);
    } else {
        ReadRequestFailed(TEXT_READ_SETTINGS_FAILED);
    }
}

void CSpectrelDlg::OnSendSettings() {
    if (!SensorProxy() || !UpdateData(true)) {
        return;
    }
    const PanelValues& values = m_values;
    if (values.AveragingIndex < 0 || values.TriggeringIndex < 0 || values.OutputDurationIndex < 0) {
        // A cleared panel, or a value the lists do not offer: the sensor needs every field.
        MessageBox(TEXT_SETTINGS_INCOMPLETE);
        return;
    }
    if (!ConfirmIllumination()) {
        return;
    }
    m_connection.PauseDataPolling();
    if (!SensorProxy()->SendSettings(static_cast<unsigned>(values.AveragingIndex),
                                     static_cast<unsigned>(values.TriggeringIndex),
                                     static_cast<unsigned>(values.OutputDurationIndex),
                                     AMBIENT_SUBTRACTION_ON,
                                     static_cast<unsigned>(values.Illumination))) {
        ShowWriteFailure(TEXT_SEND_SETTINGS_FAILED);
        return;
    }
    m_command = PanelCommand::SendSettings;
    EnableControls(false);
}

// A new illumination changes what every taught colour looks like to the sensor, so the user
// confirms it while recognition warnings are on. False: nothing is to be sent.
bool CSpectrelDlg::ConfirmIllumination() {
    const int current = static_cast<int>(SensorProxy()->GetIllumination());
    if ((m_warningsMask & WARN_RECOGNITION) == 0 || current == m_values.Illumination) {
        return true;
    }
    MessageBoxRequest request;
    request.Text = ConfirmIlluminationText(current, m_values.Illumination);
    request.Caption = TEXT_CONFIRM_ILLUMINATION_CAPTION;
    request.Icon = ICON_QUESTION;
    request.Buttons = BUTTONS_YES_NO;
    request.DefaultButton = RESULT_NO;
    return m_view.ShowMessageBox(request) == RESULT_YES;
}

void CSpectrelDlg::OnSensorSettingsSent() {
    if (!SensorProxy() || m_command != PanelCommand::SendSettings) {
        return;
    }
    m_command = PanelCommand::None;
    m_connection.ResumeDataPolling();
    EnableControls(true);
}

void CSpectrelDlg::OnSensorSettings() {
    if (!SensorProxy()) {
        return;
    }
    m_values.AveragingIndex = static_cast<int>(SensorProxy()->GetAveraging());
    m_values.TriggeringIndex = static_cast<int>(SensorProxy()->GetTriggering());
    m_values.OutputDurationIndex = static_cast<int>(SensorProxy()->GetOutputDelay());
    m_values.AmbientSubtraction = static_cast<int>(SensorProxy()->GetAmbientSubtraction());
    m_values.Illumination = static_cast<int>(SensorProxy()->GetIllumination());
    m_values.IlluminationText = FormatInteger(m_values.Illumination, ILLUMINATION_WIDTH);
    m_view.SetSliderPosition(IDC_ILLUMINATION_SLIDER, m_values.Illumination);
    UpdateData(false);
    if (!IsPanelReady()) {
        // First contact with this sensor: its channels come next.
        StartReadAll();
        return;
    }
    m_connection.ResumeDataPolling();
    EnableControls(true);
}

// Reading back and sending make sense only while the panel differs from the sensor's last known
// settings; the two buttons go together.
void CSpectrelDlg::UpdateSettingsButtons() {
    bool differs = false;
    if (SensorProxy()) {
        differs =
            m_values.AveragingIndex != static_cast<int>(SensorProxy()->GetAveraging()) ||
            m_values.TriggeringIndex != static_cast<int>(SensorProxy()->GetTriggering()) ||
            m_values.OutputDurationIndex != static_cast<int>(SensorProxy()->GetOutputDelay()) ||
            m_values.Illumination != static_cast<int>(SensorProxy()->GetIllumination());
    }
    m_view.EnableControl(IDC_READ_SETTINGS, differs && m_controlsEnabled);
    m_view.EnableControl(IDC_SEND_SETTINGS, differs && m_controlsEnabled);
}
