#pragma once

#include <optional>
#include <string>

// What the kernel tells of the adapter behind a serial device: its driver and, for USB serial
// adapters that have one, the latency timer that holds back every reply (16 ms by default on
// the common chips, unless the driver takes the low-latency request the port makes).
struct AdapterInfo {
    std::string Driver;              // empty when sysfs does not say
    std::optional<unsigned> Latency; // milliseconds
};

// Looks the device up below sysRoot ("/sys"): the driver from class/tty/<tty>/device/driver,
// the timer from bus/usb-serial/devices/<tty>/latency_timer.
AdapterInfo ReadAdapterInfo(const std::string& device, const std::string& sysRoot);
