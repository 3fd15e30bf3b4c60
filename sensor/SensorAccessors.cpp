#include "sensor/Sensor.h"

#include "sensor/Protocol.h"

// Accessors of the sensor's last-known records. A channel outside 1..15 reads as a channel in
// its initial state.

unsigned CSensor::GetModelCode() const {
    std::lock_guard lock(m_recordMutex);
    return m_identity.ModelCode;
}

std::string CSensor::GetSerialNumber() const {
    std::lock_guard lock(m_recordMutex);
    return m_identity.SerialNumber;
}

unsigned CSensor::GetFirmwareMajor() const {
    std::lock_guard lock(m_recordMutex);
    return m_identity.FirmwareMajor;
}

unsigned CSensor::GetFirmwareMinor() const {
    std::lock_guard lock(m_recordMutex);
    return m_identity.FirmwareMinor;
}

unsigned CSensor::GetAveraging() const {
    std::lock_guard lock(m_recordMutex);
    return m_settings.value_or(SensorSettings{}).Averaging;
}

unsigned CSensor::GetTriggering() const {
    std::lock_guard lock(m_recordMutex);
    return m_settings.value_or(SensorSettings{}).Triggering;
}

unsigned CSensor::GetOutputDelay() const {
    std::lock_guard lock(m_recordMutex);
    return m_settings.value_or(SensorSettings{}).OutputDelay;
}

unsigned CSensor::GetAmbientSubtraction() const {
    std::lock_guard lock(m_recordMutex);
    return m_settings.value_or(SensorSettings{}).AmbientSubtraction;
}

unsigned CSensor::GetIllumination() const {
    std::lock_guard lock(m_recordMutex);
    return m_settings.value_or(SensorSettings{}).Illumination;
}

ChannelDefinition CSensor::GetChannel(unsigned channel) const {
    if (!IsValidChannel(channel)) {
        return {};
    }
    std::lock_guard lock(m_recordMutex);
    return m_channels[channel - 1];
}

unsigned CSensor::GetMatchOutput(unsigned channel) const {
    return GetChannel(channel).MatchOutput;
}

unsigned CSensor::GetEnabled(unsigned channel) const {
    return GetChannel(channel).Enabled;
}

unsigned CSensor::GetMode(unsigned channel) const {
    return GetChannel(channel).Mode;
}

double CSensor::GetRedSetting(unsigned channel) const {
    return GetChannel(channel).RedSetting;
}

double CSensor::GetGreenSetting(unsigned channel) const {
    return GetChannel(channel).GreenSetting;
}

double CSensor::GetBlueSetting(unsigned channel) const {
    return GetChannel(channel).BlueSetting;
}

double CSensor::GetRedTolerance(unsigned channel) const {
    return GetChannel(channel).RedTolerance;
}

double CSensor::GetGreenTolerance(unsigned channel) const {
    return GetChannel(channel).GreenTolerance;
}

double CSensor::GetBlueTolerance(unsigned channel) const {
    return GetChannel(channel).BlueTolerance;
}

unsigned CSensor::GetRedLow(unsigned channel) const {
    return GetChannel(channel).RedLow;
}

unsigned CSensor::GetGreenLow(unsigned channel) const {
    return GetChannel(channel).GreenLow;
}

unsigned CSensor::GetBlueLow(unsigned channel) const {
    return GetChannel(channel).BlueLow;
}

double CSensor::GetRed() const {
    std::lock_guard lock(m_recordMutex);
    return m_reading.Red;
}

double CSensor::GetGreen() const {
    std::lock_guard lock(m_recordMutex);
    return m_reading.Green;
}

double CSensor::GetBlue() const {
    std::lock_guard lock(m_recordMutex);
    return m_reading.Blue;
}

unsigned CSensor::GetMatchStatus() const {
    std::lock_guard lock(m_recordMutex);
    return m_reading.MatchStatus;
}

std::time_t CSensor::GetReadingTime() const {
    std::lock_guard lock(m_recordMutex);
    return m_reading.Time;
}

unsigned CSensor::LastRepliedChannel() const {
    return m_repliedChannel;
}

unsigned CSensor::UnreadableReplies() const {
    return m_unreadableReplies;
}

std::uint64_t CSensor::CommandsWritten() const {
    return m_commandsWritten;
}
