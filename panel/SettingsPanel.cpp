// "Sensor Settings": the window's copy of the sensor's settings, read from the sensor, edited
// by the user and sent to the sensor.
#include "panel/SettingsPanel.h"

#include <algorithm>

#include "common/PanelFormat.h"
#include "common/PanelTexts.h"
#include "panel/PanelConnection.h"
#include "panel/PanelFrame.h"
#include "panel/PanelValues.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

namespace {
constexpr int ILLUMINATION_WIDTH = 3; // the field's characters, "%3d"
// The sensor measures against the ambient light only with subtraction on; the panel never
// offers to turn it off.
constexpr unsigned AMBIENT_SUBTRACTION_ON = 1;
} // namespace

CSettingsPanel::CSettingsPanel(PanelView& view, PanelValues& values, PanelFrame& frame,
                               CPanelConnection& connection)
    : m_view(view), m_values(values), m_frame(frame), m_connection(connection) {
}

void CSettingsPanel::Pull() {
    m_frame.UpdateData(true);
    UpdateButtons();
}

void CSettingsPanel::TakeIlluminationText() {
    const int old = m_values.Illumination;
    if (!m_frame.UpdateData(true)) {
        return;
    }
    const int value = ReadClampedInteger(m_values.IlluminationText, 0, MAX_ILLUMINATION);
    m_values.Illumination = value;
    // Text that already stands for the illumination shown is left as the user typed it.
    if (value != old) {
        m_values.IlluminationText = FormatInteger(value, ILLUMINATION_WIDTH);
    }
    m_view.SetSliderPosition(IDC_ILLUMINATION_SLIDER, value);
    UpdateButtons();
    m_frame.UpdateData(false);
}

void CSettingsPanel::TakeIlluminationPosition(int position) {
    m_values.Illumination = std::clamp(position, 0, MAX_ILLUMINATION);
    m_values.IlluminationText = FormatInteger(m_values.Illumination, ILLUMINATION_WIDTH);
    UpdateButtons();
    m_frame.UpdateData(false);
}

void CSettingsPanel::Read() {
    CSensor* sensor = m_connection.Sensor();
    if (sensor == nullptr) {
        return;
    }
    if (!m_connection.PauseDataPolling()) {
        m_frame.ShowWarning(TEXT_STOP_DATA_FAILED, WARN_APPLICATION);
        return;
    }
    if (sensor->RequestSettings()) {
        m_frame.EnableControls(false);
    } else {
        m_connection.ReadRequestFailed(TEXT_READ_SETTINGS_FAILED);
    }
}

bool CSettingsPanel::Send() {
    CSensor* sensor = m_connection.Sensor();
    if (sensor == nullptr || !m_frame.UpdateData(true)) {
        return false;
    }
    const PanelValues& values = m_values;
    if (values.AveragingIndex < 0 || values.TriggeringIndex < 0 || values.OutputDurationIndex < 0) {
        // A cleared panel, or a value the lists do not offer: the sensor needs every field.
        m_frame.MessageBox(TEXT_SETTINGS_INCOMPLETE);
        return false;
    }
    if (!ConfirmIllumination()) {
        return false;
    }
    m_connection.PauseDataPolling();
    if (!sensor->SendSettings(static_cast<unsigned>(values.AveragingIndex),
                              static_cast<unsigned>(values.TriggeringIndex),
                              static_cast<unsigned>(values.OutputDurationIndex),
                              AMBIENT_SUBTRACTION_ON, static_cast<unsigned>(values.Illumination))) {
        m_frame.ShowWriteFailure(TEXT_SEND_SETTINGS_FAILED);
        return false;
    }
    m_frame.EnableControls(false);
    return true;
}

// A new illumination changes what every taught colour looks like to the sensor, so the user
// confirms it while recognition warnings are on. False: nothing is to be sent.
bool CSettingsPanel::ConfirmIllumination() {
    const int current = static_cast<int>(m_connection.Sensor()->GetIllumination());
    if ((m_frame.WarningsMask() & WARN_RECOGNITION) == 0 || current == m_values.Illumination) {
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

void CSettingsPanel::TakeFromSensor() {
    const CSensor& sensor = *m_connection.Sensor();
    m_values.AveragingIndex = static_cast<int>(sensor.GetAveraging());
    m_values.TriggeringIndex = static_cast<int>(sensor.GetTriggering());
    m_values.OutputDurationIndex = static_cast<int>(sensor.GetOutputDelay());
    m_values.AmbientSubtraction = static_cast<int>(sensor.GetAmbientSubtraction());
    m_values.Illumination = static_cast<int>(sensor.GetIllumination());
    m_values.IlluminationText = FormatInteger(m_values.Illumination, ILLUMINATION_WIDTH);
    m_view.SetSliderPosition(IDC_ILLUMINATION_SLIDER, m_values.Illumination);
    m_frame.UpdateData(false);
}

// Reading back and sending make sense only while the panel differs from the sensor's last known
// settings; the two buttons go together.
void CSettingsPanel::UpdateButtons() {
    bool differs = false;
    if (const CSensor* sensor = m_connection.Sensor()) {
        differs = m_values.AveragingIndex != static_cast<int>(sensor->GetAveraging()) ||
                  m_values.TriggeringIndex != static_cast<int>(sensor->GetTriggering()) ||
                  m_values.OutputDurationIndex != static_cast<int>(sensor->GetOutputDelay()) ||
                  m_values.Illumination != static_cast<int>(sensor->GetIllumination());
    }
    const bool enabled = m_frame.AreControlsEnabled();
    m_view.EnableControl(IDC_READ_SETTINGS, differs && enabled);
    m_view.EnableControl(IDC_SEND_SETTINGS, differs && enabled);
}

void CSettingsPanel::Clear() {
    m_values.AveragingIndex = -1;
    m_values.TriggeringIndex = -1;
    m_values.OutputDurationIndex = -1;
    m_values.AmbientSubtraction = 1;
    m_values.IlluminationText.clear();
    m_values.Illumination = 0;
    m_view.SetSliderRange(IDC_ILLUMINATION_SLIDER, 0, MAX_ILLUMINATION);
    m_view.SetSliderPosition(IDC_ILLUMINATION_SLIDER, 0);
}
