#include <gtest/gtest.h>

#include "logging/LogRecord.h"
#include "logging/LogSettings.h"
#include "logging/LogTrigger.h"

namespace {

std::tm At(int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = 2025 - 1900;
    local.tm_mon = 0;
    local.tm_mday = 7;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    return local;
}

} // namespace

// Twelve-hour clock: midnight is 12 AM, noon 12 PM; the status is two upper-case hex digits.
TEST(LogRecord, FieldsAsTheWindowToolWroteThem) {
    EXPECT_EQ(LogRecordFields(At(0, 5, 9), {" 5.0", "100.0", "40.0"}, 10),
              "01/07/2025 12:05:09 AM, 5.0,100.0,40.0,0A");
    EXPECT_EQ(LogTimeText(At(12, 0, 0)), "01/07/2025 12:00:00 PM");
    EXPECT_EQ(LogTimeText(At(23, 59, 59)), "01/07/2025 11:59:59 PM");
    EXPECT_EQ(LogRecordFields(At(9, 0, 0), {"0.0", "0.0", "0.0"}, 255).substr(23),
              "0.0,0.0,0.0,FF");
}

TEST(LogTrigger, OnMatchRecordsOnlyReadingsThatTurnToANewMatch) {
    CLogTrigger trigger;
    std::vector<bool> due;
    for (unsigned status : {0u, 1u, 1u, 0u, 1u, 2u}) {
        due.push_back(trigger.Take(LOG_ON_MATCH, 1, status, 100));
    }
    EXPECT_EQ(due, (std::vector<bool>{false, true, false, false, true, true}));
}

// The first reading noticed makes the first record due at once; then one per interval, timed
// from the previous record, also when readings keep coming in between.
TEST(LogTrigger, OnIntervalRecordsOncePerInterval) {
    CLogTrigger trigger;
    std::vector<int> recorded;
    for (int now = 1000; now <= 1012; ++now) {
        trigger.Notice(now);
        if (trigger.Take(LOG_ON_INTERVAL, 5, 0, now)) {
            recorded.push_back(now);
        }
    }
    EXPECT_EQ(recorded, (std::vector<int>{1000, 1005, 1010}));
    // Continuous logging records every reading but still moves the interval on.
    EXPECT_TRUE(trigger.Take(LOG_CONTINUOUS, 5, 0, 1013));
    EXPECT_FALSE(trigger.Take(LOG_ON_INTERVAL, 5, 0, 1017));
    EXPECT_TRUE(trigger.Take(LOG_ON_INTERVAL, 5, 0, 1018));
    // The clock set back an hour: the next reading is recorded, not one an hour later.
    EXPECT_TRUE(trigger.Take(LOG_ON_INTERVAL, 5, 0, 1018 - 3600));
    EXPECT_FALSE(trigger.Take(LOG_ON_INTERVAL, 5, 0, 1018 - 3598));
}

TEST(LogTrigger, ActivityCharacterTurns) {
    CLogTrigger trigger;
    std::string turns;
    for (int step = 0; step < 5; ++step) {
        turns += trigger.Advance();
    }
    EXPECT_EQ(turns, "/-\\|/");
}
