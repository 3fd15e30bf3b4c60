#include "common/IsoTime.h"

#include <array>
#include <cstdio>

namespace {

std::string TwoDigits(int value) {
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%02d", value);
    return buffer.data();
}

} // namespace

std::string IsoTime(const std::tm& local, std::chrono::system_clock::time_point time) {
    const auto sinceEpoch = time.time_since_epoch();
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch) -
                              std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    std::array<char, 8> fraction{};
    std::snprintf(fraction.data(), fraction.size(), ".%03d",
                  static_cast<int>(milliseconds.count()));
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    return std::to_string(local.tm_year + 1900) + "-" + TwoDigits(local.tm_mon + 1) + "-" +
           TwoDigits(local.tm_mday) + "T" + TwoDigits(local.tm_hour) + ":" +
           TwoDigits(local.tm_min) + ":" + TwoDigits(local.tm_sec) + fraction.data() +
           (offsetMinutes < 0 ? "-" : "+") + TwoDigits(static_cast<int>(absolute / 60)) + ":" +
           TwoDigits(static_cast<int>(absolute % 60));
}
