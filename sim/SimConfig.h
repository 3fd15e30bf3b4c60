#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Everything the virtual sensor can be told at start; most of it can be changed while it runs.
struct SimTargetStep {
    double Seconds = 0.0;                      // how long this colour is held
    double Red = 0.0, Green = 0.0, Blue = 0.0; // percent of full scale
};

struct SimFaults {
    double DropReplyProbability = 0.0;  // reply not sent
    double ErrorReplyProbability = 0.0; // "?" instead of the reply
    bool GarbageLine = false;           // one garbage line before each reply
    bool SplitReply = false;            // reply written in two parts with a gap
    unsigned SplitGapMs = 20;
    bool JoinReplies = false; // a reply held back and written with the next one
};

struct SimConfig {
    unsigned ModelCode = 6;
    std::string SerialNumber = "SIM0000000000001"; // 16 characters
    unsigned FirmwareMajor = 1;
    unsigned FirmwareMinor = 13;
    double TargetRed = 40.0, TargetGreen = 30.0, TargetBlue = 20.0; // percent
    std::vector<SimTargetStep> Script; // empty: the fixed target above; else loops
    double NoisePercent = 0.0;         // standard deviation of one sample, 0 = off
    std::uint64_t Seed = 1;
    bool Pacing = true;              // as fast as the line format carries characters
    unsigned TurnaroundMs = 2;       // between a command's arrival and its reply's first byte
    unsigned TeachMinHalfWidth = 64; // raw counts
    SimFaults Faults;
};
