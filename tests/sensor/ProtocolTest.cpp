#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <optional>
#include <string>

#include "sensor/Protocol.h"

namespace {

TEST(ParseHex, ReadsFixedFieldsAndCountsAnythingElseAsZero) {
    EXPECT_EQ(ParseHex("!c,0,8CAA", 5, 4), 0x8CAAU);
    EXPECT_EQ(ParseHex("!c,0,8caa", 5, 4), 0x8CAAU) << "lower case reads the same";
    EXPECT_EQ(ParseHex("1G2", 0, 3), 0x102U) << "a non-hex character is the digit 0";
    EXPECT_EQ(ParseHex(" -:", 0, 3), 0U);
    EXPECT_EQ(ParseHex("!d,7F", 3, 4), 0x7F00U) << "digits beyond the end are 0";
    EXPECT_EQ(ParseHex("!d", 3, 4), 0U);
    EXPECT_EQ(ParseHex("ABC", 1, 0), 0U);
    EXPECT_EQ(ParseHex("", 0, 4), 0U);
}

TEST(ParseHex, NeverReadsBehindTheLineWhateverPositionAndLength) {
    const std::string buffer = "12345678";
    const std::string_view line = std::string_view(buffer).substr(0, 2);
    EXPECT_EQ(ParseHex(line, 0, 4), 0x1200U);
    EXPECT_EQ(ParseHex(line, 2, 4), 0U);
    EXPECT_EQ(ParseHex(line, std::numeric_limits<std::size_t>::max(), 4), 0U);
    EXPECT_EQ(ParseHex(line, 1, std::numeric_limits<std::size_t>::max()), 0U)
        << "the digits shift out of 32 bits and the call returns";
}

TEST(FormatHex, UpperCaseZeroPaddedAndNeverCut) {
    EXPECT_EQ(FormatHex(0, 1), "0");
    EXPECT_EQ(FormatHex(50, 2), "32");
    EXPECT_EQ(FormatHex(0xA, 4), "000A");
    EXPECT_EQ(FormatHex(0x8CAA, 4), "8CAA");
    EXPECT_EQ(FormatHex(0x1E848, 5), "1E848");
    EXPECT_EQ(FormatHex(0x123, 1), "123");
    EXPECT_EQ(FormatHex(0xFFFFFFFF, 0), "FFFFFFFF");
}

TEST(ReadChannelCommand, CarriesTheIndexOfValidChannelsOnly) {
    EXPECT_EQ(BuildReadChannel(1), "!c,0\r");
    EXPECT_EQ(BuildReadChannel(15), "!c,E\r");
    EXPECT_EQ(BuildReadChannel(0), "");
    EXPECT_EQ(BuildReadChannel(16), "");
}

SensorSettings Settings(unsigned averaging, unsigned triggering, unsigned outputDelay,
                        unsigned ambient, unsigned illumination) {
    return {averaging, triggering, outputDelay, ambient, illumination};
}

TEST(SendSettingsCommand, WritesOnlyChangedFieldsAndCachesThem) {
    const SensorSettings wanted = Settings(3, TRIGGER_LEVEL, 5, 1, 100);

    std::optional<SensorSettings> differing = Settings(0, 0, 0, 0, 0);
    EXPECT_EQ(BuildSendSettings(wanted, differing), "!S,3,1,5,0,64\r");
    EXPECT_EQ(differing, wanted) << "ambient subtraction is cached as 1, written as 0";
    EXPECT_EQ(BuildSendSettings(wanted, differing), "") << "a repeated send has nothing to send";
    EXPECT_EQ(differing, wanted);

    std::optional<SensorSettings> cache = wanted;
    EXPECT_EQ(BuildSendSettings(Settings(3, 1, 5, 1, 50), cache), "!S,,,,,32\r");
    EXPECT_EQ(cache->Illumination, 50U);
    EXPECT_EQ(BuildSendSettings(Settings(3, 1, 5, 0, 50), cache), "!S,,,,1,\r");
    EXPECT_EQ(cache->AmbientSubtraction, 0U);
}

TEST(SendSettingsCommand, UnknownCacheCountsAsEveryFieldChanged) {
    std::optional<SensorSettings> cache;
    EXPECT_EQ(BuildSendSettings(Settings(0, 0, 0, 0, 0), cache), "!S,0,0,0,1,00\r");
    ASSERT_TRUE(cache.has_value());
    EXPECT_EQ(*cache, Settings(0, 0, 0, 0, 0));
}

ChannelDefinition Channel(unsigned matchOutput, unsigned enabled, unsigned mode,
                          std::array<unsigned, 6> bounds) {
    ChannelDefinition channel;
    channel.MatchOutput = matchOutput;
    channel.Enabled = enabled;
    channel.Mode = mode;
    channel.RedLow = bounds[0];
    channel.RedHigh = bounds[1];
    channel.GreenLow = bounds[2];
    channel.GreenHigh = bounds[3];
    channel.BlueLow = bounds[4];
    channel.BlueHigh = bounds[5];
    return channel;
}

// The nine values a channel carries on the wire, in wire order.
std::array<unsigned, 9> WireFields(const ChannelDefinition& c) {
    return {c.MatchOutput, c.Enabled,   c.Mode,    c.RedLow,  c.RedHigh,
            c.GreenLow,    c.GreenHigh, c.BlueLow, c.BlueHigh};
}

TEST(SendChannelCommand, WritesOnlyChangedFlagsAndBounds) {
    ChannelDefinition cache = Channel(0, 1, 1, {0x7316, 0x7FE0, 0, 0, 0x10, 0x20});
    cache.RedTolerance = 3.0;
    ChannelDefinition wanted = cache;
    wanted.RedHigh = 0x8CAA;
    wanted.RedTolerance = 10.0;
    EXPECT_EQ(BuildSendChannel(3, wanted, cache), "!C,2,,,,,8CAA,,,,\r");
    EXPECT_EQ(WireFields(cache), WireFields(wanted));
    EXPECT_DOUBLE_EQ(cache.RedTolerance, 3.0) << "percentages are the caller's to store";
    EXPECT_EQ(BuildSendChannel(3, wanted, cache), "");

    ChannelDefinition fresh;
    const ChannelDefinition full = Channel(1, 1, 0, {1, 0x7316, 0x8CAA, 0xFFC0, 0x10, 0xABC});
    EXPECT_EQ(BuildSendChannel(15, full, fresh), "!C,E,1,1,0,0001,7316,8CAA,FFC0,0010,0ABC\r");
}

TEST(SendChannelCommand, RefusesChannelsThatDoNotExist) {
    ChannelDefinition cache;
    const ChannelDefinition wanted = Channel(1, 1, 0, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(BuildSendChannel(0, wanted, cache), "");
    EXPECT_EQ(BuildSendChannel(16, wanted, cache), "");
    EXPECT_EQ(BuildTeach(16, 1, 1, 0, 10, 10, 10, cache), "");
    EXPECT_EQ(WireFields(cache), WireFields(ChannelDefinition{}))
        << "nothing is cached for a command that was not built";
}

TEST(TeachCommand, AlwaysSentWithScaledTolerancesAndChangedFlags) {
    ChannelDefinition cache = Channel(0, 1, 1, {});
    EXPECT_EQ(BuildTeach(2, 0, 1, 1, 10.0, 10.0, 12.5, cache), "!T,1,,,,186A0,186A0,1E848\r");
    EXPECT_EQ(BuildTeach(1, 1, 0, 1, 50.0, 0.5, 0.0, cache), "!T,0,1,0,,7A120,01388,00000\r");
    EXPECT_EQ(WireFields(cache), WireFields(Channel(1, 0, 1, {})));
}

TEST(ClassifyReply, ByTheFirstCharacterAndTheCommandLetter) {
    const std::pair<std::string_view, ReplyKind> cases[] = {
        {"?", ReplyKind::ErrorReply},
        {"?!s,1", ReplyKind::ErrorReply},
        {"!i", ReplyKind::Identity},
        {"!s,3", ReplyKind::Settings},
        {"!S", ReplyKind::SettingsAck},
        {"!c", ReplyKind::Channel},
        {"!C,extra", ReplyKind::ChannelAck},
        {"!d", ReplyKind::Data},
        {"!v", ReplyKind::Version},
        {"!T", ReplyKind::Teach},
        {"", ReplyKind::Ignored},
        {"!", ReplyKind::Ignored},
        {"!x", ReplyKind::Ignored},
        {"!I", ReplyKind::Ignored},
        {"!t", ReplyKind::Ignored},
        {" !s", ReplyKind::Ignored},
        {"s!", ReplyKind::Ignored},
    };
    for (const auto& [line, kind] : cases) {
        EXPECT_EQ(ClassifyReply(line), kind) << '"' << line << '"';
    }
}

TEST(IdentityReply, AcceptedOnlyAtExactlyTwentyOneCharacters) {
    SensorIdentity identity;
    identity.FirmwareMajor = 1;
    ASSERT_TRUE(ParseIdentityReply("!i,9,SN-0000012345 AB", identity));
    EXPECT_EQ(identity.ModelCode, 9U);
    EXPECT_EQ(identity.SerialNumber, "SN-0000012345 AB") << "kept exactly, spaces included";
    EXPECT_EQ(identity.FirmwareMajor, 1U);

    ASSERT_TRUE(ParseIdentityReply("!i,e,0000000000000001", identity));
    EXPECT_EQ(identity.ModelCode, 14U);

    const SensorIdentity before = identity;
    EXPECT_FALSE(ParseIdentityReply("!i,6,123456789012345", identity)) << "15-character serial";
    EXPECT_FALSE(ParseIdentityReply("!i,6,12345678901234567", identity));
    EXPECT_FALSE(ParseIdentityReply("", identity));
    EXPECT_EQ(identity.ModelCode, before.ModelCode);
    EXPECT_EQ(identity.SerialNumber, before.SerialNumber);
}

TEST(SettingsReply, ReadsFieldsAndInvertsAmbientSubtraction) {
    EXPECT_EQ(ParseSettingsReply("!s,3,1,5,0,64"), Settings(3, 1, 5, 1, 100));
    EXPECT_EQ(ParseSettingsReply("!s,6,2,a,1,ff"), Settings(6, 2, 10, 0, 255));
    EXPECT_EQ(ParseSettingsReply("!s,0,0,0,7,00").AmbientSubtraction, 0U)
        << "a stray digit must not wrap round to a huge value";
    EXPECT_EQ(ParseSettingsReply("!s,4"), Settings(4, 0, 0, 1, 0)) << "missing digits are 0";
}

constexpr std::string_view CHANNEL_REPLY = "!c,2,0,1,1,7316,8CAA,7FE0,7FE0,0000,FFC0";

TEST(ChannelReply, FillsFlagsBoundsAndPercentagesOfTheAddressedChannel) {
    unsigned channel = 0;
    ChannelDefinition definition;
    ASSERT_TRUE(ParseChannelReply(CHANNEL_REPLY, channel, definition));
    EXPECT_EQ(channel, 3U);
    EXPECT_EQ(WireFields(definition),
              WireFields(Channel(0, 1, 1, {0x7316, 0x8CAA, 0x7FE0, 0x7FE0, 0, 0xFFC0})));
    EXPECT_DOUBLE_EQ(definition.RedSetting, 50.0);
    EXPECT_DOUBLE_EQ(definition.GreenTolerance, 0.5);
    EXPECT_DOUBLE_EQ(definition.BlueTolerance, 50.0);

    unsigned lowerChannel = 0;
    ChannelDefinition lower;
    std::string lowerLine(CHANNEL_REPLY);
    for (char& c : lowerLine.replace(0, 2, "!c")) {
        c = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    ASSERT_TRUE(ParseChannelReply(lowerLine, lowerChannel, lower));
    EXPECT_EQ(lowerChannel, channel);
    EXPECT_EQ(WireFields(lower), WireFields(definition));
    EXPECT_DOUBLE_EQ(lower.RedTolerance, definition.RedTolerance);

    ASSERT_TRUE(ParseChannelReply("!c,e,1,0,0,1234", channel, definition));
    EXPECT_EQ(channel, 15U);
    EXPECT_EQ(definition.RedLow, 0x1234U);
    EXPECT_EQ(definition.RedHigh, 0U) << "a short line reads zeros";
}

TEST(ChannelAndTeachReplies, IndexFIsRefusedWithoutChangingAnything) {
    unsigned channel = 7;
    ChannelDefinition definition = Channel(1, 1, 0, {1, 2, 3, 4, 5, 6});
    definition.RedTolerance = 12.0;
    EXPECT_EQ(ReplyChannelNumber("!c,F,0,1,1,7316,8CAA,7FE0,7FE0,0000,FFC0"), 0U);
    EXPECT_FALSE(
        ParseChannelReply("!c,F,0,1,1,7316,8CAA,7FE0,7FE0,0000,FFC0", channel, definition));
    EXPECT_FALSE(ParseTeachReply("!T,f,7316,8CAA,7316,8CAA,0000,FFC0", channel, definition));
    EXPECT_EQ(channel, 7U);
    EXPECT_EQ(WireFields(definition), WireFields(Channel(1, 1, 0, {1, 2, 3, 4, 5, 6})));
    EXPECT_DOUBLE_EQ(definition.RedTolerance, 12.0);
    EXPECT_DOUBLE_EQ(definition.RedSetting, 0.0);
}

TEST(TeachReply, NewBoundsWithToleranceKeptWhereTheyMatchAndFlagsUntouched) {
    unsigned channel = 0;
    ChannelDefinition definition = Channel(1, 1, 0, {});
    definition.RedTolerance = 10.0;
    definition.GreenTolerance = 20.0;
    definition.BlueTolerance = 10.0;
    ASSERT_EQ(ReplyChannelNumber("!T,1,7316,8CAA,7316,8CAA,0000,FFC0"), 2U);
    ASSERT_TRUE(ParseTeachReply("!T,1,7316,8CAA,7316,8CAA,0000,FFC0", channel, definition));
    EXPECT_EQ(channel, 2U);
    EXPECT_EQ(WireFields(definition),
              WireFields(Channel(1, 1, 0, {0x7316, 0x8CAA, 0x7316, 0x8CAA, 0, 0xFFC0})))
        << "new bounds, flags untouched";
    EXPECT_DOUBLE_EQ(definition.RedSetting, 50.0);
    EXPECT_DOUBLE_EQ(definition.RedTolerance, 10.0) << "the sent tolerance explains the bounds";
    EXPECT_NEAR(definition.GreenTolerance, 10.0, 0.01) << "derived from the bounds";
    EXPECT_DOUBLE_EQ(definition.BlueTolerance, 50.0);
}

TEST(DataAndVersionReplies, ReadTheirFields) {
    const CurrentReading reading = ParseDataReply("!d,FFC0,7fe0,0000,05");
    EXPECT_DOUBLE_EQ(reading.Red, 100.0);
    EXPECT_DOUBLE_EQ(reading.Green, 50.0);
    EXPECT_DOUBLE_EQ(reading.Blue, 0.0);
    EXPECT_EQ(reading.MatchStatus, 5U);
    EXPECT_GT(ParseDataReply("!d,FFFF,0000,0000,00").Red, 100.0) << "no clamping";
    EXPECT_EQ(ParseDataReply("!d,FFC0,FFC0,FFC0,8").MatchStatus, 0x80U);

    SensorIdentity identity;
    identity.ModelCode = 6;
    ParseVersionReply("!v,001,00d", identity);
    EXPECT_EQ(identity.FirmwareMajor, 1U);
    EXPECT_EQ(identity.FirmwareMinor, 13U);
    EXPECT_EQ(identity.ModelCode, 6U);
    EXPECT_EQ(FormatFirmware(identity.FirmwareMajor, identity.FirmwareMinor), "1.13");
}

// The sensor's replies to reads have the layout of the matching send commands, so a full
// command with its letter lowered must parse back to what it carries.
TEST(CommandsAndReplies, ShareTheirFieldPositions) {
    const SensorSettings settings = Settings(9, TRIGGER_EDGE, 10, 0, 0xAB);
    std::optional<SensorSettings> unknown;
    std::string settingsLine = BuildSendSettings(settings, unknown);
    settingsLine[1] = 's';
    settingsLine.pop_back();
    EXPECT_EQ(ParseSettingsReply(settingsLine), settings);

    const ChannelDefinition wanted = Channel(1, 0, 1, {0x0123, 0x4567, 0x89AB, 0xCDEF, 0, 0xFFC0});
    ChannelDefinition differing = Channel(0, 1, 0, {1, 1, 1, 1, 1, 1});
    std::string channelLine = BuildSendChannel(11, wanted, differing);
    channelLine[1] = 'c';
    channelLine.pop_back();
    unsigned channel = 0;
    ChannelDefinition parsed;
    ASSERT_TRUE(ParseChannelReply(channelLine, channel, parsed));
    EXPECT_EQ(channel, 11U);
    EXPECT_EQ(WireFields(parsed), WireFields(wanted));
}

} // namespace
