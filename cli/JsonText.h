#pragma once

#include <string>
#include <string_view>
#include <vector>

// JSON for scripts, written by hand: members in the order added, strings escaped, numbers
// independent of the locale.
class JsonObject {
public:
    JsonObject& AddString(std::string_view key, std::string_view text);
    JsonObject& AddInteger(std::string_view key, unsigned value);
    JsonObject& AddNumber(std::string_view key, double value);
    JsonObject& AddBool(std::string_view key, bool value);
    JsonObject& AddJson(std::string_view key, std::string_view json); // already JSON

    std::string Text() const { return "{" + m_members + "}"; }

private:
    void Key(std::string_view key);

    std::string m_members;
};

// The text as a JSON string literal: quoted, with quotes, backslashes and control characters
// escaped. Bytes from 0x7F up are escaped as the Latin-1 characters they would be: a sensor's
// text is 7-bit, and whatever a disturbed line delivers must not make the output invalid.
std::string JsonString(std::string_view text);
// The shortest text that reads back as the same double; null for infinities and NaN.
std::string JsonNumber(double value);
std::string JsonArray(const std::vector<std::string>& elements);
