#include "sim/SensorResponder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "sensor/Protocol.h"

namespace {

SimConfig ConfigFor(unsigned modelCode) {
    SimConfig config;
    config.ModelCode = modelCode;
    config.SerialNumber = "AB12CD34EF56GH78";
    config.FirmwareMajor = 2;
    config.FirmwareMinor = 3;
    return config;
}

void ExpectFlagsAndBounds(const ChannelDefinition& expected, const ChannelDefinition& actual) {
    EXPECT_EQ(expected.MatchOutput, actual.MatchOutput);
    EXPECT_EQ(expected.Enabled, actual.Enabled);
    EXPECT_EQ(expected.Mode, actual.Mode);
    EXPECT_EQ(expected.RedLow, actual.RedLow);
    EXPECT_EQ(expected.RedHigh, actual.RedHigh);
    EXPECT_EQ(expected.GreenLow, actual.GreenLow);
    EXPECT_EQ(expected.GreenHigh, actual.GreenHigh);
    EXPECT_EQ(expected.BlueLow, actual.BlueLow);
    EXPECT_EQ(expected.BlueHigh, actual.BlueHigh);
}

// A channel whose bounds lie `tolerance` percent either side of the colour (in percent).
ChannelDefinition ChannelAround(double red, double green, double blue, unsigned mode,
                                double tolerance = 5.0) {
    ChannelDefinition channel;
    channel.Enabled = 1;
    channel.Mode = mode;
    const ComponentBounds r = PercentToBounds(red, tolerance);
    const ComponentBounds g = PercentToBounds(green, tolerance);
    const ComponentBounds b = PercentToBounds(blue, tolerance);
    channel.RedLow = r.Low;
    channel.RedHigh = r.High;
    channel.GreenLow = g.Low;
    channel.GreenHigh = g.High;
    channel.BlueLow = b.Low;
    channel.BlueHigh = b.High;
    return channel;
}

std::string WithoutCr(std::string command) {
    if (!command.empty() && command.back() == '\r') {
        command.pop_back();
    }
    return command;
}

// Stores a whole channel through the protocol, as a host would.
void Store(SensorResponder& responder, unsigned channel, const ChannelDefinition& definition) {
    // A cache that differs from every real value, so that every field is written.
    ChannelDefinition unknown;
    unknown.MatchOutput = unknown.Enabled = unknown.Mode = 2;
    unknown.RedLow = unknown.RedHigh = unknown.GreenLow = unknown.GreenHigh = unknown.BlueLow =
        unknown.BlueHigh = RAW_FULL_SCALE + 1;
    EXPECT_EQ("!C", responder.Respond(WithoutCr(BuildSendChannel(channel, definition, unknown))));
}

unsigned MatchStatus(SensorResponder& responder) {
    return ParseDataReply(responder.Respond("!d")).MatchStatus;
}

} // namespace

