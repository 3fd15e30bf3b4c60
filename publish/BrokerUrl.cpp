#include "publish/BrokerUrl.h"

#include <charconv>
#include <string_view>

namespace {

constexpr std::string_view PLAIN_SCHEME = "mqtt://";
constexpr std::string_view TLS_SCHEME = "mqtts://";
constexpr unsigned PLAIN_PORT = 1883;
constexpr unsigned TLS_PORT = 8883;
constexpr unsigned LAST_PORT = 65535;

bool ParsePort(std::string_view digits, unsigned& port) {
    if (digits.empty() || digits[0] == '+') {
        return false;
    }
    const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    return failure == std::errc() && end == digits.data() + digits.size() && port >= 1 &&
           port <= LAST_PORT;
}

// Splits "HOST", "HOST:PORT", "[V6]" or "[V6]:PORT"; the port text is empty when not given.
bool SplitAuthority(std::string_view rest, std::string_view& host, std::string_view& port,
                    std::string& error) {
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string_view::npos) {
            error = "the IPv6 address has no closing ']'";
            return false;
        }
        host = rest.substr(1, close - 1);
        const std::string_view after = rest.substr(close + 1);
        if (!after.empty() && !after.starts_with(':')) {
            error = "only ':PORT' may follow the IPv6 address";
            return false;
        }
        port = after.empty() ? after : after.substr(1);
        return true;
    }
    const auto colon = rest.find(':');
    if (colon != std::string_view::npos && rest.find(':', colon + 1) != std::string_view::npos) {
        error = "an IPv6 address must be written in brackets, as in mqtt://[::1]:1883";
        return false;
    }
    host = rest.substr(0, colon);
    port = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (colon != std::string_view::npos && port.empty()) {
        error = "the port is missing after ':'";
        return false;
    }
    return true;
}

} // namespace

bool BrokerUrl::Parse(const std::string& text, BrokerUrl& url, std::string& error) {
    url = {};
    std::string_view rest(text);
    if (rest.starts_with(TLS_SCHEME)) {
        url.Tls = true;
        rest.remove_prefix(TLS_SCHEME.size());
    } else if (rest.starts_with(PLAIN_SCHEME)) {
        rest.remove_prefix(PLAIN_SCHEME.size());
    } else {
        error = "the broker URL \"" + text + "\" must start with mqtt:// or mqtts://";
        return false;
    }
    std::string_view host;
    std::string_view port;
    std::string why;
    if (!SplitAuthority(rest, host, port, why)) {
        error = "the broker URL \"" + text + "\" is wrong: " + why;
        return false;
    }
    if (host.empty() || host.find_first_of("/?#@[] ") != std::string_view::npos) {
        error = "the broker URL \"" + text + "\" needs a host name or address, and nothing else";
        return false;
    }
    url.Port = url.Tls ? TLS_PORT : PLAIN_PORT;
    if (!port.empty() && !ParsePort(port, url.Port)) {
        error = "the broker URL \"" + text + "\" has a port that is not a number from 1 to 65535";
        return false;
    }
    url.Host = std::string(host);
    return true;
}
