// "Sensor Communications": the port in use, the identification chain, lost communication and
// resuming the same sensor.
#include "panel/PanelConnection.h"

#include <chrono>
#include <new>
#include <thread>

#include "common/ErrorText.h"
#include "common/PanelTexts.h"
#include "panel/PanelEnvironment.h"
#include "panel/PanelFrame.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

namespace {

// A remote server keeps its device for a moment after its previous client (spectrelctl, the
// window before a restart) has left, and reports it in use meanwhile.
constexpr std::chrono::milliseconds SERVER_IN_USE_GRACE{1000};

} // namespace

CPanelConnection::CPanelConnection(PanelView& view, PanelFrame& frame)
    : m_view(view), m_frame(frame) {
}

CPanelConnection::~CPanelConnection() {
    // A window torn down without its shut-down still must not leave the receive thread or a
    // timer running on a freed controller's behalf.
    if (m_sensor) {
        m_sensor->SetWindow(nullptr);
        m_sensor->StopIdentifyPolling();
        m_sensor->StopDataPolling();
        m_sensor->Disconnect();
    }
}

void CPanelConnection::CreateSensor(const PanelEnvironment& environment, NotifyTarget& target) {
    m_sensor.reset(new (std::nothrow) CSensor(environment.Timers));
    if (!m_sensor) {
        m_frame.MessageBox(TEXT_NO_SENSOR_OBJECT);
        return;
    }
    m_sensor->SetWallClock(environment.Clock);
    m_sensor->SetWindow(&target);
}

void CPanelConnection::Shutdown() {
    if (!m_sensor) {
        return;
    }
    if (m_sensor->IsIdentifyPolling() && !m_sensor->StopIdentifyPolling()) {
        m_frame.ShowWarning(TEXT_STOP_IDENTIFY_FAILED, WARN_APPLICATION);
    }
    if (m_sensor->IsDataPolling() && !m_sensor->StopDataPolling()) {
        m_frame.ShowWarning(TEXT_STOP_DATA_FAILED, WARN_APPLICATION);
    }
    if (m_ready) {
        if (!m_sensor->WaitUntilIdle(CSensor::IDLE_WAIT_MS)) {
            m_sensor->ClearPending();
        }
        m_ready = false;
    }
    if (m_sensor->IsConnected() && !m_sensor->Disconnect()) {
        m_frame.ShowWarning(TEXT_CLOSE_PORT_FAILED, WARN_APPLICATION);
    }
    m_sensor->SetWindow(nullptr);
    m_sensor.reset();
}

bool CPanelConnection::IsCurrent(std::uint64_t connection) const {
    return !m_sensor || connection == NotifyTarget::NO_CONNECTION ||
           connection == m_sensor->Connection();
}

void CPanelConnection::LoadPorts(const CIniStore& store, const PortMap& overrides) {
    m_portMap = PortMap{};
    LoadPortMap(store, m_portMap);
    for (const auto& [name, path] : overrides.Entries()) {
        m_portMap.Set(name, path);
    }
}

std::string CPanelConnection::PortDevicePath() const {
    return m_portName.empty() ? std::string() : m_portMap.DevicePath(m_portName);
}

bool CPanelConnection::Disconnect() {
    if (!m_sensor || !m_sensor->IsConnected()) {
        return false;
    }
    if (m_sensor->IsIdentifyPolling() && !m_sensor->StopIdentifyPolling()) {
        m_frame.ShowWarning(TEXT_STOP_IDENTIFY_FAILED, WARN_APPLICATION);
    }
    if (m_sensor->IsDataPolling() && !m_sensor->StopDataPolling()) {
        m_frame.ShowWarning(TEXT_STOP_DATA_FAILED, WARN_APPLICATION);
    }
    m_ready = false;
    if (!m_sensor->Disconnect()) {
        m_frame.MessageBox(TEXT_CLOSING_PORT_FAILED + m_portName);
    }
    // Some USB serial adapters refuse a reopen that follows the close too closely.
    std::this_thread::sleep_for(std::chrono::milliseconds(PORT_REOPEN_PAUSE_MS));
    return true;
}

void CPanelConnection::Connect() {
    const std::string path = PortDevicePath();
    m_view.SetToolTip(IDC_PORT, path);
    if (!m_sensor) {
        m_frame.SetStatusText(TEXT_COMMS_DISABLED, false);
        return;
    }
    if (path.empty() || !m_sensor->Connect(path, SERVER_IN_USE_GRACE)) {
        std::string text = TEXT_OPEN_PORT_FAILED + m_portName;
        if (!path.empty()) {
            text += "\n" + path + ": " + PortErrorReason(m_sensor->LastPortError());
        }
        m_frame.MessageBox(text);
        m_frame.SetStatusText(TEXT_COMMS_DISABLED, false);
        return;
    }
    m_identified = false;
    m_frame.SetStatusText(TEXT_WAITING, false);
    StartIdentifyPolling();
}

