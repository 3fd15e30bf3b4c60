#include "sim/SimOptions.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

#include "common/NumberText.h"
#include "sensor/SensorRecords.h"
#include "sim/SensorResponder.h"
#include "sim/SimControl.h"
#include "sim/TargetScript.h"

namespace {

using Handler = std::function<bool(std::string_view value, SimOptions&, std::string& problem)>;

struct Option {
    std::string_view Name;
    std::string_view Value; // empty: a switch without value
    std::string_view Help;
    Handler Apply;
};

bool ReadUnsigned(std::string_view text, unsigned max, unsigned& value, std::string& problem) {
    unsigned parsed = 0;
    if (!ParseNumber(text, parsed) || parsed > max) {
        problem = "expected a whole number from 0 to " + std::to_string(max);
        return false;
    }
    value = parsed;
    return true;
}

bool ReadDouble(std::string_view text, double min, double max, double& value,
                std::string& problem) {
    double parsed = 0.0;
    if (!ParseNumber(text, parsed) || parsed < min || parsed > max) {
        problem = "expected a number from " + FormatFixed(min, 0) + " to " + FormatFixed(max, 0);
        return false;
    }
    value = parsed;
    return true;
}

bool ReadFirmware(std::string_view text, SimConfig& config, std::string& problem) {
    const std::size_t dot = text.find('.');
    unsigned major = 0, minor = 0;
    if (dot == std::string_view::npos || !ParseNumber(text.substr(0, dot), major) ||
        !ParseNumber(text.substr(dot + 1), minor) || major > 0xFFF || minor > 0xFFF) {
        problem = "expected MAJOR.MINOR, each from 0 to 4095 (1.13)";
        return false;
    }
    config.FirmwareMajor = major;
    config.FirmwareMinor = minor;
    return true;
}

bool ReadTarget(std::string_view text, SimConfig& config, std::string& problem) {
    double values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? text.find(',') : text.size();
        if (comma == std::string_view::npos ||
            !ReadDouble(text.substr(0, comma), 0.0, 100.0, values[i], problem)) {
            problem = "expected R,G,B in percent, each from 0 to 100 (40,30,20)";
            return false;
        }
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    config.TargetRed = values[0];
    config.TargetGreen = values[1];
    config.TargetBlue = values[2];
    return true;
}

const std::vector<Option>& Options() {
    static const std::vector<Option> options = {
        {"--link", "PATH", "make PATH a symbolic link to the pty (replaces an existing link)",
         [](auto value, SimOptions& o, std::string&) {
             o.LinkPath = std::string(value);
             return true;
         }},
        {"--model", "CODE", "model code 0 to 15 (default 6, Spectrel-4 with logging)",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadUnsigned(value, 15, o.Config.ModelCode, p);
         }},
        {"--serial", "TEXT", "serial number, 16 printable characters",
         [](auto value, SimOptions& o, std::string& p) {
             if (!IsValidSerialNumber(value)) {
                 p = "expected 16 printable characters without blanks";
                 return false;
             }
             o.Config.SerialNumber = std::string(value);
             return true;
         }},
        {"--firmware", "MAJOR.MINOR", "firmware version (default 1.13)",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadFirmware(value, o.Config, p);
         }},
        {"--target", "R,G,B", "target colour in percent (default 40,30,20)",
         [](auto value, SimOptions& o, std::string& p) { return ReadTarget(value, o.Config, p); }},
        {"--script", "FILE", "follow the target script in FILE, looping (lines: seconds R G B)",
         [](auto value, SimOptions& o, std::string& p) {
             return LoadTargetScript(std::string(value), o.Config.Script, p);
         }},
        {"--noise", "PERCENT", "standard deviation of the measurement noise (default 0, off)",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadDouble(value, 0.0, 100.0, o.Config.NoisePercent, p);
         }},
        {"--seed", "N", "seed of the noise and the faults (default 1)",
         [](auto value, SimOptions& o, std::string& p) {
             if (!ParseNumber(value, o.Config.Seed)) {
                 p = "expected a whole number";
                 return false;
             }
             return true;
         }},
        {"--no-pacing", "", "answer at once instead of at the pace of a 9600 baud line",
         [](auto, SimOptions& o, std::string&) {
             o.Config.Pacing = false;
             return true;
         }},
        {"--turnaround", "MS", "time from a command's end to its reply's start (default 2)",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadUnsigned(value, 10000, o.Config.TurnaroundMs, p);
         }},
        {"--teach-min-width", "COUNTS", "smallest half-width of taught bounds (default 64)",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadUnsigned(value, RAW_FULL_SCALE, o.Config.TeachMinHalfWidth, p);
         }},
        {"--drop", "P", "drop each reply with probability P (0 to 1)",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadDouble(value, 0.0, 1.0, o.Config.Faults.DropReplyProbability, p);
         }},
        {"--error", "P", "answer \"?\" instead, with probability P (0 to 1)",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadDouble(value, 0.0, 1.0, o.Config.Faults.ErrorReplyProbability, p);
         }},
        {"--garbage", "", "send a garbage line before each reply",
         [](auto, SimOptions& o, std::string&) {
             o.Config.Faults.GarbageLine = true;
             return true;
         }},
        {"--split", "", "write each reply in two parts with a gap",
         [](auto, SimOptions& o, std::string&) {
             o.Config.Faults.SplitReply = true;
             return true;
         }},
        {"--split-gap", "MS", "the gap of a split reply (default 20)",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadUnsigned(value, 10000, o.Config.Faults.SplitGapMs, p);
         }},
        {"--join", "", "hold every other reply back and write it together with the next",
         [](auto, SimOptions& o, std::string&) {
             o.Config.Faults.JoinReplies = true;
             return true;
         }},
        {"--silent", "MS", "start silent (reading commands, answering none) for MS",
         [](auto value, SimOptions& o, std::string& p) {
             return ReadUnsigned(value, 3600000, o.SilentMs, p);
         }},
        {"--verbose", "", "print one line per command answered",
         [](auto, SimOptions& o, std::string&) {
             o.Verbose = true;
             return true;
         }},
        {"--help", "", "show this text and exit",
         [](auto, SimOptions& o, std::string&) {
             o.Help = true;
             return true;
         }},
    };
    return options;
}

