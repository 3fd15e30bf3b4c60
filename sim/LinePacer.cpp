#include "sim/LinePacer.h"

#include <algorithm>

LinePacer::LinePacer(SimClock::duration characterTime, SimClock::duration turnaround)
    : m_characterTime(characterTime), m_turnaround(turnaround) {
}

SimClock::time_point LinePacer::Transmit(SimClock::time_point start, std::size_t characters) const {
    return start + m_characterTime * static_cast<SimClock::rep>(characters);
}

void LinePacer::Receive(std::string_view bytes, SimClock::time_point arrival) {
    for (const char byte : bytes) {
        if (!m_partialStart) {
            // The first character cannot start before the one ahead of it has arrived.
            m_partialStart = std::max(arrival, m_inputFreeAt);
        }
        if (byte != '\r') {
            if (m_partial.size() <= MAX_COMMAND_LENGTH) {
                m_partial += byte;
            }
            continue;
        }
        const SimClock::time_point received =
            std::max(Transmit(*m_partialStart, m_partial.size() + 1), arrival);
        m_inputFreeAt = received;
        m_commands.push_back({std::move(m_partial), received});
        m_partial.clear();
        m_partialStart.reset();
    }
}

bool LinePacer::TakeCommand(SimClock::time_point now, ReceivedCommand& command) {
    if (m_commands.empty() || m_commands.front().ReceivedAt > now) {
        return false;
    }
    command = std::move(m_commands.front());
    m_commands.pop_front();
    return true;
}

bool LinePacer::QueueLine(SimClock::time_point receivedAt, std::string line, bool endsReply,
                          std::optional<SimClock::duration> splitGap) {
    if (m_queuedBytes + line.size() > MAX_QUEUED_OUTPUT) {
        return false;
    }
    m_queuedBytes += line.size();
    const SimClock::time_point start = std::max(receivedAt + m_turnaround, m_outputFreeAt);
    if (splitGap && line.size() > 1) {
        std::string rest = line.substr(line.size() / 2);
        line.resize(line.size() / 2);
        const SimClock::time_point firstDue = Transmit(start, line.size());
        m_output.push_back({firstDue, std::move(line), false});
        m_outputFreeAt = Transmit(firstDue + *splitGap, rest.size());
        m_output.push_back({m_outputFreeAt, std::move(rest), endsReply});
        return true;
    }
    m_outputFreeAt = Transmit(start, line.size());
    m_output.push_back({m_outputFreeAt, std::move(line), endsReply});
    return true;
}

OutputChunk* LinePacer::DueOutput(SimClock::time_point now) {
    if (m_output.empty() || m_output.front().Due > now) {
        return nullptr;
    }
    return &m_output.front();
}

bool LinePacer::Consume(std::size_t written) {
    OutputChunk& front = m_output.front();
    written = std::min(written, front.Bytes.size());
    front.Bytes.erase(0, written);
    m_queuedBytes -= written;
    if (!front.Bytes.empty()) {
        return false;
    }
    const bool endsReply = front.EndsReply;
    m_output.pop_front();
    return endsReply;
}

std::optional<SimClock::time_point> LinePacer::NextCommandDue() const {
    if (m_commands.empty()) {
        return std::nullopt;
    }
    return m_commands.front().ReceivedAt;
}

std::optional<SimClock::time_point> LinePacer::NextOutputDue() const {
    if (m_output.empty()) {
        return std::nullopt;
    }
    return m_output.front().Due;
}

void LinePacer::Clear() {
    m_partial.clear();
    m_partialStart.reset();
    m_commands.clear();
    m_output.clear();
    m_queuedBytes = 0;
}
