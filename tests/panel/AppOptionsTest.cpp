#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "panel/AppOptions.h"

namespace {

// Parses a command line given as words after the program name.
bool Parse(std::vector<const char*> words, AppOptions& options) {
    words.insert(words.begin(), "spectrel");
    return ParseAppOptions(static_cast<int>(words.size()), words.data(), options);
}

} // namespace

TEST(AppOptions, NoArgumentsRunAsConfigured) {
    AppOptions options;
    options.Help = true;
    ASSERT_TRUE(Parse({}, options));
    EXPECT_TRUE(options.PortOverrides.Entries().empty());
    EXPECT_FALSE(options.Simulate);
    EXPECT_FALSE(options.Help) << "a parse starts from nothing";
    EXPECT_FALSE(options.Version);
    EXPECT_TRUE(options.Error.empty());
}

TEST(AppOptions, PortsMapInBothFormsAndTheLastOneWins) {
    AppOptions options;
    ASSERT_TRUE(Parse(
        {"--port", "COM1=/dev/ttyUSB0", "--port=COM16=/dev/pts/7", "--port", "COM1=/dev/ttyACM0"},
        options))
        << options.Error;
    EXPECT_EQ(options.PortOverrides.DevicePath("COM1"), "/dev/ttyACM0");
    EXPECT_EQ(options.PortOverrides.DevicePath("COM16"), "/dev/pts/7");
    EXPECT_EQ(options.PortOverrides.Entries().size(), 2u);
}

TEST(AppOptions, SimulateTakesOnlyACodeThatNamesAModel) {
    AppOptions options;
    ASSERT_TRUE(Parse({"--simulate"}, options));
    EXPECT_TRUE(options.Simulate);
    EXPECT_EQ(options.SimulateModel, 6u);
    for (const unsigned code : {1u, 9u, 10u, 14u, 15u}) {
        const std::string argument = "--simulate=" + std::to_string(code);
        ASSERT_TRUE(Parse({argument.c_str()}, options)) << argument;
        EXPECT_TRUE(options.Simulate);
        EXPECT_EQ(options.SimulateModel, code);
    }
    for (const char* bad :
         {"--simulate=0", "--simulate=11", "--simulate=13", "--simulate=16", "--simulate=-1",
          "--simulate=+6", "--simulate=6x", "--simulate=", "--simulate=4294967302"}) {
        EXPECT_FALSE(Parse({bad}, options)) << bad;
        EXPECT_NE(options.Error.find(std::string(bad).substr(11)), std::string::npos)
            << options.Error;
    }
}

TEST(AppOptions, BadUsageNamesTheOffendingArgument) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--verbose"}, "--verbose"}, {{"COM1=/dev/ttyUSB0"}, "COM1=/dev/ttyUSB0"},
        {{"--port"}, "--port"},       {{"--port", "COM17=/dev/ttyUSB0"}, "COM17=/dev/ttyUSB0"},
        {{"--port", "COM1"}, "COM1"}, {{"--port=LPT1=/dev/lp0"}, "LPT1=/dev/lp0"},
        {{"--simulate", "6"}, "'6'"}, {{"--help", "-x"}, "-x"},
        {{"--help=x"}, "'--help=x'"}, {{"a.spf", "--"}, "'--'"},
    };
    for (const auto& [words, named] : cases) {
        AppOptions options;
        EXPECT_FALSE(Parse(words, options)) << named;
        EXPECT_NE(options.Error.find(named), std::string::npos) << options.Error;
    }
}

TEST(AppOptions, OneProfileMayBeNamedToOpen) {
    AppOptions options;
    ASSERT_TRUE(Parse({"line4.SPF", "--simulate"}, options)) << options.Error;
    EXPECT_EQ(options.ProfilePath, "line4.SPF");
    ASSERT_TRUE(Parse({"--", "-odd name"}, options)) << options.Error;
    EXPECT_EQ(options.ProfilePath, "-odd name");
    EXPECT_FALSE(Parse({"a.spf", "b.spf"}, options));
    EXPECT_NE(options.Error.find("b.spf"), std::string::npos);
}

TEST(AppOptions, HelpAndVersionAreFlags) {
    AppOptions options;
    ASSERT_TRUE(Parse({"-h"}, options));
    EXPECT_TRUE(options.Help);
    ASSERT_TRUE(Parse({"--version", "--help"}, options));
    EXPECT_TRUE(options.Help);
    EXPECT_TRUE(options.Version);
    EXPECT_EQ(AppVersionText("spectrel"), std::string("spectrel ") + SPECTREL_VERSION + "\n");
}

TEST(AppOptions, UsageTellsEveryOptionAndWhereThePortsAreMapped) {
    const std::string usage = AppUsage("spectrel", "/home/tech/.config/Orvane Industries/x.conf");
    for (const char* needed :
         {"--port COMn=PATH", "--simulate[=MODEL]", "--help", "--version",
          "/home/tech/.config/Orvane Industries/x.conf", "[Ports]", "COM1=/dev/ttyUSB0",
          "/dev/ttyS<n-1>", " 6  Spectrel-4, data logging", "15  Spectrel-15\n", "sends",
          "teaches"}) {
        EXPECT_NE(usage.find(needed), std::string::npos) << needed;
    }
    EXPECT_EQ(usage.find("11  "), std::string::npos) << "codes 11 to 13 name no model";
    for (std::size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos;
         start = end + 1) {
        EXPECT_LE(end - start, 80u) << usage.substr(start, end - start);
    }
}
