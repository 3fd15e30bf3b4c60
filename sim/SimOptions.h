#pragma once

#include <string>

#include "sim/SimConfig.h"

// The command line of spectrel-sim.
struct SimOptions {
    SimConfig Config;
    std::string LinkPath;  // empty: print the pty's own path
    unsigned SilentMs = 0; // start silent for this long
    bool Verbose = false;
    bool Help = false;
};

// Reads argv[1..argc-1] ("--name value" or "--name=value"). False with a message naming the
// option in `error` on any unknown option, missing value or value out of range.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error);

std::string SimUsageText();
