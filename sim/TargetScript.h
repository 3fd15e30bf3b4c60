#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/SimConfig.h"

// A target script: one step per line, "seconds red green blue" separated by blanks, colours in
// percent (0 to 100), seconds above 0. Blank lines and lines starting with '#' are skipped.
// On failure `error` names the line and what is wrong with it, and `steps` is left as it was.
bool ParseTargetScript(std::string_view text, std::vector<SimTargetStep>& steps,
                       std::string& error);
bool LoadTargetScript(const std::string& path, std::vector<SimTargetStep>& steps,
                      std::string& error);
