#pragma once

#include <string>

// The name a host opens instead of the changing /dev/pts/N path.

// Points linkPath at target. An existing symbolic link is replaced in one step (a new link
// under a temporary name renamed over it), so a host never finds the name missing; anything
// else under that name is left alone and reported in `error`.
bool PointLink(const std::string& linkPath, const std::string& target, std::string& error);

// Removes linkPath if it still points at target (another program may have taken the name).
void RemoveLinkTo(const std::string& linkPath, const std::string& target);
