#pragma once

#include <array>
#include <ctime>
#include <string>

// One line of the data log: "MM/DD/YYYY hh:mm:ss AM," then the red, green and blue reading
// texts as the window shows them, then the match status in two upper-case hex digits. The
// files stay byte-compatible with the Windows tool's: CR LF ends each line, there is no header,
// and nothing depends on the user's locale.

inline constexpr const char* LOG_LINE_END = "\r\n";

using ReadingTexts = std::array<std::string, 3>;

std::tm LocalTimeOf(std::time_t time);
// "%m/%d/%Y %I:%M:%S %p" with AM and PM whatever the locale calls them.
std::string LogTimeText(const std::tm& local);
// The record without its line end.
std::string LogRecordFields(const std::tm& local, const ReadingTexts& readings, unsigned status);
