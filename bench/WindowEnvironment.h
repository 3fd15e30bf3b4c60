#pragma once

#include <string>

#include "panel/PanelEnvironment.h"

// What the window benchmarks tell the control panel: preferences in `folder` and COM1 on the
// virtual sensor at `sensorPath`, so the window finds it on its first look.
PanelEnvironment BenchWindowEnvironment(const std::string& folder, const std::string& sensorPath);