const Option* FindOption(std::string_view name) {
    for (const Option& option : Options()) {
        if (option.Name == name) {
            return &option;
        }
    }
    return nullptr;
}

// Every option takes its value as it comes, in the order given: the last of a repeated one wins.
void AddOption(CLI::App& app, const Option& option, SimOptions& options) {
    const std::string name(option.Name);
    const bool takesValue = !option.Value.empty();
    app.add_option(name,
                   [&option, &options, name, takesValue](const CLI::results_t& results) {
                       // A switch reads "true" when given without a value.
                       const std::string value = takesValue ? results.front() : "";
                       if (!takesValue && results.front() != "true") {
                           throw CLI::ValidationError(name + " takes no value");
                       }
                       std::string problem;
                       if (!option.Apply(value, options, problem)) {
                           throw CLI::ValidationError(name + " " + value + ": " + problem);
                       }
                       return true;
                   })
        ->expected(takesValue ? 1 : 0)
        ->trigger_on_parse();
}

} // namespace

bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error) {
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    for (const Option& option : Options()) {
        AddOption(app, option, options);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch&) {
        // Only the last word can lack its value ("--model" or "--model=").
        const std::string last = argv[argc - 1];
        const std::string name = last.substr(0, last.find('='));
        error = name + " needs a value " + std::string(FindOption(name)->Value);
        return false;
    } catch (const CLI::ParseError& problem) {
        error = problem.what();
        return false;
    }
    if (!app.remaining().empty()) {
        const std::string unknown = app.remaining().front();
        error = "unknown option " + unknown.substr(0, unknown.find('=')) + " (see --help)";
        return false;
    }
    return true;
}

std::string SimUsageText() {
    std::string text =
        "Usage: spectrel-sim [OPTION]...\n"
        "A virtual Spectrel colour sensor on a pseudo-terminal. Point a program at the\n"
        "printed device (or at the --link name) as if it were the sensor's serial port.\n\n"
        "Options:\n";
    for (const Option& option : Options()) {
        text += HelpLine(option.Name, option.Value, option.Help);
    }
    text += "\n" + ControlHelpText();
    text += "\nIt stops on quit, SIGINT, SIGTERM or SIGHUP and removes its link. Exit status: 0 "
            "after a\n"
            "clean stop, 1 when the pty or the link cannot be made, 2 on bad usage.\n";
    return text;
}
