#pragma once

#include <chrono>
#include <random>
#include <string>
#include <vector>

// The faults a line meets on a production floor, as the virtual sensor plays them, and what
// the soak sends to switch each on and off again.
enum class FaultKind {
    Drop,    // replies lost now and then
    Error,   // "?" instead of a reply now and then
    Garbage, // a noise line before each reply
    Split,   // each reply in two parts with a gap
    Join,    // two replies in one write
    Silent,  // the sensor stops answering, then answers again
    HangUp,  // a pulled cable, back by itself
    Replug,  // a pulled cable, plugged back in by hand
    Serial,  // the sensor swapped for another one with another serial number
    Remote,  // the remote line's server killed and restarted
    Broker,  // the MQTT broker killed and restarted, having lost what it held
};

const std::vector<FaultKind>& LineFaultKinds(); // every kind but Remote and Broker
const char* FaultName(FaultKind kind);

// One fault as the soak plays it: the control lines that start and end it and how long it is
// held in between.
struct FaultEpisode {
    FaultKind Kind = FaultKind::Drop;
    std::vector<std::string> StartLines;
    std::vector<std::string> EndLines;
    std::chrono::milliseconds Hold{0};
    std::string NewSerial; // Serial: the serial number the sensor answers with afterwards
};

// Draws the next fault from the seeded generator; `number` makes swapped serials unique.
FaultEpisode DrawEpisode(std::mt19937_64& random, const std::vector<FaultKind>& kinds,
                         unsigned number);
// The episode of one given kind, as the fault matrix plays it.
FaultEpisode MakeEpisode(FaultKind kind, std::chrono::milliseconds hold, unsigned number);
