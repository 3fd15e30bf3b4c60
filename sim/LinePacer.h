#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

using SimClock = std::chrono::steady_clock;

struct ReceivedCommand {
    std::string Text; // without its CR
    SimClock::time_point ReceivedAt;
};

// Bytes for the line, written when their last character would have left a real line.
struct OutputChunk {
    SimClock::time_point Due;
    std::string Bytes;
    bool EndsReply = false; // its last byte is a reply's CR
};

// The time a real serial line takes, on both directions. A pseudo-terminal hands over a whole
// command at once; the pacer holds it back until its characters could have arrived one after
// another, and schedules each reply to end a turnaround plus its own characters' time after
// the command. One direction of the line carries one character at a time, so commands and
// replies queue behind each other. A character time of zero gives an unpaced line: commands
// count as received when their CR arrives and replies leave at once.
class LinePacer {
public:
    LinePacer(SimClock::duration characterTime, SimClock::duration turnaround);

    // Bytes read from the line at `arrival`. A command that grows beyond any real command
    // without a CR is cut (the sensor then rejects it when its CR comes).
    void Receive(std::string_view bytes, SimClock::time_point arrival);
    bool TakeCommand(SimClock::time_point now, ReceivedCommand& command);

    // Queues a line (CR included) as the answer to a command received at `receivedAt`;
    // `splitGap` writes it in two halves with that pause between them. False (nothing
    // queued) while more output is waiting than a host that stopped reading would ever take.
    bool QueueLine(SimClock::time_point receivedAt, std::string line, bool endsReply,
                   std::optional<SimClock::duration> splitGap = std::nullopt);
    // The front chunk when it is due, for writing; Consume() removes what was written and
    // tells whether a reply's CR was among it.
    OutputChunk* DueOutput(SimClock::time_point now);
    bool Consume(std::size_t written);

    std::optional<SimClock::time_point> NextCommandDue() const;
    std::optional<SimClock::time_point> NextOutputDue() const;
    void Clear(); // a line that went dead: everything in flight is lost

    static constexpr std::size_t MAX_COMMAND_LENGTH = 128;
    static constexpr std::size_t MAX_QUEUED_OUTPUT = 64 * 1024;

private:
    SimClock::time_point Transmit(SimClock::time_point start, std::size_t characters) const;

    SimClock::duration m_characterTime;
    SimClock::duration m_turnaround;
    std::string m_partial;
    std::optional<SimClock::time_point> m_partialStart;
    SimClock::time_point m_inputFreeAt{};
    std::deque<ReceivedCommand> m_commands;
    SimClock::time_point m_outputFreeAt{};
    std::deque<OutputChunk> m_output;
    std::size_t m_queuedBytes = 0;
};
