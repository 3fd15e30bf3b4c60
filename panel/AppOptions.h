#pragma once

#include <string>

#include "link/PortMap.h"

// What the command line of `spectrel` asks for. Without options the program runs as configured
// by its preferences; options only add to that for one run.
struct AppOptions {
    PortMap PortOverrides;      // --port COMn=PATH, later ones win
    bool Simulate = false;      // --simulate[=MODEL]
    unsigned SimulateModel = 6; // a model code that names a model
    bool Help = false;          // --help, -h
    bool Version = false;       // --version
    std::string ProfilePath;    // FILE.spf: opened once the sensor is ready
    std::string Error;          // bad usage, worded for the user; empty when the line was good
};

inline constexpr int EXIT_BAD_USAGE = 2;

// Parses argv[1..argc-1] (after the toolkit has taken its own options out). False with
// options.Error on the first bad argument: an unknown option, a missing or bad value, or a
// second argument that is not an option (the first is the profile to open; after "--" it may
// start with '-'). The program then prints the error and the usage text and
// exits with EXIT_BAD_USAGE.
bool ParseAppOptions(int argc, const char* const argv[], AppOptions& options);

// The --help text: every option, the models --simulate knows, where the preferences live
// (preferencesPath) and how [Ports] maps port names to devices.
std::string AppUsage(const std::string& programName, const std::string& preferencesPath);

// The --version text, one line.
std::string AppVersionText(const std::string& programName);
