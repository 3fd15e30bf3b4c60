#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Collects the characters received from the line and hands them over a line at a time: each
// hand-over is everything up to the last CR that fits the reader's buffer, so lines that
// arrived together come out together and the bytes after that CR wait for the next one.
//
// Sizes stay bounded: a run that cannot end within the buffer is handed over as a failure and
// the rest of that overlong line, up to and including its CR, is discarded, so the next
// hand-over starts at a line boundary instead of with the tail of a broken line. A damaged
// character counts towards that length like any other, so no stream of bytes, however
// damaged, can grow the pending line (or its damage marks) without end.
class LineAssembler {
public:
    enum class Result : std::uint8_t {
        Incomplete, // nothing to hand over yet: no CR within reach
        Line,       // a sound line (or lines) was handed over
        Damaged,    // a line (or lines) was handed over, but a character of it was damaged
        Overlong,   // a run longer than the buffer was handed over as far as it fits
    };

    void Add(char character);
    // A byte as it came off the line. The sensor talks 7-bit ASCII on a 7-bit line, so a byte
    // above 0x7F comes only from a peer on another line format (or from a pseudo-terminal or a
    // network server, which cannot run 7 bits). Stripping the top bit could forge a CR (0x8D)
    // or a plausible digit, so such a byte is treated like a parity error: it never enters the
    // text and its line fails.
    void AddWireByte(unsigned char byte);
    // A character that arrived damaged (a parity or framing error): its line fails, and it
    // takes its place in the line as a zero byte, never as the character it may have been.
    void AddDamaged();
    // The line that the next character belongs to was damaged on the wire (a break, lost
    // characters); several marks before that character count as one.
    void MarkLineError();

    // Copies the next hand-over into buffer, which holds capacity + 1 bytes. A hand-over of
    // two or more bytes has its final CR replaced by a zero byte; a lone CR stays as it is.
    // length counts the bytes handed over (CR included) and a zero byte always follows them.
    Result Take(char* buffer, std::uint32_t capacity, std::uint32_t& length);

    void Clear();

private:
    std::uint32_t CopyOut(char* buffer, std::uint32_t count);
    bool Consume(std::size_t count); // true when a damaged character was among them
    void SkipRestOfLine();

    std::string m_pending;
    std::vector<std::size_t> m_errorOffsets; // positions in m_pending of damaged characters
    bool m_skippingToLineEnd = false;
};
