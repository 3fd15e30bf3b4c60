// "Sensor Communications": the port in use, the identification chain, lost communication and
// resuming the same sensor.
#include <chrono>
#include <thread>

#include "common/ErrorText.h"
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

namespace {

// A remote server keeps its device for a moment after its previous client (spectrelctl, the
// window before a restart) has left, and reports it in use meanwhile.
constexpr std::chrono::milliseconds SERVER_IN_USE_GRACE{1000};

} // namespace

void CSpectrelDlg::OnSelchangePort() {
    if (!UpdateData(true) || m_values.PortIndex < 0) {
        return;
    }
    const std::string name = "COM" + std::to_string(m_values.PortIndex + 1);
    if (name == m_portName) {
        return;
    }
    ClearPanel();
    UpdateData(false);
    SwitchPort(name);
}

void CSpectrelDlg::OnReset() {
    const std::string name = m_portName;
    ClearPanel();
    SwitchPort(name);
    UpdateData(false);
}

void CSpectrelDlg::SwitchPort(const std::string& name) {
    if (m_sensor && m_sensor->IsConnected()) {
        if (m_sensor->IsIdentifyPolling() && !m_sensor->StopIdentifyPolling()) {
            ShowWarning(TEXT_STOP_IDENTIFY_FAILED, WARN_APPLICATION);
        }
        if (m_sensor->IsDataPolling() && !m_sensor->StopDataPolling()) {
            ShowWarning(TEXT_STOP_DATA_FAILED, WARN_APPLICATION);
        }
        m_panelReady = false;
        m_command = PanelCommand::None;
        if (!m_sensor->Disconnect()) {
            MessageBox(TEXT_CLOSING_PORT_FAILED + m_portName);
        }
        // Some USB serial adapters refuse a reopen that follows the close too closely.
        std::this_thread::sleep_for(std::chrono::milliseconds(PORT_REOPEN_PAUSE_MS));
    }
    ApplyModel(0);
    // Emptied before the panel is cleared, whose data exchange then shows it: the old sensor's
    // serial number must not stay on screen under a port where no sensor was found.
    m_values.SerialNumberText.clear();
    ClearPanel();
    // The next sensor found is read in full, even when it is the same one.
    m_connectedSerial.clear();
    EnableControls(false);
    m_portName = name;
    ConnectPort();
}

std::string CSpectrelDlg::PortDevicePath() const {
    return m_portName.empty() ? std::string() : m_portMap.DevicePath(m_portName);
}

// Opens the port named m_portName through its device path and starts looking for a sensor.
void CSpectrelDlg::ConnectPort() {
    const std::string path = PortDevicePath();
    m_view.SetToolTip(IDC_PORT, path);
    if (!m_sensor) {
        SetStatusText(TEXT_COMMS_DISABLED, false);
        return;
    }
    if (path.empty() || !m_sensor->Connect(path, SERVER_IN_USE_GRACE)) {
        std::string text = TEXT_OPEN_PORT_FAILED + m_portName;
        if (!path.empty()) {
            text += "\n" + path + ": " + PortErrorReason(m_sensor->LastPortError());
        }
        MessageBox(text);
        SetStatusText(TEXT_COMMS_DISABLED, false);
        return;
    }
    m_identified = false;
    SetStatusText(TEXT_WAITING, false);
    if (!m_sensor->IsIdentifyPolling() && !m_sensor->StartIdentifyPolling(IDENTIFY_PERIOD_MS)) {
        ShowWarning(TEXT_START_IDENTIFY_FAILED, WARN_APPLICATION);
    }
}

void CSpectrelDlg::ApplyModel(unsigned code) {
    m_modelCode = code;
    const ModelInfo* model = FindModel(code);
    // Codes 11 to 13 name no model: a misread code keeps the model the panel already shows.
    if (model != nullptr) {
        m_modelName = model->Name;
        m_channelCount = static_cast<int>(model->Channels);
    }
    m_logging.SetAvailable(model != nullptr && model->DataLogging);
    m_view.FillCombo(IDC_AVERAGING, AVERAGING_ITEMS);
    m_view.FillCombo(IDC_CHANNEL, ChannelItems(m_channelCount));
    if (m_values.SelectedChannel >= m_channelCount) {
        // An empty list has nothing to select.
        m_values.SelectedChannel = m_channelCount > 0 ? 0 : -1;
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
    if (m_modelCode != 0) {
        m_view.SetControlText(IDC_RECOGNIZED_GROUP,
                              fifteen ? TEXT_RECOGNIZED_COLOR : TEXT_RECOGNIZED_COLORS);
        m_values.FirstRowLabel = fifteen ? TEXT_SINGLE_ROW : TEXT_FIRST_ROW;
    }
    if (m_modelCode != 0 && fifteen) {
        m_view.EnableControl(ROW_LABELS[0], true);
    }
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        const bool rowShown = m_modelCode != 0 && (fifteen ? row == 0 : m_channelCount > row);
        m_view.ShowControl(ROW_LABELS[row], rowShown);
        m_view.ShowControl(INDICATORS[row], rowShown && !fifteen);
        m_view.ShowControl(RECOGNIZED_FIELDS[row], rowShown);
    }
}

