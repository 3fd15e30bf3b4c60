#include "common/PanelFormat.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>

std::string FormatPercent(double value) {
    char digits[64];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 1);
    std::string text(digits, result.ptr);
    if (text.size() < 4) {
        text.insert(0, 4 - text.size(), ' ');
    }
    return text;
}

std::string FormatGeneral(double value) {
    constexpr int SIGNIFICANT_DIGITS = 6;
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value,
                                      std::chars_format::general, SIGNIFICANT_DIGITS);
    return std::string(digits, result.ptr);
}

std::string FormatInteger(int value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%*d", width, value);
    return text;
}

int ReadClampedInteger(std::string_view text, int minimum, int maximum) {
    std::size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string_view::npos) {
        at = text.size();
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Past any int the magnitude only saturates: the clamp gives the same result either way.
    constexpr long long SATURATED = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = std::min(magnitude * 10 + (text[at] - '0'), SATURATED);
    }
    return static_cast<int>(std::clamp(negative ? -magnitude : magnitude,
                                       static_cast<long long>(minimum),
                                       static_cast<long long>(maximum)));
}

Rgb NormalizeColor(const Rgb& color) {
    const double sum = color[0] + color[1] + color[2];
    if (sum == 0.0) {
        return color;
    }
    return {color[0] * 100.0 / sum, color[1] * 100.0 / sum, color[2] * 100.0 / sum};
}

double ClampPercent(double value) {
    if (value < 0.0) {
        return 0.0;
    }
    return value > 100.0 ? 100.0 : value;
}

int ChartLevel(double percent) {
    // One unit in the last place above the double nearest to 2.55: with that nearest double,
    // exactly 100 % would truncate to 254 instead of 255.
    constexpr double PERCENT_TO_LEVEL = 2.5500000000000003;
    return static_cast<int>(percent * PERCENT_TO_LEVEL);
}
