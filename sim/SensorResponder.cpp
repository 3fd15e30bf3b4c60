#include "sim/SensorResponder.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <vector>

#include "sensor/Protocol.h"

namespace {

const std::string ERROR_REPLY = "?";
constexpr std::size_t SERIAL_LENGTH = 16;

struct FieldLayout {
    std::size_t Digits;
    unsigned Max;
    bool Required;
};

constexpr FieldLayout CHANNEL_INDEX{1, CHANNEL_COUNT_MAX - 1, true};
constexpr FieldLayout FLAG{1, 1, false};
constexpr FieldLayout BOUND{4, RAW_FULL_SCALE, false};
constexpr FieldLayout TOLERANCE{5, 0xFFFFF, true};

using FieldValues = std::vector<std::optional<unsigned>>;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The fields after the command letter, each behind its comma. An empty field reads as
// std::nullopt ("keep what is stored"); a written one must have exactly its digits.
bool ReadFields(std::string_view rest, std::initializer_list<FieldLayout> layouts,
                FieldValues& values) {
    values.clear();
    for (const FieldLayout& layout : layouts) {
        if (rest.empty() || rest.front() != ',') {
            return false;
        }
        rest.remove_prefix(1);
        const std::size_t end = std::min(rest.find(','), rest.size());
        const std::string_view field = rest.substr(0, end);
        rest.remove_prefix(end);
        if (field.empty()) {
            if (layout.Required) {
                return false;
            }
            values.emplace_back();
            continue;
        }
        if (field.size() != layout.Digits || !std::all_of(field.begin(), field.end(), IsHexDigit)) {
            return false;
        }
        const unsigned value = ParseHex(field, 0, layout.Digits);
        if (value > layout.Max) {
            return false;
        }
        values.emplace_back(value);
    }
    return rest.empty();
}

// Channel commands lead with the index, which must name one of the model's channels.
bool ReadChannelFields(std::string_view rest, std::initializer_list<FieldLayout> layouts,
                       unsigned channelCount, FieldValues& values) {
    return ReadFields(rest, layouts, values) && *values[0] < channelCount;
}

void Apply(const std::optional<unsigned>& field, unsigned& target) {
    if (field) {
        target = *field;
    }
}

void AppendField(std::string& text, unsigned value, std::size_t digits) {
    text += ',';
    text += FormatHex(value, digits);
}

void AppendBounds(std::string& text, const ChannelDefinition& channel) {
    for (unsigned bound : {channel.RedLow, channel.RedHigh, channel.GreenLow, channel.GreenHigh,
                           channel.BlueLow, channel.BlueHigh}) {
        AppendField(text, bound, 4);
    }
}

} // namespace

bool IsValidSerialNumber(std::string_view serial) {
    return serial.size() == SERIAL_LENGTH &&
           std::all_of(serial.begin(), serial.end(), [](char c) { return c > ' ' && c <= '~'; });
}

SensorResponder::SensorResponder(const SimConfig& config)
    : m_colour(config), m_teachMinHalfWidth(config.TeachMinHalfWidth) {
    SetModelCode(config.ModelCode);
    SetSerialNumber(config.SerialNumber);
    m_identity.FirmwareMajor = config.FirmwareMajor & 0xFFF;
    m_identity.FirmwareMinor = config.FirmwareMinor & 0xFFF;
    m_settings.Averaging = 2;
    m_settings.Triggering = TRIGGER_FREE_RUN;
    m_settings.OutputDelay = 0;
    m_settings.AmbientSubtraction = 1;
    m_settings.Illumination = 100;
}

const ChannelDefinition& SensorResponder::Channel(unsigned channel) const {
    static const ChannelDefinition none;
    return IsValidChannel(channel) ? m_channels[channel - 1] : none;
}

unsigned SensorResponder::ChannelCount() const {
    const ModelInfo* model = FindModel(m_identity.ModelCode);
    return model != nullptr ? model->Channels : 0;
}

void SensorResponder::SetSerialNumber(std::string_view serial) {
    std::string text(serial.substr(0, std::min(serial.size(), SERIAL_LENGTH)));
    for (char& c : text) {
        if (c < ' ' || c > '~') {
            c = '_';
        }
    }
    text.resize(SERIAL_LENGTH, ' ');
    m_identity.SerialNumber = text;
}

void SensorResponder::SetModelCode(unsigned modelCode) {
    m_identity.ModelCode = modelCode & 0xF;
}

std::string SensorResponder::Respond(std::string_view command, double elapsedSeconds) {
    if (command.empty()) {
        return {};
    }
    if (command.size() < 2 || command[0] != '!') {
        return ERROR_REPLY;
    }
    const std::string_view fields = command.substr(2);
    switch (command[1]) {
    case 'i':
        return fields.empty() ? IdentityReply() : ERROR_REPLY;
    case 's':
        return fields.empty() ? SettingsReply() : ERROR_REPLY;
    case 'S':
        return SendSettings(fields);
    case 'c': {
        FieldValues values;
        if (!ReadChannelFields(fields, {CHANNEL_INDEX}, ChannelCount(), values)) {
            return ERROR_REPLY;
        }
        return ChannelReply(*values[0]);
    }
    case 'C':
        return SendChannel(fields);
    case 'd':
        return fields.empty() ? DataReply(elapsedSeconds) : ERROR_REPLY;
    case 'v':
        return fields.empty() ? VersionReply() : ERROR_REPLY;
    case 'T':
        return Teach(fields, elapsedSeconds);
    default:
        return ERROR_REPLY;
    }
}

