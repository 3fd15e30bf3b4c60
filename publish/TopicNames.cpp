#include "publish/TopicNames.h"

#include <utility>

TopicNames::TopicNames(std::string prefix, std::string clientId)
    : m_prefix(std::move(prefix)), m_clientId(TopicLevel(clientId)) {
}

std::string TopicNames::Sensor(std::string_view serial, std::string_view leaf) const {
    return m_prefix + "/" + TopicLevel(serial) + "/" + std::string(leaf);
}

std::string TopicNames::Match(std::string_view serial, unsigned channel) const {
    return Sensor(serial, "match/" + std::to_string(channel));
}

std::string TopicNames::BridgeAvailability() const {
    return m_prefix + "/bridge/" + m_clientId + "/availability";
}

bool TopicNames::CheckPrefix(const std::string& prefix, std::string& error) {
    if (prefix.empty() || prefix.find_first_of(std::string_view("+#\0", 3)) != std::string::npos ||
        prefix.front() == '/' || prefix.back() == '/') {
        error = "the topic prefix \"" + prefix +
                "\" must be a topic without '+', '#' or a leading or trailing '/'";
        return false;
    }
    return true;
}

std::string TopicLevel(std::string_view name) {
    std::string level(name);
    for (char& c : level) {
        if (c == '/' || c == '+' || c == '#' || c == '\0') {
            c = '_';
        }
    }
    return level.empty() ? "_" : level;
}
