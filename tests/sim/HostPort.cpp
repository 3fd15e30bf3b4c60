#include "HostPort.h"

#include "support/Deadline.h"

bool HostPort::Open(const std::string& path) {
    Close();
    m_readFailed = false;
    m_closing = false;
    if (!m_port.Open(path)) {
        return false;
    }
    m_reader = std::thread([this] { Receive(); });
    return true;
}

void HostPort::Close() {
    m_closing = true;
    m_port.Close();
    if (m_reader.joinable()) {
        m_reader.join();
    }
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

// The port hands over everything up to the last CR received, the final CR replaced by a zero
// byte: one line, or several that arrived together, which are queued one by one here.
void HostPort::Receive() {
    char buffer[257];
    while (!m_closing) {
        std::uint32_t length = 0;
        if (!m_port.Read(buffer, sizeof buffer - 1, length)) {
            // A hang-up, a damaged line or Close: the port pauses on a dead line, so reading
            // on does not spin.
            m_readFailed = true;
            continue;
        }
        std::string_view handOver(buffer, length);
        std::lock_guard lock(m_mutex);
        m_lastLineTime = std::chrono::steady_clock::now();
        if (handOver == "\r") {
            m_lines.emplace_back();
            continue;
        }
        handOver.remove_suffix(1);
        for (std::size_t end = handOver.find('\r'); end != std::string_view::npos;
             end = handOver.find('\r')) {
            m_lines.emplace_back(handOver.substr(0, end));
            handOver.remove_prefix(end + 1);
        }
        m_lines.emplace_back(handOver);
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
