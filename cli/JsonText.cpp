#include "cli/JsonText.h"

#include <array>
#include <charconv>
#include <cmath>

JsonObject& JsonObject::AddString(std::string_view key, std::string_view text) {
    return AddJson(key, JsonString(text));
}

JsonObject& JsonObject::AddInteger(std::string_view key, unsigned value) {
    return AddJson(key, std::to_string(value));
}

JsonObject& JsonObject::AddNumber(std::string_view key, double value) {
    return AddJson(key, JsonNumber(value));
}

JsonObject& JsonObject::AddBool(std::string_view key, bool value) {
    return AddJson(key, value ? "true" : "false");
}

JsonObject& JsonObject::AddJson(std::string_view key, std::string_view json) {
    Key(key);
    m_members += json;
    return *this;
}

void JsonObject::Key(std::string_view key) {
    if (!m_members.empty()) {
        m_members += ',';
    }
    m_members += JsonString(key);
    m_members += ':';
}

std::string JsonString(std::string_view text) {
    static constexpr char HEX[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (byte < 0x20 || byte >= 0x7F) {
                quoted += "\\u00";
                quoted += HEX[byte >> 4];
                quoted += HEX[byte & 0xF];
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string JsonArray(const std::vector<std::string>& elements) {
    std::string text = "[";
    for (std::size_t i = 0; i < elements.size(); ++i) {
        text += (i == 0 ? "" : ",") + elements[i];
    }
    return text + "]";
}
