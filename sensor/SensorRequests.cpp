#include "sensor/Sensor.h"

#include "sensor/Protocol.h"

// Request operations. At most one request is outstanding: each waits until no earlier one is
// pending before it writes.

namespace {

void ApplyPercentages(ChannelDefinition& record, const ChannelDefinition& given) {
    record.RedSetting = given.RedSetting;
    record.GreenSetting = given.GreenSetting;
    record.BlueSetting = given.BlueSetting;
    record.RedTolerance = given.RedTolerance;
    record.GreenTolerance = given.GreenTolerance;
    record.BlueTolerance = given.BlueTolerance;
}

} // namespace

bool CSensor::RequestIdentity() {
    return RequestPoll(REQ_IDENTIFY, CMD_IDENTIFY);
}

bool CSensor::RequestCurrentData() {
    return RequestPoll(REQ_DATA, CMD_READ_DATA);
}

bool CSensor::RequestSettings() {
    return ReadyForRequest() && SendWithReply(REQ_READ_SETTINGS, std::string(CMD_READ_SETTINGS),
                                              REPLY_PERIOD_MS, REPLY_RETRY_LIMIT);
}

bool CSensor::RequestVersion() {
    return ReadyForRequest() && SendWithReply(REQ_VERSION, std::string(CMD_READ_VERSION),
                                              REPLY_PERIOD_MS, REPLY_RETRY_LIMIT);
}

bool CSensor::RequestChannel(unsigned channel) {
    if (!IsValidChannel(channel) || !ReadyForRequest()) {
        return false;
    }
    m_currentChannel = channel;
    return SendWithReply(REQ_READ_CHANNEL, BuildReadChannel(channel), REPLY_PERIOD_MS,
                         REPLY_RETRY_LIMIT);
}

// The cache takes the new values before the write so that a reader woken by the
// acknowledgement (which may overtake the end of Write) sees them; a failed write puts the
// old values back, or the next send of the same values would write nothing and report success.
bool CSensor::SendSettings(unsigned averaging, unsigned triggering, unsigned outputDelay,
                           unsigned ambientSubtraction, unsigned illumination) {
    if (!ReadyForRequest()) {
        return false;
    }
    const SensorSettings wanted{averaging, triggering, outputDelay, ambientSubtraction,
                                illumination};
    std::optional<SensorSettings> before;
    std::string command;
    {
        std::lock_guard lock(m_recordMutex);
        before = m_settings;
        command = BuildSendSettings(wanted, m_settings);
    }
    if (command.empty()) {
        Notify(WM_SENSOR_SETTINGS_SENT);
        return true;
    }
    if (SendWithReply(REQ_SEND_SETTINGS, command, REPLY_PERIOD_MS, REPLY_RETRY_LIMIT)) {
        return true;
    }
    std::lock_guard lock(m_recordMutex);
    m_settings = before;
    return false;
}

// As with the settings, the record takes the new values before the write and gets its old
// ones back when the write fails, percentages too: the panel compares its tolerances with
// these, and a record holding values the sensor never got would stop it offering the send
// again.
bool CSensor::SendChannel(unsigned channel, unsigned matchOutput, unsigned enabled, unsigned mode,
                          double red, double green, double blue, double redTolerance,
                          double greenTolerance, double blueTolerance) {
    if (!IsValidChannel(channel) || !ReadyForRequest()) {
        return false;
    }
    m_currentChannel = channel;
    ChannelDefinition wanted;
    wanted.MatchOutput = matchOutput;
    wanted.Enabled = enabled;
    wanted.Mode = mode;
    wanted.RedSetting = red;
    wanted.GreenSetting = green;
    wanted.BlueSetting = blue;
    wanted.RedTolerance = redTolerance;
    wanted.GreenTolerance = greenTolerance;
    wanted.BlueTolerance = blueTolerance;
    ChannelPercentToBounds(wanted);

    ChannelDefinition before;
    std::string command;
    {
        std::lock_guard lock(m_recordMutex);
        ChannelDefinition& record = m_channels[channel - 1];
        before = record;
        command = BuildSendChannel(channel, wanted, record);
        ApplyPercentages(record, wanted);
    }
    if (command.empty()) {
        Notify(WM_SENSOR_CHANNEL_SENT, channel);
        return true;
    }
    if (SendWithReply(REQ_SEND_CHANNEL, command, REPLY_PERIOD_MS, REPLY_RETRY_LIMIT)) {
        return true;
    }
    std::lock_guard lock(m_recordMutex);
    m_channels[channel - 1] = before;
    return false;
}

