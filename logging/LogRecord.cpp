#include "logging/LogRecord.h"

#include <cstdio>

namespace {

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

} // namespace

std::tm LocalTimeOf(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    return local;
}

// Built by hand: strftime's %p follows LC_TIME, and a German desktop would write no AM at all.
std::string LogTimeText(const std::tm& local) {
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    return TwoDigits(local.tm_mon + 1) + "/" + TwoDigits(local.tm_mday) + "/" +
           std::to_string(local.tm_year + 1900) + " " + TwoDigits(hour12) + ":" +
           TwoDigits(local.tm_min) + ":" + TwoDigits(local.tm_sec) +
           (local.tm_hour < 12 ? " AM" : " PM");
}

std::string LogRecordFields(const std::tm& local, const ReadingTexts& readings, unsigned status) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02X", status);
    return LogTimeText(local) + "," + readings[0] + "," + readings[1] + "," + readings[2] + "," +
           hex;
}