std::string SensorResponder::IdentityReply() const {
    std::string reply = "!i";
    AppendField(reply, m_identity.ModelCode, 1);
    reply += ',';
    reply += m_identity.SerialNumber;
    return reply;
}

std::string SensorResponder::SettingsReply() const {
    std::string reply = "!s";
    AppendField(reply, m_settings.Averaging, 1);
    AppendField(reply, m_settings.Triggering, 1);
    AppendField(reply, m_settings.OutputDelay, 1);
    AppendField(reply, 1 - m_settings.AmbientSubtraction, 1);
    AppendField(reply, m_settings.Illumination, 2);
    return reply;
}

std::string SensorResponder::ChannelReply(unsigned index) const {
    const ChannelDefinition& channel = m_channels[index];
    std::string reply = "!c";
    AppendField(reply, index, 1);
    AppendField(reply, channel.MatchOutput, 1);
    AppendField(reply, channel.Enabled, 1);
    AppendField(reply, channel.Mode, 1);
    AppendBounds(reply, channel);
    return reply;
}

std::string SensorResponder::DataReply(double elapsedSeconds) {
    const RawColour measured = m_colour.Measure(elapsedSeconds, m_settings.Averaging);
    std::string reply = "!d";
    AppendField(reply, measured.Red, 4);
    AppendField(reply, measured.Green, 4);
    AppendField(reply, measured.Blue, 4);
    AppendField(reply,
                ComputeMatchStatus(m_identity.ModelCode, ChannelCount(), m_channels, measured), 2);
    return reply;
}

std::string SensorResponder::VersionReply() const {
    std::string reply = "!v";
    AppendField(reply, m_identity.FirmwareMajor, 3);
    AppendField(reply, m_identity.FirmwareMinor, 3);
    return reply;
}

std::string SensorResponder::SendSettings(std::string_view fields) {
    FieldValues values;
    if (!ReadFields(
            fields,
            {{1, 15, false}, {1, TRIGGER_EDGE, false}, {1, 15, false}, FLAG, {2, 100, false}},
            values)) {
        return ERROR_REPLY;
    }
    Apply(values[0], m_settings.Averaging);
    Apply(values[1], m_settings.Triggering);
    Apply(values[2], m_settings.OutputDelay);
    if (values[3]) {
        m_settings.AmbientSubtraction = 1 - *values[3];
    }
    Apply(values[4], m_settings.Illumination);
    return "!S";
}

std::string SensorResponder::SendChannel(std::string_view fields) {
    FieldValues values;
    if (!ReadChannelFields(
            fields, {CHANNEL_INDEX, FLAG, FLAG, FLAG, BOUND, BOUND, BOUND, BOUND, BOUND, BOUND},
            ChannelCount(), values)) {
        return ERROR_REPLY;
    }
    ChannelDefinition& channel = m_channels[*values[0]];
    unsigned* targets[] = {&channel.MatchOutput, &channel.Enabled, &channel.Mode,
                           &channel.RedLow,      &channel.RedHigh, &channel.GreenLow,
                           &channel.GreenHigh,   &channel.BlueLow, &channel.BlueHigh};
    for (std::size_t i = 0; i < std::size(targets); ++i) {
        Apply(values[i + 1], *targets[i]);
    }
    return "!C";
}

std::string SensorResponder::Teach(std::string_view fields, double elapsedSeconds) {
    FieldValues values;
    if (!ReadChannelFields(fields,
                           {CHANNEL_INDEX, FLAG, FLAG, FLAG, TOLERANCE, TOLERANCE, TOLERANCE},
                           ChannelCount(), values)) {
        return ERROR_REPLY;
    }
    const unsigned index = *values[0];
    ChannelDefinition& channel = m_channels[index];
    Apply(values[1], channel.MatchOutput);
    Apply(values[2], channel.Enabled);
    Apply(values[3], channel.Mode);
    const RawColour measured = m_colour.Measure(elapsedSeconds, m_settings.Averaging);
    const ComponentBounds red = TeachBounds(measured.Red, *values[4], m_teachMinHalfWidth);
    const ComponentBounds green = TeachBounds(measured.Green, *values[5], m_teachMinHalfWidth);
    const ComponentBounds blue = TeachBounds(measured.Blue, *values[6], m_teachMinHalfWidth);
    channel.RedLow = red.Low;
    channel.RedHigh = red.High;
    channel.GreenLow = green.Low;
    channel.GreenHigh = green.High;
    channel.BlueLow = blue.Low;
    channel.BlueHigh = blue.High;
    std::string reply = "!T";
    AppendField(reply, index, 1);
    AppendBounds(reply, channel);
    return reply;
}
