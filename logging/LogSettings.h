#pragma once

#include <string>

// How readings are chosen for the log.
enum LogMode : int {
    LOG_CONTINUOUS = 0,  // every reading
    LOG_ON_MATCH = 1,    // a reading whose match result changes to a new match
    LOG_ON_INTERVAL = 2, // one reading per interval
};

// The intervals a profile keeps; the settings dialog takes no other for LOG_ON_INTERVAL.
inline constexpr int LOG_INTERVAL_MIN = 1;
inline constexpr int LOG_INTERVAL_MAX = 100;

// The data-logging set-up the window keeps, edits in its settings dialog and stores in profiles.
struct LogSettings {
    std::string FileName; // the file logging appends to
    int Mode = LOG_CONTINUOUS;
    int Interval = 1; // seconds between records of LOG_ON_INTERVAL, 1..100

    bool operator==(const LogSettings&) const = default;
};