TEST(SensorResponder, EveryReplyKeepsItsLayoutAndParsesToWhatTheSensorHolds) {
    SensorResponder responder(ConfigFor(6));

    const std::string identity = responder.Respond("!i");
    EXPECT_EQ(21u, identity.size());
    SensorIdentity parsedIdentity;
    ASSERT_TRUE(ParseIdentityReply(identity, parsedIdentity));
    EXPECT_EQ(6u, parsedIdentity.ModelCode);
    EXPECT_EQ("AB12CD34EF56GH78", parsedIdentity.SerialNumber);

    const std::string version = responder.Respond("!v");
    EXPECT_EQ(10u, version.size());
    ParseVersionReply(version, parsedIdentity);
    EXPECT_EQ("2.03", FormatFirmware(parsedIdentity.FirmwareMajor, parsedIdentity.FirmwareMinor));

    const std::string settings = responder.Respond("!s");
    EXPECT_EQ(13u, settings.size());
    EXPECT_EQ(ClassifyReply(settings), ReplyKind::Settings);
    EXPECT_EQ(responder.Settings(), ParseSettingsReply(settings));

    ChannelDefinition stored = ChannelAround(60.0, 30.0, 10.0, MODE_COLOR_LUMINOSITY);
    stored.MatchOutput = OUTPUT_LOW;
    Store(responder, 4, stored);
    const std::string channel = responder.Respond("!c,3");
    EXPECT_EQ(40u, channel.size());
    unsigned number = 0;
    ChannelDefinition parsedChannel;
    ASSERT_TRUE(ParseChannelReply(channel, number, parsedChannel));
    EXPECT_EQ(4u, number);
    ExpectFlagsAndBounds(responder.Channel(4), parsedChannel);
    ExpectFlagsAndBounds(stored, parsedChannel);

    const std::string data = responder.Respond("!d");
    EXPECT_EQ(20u, data.size());
    const CurrentReading reading = ParseDataReply(data);
    EXPECT_NEAR(40.0, reading.Red, 0.001);
    EXPECT_NEAR(30.0, reading.Green, 0.001);
    EXPECT_NEAR(20.0, reading.Blue, 0.001);

    const std::string teach = responder.Respond("!T,1,,,,186A0,186A0,186A0");
    EXPECT_EQ(34u, teach.size());
    ChannelDefinition taught = responder.Channel(2);
    taught.RedTolerance = taught.GreenTolerance = taught.BlueTolerance = 10.0;
    ASSERT_TRUE(ParseTeachReply(teach, number, taught));
    EXPECT_EQ(2u, number);
    ExpectFlagsAndBounds(responder.Channel(2), taught);
    EXPECT_NEAR(40.0, taught.RedSetting, 0.01);
    EXPECT_DOUBLE_EQ(10.0, taught.RedTolerance); // a send of 40 % +- 10 % gives the same bounds

    EXPECT_EQ("!S", responder.Respond("!S,,,,,32"));
}

TEST(SensorResponder, SendsChangeOnlyTheirWrittenFields) {
    SensorResponder responder(ConfigFor(6));
    const SensorSettings before = responder.Settings();

    EXPECT_EQ("!S", responder.Respond("!S,,,,,32"));
    SensorSettings expected = before;
    expected.Illumination = 50;
    EXPECT_EQ(expected, responder.Settings());

    // The host's own changed-fields builder against what the sensor holds.
    SensorSettings wanted{3, TRIGGER_LEVEL, 5, 1, 100};
    std::optional<SensorSettings> cache = responder.Settings();
    const std::string command = BuildSendSettings(wanted, cache);
    EXPECT_EQ("!S", responder.Respond(WithoutCr(command)));
    EXPECT_EQ(wanted, responder.Settings());
    EXPECT_EQ("!S", responder.Respond("!S,,,,1,"));
    EXPECT_EQ(0u, responder.Settings().AmbientSubtraction); // the wire digit is inverted

    const ChannelDefinition first = ChannelAround(50.0, 40.0, 30.0, MODE_COLOR_ONLY);
    Store(responder, 3, first);
    EXPECT_EQ("!C", responder.Respond("!C,2,,,,,8CAA,,,,"));
    ChannelDefinition expectedChannel = first;
    expectedChannel.RedHigh = 0x8CAA;
    ExpectFlagsAndBounds(expectedChannel, responder.Channel(3));
    ExpectFlagsAndBounds(ChannelDefinition{}, responder.Channel(2));

    ChannelDefinition cacheChannel = responder.Channel(3);
    ChannelDefinition wantedChannel = cacheChannel;
    wantedChannel.Enabled = 0;
    wantedChannel.BlueLow = 0x1234;
    EXPECT_EQ("!C", responder.Respond(WithoutCr(BuildSendChannel(3, wantedChannel, cacheChannel))));
    ExpectFlagsAndBounds(wantedChannel, responder.Channel(3));
}

