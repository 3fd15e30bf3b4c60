#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CtlOptions.h"

// backup, restore or diff on every sensor given, all at once: one proxy and one thread per
// device, so eight sensors take about as long as one. Reports come in the order the devices
// were given, a failing sensor does not stop the others, and the exit status is the highest of
// them. Backup files are written once every sensor has been read, so that two sensors with the
// same serial number cannot overwrite each other's file unnoticed.
int RunProfileCommand(const CtlOptions& options, const std::vector<std::string>& devices,
                      std::ostream& out, std::ostream& err, const std::atomic<bool>& stop);
