#pragma once

#include <array>
#include <string>
#include <string_view>

// Texts and chart levels of the panel. Numbers always use '.' as the decimal point, whatever
// the user's locale, as the Windows tool showed them.

using Rgb = std::array<double, 3>;

// "%4.1f": one decimal, at least four characters (5 reads " 5.0", 100 reads "100.0").
std::string FormatPercent(double value);
// "%g": at most six significant digits, no trailing zeros (12.345678 reads "12.3457").
std::string FormatGeneral(double value);
// "%<width>d": the integer right-aligned in width characters.
std::string FormatInteger(int value, int width);
// What the user typed into a whole-number field, as a number in minimum..maximum: leading
// blanks skipped, an optional sign, then the digits up to the first other character (none gives
// 0), clamped. No text, however long, overflows.
int ReadClampedInteger(std::string_view text, int minimum, int maximum);

// Each component * 100 / their sum, so they add up to 100; all three unchanged when the sum is 0.
Rgb NormalizeColor(const Rgb& color);
// A percentage clamped to 0..100.
double ClampPercent(double value);
// A displayed percentage as a chart property 0..255: 100 gives 255, 50 gives 127, 20 gives 51.
int ChartLevel(double percent);
