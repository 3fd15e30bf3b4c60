#include "sim/SimOptions.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <vector>

namespace {

bool Parse(std::vector<const char*> arguments, SimOptions& options, std::string& error) {
    arguments.insert(arguments.begin(), "spectrel-sim");
    return ParseSimOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

} // namespace

TEST(SimOptions, ReadsEveryOptionInBothSpellings) {
    const std::string script = testing::TempDir() + "sim-options-" + std::to_string(::getpid());
    std::ofstream(script) << "1 10 20 30\n2 40 50 60\n";
    SimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--link",
                       "/tmp/spectrel-a",
                       "--model=9",
                       "--serial",
                       "XY00000000000042",
                       "--firmware",
                       "2.3",
                       "--target=12.5,0,100",
                       "--script",
                       script.c_str(),
                       "--noise",
                       "0.75",
                       "--seed=18446744073709551615",
                       "--no-pacing",
                       "--turnaround",
                       "7",
                       "--teach-min-width",
                       "100",
                       "--drop",
                       "0.25",
                       "--error=1",
                       "--garbage",
                       "--split",
                       "--split-gap",
                       "35",
                       "--join",
                       "--silent",
                       "1500",
                       "--verbose"},
                      options, error))
        << error;
    std::remove(script.c_str());
    const SimConfig& config = options.Config;
    EXPECT_EQ("/tmp/spectrel-a", options.LinkPath);
    EXPECT_EQ(9u, config.ModelCode);
    EXPECT_EQ("XY00000000000042", config.SerialNumber);
    EXPECT_EQ(2u, config.FirmwareMajor);
    EXPECT_EQ(3u, config.FirmwareMinor);
    EXPECT_DOUBLE_EQ(12.5, config.TargetRed);
    EXPECT_DOUBLE_EQ(0.0, config.TargetGreen);
    EXPECT_DOUBLE_EQ(100.0, config.TargetBlue);
    ASSERT_EQ(2u, config.Script.size());
    EXPECT_DOUBLE_EQ(60.0, config.Script[1].Blue);
    EXPECT_DOUBLE_EQ(0.75, config.NoisePercent);
    EXPECT_EQ(18446744073709551615ull, config.Seed);
    EXPECT_FALSE(config.Pacing);
    EXPECT_EQ(7u, config.TurnaroundMs);
    EXPECT_EQ(100u, config.TeachMinHalfWidth);
    EXPECT_DOUBLE_EQ(0.25, config.Faults.DropReplyProbability);
    EXPECT_DOUBLE_EQ(1.0, config.Faults.ErrorReplyProbability);
    EXPECT_TRUE(config.Faults.GarbageLine);
    EXPECT_TRUE(config.Faults.SplitReply);
    EXPECT_EQ(35u, config.Faults.SplitGapMs);
    EXPECT_TRUE(config.Faults.JoinReplies);
    EXPECT_EQ(1500u, options.SilentMs);
    EXPECT_TRUE(options.Verbose);
    EXPECT_FALSE(options.Help);

    SimOptions defaults;
    ASSERT_TRUE(Parse({}, defaults, error));
    EXPECT_TRUE(defaults.Config.Pacing);
    EXPECT_DOUBLE_EQ(0.0, defaults.Config.NoisePercent);
    EXPECT_TRUE(defaults.LinkPath.empty());
    ASSERT_TRUE(Parse({"--help"}, defaults, error));
    EXPECT_TRUE(defaults.Help);

    SimOptions repeated;
    ASSERT_TRUE(Parse({"--model", "3", "--model=4"}, repeated, error)) << error;
    EXPECT_EQ(4u, repeated.Config.ModelCode) << "the last of a repeated option wins";
}

TEST(SimOptions, RejectsBadUsageNamingTheOption) {
    const struct {
        std::vector<const char*> Arguments;
        const char* Error;
    } cases[] = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"-v"}, "unknown option -v"},
        {{"--link"}, "--link needs a value PATH"},
        {{"--model", "16"}, "--model 16: expected a whole number from 0 to 15"},
        {{"--model", "-1"}, "--model -1: expected a whole number"},
        {{"--model", "6x"}, "--model 6x: expected a whole number"},
        {{"--serial", "SHORT"}, "--serial SHORT: expected 16 printable characters"},
        {{"--serial", "WITH BLANK 12345"}, "--serial WITH BLANK 12345: expected 16"},
        {{"--firmware", "1"}, "--firmware 1: expected MAJOR.MINOR"},
        {{"--firmware", "1.4096"}, "--firmware 1.4096: expected MAJOR.MINOR"},
        {{"--target", "10,20"}, "--target 10,20: expected R,G,B"},
        {{"--target", "10,20,101"}, "--target 10,20,101: expected R,G,B"},
        {{"--target", "10,20,30,40"}, "--target 10,20,30,40: expected R,G,B"},
        {{"--target", "10;20;30"}, "--target 10;20;30: expected R,G,B"},
        {{"--noise", "-0.5"}, "--noise -0.5: expected a number from 0 to 100"},
        {{"--drop", "1.5"}, "--drop 1.5: expected a number from 0 to 1"},
        {{"--error", "0,5"}, "--error 0,5: expected a number"},
        {{"--seed", "many"}, "--seed many: expected a whole number"},
        {{"--no-pacing=yes"}, "--no-pacing takes no value"},
        {{"--script", "/nonexistent/steps"}, "--script /nonexistent/steps: cannot read script"},
    };
    for (const auto& c : cases) {
        SimOptions options;
        std::string error;
        EXPECT_FALSE(Parse(c.Arguments, options, error)) << c.Error;
        EXPECT_EQ(0u, error.find(c.Error)) << error;
    }
}