bool CSensor::TeachChannel(unsigned channel, unsigned matchOutput, unsigned enabled, unsigned mode,
                           double redTolerance, double greenTolerance, double blueTolerance) {
    if (!IsValidChannel(channel) || !ReadyForRequest()) {
        return false;
    }
    m_currentChannel = channel;
    ChannelDefinition before;
    std::string command;
    {
        std::lock_guard lock(m_recordMutex);
        ChannelDefinition& record = m_channels[channel - 1];
        before = record;
        record.RedTolerance = redTolerance;
        record.GreenTolerance = greenTolerance;
        record.BlueTolerance = blueTolerance;
        command = BuildTeach(channel, matchOutput, enabled, mode, redTolerance, greenTolerance,
                             blueTolerance, record);
    }
    if (SendWithReply(REQ_TEACH, command, TEACH_REPLY_PERIOD_MS, TEACH_RETRY_LIMIT)) {
        return true;
    }
    std::lock_guard lock(m_recordMutex);
    m_channels[channel - 1] = before;
    return false;
}

bool CSensor::WaitUntilIdle(unsigned timeoutMs) {
    return m_timers.WaitFor(std::chrono::milliseconds(timeoutMs),
                            std::chrono::milliseconds(IDLE_CHECK_MS), [this] { return !IsBusy(); });
}

bool CSensor::IsBusy() const {
    for (const auto& pending : m_pending) {
        if (pending) {
            return true;
        }
    }
    return false;
}

// A forgotten request is not re-sent either: its reply timer would otherwise go on writing the
// last command and keep the next request from starting a timer of its own.
void CSensor::ClearPending() {
    StopReplyTimer();
    for (auto& pending : m_pending) {
        pending = false;
    }
}

bool CSensor::ReadyForRequest() {
    return m_running && WaitUntilIdle(IDLE_WAIT_MS);
}

// Identify and data polls. A poll that got no answer counts as missed, and so does one the
// link refused to write (the device is gone): otherwise a vanished sensor would never time out.
bool CSensor::RequestPoll(Request kind, std::string_view command) {
    if (!m_running) {
        return false;
    }
    const bool unanswered = m_pending[kind].exchange(false);
    const bool refused = m_pollWriteFailed.exchange(false);
    if (unanswered || refused) {
        ++m_missedCount;
    } else {
        m_missedCount = 0;
        m_identifyTimeoutPosted = false;
        m_dataTimeoutPosted = false;
    }
    if (!WaitUntilIdle(IDLE_WAIT_MS)) {
        return false;
    }
    m_pending[kind] = true;
    if (!WriteCommand(std::string(command))) {
        m_pending[kind] = false;
        m_pollWriteFailed = true;
        return false;
    }
    return true;
}

// The pending flag and the reply timer are armed before the bytes go out: a quick sensor can
// answer before Write returns, and its parser must find both to clear.
bool CSensor::SendWithReply(Request kind, const std::string& command, unsigned periodMs,
                            unsigned retryLimit) {
    m_retryCount = 0;
    m_retryLimit = retryLimit;
    m_pending[kind] = true;
    if (!StartReplyTimer(periodMs)) {
        m_pending[kind] = false;
        return false;
    }
    if (!WriteCommand(command)) {
        StopReplyTimer();
        m_pending[kind] = false;
        return false;
    }
    return true;
}

bool CSensor::WriteCommand(const std::string& command) {
    std::lock_guard lock(m_portMutex);
    m_lastCommand = command;
    return WriteLocked(command);
}

// The retry is checked, taken and written in one step under the port lock: the reply timer
// and an error reply may both want the last one, and a time-out must not be reported while a
// retry that was counted has not gone out yet. False when no retry is left; a write that
// fails still uses its retry up.
bool CSensor::Resend() {
    std::lock_guard lock(m_portMutex);
    if (m_retryCount >= m_retryLimit) {
        return false;
    }
    ++m_retryCount;
    WriteLocked(m_lastCommand);
    return true;
}

// While a hung-up device is gone the port is closed and writes are refused here; the receive
// thread re-opens it under the same lock.
bool CSensor::WriteLocked(const std::string& text) {
    if (!m_linkUp || text.empty()) {
        return false;
    }
    if (!m_port.Write(text.data(), static_cast<std::uint32_t>(text.size()))) {
        m_lastPortError = m_port.LastWriteError();
        return false;
    }
    ++m_commandsWritten;
    return true;
}
