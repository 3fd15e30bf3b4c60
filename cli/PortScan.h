#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "cli/AdapterInfo.h"
#include "sensor/SensorRecords.h"

// Finding which serial device a sensor hangs on: every device is given a short identify, all
// at once, so a scan takes one time-out however many devices there are.

enum class ProbeState {
    Found,     // a sensor answered
    Busy,      // another program holds the device; it was left alone
    Silent,    // opened, but nothing answered in time
    Unopenable // the device could not be opened (Problem says why)
};

struct ProbeResult {
    std::string Device;   // as probed
    std::string ByIdName; // the stable /dev/serial/by-id link to it, empty when there is none
    ProbeState State = ProbeState::Silent;
    SensorIdentity Identity; // model code and serial number when found
    std::string Problem;     // why it could not be opened
    AdapterInfo Adapter;
};

// The serial devices below `devRoot` ("/dev"): the targets of serial/by-id first, in the order
// of their names, then ttyUSB*, ttyACM* and ttyS* by number; each device once.
std::vector<std::string> ListSerialDevices(const std::string& devRoot);

// The link in `byIdDir` that leads to the same device as `device`, empty when none does.
std::string FindByIdName(const std::string& device, const std::string& byIdDir);

// Probes each device on a thread of its own and gives the results in the order of `devices`.
// `stop` ends the waits early (the devices still unanswered count as silent). The adapters are
// looked up below sysRoot.
std::vector<ProbeResult> ProbeDevices(const std::vector<std::string>& devices,
                                      const std::string& byIdDir, std::chrono::milliseconds timeout,
                                      const std::atomic<bool>& stop,
                                      const std::string& sysRoot = "/sys");
