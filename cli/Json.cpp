#include "cli/Json.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

std::string StringText(const std::string& bytes) {
    std::string utf8;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return JsonValue(utf8).dump(-1, ' ', true);
}

// The library's own float text is not always the shortest one: a few readings would gain a
// seventeenth digit, and whole numbers a ".0".
std::string NumberText(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

} // namespace

std::string JsonText(const JsonValue& value) {
    std::string text;
    switch (value.type()) {
    case JsonValue::value_t::object:
        for (const auto& [key, member] : value.items()) {
            text += (text.empty() ? "" : ",") + StringText(key) + ":" + JsonText(member);
        }
        return "{" + text + "}";
    case JsonValue::value_t::array:
        for (const JsonValue& element : value) {
            text += (text.empty() ? "" : ",") + JsonText(element);
        }
        return "[" + text + "]";
    case JsonValue::value_t::string:
        return StringText(value.get_ref<const std::string&>());
    case JsonValue::value_t::number_float:
        return NumberText(value.get<double>());
    default:
        return value.dump();
    }
}
