#pragma once

#include <string>
#include <string_view>

// The topic tree under the user's prefix P: P/SERIAL/... for each sensor and
// P/bridge/ID/availability for this client (ID is its client id).
class TopicNames {
public:
    TopicNames(std::string prefix, std::string clientId);

    // P/SERIAL/LEAF, LEAF being "availability", "identity", "settings", "channels" or "reading".
    std::string Sensor(std::string_view serial, std::string_view leaf) const;
    // P/SERIAL/match/CHANNEL
    std::string Match(std::string_view serial, unsigned channel) const;
    std::string BridgeAvailability() const;

    const std::string& Prefix() const { return m_prefix; }
    const std::string& ClientId() const { return m_clientId; }

    // False with a message when the prefix cannot start topics: empty, a wildcard ('+', '#'),
    // a leading or trailing '/', or a NUL.
    static bool CheckPrefix(const std::string& prefix, std::string& error);

private:
    std::string m_prefix;
    std::string m_clientId;
};

// A name as one topic level: the characters that would split the level or match other
// topics ('/', '+', '#', NUL) become '_', so a serial number can never reach another tree.
std::string TopicLevel(std::string_view name);