void CPanelConnection::StartIdentifyPolling() {
    if (!m_sensor->IsIdentifyPolling() && !m_sensor->StartIdentifyPolling(IDENTIFY_PERIOD_MS)) {
        m_frame.ShowWarning(TEXT_START_IDENTIFY_FAILED, WARN_APPLICATION);
    }
}

const ModelInfo* CPanelConnection::SetModel(unsigned code) {
    m_modelCode = code;
    const ModelInfo* model = FindModel(code);
    // Codes 11 to 13 name no model: a misread code keeps the model the panel already shows.
    if (model != nullptr) {
        m_modelName = model->Name;
        m_channelCount = static_cast<int>(model->Channels);
    }
    return model;
}

bool CPanelConnection::IsFifteenChannel() const {
    return IsFifteenChannelModel(m_modelCode);
}

std::string CPanelConnection::FirmwareLine() const {
    return m_firmwareKnown ? "Firmware version " + FormatFirmware(m_firmwareMajor, m_firmwareMinor)
                           : TEXT_FIRMWARE_UNKNOWN;
}

bool CPanelConnection::TakeIdentity() {
    if (!m_sensor || m_identified) {
        return false;
    }
    m_identified = true;
    return true;
}

void CPanelConnection::RequestVersion() {
    m_sensor->StopIdentifyPolling();
    if (!m_sensor->RequestVersion()) {
        // Nothing else would ever move the chain on (no poll, no reply timer): look for the
        // sensor again, so its next identity reply starts over.
        m_identified = false;
        StartIdentifyPolling();
    }
}

bool CPanelConnection::TakeVersion(const std::string& serialShown) {
    m_firmwareMajor = m_sensor->GetFirmwareMajor();
    m_firmwareMinor = m_sensor->GetFirmwareMinor();
    m_firmwareKnown = true;
    if (serialShown != m_connectedSerial) {
        return false;
    }
    SetReady(serialShown);
    return true;
}

void CPanelConnection::SetReady(const std::string& serialShown) {
    ResumeDataPolling();
    m_connectedSerial = serialShown;
    m_ready = true;
    m_onlineText = m_modelName + TEXT_ON_LINE;
}

void CPanelConnection::Lost(bool unanswered) {
    m_ready = false;
    if (unanswered) {
        // A send or teach that was written but never answered leaves unknown what the sensor
        // holds: when it comes back it is read in full, not taken as the panel remembers it.
        m_connectedSerial.clear();
    }
    if (m_sensor->IsDataPolling() && !m_sensor->StopDataPolling()) {
        m_frame.ShowWarning(TEXT_STOP_DATA_FAILED, WARN_APPLICATION);
    }
    m_sensor->ClearPending();
    m_identified = false;
    StartIdentifyPolling();
}

// A read whose request could not be written (the line went down under it) has nothing that
// would ever move it on: no reply comes and, with data polling paused, no poll times out. A
// ready panel takes up polling again, so a lost line is noticed as usual and the user can read
// again; a panel still reading a sensor it has just found looks for it again, so its next
// identity reply starts the reading over.
void CPanelConnection::ReadRequestFailed(const std::string& text) {
    m_frame.ShowWarning(text, WARN_SENSOR);
    if (m_ready) {
        ResumeDataPolling();
        m_frame.EnableControls(true);
        return;
    }
    m_identified = false;
    StartIdentifyPolling();
}

// Data polling goes on, so that a line that has gone is noticed and reported as lost
// communication instead of the panel staying on line with a frozen reading.
void CPanelConnection::WriteFailed(const std::string& text) {
    m_frame.ShowWarning(text + "\n" + PortDevicePath() + ": " +
                            PortErrorReason(m_sensor->LastPortError()),
                        WARN_SENSOR);
    ResumeDataPolling();
}

// Stops data polling before a read and waits for the last poll's answer (or forgets it).
// False when polling could not be stopped.
bool CPanelConnection::PauseDataPolling() {
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

// Starts data polling unless it runs already: a second start would leave a timer nobody stops.
void CPanelConnection::ResumeDataPolling() {
    if (m_sensor->IsDataPolling()) {
        return;
    }
    const int period = EffectivePollingPeriod(m_pollingPeriod);
    if (!m_sensor->StartDataPolling(static_cast<unsigned>(period))) {
        m_frame.ShowWarning(TEXT_START_DATA_FAILED, WARN_APPLICATION);
    }
}
