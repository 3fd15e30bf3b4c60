#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

#include "BenchRig.h"

// The characters of every exchange, as the sensor saw them ("!c,0 -> !c,0,0,...").
class Exchanges {
public:
    void Note(const std::string& line) {
        const auto arrow = line.find(" -> ");
        if (arrow == std::string::npos) {
            return;
        }
        // Both lines end with a CR on the wire.
        std::lock_guard lock(m_mutex);
        m_characters += arrow + 1 + (line.size() - arrow - 4) + 1;
        ++m_count;
    }
    void Reset() {
        std::lock_guard lock(m_mutex);
        m_characters = 0;
        m_count = 0;
    }
    std::size_t Characters() const {
        std::lock_guard lock(m_mutex);
        return m_characters;
    }
    std::size_t Count() const {
        std::lock_guard lock(m_mutex);
        return m_count;
    }

private:
    mutable std::mutex m_mutex;
    std::size_t m_characters = 0;
    std::size_t m_count = 0;
};

// The chain the control panel runs on first contact; the time from its start to the last
// channel's notification.
std::optional<std::chrono::steady_clock::duration> FirstContact(BenchRig& rig, unsigned channels);
