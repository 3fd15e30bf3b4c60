#pragma once

#include <string>

// What a device string names: a local device path, or a remote serial line in the URL forms
// users know from pyserial, "rfc2217://HOST:PORT" (telnet with RFC 2217 line control) and
// "socket://HOST:PORT" (a raw byte stream; the server's port is already set up). A numeric
// IPv6 host is written in brackets: "socket://[::1]:7000".
struct DeviceAddress {
    enum class Kind { Path, RawTcp, Rfc2217 };

    Kind kind = Kind::Path;
    std::string host; // remote kinds only, brackets removed
    std::string port; // remote kinds only, 1..65535 in digits

    // False for a URL of either scheme that does not hold a host and a port (and nothing else).
    static bool Parse(const std::string& device, DeviceAddress& address);
};
