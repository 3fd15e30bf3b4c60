#include "link/PortMap.h"

namespace {

constexpr int LAST_PORT_NUMBER = 16;

// "COM01" and "COM1" name the same port; entries are kept under the short form.
std::string CanonicalName(const std::string& portName) {
    const int number = PortNumber(portName);
    return number == 0 ? portName : "COM" + std::to_string(number);
}

} // namespace

int PortNumber(const std::string& portName) {
    // "COM" in capitals and one or two digits, as the stored preference may hold it.
    if (portName.size() < 4 || portName.size() > 5 || portName.compare(0, 3, "COM") != 0) {
        return 0;
    }
    int number = 0;
    for (std::size_t i = 3; i < portName.size(); ++i) {
        const char digit = portName[i];
        if (digit < '0' || digit > '9') {
            return 0;
        }
        number = number * 10 + (digit - '0');
    }
    return number >= 1 && number <= LAST_PORT_NUMBER ? number : 0;
}

void PortMap::Set(const std::string& portName, const std::string& devicePath) {
    m_entries[CanonicalName(portName)] = devicePath;
}

std::string PortMap::DevicePath(const std::string& portName) const {
    const auto entry = m_entries.find(CanonicalName(portName));
    if (entry != m_entries.end() && !entry->second.empty()) {
        return entry->second;
    }
    if (portName.find('/') != std::string::npos) {
        return portName;
    }
    const int number = PortNumber(portName);
    if (number != 0) {
        return "/dev/ttyS" + std::to_string(number - 1);
    }
    // A bare device name such as "ttyUSB0" lives in /dev, never in the working directory.
    return "/dev/" + portName;
}

bool PortMap::SetFromAssignment(const std::string& assignment) {
    const auto equals = assignment.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    const std::string portName = assignment.substr(0, equals);
    const std::string devicePath = assignment.substr(equals + 1);
    if (PortNumber(portName) == 0 || devicePath.empty()) {
        return false;
    }
    Set(portName, devicePath);
    return true;
}
