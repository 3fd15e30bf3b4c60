#pragma once

#include <string>

#include <nlohmann/json.hpp>

// What spectrelctl prints for scripts: objects keep their members in the order added.
using JsonValue = nlohmann::ordered_json;

// The compact text of `value`, independent of the locale. Strings may hold any bytes: a
// sensor's text is 7-bit, and whatever a disturbed line delivers must not make the output
// invalid, so bytes from 0x7F up are escaped as the Latin-1 characters they would be. Numbers
// are the shortest text that reads back as the same double ("40", "40.000305474095796"), null
// for infinities and NaN.
std::string JsonText(const JsonValue& value);
