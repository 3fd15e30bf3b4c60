#pragma once

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

// Numbers in options, control lines and script files are read and written without the locale:
// "0.5" means one half whatever LC_NUMERIC says.

// The whole text must be the number: no sign for unsigned types, no spaces, nothing after it.
template <typename T> bool ParseNumber(std::string_view text, T& value) {
    if (text.empty()) {
        return false;
    }
    T parsed{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, parsed);
    if (error != std::errc() || stop != end) {
        return false;
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(parsed)) {
            return false;
        }
    }
    value = parsed;
    return true;
}

// Fixed-point text with `decimals` digits after the point ("40.0").
std::string FormatFixed(double value, int decimals);
