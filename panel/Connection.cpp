// "Sensor Communications", the window's side: a port change or Reset, and each step of first
// contact handed to the connection and followed by the panel.
#include <utility>

#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

void CSpectrelDlg::OnSelchangePort() {
    if (!UpdateData(true) || m_values.PortIndex < 0) {
        return;
    }
    const std::string name = "COM" + std::to_string(m_values.PortIndex + 1);
    if (name == m_connection.PortName()) {
        return;
    }
    ClearPanel();
    UpdateData(false);
    SwitchPort(name);
}

void CSpectrelDlg::OnReset() {
    const std::string name = m_connection.PortName();
    ClearPanel();
    SwitchPort(name);
    UpdateData(false);
}

void CSpectrelDlg::SwitchPort(const std::string& name) {
    if (m_connection.Disconnect()) {
        m_command = PanelCommand::None;
    }
    ApplyModel(0);
    // Emptied before the panel is cleared, whose data exchange then shows it: the old sensor's
    // serial number must not stay on screen under a port where no sensor was found.
    m_values.SerialNumberText.clear();
    ClearPanel();
    m_connection.ForgetSensor();
    EnableControls(false);
    m_connection.SetPortName(name);
    m_connection.Connect();
}

std::string CSpectrelDlg::PortDevicePath() const {
    return m_connection.PortDevicePath();
}

void CSpectrelDlg::ApplyModel(unsigned code) {
    const ModelInfo* model = m_connection.SetModel(code);
    m_logging.SetAvailable(model != nullptr && model->DataLogging);
    m_view.FillCombo(IDC_AVERAGING, AVERAGING_ITEMS);
    m_view.FillCombo(IDC_CHANNEL, ChannelItems(ChannelCount()));
    if (m_values.SelectedChannel >= ChannelCount()) {
        // An empty list has nothing to select.
        m_values.SelectedChannel = ChannelCount() > 0 ? 0 : -1;
    }
    if (code == 0) {
        SetStatusText(TEXT_NOT_FOUND, false);
    }
    ShowRecognizedRows();
}

// Shows the rows of the "Recognized Colors" area the model has: one row without indicators for
// the fifteen-channel model (it reports one channel number), else a row per channel up to 7.
void CSpectrelDlg::ShowRecognizedRows() {
    const bool fifteen = IsFifteenChannel();
    const bool known = ModelCode() != 0;
    if (known) {
        m_view.SetControlText(IDC_RECOGNIZED_GROUP,
                              fifteen ? TEXT_RECOGNIZED_COLOR : TEXT_RECOGNIZED_COLORS);
        m_values.FirstRowLabel = fifteen ? TEXT_SINGLE_ROW : TEXT_FIRST_ROW;
    }
    if (known && fifteen) {
        m_view.EnableControl(ROW_LABELS[0], true);
    }
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        const bool rowShown = known && (fifteen ? row == 0 : ChannelCount() > row);
        m_view.ShowControl(ROW_LABELS[row], rowShown);
        m_view.ShowControl(INDICATORS[row], rowShown && !fifteen);
        m_view.ShowControl(RECOGNIZED_FIELDS[row], rowShown);
    }
}

void CSpectrelDlg::OnSensorIdentity() {
    if (!m_connection.TakeIdentity()) {
        return;
    }
    ApplyModel(Sensor()->GetModelCode());
    m_values.SerialNumberText = Sensor()->GetSerialNumber();
    UpdateData(false);
    m_connection.RequestVersion();
}

void CSpectrelDlg::OnSensorVersion() {
    if (!Sensor()) {
        return;
    }
    if (m_connection.TakeVersion(m_values.SerialNumberText)) {
        ShowOnline();
        return;
    }
    if (!SensorProxy()->RequestSettings()) {
        m_connection.ReadRequestFailed(TEXT_READ_SETTINGS_FAILED);
    }
}

// The ready state: commands enabled and the model name in bold followed by " on line".
void CSpectrelDlg::ShowOnline() {
    EnableControls(true);
    SetStatusText(m_connection.OnlineText(), true);
    UpdateData(false);
}

void CSpectrelDlg::OnSensorTimeout() {
    if (!Sensor()) {
        return;
    }
    if (Sensor()->IsIdentifyPolling()) {
        // Nothing identified yet; polling goes on so a sensor plugged in later is still found.
        if (m_statusText == TEXT_WAITING) {
            SetStatusText(TEXT_NOT_FOUND, false);
        }
        UpdateData(false);
        return;
    }
    if (m_statusText != TEXT_WAITING) {
        SetStatusText(TEXT_LOST, false);
    }
    ClearReading();
    EnableControls(false);
    m_connection.Lost(std::exchange(m_command, PanelCommand::None) != PanelCommand::None);
    UpdateData(false);
}