TEST(SensorResponder, AnswersQuestionMarkToWhatASensorCannotTakeAndChangesNothing) {
    SensorResponder responder(ConfigFor(6)); // four channels: indices 0 to 3
    Store(responder, 1, ChannelAround(50.0, 40.0, 30.0, MODE_COLOR_ONLY));
    const SensorSettings settings = responder.Settings();
    const ChannelDefinition channel = responder.Channel(1);

    const std::vector<std::string> rejected = {
        "x",
        "!",
        "!q",
        "?",
        "!i,",
        "!d,0",
        "!vv",
        "!s ",
        "!c",
        "!c,",
        "!c,F",
        "!c,4",
        "!c,E",
        "!c,g",
        "!c,00",
        "!c,0,",
        "!S,,,,,65",                                  // illumination 101
        "!S,,3,,,",                                   // no trigger mode 3
        "!S,,,,2,",                                   // inverted ambient digit 0 or 1 only
        "!S,,,,,5",                                   // two digits or none
        "!S,,,,",                                     // a field short
        "!S,,,,,,",                                   // a field too many
        "!S,1,1,1,1,3G",                              // not hex
        "!C,0,2,,,,,,,,",                             // flags are 0 or 1
        "!C,0,,,,FFC1,,,,,",                          // beyond full scale
        "!C,0,,,,123,,,,,",                           // bounds have four digits
        "!C,,,,,,,,,,",                               // the index is never empty
        "!C,4,,,,,,,,,",                              // beyond the model's channels
        "!T,0,,,,186A0,186A0",                        // a tolerance short
        "!T,0,,,,,186A0,186A0",                       // tolerances are never empty
        "!T,F,,,,186A0,186A0,186A0",                  // index F names no channel
        "!T,0,1,1,1,186A0,186A0,186A0,",              // trailing comma
        "!C,0,1,1,1,0000,FFC0,0000,FFC0,0000,FFC0\r", // CR belongs to the line, not the command
    };
    for (const std::string& command : rejected) {
        EXPECT_EQ("?", responder.Respond(command)) << command;
    }
    EXPECT_EQ(settings, responder.Settings());
    ExpectFlagsAndBounds(channel, responder.Channel(1));
    ExpectFlagsAndBounds(ChannelDefinition{}, responder.Channel(2));
    EXPECT_EQ("", responder.Respond("")); // a bare CR is line noise, not a command

    responder.SetModelCode(11); // names no model: no channel to address
    EXPECT_EQ("?", responder.Respond("!c,0"));
    EXPECT_EQ("!i,B,AB12CD34EF56GH78", responder.Respond("!i"));
}

TEST(SensorResponder, MatchStatusOfABitMaskModelInBothModes) {
    SensorResponder responder(ConfigFor(6)); // target 40, 30, 20 %
    EXPECT_EQ(0u, MatchStatus(responder));

    Store(responder, 1, ChannelAround(40.0, 30.0, 20.0, MODE_COLOR_LUMINOSITY));
    // Twice as bright, same shares: only colour-only recognises it.
    Store(responder, 2, ChannelAround(80.0, 60.0, 40.0, MODE_COLOR_ONLY));
    Store(responder, 3, ChannelAround(80.0, 60.0, 40.0, MODE_COLOR_LUMINOSITY));
    // Same brightness, other shares.
    Store(responder, 4, ChannelAround(30.0, 30.0, 30.0, MODE_COLOR_ONLY));
    EXPECT_EQ(0x03u, MatchStatus(responder));

    EXPECT_EQ("!C", responder.Respond("!C,0,,0,,,,,,,")); // disable channel 1
    EXPECT_EQ(0x02u, MatchStatus(responder));

    responder.Colour().SetTarget(32.0, 30.0, 20.0); // red share leaves channel 2's bounds
    EXPECT_EQ(0x00u, MatchStatus(responder));
    responder.Colour().SetTarget(80.0, 60.0, 40.0);
    EXPECT_EQ(0x06u, MatchStatus(responder));
    responder.Colour().SetTarget(0.0, 0.0, 0.0); // black has no shares to compare
    EXPECT_EQ(0x00u, MatchStatus(responder));
}

TEST(SensorResponder, FifteenChannelModelsReportTheFirstMatchingChannel) {
    for (unsigned model : {9u, 15u}) {
        SensorResponder responder(ConfigFor(model));
        Store(responder, 9, ChannelAround(40.0, 30.0, 20.0, MODE_COLOR_LUMINOSITY));
        Store(responder, 15, ChannelAround(20.0, 15.0, 10.0, MODE_COLOR_ONLY));
        EXPECT_EQ(9u, MatchStatus(responder)) << model;
        Store(responder, 5, ChannelAround(40.0, 30.0, 20.0, MODE_COLOR_ONLY));
        EXPECT_EQ(5u, MatchStatus(responder)) << model;
        responder.Colour().SetTarget(10.0, 7.5, 5.0);
        EXPECT_EQ(5u, MatchStatus(responder)) << model; // channel 9 wants the brightness too
        responder.Colour().SetTarget(10.0, 20.0, 5.0);
        EXPECT_EQ(0u, MatchStatus(responder)) << model;
        EXPECT_NE("?", responder.Respond("!c,E")) << model;
    }
}

