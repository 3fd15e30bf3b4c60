#pragma once

#include <string>
#include <vector>

// The lines of the programs' outputs in `folder` (files *.out) in which a sanitizer reported
// something, each prefixed with its file's name.
std::vector<std::string> SanitizerLines(const std::string& folder);
