#pragma once

// The data log's fixed texts, as the window shows them.

inline constexpr const char* LOG_DEFAULT_FILE_NAME = "SpectrelLog.csv";
inline constexpr const char* TEXT_LOG_OPEN_FAILED = "Unable to open log file";
inline constexpr const char* TEXT_LOG_WRITE_FAILED = "Unable to write to log file";
inline constexpr const char* TEXT_LOG_FULL =
    "The log file size has exceeded the 10 MB limit.\nData logging has been disabled.\n\n"
    "If you want to continue logging, specify a different file.";
// The status bar while logging is active: the mode's text, then the activity character. Each
// text ends in two blanks.
inline constexpr const char* TEXT_LOGGING_CONTINUOUS = "Data Logging Active (Continuous)  ";
inline constexpr const char* TEXT_LOGGING_ON_MATCH = "Data Logging Active (Log on Match)  ";
inline constexpr const char* TEXT_LOGGING_ON_INTERVAL = "Data Logging Active (Log on Interval)  ";

// The question when the log file exists, asked with custom buttons.
inline constexpr const char* TEXT_LOG_EXISTS_BEFORE = "The log file:\n";
inline constexpr const char* TEXT_LOG_EXISTS_AFTER = "\nexists.  What do you want to do?";
inline constexpr const char* LOG_EXISTS_BUTTONS = "Overwrite\nAppend\nCancel";
inline constexpr int LOG_EXISTS_OVERWRITE = 23;
inline constexpr int LOG_EXISTS_APPEND = 24;

// The settings dialog
inline constexpr const char* TEXT_LOG_SETTINGS_CAPTION = "Data Logging Settings";
inline constexpr const char* TEXT_LOG_INTERVAL_NOT_INTEGER = "Please enter an integer.";
inline constexpr const char* TEXT_LOG_INTERVAL_OUT_OF_RANGE =
    "Please enter an integer between 1 and 100.";
