#include "cli/AdapterInfo.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

AdapterInfo ReadAdapterInfo(const std::string& device, const std::string& sysRoot) {
    AdapterInfo info;
    std::error_code error;
    const fs::path real = fs::canonical(device, error);
    const std::string tty = (error ? fs::path(device) : real).filename().string();
    const fs::path driver =
        fs::read_symlink(fs::path(sysRoot) / "class/tty" / tty / "device/driver", error);
    if (!error) {
        info.Driver = driver.filename().string();
    }
    std::ifstream timer(fs::path(sysRoot) / "bus/usb-serial/devices" / tty / "latency_timer");
    std::string text;
    unsigned latency = 0;
    if (std::getline(timer, text) &&
        std::from_chars(text.data(), text.data() + text.size(), latency).ec == std::errc()) {
        info.Latency = latency;
    }
    return info;
}
