#pragma once

#include <chrono>
#include <cstddef>
#include <termios.h>

// The sensor's line format, the one place that says it: 9600 baud, 7 data bits, even parity,
// one stop bit. Everything that depends on how fast the line carries characters (the virtual
// sensor's pacing, the write deadline, the shortest polling period) is derived from here.
inline constexpr unsigned LINE_BAUD_RATE = 9600;
inline constexpr unsigned LINE_DATA_BITS = 7;
// A start bit, the data bits, the parity bit and a stop bit.
inline constexpr unsigned LINE_BITS_PER_CHARACTER = 1 + LINE_DATA_BITS + 1 + 1;

// How long the line takes to carry one character.
inline constexpr std::chrono::duration<double, std::milli> LINE_CHARACTER_TIME{
    LINE_BITS_PER_CHARACTER * 1000.0 / LINE_BAUD_RATE};

// How long the line takes to carry `characters`, rounded up to whole milliseconds.
constexpr std::chrono::milliseconds LineTransmitTime(std::size_t characters) {
    const std::size_t bits = characters * LINE_BITS_PER_CHARACTER;
    return std::chrono::milliseconds((bits * 1000 + LINE_BAUD_RATE - 1) / LINE_BAUD_RATE);
}

// What a write may take beyond its own characters: bytes of earlier commands still in the
// driver's buffer, and the scheduling of a busy machine.
inline constexpr std::chrono::milliseconds LINE_WRITE_MARGIN{500};

// A write of `characters` that has not reached the driver by then has stalled: the device no
// longer takes what it is given.
constexpr std::chrono::milliseconds LineWriteDeadline(std::size_t characters) {
    return LineTransmitTime(characters) + LINE_WRITE_MARGIN;
}

// Puts the device fd into the line format above: raw, no flow control, parity checked and
// errors marked in the data (INPCK|PARMRK). current is the device's setting as fetched; the
// hang-up-on-close choice is kept from it. False with errno set when the device refuses.
bool ApplyLineFormat(int fd, const termios& current);
