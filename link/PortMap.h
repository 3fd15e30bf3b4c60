#pragma once

#include <map>
#include <string>

// Maps the port names the user sees ("COM1" ... "COM16") to device paths. Without an entry,
// "COMn" maps to /dev/ttyS<n-1>; a name that is already a path (contains '/') maps to itself,
// and any other name is a device in /dev ("ttyUSB0" maps to /dev/ttyUSB0). "COM03" and "COM3"
// are the same port.
class PortMap {
public:
    void Set(const std::string& portName, const std::string& devicePath);
    std::string DevicePath(const std::string& portName) const;
    const std::map<std::string, std::string>& Entries() const { return m_entries; }

    // Parses "COMn=PATH" (the command line's --port value); false when it is not of that form.
    bool SetFromAssignment(const std::string& assignment);

private:
    std::map<std::string, std::string> m_entries;
};

// "COMn" for n = 1..16 gives n, anything else 0.
int PortNumber(const std::string& portName);
