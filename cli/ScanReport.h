#pragma once

#include <string>
#include <vector>

#include "cli/PortScan.h"

// What "spectrelctl scan" prints. Text: a table of the sensors found, if any (device, stable by-id
// name, model, serial number), the devices skipped because another program holds them, the devices
// named on the command line that gave no sensor, then the [Ports] section that maps the
// sensors found to COM1, COM2 ... for the control panel's preferences. JSON: one object with
// the same in "sensors", "busy", "silent" and "ports".
std::string FormatScan(const std::vector<ProbeResult>& results, bool json, bool named);

// "COMn=PATH" for each sensor found, in order, by its stable name where it has one; at most
// as many as there are port names.
std::vector<std::string> PortsLines(const std::vector<ProbeResult>& results);
