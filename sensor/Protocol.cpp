#include "sensor/Protocol.h"

#include <array>

namespace {

// Decoded by hand rather than with the <cctype> functions, whose answers follow the locale.
std::uint32_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint32_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint32_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint32_t>(c - 'a' + 10);
    }
    return 0;
}

} // namespace

bool IsValidChannel(unsigned channel) {
    return channel >= 1 && channel <= CHANNEL_COUNT_MAX;
}

std::uint32_t ParseHex(std::string_view line, std::size_t position, std::size_t digits) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const bool inside = position < line.size() && i < line.size() - position;
        // Past the end every digit is 0; once the value is 0 as well nothing can change it,
        // which keeps an absurd digit count from running on.
        if (!inside && value == 0) {
            break;
        }
        value = value * 16 + (inside ? HexDigitValue(line[position + i]) : 0);
    }
    return value;
}

std::string FormatHex(std::uint32_t value, std::size_t digits) {
    static constexpr char HEX_DIGITS[] = "0123456789ABCDEF";
    std::array<char, 8> reversed{};
    std::size_t count = 0;
    do {
        reversed[count++] = HEX_DIGITS[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::string text(digits > count ? digits - count : 0, '0');
    while (count > 0) {
        text += reversed[--count];
    }
    return text;
}
