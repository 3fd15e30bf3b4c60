#include "sensor/Sensor.h"

#include <ctime>

#include "sensor/Protocol.h"

// Interpreting received lines: the reply parsers of the protocol, the pending flags they clear
// and the notifications they post. Runs on the receive thread.

bool CSensor::ProcessLine(const std::string& line) {
    switch (ClassifyReply(line)) {
    case ReplyKind::ErrorReply:
        HandleErrorReply();
        return false;
    case ReplyKind::Identity:
        return AcceptIdentity(line);
    case ReplyKind::Settings:
        return AcceptSettings(line);
    case ReplyKind::SettingsAck:
        return AcceptSettingsAck();
    case ReplyKind::Channel:
        return AcceptChannel(line);
    case ReplyKind::ChannelAck:
        return AcceptChannelAck();
    case ReplyKind::Data:
        return AcceptData(line);
    case ReplyKind::Version:
        return AcceptVersion(line);
    case ReplyKind::Teach:
        return AcceptTeach(line);
    case ReplyKind::Ignored:
        if (!line.empty()) {
            ++m_unreadableReplies;
        }
        break;
    }
    return false;
}

// The reply timer goes first: once the pending flag is clear the next request may start a
// timer of its own, and an old one still registered would refuse it.
void CSensor::Answered(Request kind, bool stopsReplyTimer) {
    if (stopsReplyTimer) {
        StopReplyTimer();
    }
    m_pending[kind] = false;
}

// Channel notifications name the channel the window asked about last, not the reply's index;
// before any request named one, the reply's own channel is the best there is.
std::uintptr_t CSensor::Announced(unsigned replyChannel) const {
    const unsigned current = m_currentChannel;
    return current != 0 ? current : replyChannel;
}

// Identify and data polls repeat on their own next tick. Only a request still waiting for its
// reply (its reply timer armed) is re-sent: a stray "?" after the answer must not repeat a
// send or a teach. Re-sends beyond the retry limit are left to the reply timer, which then
// reports the time-out; a sensor answering "?" to everything would otherwise be re-sent to
// without end.
void CSensor::HandleErrorReply() {
    const std::chrono::milliseconds pause(ERROR_REPLY_PAUSE_MS);
    m_timers.WaitFor(pause, pause, [] { return false; });
    std::string last;
    {
        std::lock_guard lock(m_portMutex);
        last = m_lastCommand;
    }
    if (last == CMD_IDENTIFY || last == CMD_READ_DATA) {
        return;
    }
    if (m_replyTimerActive) {
        Resend();
    }
    Notify(WM_SENSOR_ERROR_REPLY);
}

bool CSensor::AcceptIdentity(std::string_view line) {
    if (!m_pending[REQ_IDENTIFY]) {
        return false;
    }
    SensorIdentity identity;
    {
        std::lock_guard lock(m_recordMutex);
        identity = m_identity;
    }
    if (!ParseIdentityReply(line, identity)) {
        ++m_unreadableReplies;
        return false;
    }
    {
        std::lock_guard lock(m_recordMutex);
        m_identity.ModelCode = identity.ModelCode;
        m_identity.SerialNumber = identity.SerialNumber;
    }
    Answered(REQ_IDENTIFY, false);
    Notify(WM_SENSOR_IDENTITY);
    return true;
}

bool CSensor::AcceptSettings(std::string_view line) {
    const SensorSettings settings = ParseSettingsReply(line);
    {
        std::lock_guard lock(m_recordMutex);
        m_settings = settings;
    }
    Answered(REQ_READ_SETTINGS, true);
    Notify(WM_SENSOR_SETTINGS);
    return true;
}

bool CSensor::AcceptSettingsAck() {
    if (!m_pending[REQ_SEND_SETTINGS]) {
        return false;
    }
    Answered(REQ_SEND_SETTINGS, true);
    Notify(WM_SENSOR_SETTINGS_SENT);
    return true;
}

// Channel and teach replies address a channel by their index; the parser works on a copy of
// that channel's record because the teach result depends on the tolerance stored there.
bool CSensor::StoreChannelReply(std::string_view line, ChannelParser parse, unsigned& channel) {
    const unsigned addressed = ReplyChannelNumber(line);
    if (!IsValidChannel(addressed)) {
        ++m_unreadableReplies;
        return false; // index F addresses no channel
    }
    ChannelDefinition record;
    {
        std::lock_guard lock(m_recordMutex);
        record = m_channels[addressed - 1];
    }
    if (!parse(line, channel, record)) {
        ++m_unreadableReplies;
        return false;
    }
    std::lock_guard lock(m_recordMutex);
    m_channels[channel - 1] = record;
    return true;
}

bool CSensor::AcceptChannel(std::string_view line) {
    unsigned channel = 0;
    if (!StoreChannelReply(line, ParseChannelReply, channel)) {
        return false;
    }
    m_repliedChannel = channel;
    Answered(REQ_READ_CHANNEL, true);
    Notify(WM_SENSOR_CHANNEL, Announced(channel));
    return true;
}

bool CSensor::AcceptChannelAck() {
    Answered(REQ_SEND_CHANNEL, true);
    Notify(WM_SENSOR_CHANNEL_SENT, Announced(0));
    return true;
}

bool CSensor::AcceptData(std::string_view line) {
    CurrentReading reading = ParseDataReply(line);
    reading.Time = m_wallClock ? m_wallClock() : std::time(nullptr);
    {
        std::lock_guard lock(m_recordMutex);
        m_reading = reading;
    }
    Answered(REQ_DATA, false);
    Notify(WM_SENSOR_DATA);
    return true;
}

bool CSensor::AcceptVersion(std::string_view line) {
    {
        std::lock_guard lock(m_recordMutex);
        ParseVersionReply(line, m_identity);
    }
    Answered(REQ_VERSION, true);
    Notify(WM_SENSOR_VERSION);
    return true;
}

bool CSensor::AcceptTeach(std::string_view line) {
    unsigned channel = 0;
    if (!StoreChannelReply(line, ParseTeachReply, channel)) {
        return false;
    }
    Answered(REQ_TEACH, true);
    Notify(WM_SENSOR_TEACH, Announced(channel));
    return true;
}
