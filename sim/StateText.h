#pragma once

#include <string>

#include "sim/SensorResponder.h"
#include "sim/SimConfig.h"

// The virtual sensor's state for a person, as the control line "state" prints it.
std::string DescribeSensor(const SensorResponder& responder, double elapsedSeconds);
std::string DescribeFaults(const SimFaults& faults);
