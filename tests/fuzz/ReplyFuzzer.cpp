// Feeds arbitrary bytes as one received line to the reply classifier, every reply parser and the
// hex field reader, and as a stream that goes on and on to the line assembly, and stops at the
// first broken invariant.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "FuzzCheck.h"
#include "link/LineAssembler.h"
#include "sensor/Protocol.h"

namespace {

bool SameWireFields(const ChannelDefinition& a, const ChannelDefinition& b) {
    return a.MatchOutput == b.MatchOutput && a.Enabled == b.Enabled && a.Mode == b.Mode &&
           a.RedLow == b.RedLow && a.RedHigh == b.RedHigh && a.GreenLow == b.GreenLow &&
           a.GreenHigh == b.GreenHigh && a.BlueLow == b.BlueLow && a.BlueHigh == b.BlueHigh;
}

bool SameChannel(const ChannelDefinition& a, const ChannelDefinition& b) {
    return SameWireFields(a, b) && a.RedSetting == b.RedSetting &&
           a.GreenSetting == b.GreenSetting && a.BlueSetting == b.BlueSetting &&
           a.RedTolerance == b.RedTolerance && a.GreenTolerance == b.GreenTolerance &&
           a.BlueTolerance == b.BlueTolerance;
}

// A record as the proxy holds it before a reply: taught with tolerances 10, 0.5 and 50.
ChannelDefinition StoredChannel() {
    ChannelDefinition channel;
    channel.MatchOutput = 1;
    channel.Enabled = 1;
    channel.Mode = 0;
    channel.RedSetting = 40.0;
    channel.GreenSetting = 30.0;
    channel.BlueSetting = 20.0;
    channel.RedTolerance = 10.0;
    channel.GreenTolerance = 0.5;
    channel.BlueTolerance = 50.0;
    ChannelPercentToBounds(channel);
    return channel;
}

void CheckClassification(std::string_view line) {
    const ReplyKind kind = ClassifyReply(line);
    Require((kind == ReplyKind::ErrorReply) == (!line.empty() && line[0] == '?'),
            "error replies are exactly the lines starting with '?'");
    if (line.empty() || (line[0] != '!' && line[0] != '?')) {
        Require(kind == ReplyKind::Ignored, "lines starting otherwise are ignored");
    }
}

void CheckIdentity(std::string_view line) {
    SensorIdentity identity;
    identity.ModelCode = 99;
    identity.SerialNumber = "before";
    if (ParseIdentityReply(line, identity)) {
        Require(line.size() == IDENTITY_REPLY_LENGTH, "identity accepted only at 21 characters");
        Require(identity.ModelCode <= 0xF, "model code within one digit");
        Require(identity.SerialNumber == line.substr(5), "serial number taken as text");
    } else {
        Require(identity.ModelCode == 99 && identity.SerialNumber == "before",
                "a refused identity changes nothing");
    }
}

void CheckSettings(std::string_view line) {
    const SensorSettings settings = ParseSettingsReply(line);
    Require(settings.Averaging <= 0xF && settings.Triggering <= 0xF &&
                settings.OutputDelay <= 0xF && settings.AmbientSubtraction <= 1 &&
                settings.Illumination <= 0xFF,
            "settings within their widths");

    std::optional<SensorSettings> unknown;
    std::string command = BuildSendSettings(settings, unknown);
    command[1] = 's';
    Require(ParseSettingsReply(command) == settings, "settings survive command and reply");
}

// Reads a channel or teach reply with `parse` over the stored record: a refused one must leave
// the record and the channel number alone, a taken one must name the channel it addressed.
bool ReadOverStored(std::string_view line,
                    bool (*parse)(std::string_view, unsigned&, ChannelDefinition&),
                    const char* refusedChangesNothing, const char* takesAddressed,
                    unsigned& channel, ChannelDefinition& definition) {
    const ChannelDefinition before = StoredChannel();
    definition = before;
    channel = 99;
    const unsigned addressed = ReplyChannelNumber(line);
    if (!parse(line, channel, definition)) {
        Require(addressed == 0, "only index F is refused");
        Require(channel == 99 && SameChannel(definition, before), refusedChangesNothing);
        return false;
    }
    Require(IsValidChannel(channel) && channel == addressed, takesAddressed);
    return true;
}

void CheckChannel(std::string_view line) {
    unsigned channel = 0;
    ChannelDefinition definition;
    if (!ReadOverStored(line, ParseChannelReply, "a refused channel reply changes nothing",
                        "channel 1..15 as addressed", channel, definition)) {
        return;
    }
    Require(definition.MatchOutput <= 0xF && definition.Enabled <= 0xF && definition.Mode <= 0xF,
            "flags within one digit");
    for (const auto& [low, high, setting, tolerance] :
         {std::tuple{definition.RedLow, definition.RedHigh, definition.RedSetting,
                     definition.RedTolerance},
          std::tuple{definition.GreenLow, definition.GreenHigh, definition.GreenSetting,
                     definition.GreenTolerance},
          std::tuple{definition.BlueLow, definition.BlueHigh, definition.BlueSetting,
                     definition.BlueTolerance}}) {
        Require(low <= 0xFFFF && high <= 0xFFFF, "bounds within four digits");
        Require(InRange(setting, 0.0, 100.0), "setting clamped to 0..100");
        Require(InRange(tolerance, 0.5, 50.0), "tolerance clamped to 0.5..50");
    }

    // Against a cache that differs in every field the command carries them all.
    ChannelDefinition differing;
    differing.MatchOutput = differing.Enabled = differing.Mode = 0x10;
    differing.RedLow = differing.RedHigh = differing.GreenLow = 0x10000;
    differing.GreenHigh = differing.BlueLow = differing.BlueHigh = 0x10000;
    std::string command = BuildSendChannel(channel, definition, differing);
    command[1] = 'c';
    ChannelDefinition echoed;
    unsigned echoedChannel = 0;
    Require(ParseChannelReply(command, echoedChannel, echoed) && echoedChannel == channel &&
                SameWireFields(echoed, definition),
            "a channel survives command and reply");
}

void CheckTeach(std::string_view line) {
    unsigned channel = 0;
    ChannelDefinition definition;
    if (!ReadOverStored(line, ParseTeachReply, "a refused teach reply changes nothing",
                        "taught channel 1..15 as addressed", channel, definition)) {
        return;
    }
    const ChannelDefinition before = StoredChannel();
    Require(definition.MatchOutput == before.MatchOutput && definition.Enabled == before.Enabled &&
                definition.Mode == before.Mode,
            "a teach reply leaves the flags");
    const double maxSetting = RawToPercent(0xFFFF);
    for (const auto& [setting, tolerance, stored] :
         {std::tuple{definition.RedSetting, definition.RedTolerance, before.RedTolerance},
          std::tuple{definition.GreenSetting, definition.GreenTolerance, before.GreenTolerance},
          std::tuple{definition.BlueSetting, definition.BlueTolerance, before.BlueTolerance}}) {
        Require(InRange(setting, 0.0, maxSetting), "taught setting within the raw scale");
        Require(tolerance == stored || InRange(tolerance, 0.5, 50.0),
                "taught tolerance kept or clamped to 0.5..50");
    }
}

void CheckDataAndVersion(std::string_view line) {
    const CurrentReading reading = ParseDataReply(line);
    const double maxPercent = RawToPercent(0xFFFF);
    Require(InRange(reading.Red, 0.0, maxPercent) && InRange(reading.Green, 0.0, maxPercent) &&
                InRange(reading.Blue, 0.0, maxPercent),
            "reading within the raw scale");
    Require(reading.MatchStatus <= 0xFF, "match status within two digits");

    SensorIdentity identity;
    ParseVersionReply(line, identity);
    Require(identity.FirmwareMajor <= 0xFFF && identity.FirmwareMinor <= 0xFFF,
            "firmware parts within three digits");
}

// Position and digit count come from the first two bytes; counts past eight digits and
// positions past the end are meant to be reached.
void CheckParseHex(std::string_view line) {
    if (line.size() < 2) {
        return;
    }
    const std::size_t position = static_cast<unsigned char>(line[0]);
    const std::size_t digits = static_cast<unsigned char>(line[1]);
    const std::uint32_t value = ParseHex(line, position, digits);
    if (digits == 0 || position >= line.size()) {
        Require(value == 0, "no digits read as 0");
        return;
    }
    Require(value == ParseHex(line, position, digits - 1) * 16 +
                         ParseHex(line, position + digits - 1, 1),
            "each digit adds one hex place");
    if (digits <= 8) {
        Require(ParseHex(FormatHex(value, digits), 0, digits) == value, "written hex reads back");
    }
}

// The bytes arrive again and again, as from a peer that never stops. Whatever they are, a
// hand-over fits the reader's buffer and holds 7-bit text, and a stream without a CR is failed
// as overlong once it fills the buffer instead of being kept for ever.
void CheckAssembly(std::string_view bytes) {
    constexpr std::uint32_t CAPACITY = 64;
    constexpr int ROUNDS = 64;
    if (bytes.empty()) {
        return;
    }
    LineAssembler lines;
    std::array<char, CAPACITY + 1> buffer{};
    const bool endless = bytes.find('\r') == std::string_view::npos;
    std::size_t added = 0;
    bool overlong = false;
    for (int round = 0; round < ROUNDS; ++round) {
        for (const char byte : bytes) {
            lines.AddWireByte(static_cast<unsigned char>(byte));
        }
        added += bytes.size();
        std::uint32_t length = 0;
        for (LineAssembler::Result result = lines.Take(buffer.data(), CAPACITY, length);
             result != LineAssembler::Result::Incomplete;
             result = lines.Take(buffer.data(), CAPACITY, length)) {
            Require(length <= CAPACITY && buffer[length] == '\0', "a hand-over fits the buffer");
            for (std::uint32_t i = 0; i < length; ++i) {
                Require(static_cast<unsigned char>(buffer[i]) <= 0x7F, "hand-overs are 7-bit");
            }
            overlong = overlong || result == LineAssembler::Result::Overlong;
        }
        if (endless && added >= CAPACITY) {
            Require(overlong, "a stream without CR ends as an overlong line");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    CheckClassification(line);
    CheckIdentity(line);
    CheckSettings(line);
    CheckChannel(line);
    CheckTeach(line);
    CheckDataAndVersion(line);
    CheckParseHex(line);
    CheckAssembly(line);
    return 0;
}
