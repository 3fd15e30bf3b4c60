#include "cli/PortScan.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <thread>

#include "cli/CtlSession.h"
#include "common/FileDescriptor.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* DEVICE_FAMILIES[] = {"ttyUSB", "ttyACM", "ttyS"};

// The device a path leads to, or the path itself when it leads nowhere.
std::string RealPath(const std::string& path) {
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    return error ? path : real.string();
}

std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The number after the family's name ("ttyS12" -> 12), or false when the name is not of it.
bool FamilyNumber(const std::string& name, const std::string& family, unsigned long& number) {
    if (name.size() <= family.size() || name.compare(0, family.size(), family) != 0) {
        return false;
    }
    const char* end = name.data() + name.size();
    const auto [last, error] = std::from_chars(name.data() + family.size(), end, number);
    return error == std::errc() && last == end;
}

// A program that keeps others out with TIOCEXCL alone (no lock) does not keep root out: the
// flag is asked for before the port is opened for real, so its line is not touched.
bool HeldExclusively(const std::string& device) {
    const FileDescriptor fd(::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    int exclusive = 0;
    return fd && ::ioctl(fd.Get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

ProbeResult Probe(const std::string& device, std::chrono::milliseconds timeout,
                  const std::atomic<bool>& stop) {
    ProbeResult result;
    result.Device = device;
    if (HeldExclusively(device)) {
        result.State = ProbeState::Busy;
        return result;
    }
    CCtlSession session(device, stop);
    if (CtlOutcome outcome = session.Connect(timeout); !outcome.Done()) {
        // The port takes an exclusive lock before it touches the line's settings, so a device
        // whose lock another program holds is refused here untouched.
        const auto error = session.Sensor().LastPortError();
        result.State =
            error == EWOULDBLOCK || error == EBUSY ? ProbeState::Busy : ProbeState::Unopenable;
        result.Problem = std::move(outcome.Message);
        return result;
    }
    if (session.Identify(timeout).Done()) {
        result.State = ProbeState::Found;
        result.Identity.ModelCode = session.Sensor().GetModelCode();
        result.Identity.SerialNumber = session.Sensor().GetSerialNumber();
    }
    return result;
}

} // namespace

std::vector<std::string> ListSerialDevices(const std::string& devRoot) {
    std::vector<std::string> devices;
    const auto add = [&devices](const std::string& device) {
        if (std::find(devices.begin(), devices.end(), device) == devices.end()) {
            devices.push_back(device);
        }
    };
    for (const fs::path& link : Entries(fs::path(devRoot) / "serial" / "by-id")) {
        add(RealPath(link.string()));
    }
    const std::vector<fs::path> nodes = Entries(devRoot);
    for (const std::string family : DEVICE_FAMILIES) {
        std::vector<std::pair<unsigned long, std::string>> members;
        for (const fs::path& node : nodes) {
            unsigned long number = 0;
            if (FamilyNumber(node.filename().string(), family, number)) {
                members.emplace_back(number, RealPath(node.string()));
            }
        }
        std::sort(members.begin(), members.end());
        for (const auto& member : members) {
            add(member.second);
        }
    }
    return devices;
}

std::string FindByIdName(const std::string& device, const std::string& byIdDir) {
    const std::string real = RealPath(device);
    for (const fs::path& link : Entries(byIdDir)) {
        if (RealPath(link.string()) == real) {
            return link.string();
        }
    }
    return {};
}

std::vector<ProbeResult> ProbeDevices(const std::vector<std::string>& devices,
                                      const std::string& byIdDir, std::chrono::milliseconds timeout,
                                      const std::atomic<bool>& stop, const std::string& sysRoot) {
    std::vector<ProbeResult> results(devices.size());
    {
        std::vector<std::jthread> probes;
        probes.reserve(devices.size());
        for (std::size_t i = 0; i < devices.size(); ++i) {
            probes.emplace_back([&, i] { results[i] = Probe(devices[i], timeout, stop); });
        }
    } // every probe has ended here
    for (ProbeResult& result : results) {
        result.ByIdName = FindByIdName(result.Device, byIdDir);
        result.Adapter = ReadAdapterInfo(result.Device, sysRoot);
    }
    return results;
}