void CSpectrelDlg::OnSensorIdentity() {
    if (!m_sensor || m_identified) {
        return;
    }
    m_identified = true;
    ApplyModel(m_sensor->GetModelCode());
    m_values.SerialNumberText = m_sensor->GetSerialNumber();
    UpdateData(false);
    m_sensor->StopIdentifyPolling();
    if (!m_sensor->RequestVersion()) {
        // Nothing else would ever move the chain on (no poll, no reply timer): look for the
        // sensor again, so its next identity reply starts over.
        m_identified = false;
        if (!m_sensor->StartIdentifyPolling(IDENTIFY_PERIOD_MS)) {
            ShowWarning(TEXT_START_IDENTIFY_FAILED, WARN_APPLICATION);
        }
    }
}

void CSpectrelDlg::OnSensorVersion() {
    if (!m_sensor) {
        return;
    }
    m_firmwareMajor = m_sensor->GetFirmwareMajor();
    m_firmwareMinor = m_sensor->GetFirmwareMinor();
    m_firmwareKnown = true;
    // The sensor read last came back after a loss: its values on the panel are still good.
    if (m_values.SerialNumberText == m_connectedSerial) {
        ResumeDataPolling();
        m_panelReady = true;
        ShowOnline();
        return;
    }
    if (!m_sensor->RequestSettings()) {
        ReadRequestFailed(TEXT_READ_SETTINGS_FAILED);
    }
}

// The ready state: commands enabled and the model name in bold followed by " on line".
void CSpectrelDlg::ShowOnline() {
    EnableControls(true);
    m_onlineText = m_modelName + TEXT_ON_LINE;
    SetStatusText(m_onlineText, true);
    UpdateData(false);
}

void CSpectrelDlg::OnSensorTimeout() {
    if (!m_sensor) {
        return;
    }
    if (m_sensor->IsIdentifyPolling()) {
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
    m_panelReady = false;
    if (m_command != PanelCommand::None) {
        // A send or teach that was written but never answered leaves unknown what the sensor
        // holds: when it comes back it is read in full, not taken as the panel remembers it.
        m_connectedSerial.clear();
        m_command = PanelCommand::None;
    }
    if (m_sensor->IsDataPolling() && !m_sensor->StopDataPolling()) {
        ShowWarning(TEXT_STOP_DATA_FAILED, WARN_APPLICATION);
    }
    m_sensor->ClearPending();
    m_identified = false;
    if (!m_sensor->StartIdentifyPolling(IDENTIFY_PERIOD_MS)) {
        ShowWarning(TEXT_START_IDENTIFY_FAILED, WARN_APPLICATION);
    }
    UpdateData(false);
}

// Stops data polling before a read and waits for the last poll's answer (or forgets it).
// False when polling could not be stopped.
bool CSpectrelDlg::PauseDataPolling() {
    if (!m_sensor->IsDataPolling()) {
        return true;
    }
    if (!m_sensor->StopDataPolling()) {
        return false;
    }
    if (!m_sensor->WaitUntilIdle(CSensor::IDLE_WAIT_MS)) {
        m_sensor->ClearPending();
    }
    return true;
}

// A read whose request could not be written (the line went down under it) has nothing that
// would ever move it on: no reply comes and, with data polling paused, no poll times out. A
// ready panel takes up polling again, so a lost line is noticed as usual and the user can read
// again; a panel still reading a sensor it has just found looks for it again, so its next
// identity reply starts the reading over.
void CSpectrelDlg::ReadRequestFailed(const std::string& text) {
    ShowWarning(text, WARN_SENSOR);
    if (m_panelReady) {
        ResumeDataPolling();
        EnableControls(true);
        return;
    }
    m_identified = false;
    if (!m_sensor->IsIdentifyPolling() && !m_sensor->StartIdentifyPolling(IDENTIFY_PERIOD_MS)) {
        ShowWarning(TEXT_START_IDENTIFY_FAILED, WARN_APPLICATION);
    }
}

// Starts data polling unless it runs already: a second start would leave a timer nobody stops.
void CSpectrelDlg::ResumeDataPolling() {
    if (m_sensor->IsDataPolling()) {
        return;
    }
    const int period = EffectivePollingPeriod(m_pollingPeriod);
    if (!m_sensor->StartDataPolling(static_cast<unsigned>(period))) {
        ShowWarning(TEXT_START_DATA_FAILED, WARN_APPLICATION);
    }
}
