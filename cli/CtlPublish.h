#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CtlOptions.h"

// spectrelctl publish: every sensor given, each on a thread of its own, published to an MQTT
// broker under P/SERIAL/... until SIGINT/SIGTERM, then every availability topic "offline" and a
// clean close (exit 0). A broker that is down or refuses is tried again while the sensors are
// polled; their readings of that time are dropped. The command only reads from the sensors.
// A wrong broker URL, option or file: a message on `err` and exit 2, before any port is opened.
int RunPublish(const CtlOptions& options, const std::vector<std::string>& devices,
               std::ostream& err, const std::atomic<bool>& stop);

// The first line of a password file, without its line end. False with a message naming the
// file when it cannot be read, or when its group or others may read it.
bool ReadPasswordFile(const std::string& path, std::string& password, std::string& error);
