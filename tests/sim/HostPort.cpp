#include "HostPort.h"

#include "support/Deadline.h"

bool HostPort::Open(const std::string& path) {
    Close();
    m_readFailed = false;
    if (!m_port.Open(path)) {
        return false;
    }
    m_reader = std::thread([this] { Receive(); });
    return true;
}

void HostPort::Close() {
    m_port.Close();
    if (m_reader.joinable()) {
        m_reader.join();
    }
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

void HostPort::Receive() {
    char buffer[257];
    for (;;) {
        std::uint32_t length = 0;
        if (!m_port.Read(buffer, sizeof buffer - 1, length)) {
            m_readFailed = true;
            return;
        }
        std::lock_guard lock(m_mutex);
        m_lines.emplace_back(buffer, length);
        m_lastLineTime = std::chrono::steady_clock::now();
    }
}

bool HostPort::Send(const std::string& command) {
    const std::string line = command + "\r";
    return m_port.Write(line.data(), static_cast<std::uint32_t>(line.size()));
}

std::optional<std::string> HostPort::NextLine(std::chrono::milliseconds timeout) {
    const auto available = [this] {
        std::lock_guard lock(m_mutex);
        return !m_lines.empty();
    };
    if (!WaitUntil(available, timeout)) {
        return std::nullopt;
    }
    std::lock_guard lock(m_mutex);
    std::string line = std::move(m_lines.front());
    m_lines.pop_front();
    return line;
}

std::string HostPort::Ask(const std::string& command, std::chrono::milliseconds timeout) {
    if (!Send(command)) {
        return "<write failed>";
    }
    return NextLine(timeout).value_or("<no reply>");
}

bool HostPort::NoLineWithin(std::chrono::milliseconds quiet) {
    return !NextLine(quiet);
}

std::chrono::steady_clock::time_point HostPort::LastLineTime() {
    std::lock_guard lock(m_mutex);
    return m_lastLineTime;
}
