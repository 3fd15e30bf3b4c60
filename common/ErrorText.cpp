#include "common/ErrorText.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "common/LinkError.h"

namespace {

// A serial device belongs to a group (usually "dialout" or "uucp") whose members may use it;
// naming that group is the one piece of advice that fixes a permission error.
std::string PermissionAdvice(const std::string& device) {
    const std::string group = OwningGroup(device);
    if (group.empty()) {
        return "\nthe user must be allowed to read and write " + device;
    }
    return "\nthe user must be in the group \"" + group + "\" that owns " + device +
           " (for example: sudo usermod -aG " + group + " $USER, then log in again)";
}

} // namespace

std::string PortErrorReason(std::uint32_t error) {
    if (error == 0) {
        return "the device is gone";
    }
    // The exclusive lock (EWOULDBLOCK) or the terminal's exclusive mode (EBUSY) of another
    // opener: "Resource temporarily unavailable" would not tell the user what to do.
    if (error == EWOULDBLOCK || error == EBUSY) {
        return "the port is in use by another program";
    }
    return LinkErrorText(error);
}

std::string PortErrorText(std::string_view action, const std::string& device, std::uint32_t error) {
    std::string text =
        "cannot " + std::string(action) + " " + device + ": " + PortErrorReason(error);
    if (error == EACCES || error == EPERM) {
        text += PermissionAdvice(device);
    }
    return text;
}

std::string NoAnswerText(const std::string& device, std::string_view request) {
    return "no answer from the sensor on " + device + " to " + std::string(request);
}

std::string UnreadableAnswerText(const std::string& device, std::string_view request) {
    return "no readable answer from the sensor on " + device + " to " + std::string(request) +
           ": its replies were of the wrong form";
}

std::string SensorErrorText(const std::string& device, std::string_view request) {
    return "the sensor on " + device + " reported an error: it rejected " + std::string(request);
}

std::string OwningGroup(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return {};
    }
    std::vector<char> buffer(4096);
    group entry{};
    group* found = nullptr;
    while (::getgrgid_r(status.st_gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    return found != nullptr ? std::string(found->gr_name) : std::string();
}
