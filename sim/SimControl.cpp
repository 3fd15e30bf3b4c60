#include "sim/SimControl.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "common/NumberText.h"
#include "sim/SensorResponder.h"
#include "sim/VirtualSensor.h"

namespace {

using Words = std::vector<std::string_view>;
using Handler = std::function<ControlResult(const Words& arguments, VirtualSensor&, std::string&)>;

struct Control {
    std::string_view Name;
    std::string_view Arguments;
    std::string_view Help;
    Handler Run;
};

Words SplitWords(std::string_view line) {
    Words words;
    while (!line.empty()) {
        const std::size_t start = line.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos) {
            break;
        }
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find_first_of(" \t\r\n"), line.size());
        words.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    return words;
}

ControlResult Reject(std::string& output, const std::string& why) {
    output = why + "\n";
    return ControlResult::Rejected;
}

// "on" or "off" as the single argument.
bool ReadSwitch(const Words& arguments, bool& on) {
    if (arguments.size() != 1 || (arguments[0] != "on" && arguments[0] != "off")) {
        return false;
    }
    on = arguments[0] == "on";
    return true;
}

bool ReadProbability(const Words& arguments, double& probability) {
    return arguments.size() == 1 && ParseNumber(arguments[0], probability) && probability >= 0.0 &&
           probability <= 1.0;
}

// A control that sets one fault from its arguments, as `read` takes them.
template <typename Value>
Handler SetFault(Value SimFaults::*field, bool (*read)(const Words&, Value&), const char* usage) {
    return [=](const Words& arguments, VirtualSensor& sensor, std::string& output) {
        Value value{};
        if (!read(arguments, value)) {
            return Reject(output, usage);
        }
        SimFaults faults = sensor.Faults();
        faults.*field = value;
        sensor.SetFaults(faults);
        return ControlResult::Done;
    };
}

// A control that takes no arguments and then does `action`.
Handler WithoutArguments(const char* name,
                         std::function<void(VirtualSensor&, std::string& output)> action) {
    return [name, action](const Words& arguments, VirtualSensor& sensor, std::string& output) {
        if (!arguments.empty()) {
            return Reject(output, std::string("usage: ") + name);
        }
        action(sensor, output);
        return ControlResult::Done;
    };
}

ControlResult Target(const Words& arguments, VirtualSensor& sensor, std::string& output) {
    double colour[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        if (arguments.size() != 3 || !ParseNumber(arguments[i], colour[i]) || colour[i] < 0.0 ||
            colour[i] > 100.0) {
            return Reject(output, "usage: target R G B (percent, 0 to 100)");
        }
    }
    sensor.SetTarget(colour[0], colour[1], colour[2]);
    return ControlResult::Done;
}

ControlResult Silent(const Words& arguments, VirtualSensor& sensor, std::string& output) {
    bool on = false;
    unsigned milliseconds = 0;
    if (ReadSwitch(arguments, on)) {
        sensor.SetSilent(on);
    } else if (arguments.size() == 1 && ParseNumber(arguments[0], milliseconds)) {
        sensor.SetSilentFor(milliseconds);
    } else {
        return Reject(output, "usage: silent on|off|MS");
    }
    return ControlResult::Done;
}

ControlResult Garbage(const Words& arguments, VirtualSensor& sensor, std::string& output) {
    if (arguments.empty()) {
        sensor.SendGarbageLine();
        return ControlResult::Done;
    }
    return SetFault(&SimFaults::GarbageLine, ReadSwitch, "usage: garbage [on|off]")(arguments,
                                                                                    sensor, output);
}

ControlResult Serial(const Words& arguments, VirtualSensor& sensor, std::string& output) {
    if (arguments.size() != 1 || !IsValidSerialNumber(arguments[0])) {
        return Reject(output, "usage: serial TEXT (16 printable characters without blanks)");
    }
    sensor.SetSerialNumber(std::string(arguments[0]));
    return ControlResult::Done;
}

ControlResult Model(const Words& arguments, VirtualSensor& sensor, std::string& output) {
    unsigned code = 0;
    if (arguments.size() != 1 || !ParseNumber(arguments[0], code) || code > 15) {
        return Reject(output, "usage: model CODE (0 to 15)");
    }
    sensor.SetModelCode(code);
    return ControlResult::Done;
}

ControlResult HangUp(const Words& arguments, VirtualSensor& sensor, std::string& output) {
    unsigned milliseconds = 0;
    if (arguments.size() > 1 ||
        (arguments.size() == 1 && !ParseNumber(arguments[0], milliseconds))) {
        return Reject(output, "usage: hangup [MS]");
    }
    sensor.HangUp(milliseconds);
    return ControlResult::Done;
}

const std::vector<Control>& Controls() {
    static const std::vector<Control> controls = {
        {"target", "R G B", "measure this colour (percent); ends a script", Target},
        {"silent", "on|off|MS", "ignore commands (on), answer again (off), or for MS", Silent},
        {"drop", "P", "drop each reply with probability P (0 to 1)",
         SetFault(&SimFaults::DropReplyProbability, ReadProbability, "usage: drop P")},
        {"error", "P", "answer \"?\" with probability P (0 to 1)",
         SetFault(&SimFaults::ErrorReplyProbability, ReadProbability, "usage: error P")},
        {"garbage", "[on|off]", "one garbage line now; on|off: one before each reply", Garbage},
        {"split", "on|off", "write each reply in two parts with a gap",
         SetFault(&SimFaults::SplitReply, ReadSwitch, "usage: split on|off")},
        {"join", "on|off", "write every other reply together with the next",
         SetFault(&SimFaults::JoinReplies, ReadSwitch, "usage: join on|off")},
        {"serial", "TEXT", "answer with another serial number from now on", Serial},
        {"model", "CODE", "answer as another model from now on", Model},
        {"hangup", "[MS]", "close the pty like a pulled cable; back on a new one after MS", HangUp},
        {"replug", "", "come back after a hang-up",
         WithoutArguments("replug", [](VirtualSensor& s, std::string&) { s.Replug(); })},
        {"state", "", "print what the sensor holds",
         WithoutArguments("state", [](VirtualSensor& s, std::string& o) { o = s.StateText(); })},
        {"help", "", "list the control lines",
         [](const Words&, VirtualSensor&, std::string& o) {
             o = ControlHelpText();
             return ControlResult::Done;
         }},
        {"quit", "", "stop the sensor and exit",
         [](const Words&, VirtualSensor&, std::string&) { return ControlResult::Quit; }},
    };
    return controls;
}

} // namespace

ControlResult RunControlLine(std::string_view line, VirtualSensor& sensor, std::string& output) {
    output.clear();
    Words words = SplitWords(line);
    if (words.empty()) {
        return ControlResult::Done;
    }
    const std::string_view name = words.front();
    words.erase(words.begin());
    for (const Control& control : Controls()) {
        if (control.Name == name) {
            return control.Run(words, sensor, output);
        }
    }
    return Reject(output, "unknown control line '" + std::string(name) + "' (try help)");
}

std::string ControlHelpText() {
    std::string text = "Control lines on standard input:\n";
    for (const Control& control : Controls()) {
        text += HelpLine(control.Name, control.Arguments, control.Help);
    }
    return text;
}

std::string HelpLine(std::string_view name, std::string_view arguments, std::string_view help) {
    std::string left = "  " + std::string(name);
    if (!arguments.empty()) {
        left += " " + std::string(arguments);
    }
    left.resize(std::max<std::size_t>(left.size() + 1, 28), ' ');
    return left + std::string(help) + "\n";
}
