#include "cli/CtlOutput.h"

#include <gtest/gtest.h>

#include <clocale>
#include <ctime>

#include "cli/CtlCommands.h"
#include "cli/Json.h"
#include "common/ErrorText.h"

namespace {

std::chrono::system_clock::time_point LocalTimePoint(int year, int month, int day, int hour,
                                                     int minute, int second, int milliseconds) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local)) +
           std::chrono::milliseconds(milliseconds);
}

} // namespace

TEST(CtlOutput, ReadingLineIsTheDataLogRecord) {
    const CurrentReading reading{5.0, 40.04, 100.0, 0x0B};
    EXPECT_EQ(FormatReading(LocalTimePoint(2025, 3, 4, 14, 5, 9, 0), reading, false),
              "03/04/2025 02:05:09 PM, 5.0,40.0,100.0,0B\n");
    // The 12-hour clock has no hour 0: midnight and noon both read 12.
    EXPECT_EQ(FormatReading(LocalTimePoint(2025, 12, 31, 0, 0, 0, 0), {}, false),
              "12/31/2025 12:00:00 AM, 0.0, 0.0, 0.0,00\n");
    EXPECT_EQ(FormatReading(LocalTimePoint(2025, 12, 31, 12, 30, 0, 0), {}, false).substr(0, 23),
              "12/31/2025 12:30:00 PM,");

    const std::string json = FormatReading(LocalTimePoint(2025, 3, 4, 14, 5, 9, 42), reading, true);
    EXPECT_EQ(json.substr(0, 32), "{\"time\":\"2025-03-04T14:05:09.042");
    EXPECT_NE(json.find("\"red\":5,\"green\":40.04,\"blue\":100,\"match\":11}\n"),
              std::string::npos)
        << json;
}

TEST(CtlOutput, JsonStringsAreEscapedAndNumbersReadBack) {
    EXPECT_EQ(JsonText("SN\"1\\2\n\x01\x7F\xC3"), "\"SN\\\"1\\\\2\\n\\u0001\\u007f\\u00c3\"");
    EXPECT_EQ(JsonText(0.1), "0.1");
    EXPECT_EQ(JsonText(40.000305474095796), "40.000305474095796");
    EXPECT_EQ(JsonText(1.0 / 0.0), "null");
    // Shortest forms the JSON library would print longer ("3.4683756771190968", "{\"a\":[40.0]}").
    EXPECT_EQ(JsonText(3.468375677119097), "3.468375677119097");
    EXPECT_EQ(JsonText(JsonValue{{"a", {40.0}}}), "{\"a\":[40]}");

    SensorIdentity identity{6, "AB\"CD", 2, 3};
    EXPECT_EQ(FormatIdentity(identity, true),
              "{\"model\":6,\"name\":\"Spectrel-4\",\"channels\":4,\"logging\":true,"
              "\"serial\":\"AB\\\"CD\",\"firmware\":\"2.03\"}\n");
    identity.ModelCode = 12; // names no model: every addressable channel is offered
    EXPECT_NE(FormatIdentity(identity, false).find("channels:     15"), std::string::npos);
    identity.SerialNumber = "SIM\x1B[2J\x7F\t\xC3\xA9";
    EXPECT_NE(FormatIdentity(identity, false).find("serial:       SIM\\x1B[2J\\x7F\\x09\xC3\xA9\n"),
              std::string::npos)
        << "control characters never reach the terminal raw";
}

TEST(CtlOutput, NumbersIgnoreTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no decimal-comma locale installed";
    }
    ChannelDefinition channel;
    channel.RedSetting = 40.25;
    channel.RedTolerance = 12.5;
    const std::string text = FormatChannel({1, channel}, false, {{"Red", 2.5}});
    const std::string json = FormatChannel({1, channel}, true, {{"Red", 2.5}});
    const std::string reading =
        FormatReading(std::chrono::system_clock::now(), {5.5, 0, 0, 0}, false);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_NE(text.find("40.2"), std::string::npos) << text;
    EXPECT_NE(text.find("Red tolerance adjusted to 2.5%"), std::string::npos) << text;
    EXPECT_NE(json.find("\"red\":40.25"), std::string::npos) << json;
    EXPECT_NE(json.find("\"adjusted_tolerances\":{\"Red\":2.5}"), std::string::npos) << json;
    EXPECT_NE(reading.find(", 5.5,"), std::string::npos) << reading;
}

// A colour left alone by set-channel keeps its raw bounds exactly, also where a read shows
// clamped percentages (a tolerance below 0.5 or above 50, a high bound below the low one).
TEST(SetChannelMerge, UntouchedColoursKeepTheirRawBounds) {
    const ComponentBounds samples[] = {{0, 0},         {0, 65472},     {32736, 32736},
                                       {26122, 26250}, {65408, 65472}, {1, 2},
                                       {40000, 39000}, {12345, 23456}, {65471, 65472}};
    for (const ComponentBounds& bounds : samples) {
        ChannelDefinition read;
        read.RedLow = read.GreenLow = read.BlueLow = bounds.Low;
        read.RedHigh = read.GreenHigh = read.BlueHigh = bounds.High;
        ChannelBoundsToPercent(read);
        ChannelChange change;
        change.Enabled = 1;
        change.Green = 50.0;
        change.BlueTolerance = 10.0;
        ChannelDefinition sent = MergeChannel(read, change);
        ChannelPercentToBounds(sent);
        EXPECT_EQ(sent.Enabled, 1u);
        EXPECT_EQ((ComponentBounds{sent.RedLow, sent.RedHigh}), bounds)
            << bounds.Low << ".." << bounds.High;
        // A changed colour is sent from the percentages the user sees.
        EXPECT_EQ((ComponentBounds{sent.GreenLow, sent.GreenHigh}),
                  PercentToBounds(50.0, read.GreenTolerance));
        EXPECT_EQ((ComponentBounds{sent.BlueLow, sent.BlueHigh}),
                  PercentToBounds(read.BlueSetting, 10.0));
    }
}

TEST(ErrorText, PortErrorsNameTheDeviceAndForPermissionTheGroup) {
    const std::string device = testing::TempDir();
    const std::string group = OwningGroup(device);
    ASSERT_FALSE(group.empty());
    const std::string denied = PortErrorText("open", device, EACCES);
    EXPECT_EQ(denied.rfind("cannot open " + device + ": Permission denied", 0), 0u) << denied;
    EXPECT_NE(denied.find("group \"" + group + "\""), std::string::npos) << denied;

    const std::string missing = PortErrorText("open", "/dev/ttyNONE", ENOENT);
    EXPECT_EQ(missing, "cannot open /dev/ttyNONE: No such file or directory");
    EXPECT_EQ(PortErrorText("write the settings send to", "/dev/x", 0),
              "cannot write the settings send to /dev/x: the device is gone");
}