TEST(SensorResponder, TeachCentresBoundsOnTheMeasuredColourWithAMinimumWidth) {
    SimConfig config = ConfigFor(9);
    config.TargetRed = 50.0;   // raw 32736
    config.TargetGreen = 25.0; // raw 16368
    config.TargetBlue = 0.0;
    SensorResponder responder(config);

    // 10 %: the bounds a host computes for 50 % +- 10 %.
    EXPECT_EQ("!T,0,7316,8CAA,398B,4655,0000,0040", responder.Respond("!T,0,,,,186A0,186A0,186A0"));
    const ComponentBounds red = PercentToBounds(50.0, 10.0);
    EXPECT_EQ(red.Low, responder.Channel(1).RedLow);
    EXPECT_EQ(red.High, responder.Channel(1).RedHigh);
    ExpectFlagsAndBounds(responder.Channel(1), [&] {
        ChannelDefinition expected = responder.Channel(1);
        expected.MatchOutput = OUTPUT_HIGH;
        expected.Enabled = 0; // empty flag fields keep what the channel had
        expected.Mode = MODE_COLOR_ONLY;
        return expected;
    }());

    // Zero tolerance still gives bounds 64 counts either side; the flags are taken.
    EXPECT_EQ("!T,1,7FA0,8020,3FB0,4030,0000,0040",
              responder.Respond("!T,1,1,1,0,00000,00000,00000"));
    EXPECT_EQ(OUTPUT_LOW, responder.Channel(2).MatchOutput);
    EXPECT_EQ(1u, responder.Channel(2).Enabled);
    EXPECT_EQ(MODE_COLOR_LUMINOSITY, responder.Channel(2).Mode);
    EXPECT_EQ(2u, MatchStatus(responder)); // taught from what it sees, so it recognises it

    // The widest tolerance a teach can carry is clamped to the raw scale.
    EXPECT_EQ("!T,2,0000,FFC0,0000,82FB,0000,0040", responder.Respond("!T,2,,,,FFFFF,FFFFF,FFFFF"));

    SimConfig wide = config;
    wide.TeachMinHalfWidth = 1000;
    SensorResponder wider(wide);
    EXPECT_EQ("!T,0,7BF8,83C8,3C08,43D8,0000,03E8", wider.Respond("!T,0,,,,00000,00000,00000"));
}

TEST(SensorResponder, NoiseRepeatsWithTheSeedAndNarrowsWithAveraging) {
    SimConfig config = ConfigFor(6);
    config.NoisePercent = 1.0;
    config.Seed = 42;
    SensorResponder first(config), second(config);
    config.Seed = 43;
    SensorResponder other(config);

    bool differs = false;
    for (int i = 0; i < 20; ++i) {
        const std::string reply = first.Respond("!d");
        EXPECT_EQ(reply, second.Respond("!d"));
        differs = differs || reply != other.Respond("!d");
    }
    EXPECT_TRUE(differs);

    const auto spread = [&first](unsigned averaging) {
        EXPECT_EQ("!S", first.Respond("!S," + std::string(1, "0123456789"[averaging]) + ",,,,"));
        double sum = 0.0, squares = 0.0;
        const int samples = 400;
        for (int i = 0; i < samples; ++i) {
            const double red = ParseDataReply(first.Respond("!d")).Red;
            sum += red;
            squares += red * red;
        }
        const double mean = sum / samples;
        return std::sqrt(squares / samples - mean * mean);
    };
    const double single = spread(0);
    const double averaged = spread(6); // 64 samples: an eighth of the spread
    std::printf("noise 1 %%: spread %.3f %% single, %.3f %% averaged over 64\n", single, averaged);
    EXPECT_NEAR(1.0, single, 0.2);
    EXPECT_NEAR(0.125, averaged, 0.05);

    SensorResponder quiet(ConfigFor(6));
    EXPECT_EQ(quiet.Respond("!d"), quiet.Respond("!d"));
}
