#pragma once

#include <string>
#include <string_view>

class VirtualSensor;

// The control lines spectrel-sim reads on standard input while it runs.
enum class ControlResult { Done, Quit, Rejected };

// Carries out one line ("target 50 20 10", "silent 2000", "hangup 500", ...). `output` gets
// what to print: the state, the help, or why a line was rejected.
ControlResult RunControlLine(std::string_view line, VirtualSensor& sensor, std::string& output);

std::string ControlHelpText();

// One line of a help text: the name and its arguments in a column, then what it does.
std::string HelpLine(std::string_view name, std::string_view arguments, std::string_view help);
