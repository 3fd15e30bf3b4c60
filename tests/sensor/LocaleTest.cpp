#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>

#include "sensor/Protocol.h"
#include "support/DecimalCommaLocale.h"

namespace {

TEST(DecimalCommaLocale, WireTextsAndFirmwareDoNotChange) {
    const DecimalCommaLocaleGuard locale;
    if (locale.Name().empty()) {
        GTEST_SKIP() << NO_DECIMAL_COMMA_LOCALE;
    }
    ASSERT_STREQ(std::localeconv()->decimal_point, ",") << locale.Name();

    EXPECT_EQ(FormatFirmware(1, 5), "1.05");

    ChannelDefinition wanted;
    wanted.RedSetting = 50.0;
    wanted.RedTolerance = 10.0;
    ChannelPercentToBounds(wanted);
    ChannelDefinition cache;
    EXPECT_EQ(BuildSendChannel(3, wanted, cache), "!C,2,,,,7316,8CAA,,,,\r");
    ChannelDefinition cached;
    EXPECT_EQ(BuildTeach(2, 0, 0, 1, 10.0, 10.0, 12.5, cached), "!T,1,,,,186A0,186A0,1E848\r");

    std::optional<SensorSettings> unknown;
    const SensorSettings settings{3, 1, 5, 1, 100};
    std::string line = BuildSendSettings(settings, unknown);
    EXPECT_EQ(line, "!S,3,1,5,0,64\r");
    line[1] = 's';
    EXPECT_EQ(ParseSettingsReply(line), settings);

    unsigned channel = 0;
    ChannelDefinition parsed;
    ASSERT_TRUE(ParseChannelReply("!c,2,0,1,1,7316,8CAA,7FE0,7FE0,0000,FFC0", channel, parsed));
    EXPECT_DOUBLE_EQ(parsed.RedSetting, 50.0);
    EXPECT_DOUBLE_EQ(parsed.GreenTolerance, 0.5);
    EXPECT_DOUBLE_EQ(ParseDataReply("!d,FFC0,0000,0000,00").Red, 100.0);
}

} // namespace
