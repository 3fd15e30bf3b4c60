#pragma once

#include <chrono>
#include <optional>

#include "BenchRig.h"

// The chain the control panel runs on first contact; the time from its start to the last
// channel's notification.
std::optional<std::chrono::steady_clock::duration> FirstContact(BenchRig& rig, unsigned channels);
