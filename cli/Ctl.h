#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

// spectrelctl as a function: the arguments after the program name in, results on `out`,
// messages on `err`, the exit status back. Setting `stop` (SIGINT, SIGTERM) ends a wait early
// and shuts the connection down cleanly.
int RunSpectrelCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>& stop);
