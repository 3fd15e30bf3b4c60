#pragma once

#include <string>

// Where the broker is: "mqtt://HOST[:PORT]" (plain, port 1883 unless given) or
// "mqtts://HOST[:PORT]" (TLS, port 8883 unless given). A numeric IPv6 host is written in
// brackets: "mqtt://[::1]:1884".
struct BrokerUrl {
    std::string Host; // brackets removed
    unsigned Port = 0;
    bool Tls = false;

    // False with `error` saying what is wrong with the text, for the user to read.
    static bool Parse(const std::string& text, BrokerUrl& url, std::string& error);
};
