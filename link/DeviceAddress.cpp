#include "link/DeviceAddress.h"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view RAW_SCHEME = "socket://";
constexpr std::string_view RFC2217_SCHEME = "rfc2217://";
constexpr unsigned LAST_PORT = 65535;

bool ValidPort(std::string_view digits) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value >= 1 &&
           value <= LAST_PORT && digits[0] != '+';
}

bool SplitHostPort(std::string_view rest, DeviceAddress& address) {
    std::string_view host;
    std::string_view port;
    if (!rest.empty() && rest[0] == '[') {
        const auto close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            return false;
        }
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
    } else {
        const auto colon = rest.rfind(':');
        if (colon == std::string_view::npos) {
            return false;
        }
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) {
            return false; // an IPv6 host without brackets is ambiguous
        }
    }
    if (host.empty() || host.find_first_of("/?#@ ") != std::string_view::npos || !ValidPort(port)) {
        return false;
    }
    address.host = std::string(host);
    address.port = std::string(port);
    return true;
}

} // namespace

bool DeviceAddress::Parse(const std::string& device, DeviceAddress& address) {
    address = {};
    const std::string_view text(device);
    if (text.starts_with(RAW_SCHEME)) {
        address.kind = Kind::RawTcp;
        return SplitHostPort(text.substr(RAW_SCHEME.size()), address);
    }
    if (text.starts_with(RFC2217_SCHEME)) {
        address.kind = Kind::Rfc2217;
        return SplitHostPort(text.substr(RFC2217_SCHEME.size()), address);
    }
    return true;
}
