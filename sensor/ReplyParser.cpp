#include "sensor/Protocol.h"
#include "sensor/WireFields.h"

namespace {

// Positions of the reply layouts, counted from 0 over the line without its CR.
constexpr std::size_t MODEL_POSITION = 3;
constexpr std::size_t SERIAL_POSITION = 5;
constexpr std::size_t SERIAL_LENGTH = 16;
constexpr std::size_t SETTINGS_POSITIONS[] = {3, 5, 7, 9, 11};
constexpr std::size_t REPLY_CHANNEL_POSITION = 3;
constexpr std::size_t CHANNEL_FLAGS_POSITION = 5;
constexpr std::size_t CHANNEL_BOUNDS_POSITION = 11;
constexpr std::size_t TEACH_BOUNDS_POSITION = 5;
constexpr std::size_t DATA_POSITIONS[] = {3, 8, 13, 18};
constexpr std::size_t DATA_COLOUR_DIGITS = 4;
constexpr std::size_t MATCH_STATUS_DIGITS = 2;
static_assert(DATA_POSITIONS[3] + MATCH_STATUS_DIGITS == DATA_REPLY_LENGTH);
constexpr std::size_t FIRMWARE_MAJOR_POSITION = 3;
constexpr std::size_t FIRMWARE_MINOR_POSITION = 7;
constexpr std::size_t FIRMWARE_DIGITS = 3;

// One-digit fields follow each other with a separator between them, four-digit bounds too.
constexpr std::size_t ONE_DIGIT_STRIDE = ONE_DIGIT + 1;
constexpr std::size_t BOUND_STRIDE = BOUND_DIGITS + 1;

void ReadBounds(std::string_view line, std::size_t position, ChannelDefinition& definition) {
    for (const auto field : CHANNEL_BOUNDS) {
        definition.*field = ParseHex(line, position, BOUND_DIGITS);
        position += BOUND_STRIDE;
    }
}

} // namespace

ReplyKind ClassifyReply(std::string_view line) {
    if (line.empty()) {
        return ReplyKind::Ignored;
    }
    if (line[0] == '?') {
        return ReplyKind::ErrorReply;
    }
    if (line[0] != '!' || line.size() < 2) {
        return ReplyKind::Ignored;
    }
    switch (line[1]) {
    case 'i':
        return ReplyKind::Identity;
    case 's':
        return ReplyKind::Settings;
    case 'S':
        return ReplyKind::SettingsAck;
    case 'c':
        return ReplyKind::Channel;
    case 'C':
        return ReplyKind::ChannelAck;
    case 'd':
        return ReplyKind::Data;
    case 'v':
        return ReplyKind::Version;
    case 'T':
        return ReplyKind::Teach;
    default:
        return ReplyKind::Ignored;
    }
}

bool ParseIdentityReply(std::string_view line, SensorIdentity& identity) {
    if (line.size() != IDENTITY_REPLY_LENGTH) {
        return false;
    }
    identity.ModelCode = ParseHex(line, MODEL_POSITION, ONE_DIGIT);
    identity.SerialNumber = std::string(line.substr(SERIAL_POSITION, SERIAL_LENGTH));
    return true;
}

SensorSettings ParseSettingsReply(std::string_view line) {
    SensorSettings settings;
    settings.Averaging = ParseHex(line, SETTINGS_POSITIONS[0], ONE_DIGIT);
    settings.Triggering = ParseHex(line, SETTINGS_POSITIONS[1], ONE_DIGIT);
    settings.OutputDelay = ParseHex(line, SETTINGS_POSITIONS[2], ONE_DIGIT);
    settings.AmbientSubtraction =
        InvertAmbientSubtraction(ParseHex(line, SETTINGS_POSITIONS[3], ONE_DIGIT));
    settings.Illumination = ParseHex(line, SETTINGS_POSITIONS[4], ILLUMINATION_DIGITS);
    return settings;
}

unsigned ReplyChannelNumber(std::string_view line) {
    const unsigned index = ParseHex(line, REPLY_CHANNEL_POSITION, CHANNEL_INDEX_DIGITS);
    return index < CHANNEL_COUNT_MAX ? index + 1 : 0;
}

bool ParseChannelReply(std::string_view line, unsigned& channel, ChannelDefinition& definition) {
    const unsigned number = ReplyChannelNumber(line);
    if (number == 0) {
        return false;
    }
    channel = number;
    std::size_t position = CHANNEL_FLAGS_POSITION;
    for (const auto field : CHANNEL_FLAGS) {
        definition.*field = ParseHex(line, position, ONE_DIGIT);
        position += ONE_DIGIT_STRIDE;
    }
    ReadBounds(line, CHANNEL_BOUNDS_POSITION, definition);
    ChannelBoundsToPercent(definition);
    return true;
}

bool ParseTeachReply(std::string_view line, unsigned& channel, ChannelDefinition& definition) {
    const unsigned number = ReplyChannelNumber(line);
    if (number == 0) {
        return false;
    }
    channel = number;
    ReadBounds(line, TEACH_BOUNDS_POSITION, definition);
    ChannelTeachResult(definition);
    return true;
}

CurrentReading ParseDataReply(std::string_view line) {
    CurrentReading reading;
    reading.Red = RawToPercent(ParseHex(line, DATA_POSITIONS[0], DATA_COLOUR_DIGITS));
    reading.Green = RawToPercent(ParseHex(line, DATA_POSITIONS[1], DATA_COLOUR_DIGITS));
    reading.Blue = RawToPercent(ParseHex(line, DATA_POSITIONS[2], DATA_COLOUR_DIGITS));
    reading.MatchStatus = ParseHex(line, DATA_POSITIONS[3], MATCH_STATUS_DIGITS);
    return reading;
}

void ParseVersionReply(std::string_view line, SensorIdentity& identity) {
    identity.FirmwareMajor = ParseHex(line, FIRMWARE_MAJOR_POSITION, FIRMWARE_DIGITS);
    identity.FirmwareMinor = ParseHex(line, FIRMWARE_MINOR_POSITION, FIRMWARE_DIGITS);
}
