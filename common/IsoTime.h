#pragma once

#include <chrono>
#include <ctime>
#include <string>

// A moment as machines read it: "2026-03-14T09:26:53.589+01:00", local time with milliseconds
// and the offset from UTC. `local` is `time` broken down in the local zone.
std::string IsoTime(const std::tm& local, std::chrono::system_clock::time_point time);
