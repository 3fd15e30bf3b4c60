#include "cli/CtlOptions.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

#include "common/NumberText.h"
#include "link/PortMap.h"
#include "sensor/Protocol.h"
#include "sensor/SensorRecords.h"

namespace {

constexpr unsigned MAX_AVERAGING_INDEX = 6; // 64 samples
constexpr unsigned DELAY_STEP_MS = 10;
constexpr unsigned MAX_DELAY_MS = 100;
constexpr unsigned MAX_ILLUMINATION = 100;
constexpr double MAX_COLOUR = 100.0;
constexpr unsigned MAX_COUNT = 1000000000;

struct Word {
    std::string_view Text;
    unsigned Value;
};

constexpr std::array<Word, 12> COMMANDS{{
    {"identify", static_cast<unsigned>(CtlCommand::Identify)},
    {"settings", static_cast<unsigned>(CtlCommand::Settings)},
    {"channels", static_cast<unsigned>(CtlCommand::Channels)},
    {"monitor", static_cast<unsigned>(CtlCommand::Monitor)},
    {"stats", static_cast<unsigned>(CtlCommand::Stats)},
    {"set-settings", static_cast<unsigned>(CtlCommand::SetSettings)},
    {"set-channel", static_cast<unsigned>(CtlCommand::SetChannel)},
    {"teach", static_cast<unsigned>(CtlCommand::Teach)},
    {"backup", static_cast<unsigned>(CtlCommand::Backup)},
    {"restore", static_cast<unsigned>(CtlCommand::Restore)},
    {"diff", static_cast<unsigned>(CtlCommand::Diff)},
    {"log", static_cast<unsigned>(CtlCommand::Log)},
}};
constexpr std::array<Word, 3> TRIGGER_WORDS{
    {{"freerun", TRIGGER_FREE_RUN}, {"level", TRIGGER_LEVEL}, {"edge", TRIGGER_EDGE}}};
constexpr std::array<Word, 2> YES_NO{{{"yes", 1}, {"no", 0}}};
constexpr std::array<Word, 2> MODE_WORDS{
    {{"color-luminosity", MODE_COLOR_LUMINOSITY}, {"color-only", MODE_COLOR_ONLY}}};
constexpr std::array<Word, 2> OUTPUT_WORDS{{{"high", OUTPUT_HIGH}, {"low", OUTPUT_LOW}}};
constexpr std::array<Word, 3> LOG_MODE_WORDS{
    {{"continuous", LOG_CONTINUOUS}, {"match", LOG_ON_MATCH}, {"interval", LOG_ON_INTERVAL}}};

template <std::size_t N>
bool FindWord(const std::array<Word, N>& words, std::string_view text, unsigned& value) {
    for (const Word& word : words) {
        if (word.Text == text) {
            value = word.Value;
            return true;
        }
    }
    return false;
}

template <std::size_t N> std::string WordList(const std::array<Word, N>& words) {
    std::string list;
    for (const Word& word : words) {
        list += (list.empty() ? "" : "|") + std::string(word.Text);
    }
    return list;
}

bool Refuse(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

bool ParseWhole(std::string_view name, std::string_view text, unsigned low, unsigned high,
                unsigned& value, std::string& error) {
    if (!ParseNumber(text, value) || value < low || value > high) {
        return Refuse(error, std::string(name) + " must be a whole number from " +
                                 std::to_string(low) + " to " + std::to_string(high) + ", not \"" +
                                 std::string(text) + "\"");
    }
    return true;
}

bool ParsePercent(std::string_view name, std::string_view text, double high,
                  std::optional<double>& value, std::string& error) {
    double parsed = 0.0;
    if (!ParseNumber(text, parsed) || parsed < 0.0 || parsed > high) {
        return Refuse(error, std::string(name) + " must be a percentage from 0 to " +
                                 FormatFixed(high, 0) + ", not \"" + std::string(text) + "\"");
    }
    value = parsed;
    return true;
}

template <std::size_t N>
bool ParseWord(std::string_view name, std::string_view text, const std::array<Word, N>& words,
               std::optional<unsigned>& value, std::string& error) {
    unsigned parsed = 0;
    if (!FindWord(words, text, parsed)) {
        return Refuse(error, std::string(name) + " must be " + WordList(words) + ", not \"" +
                                 std::string(text) + "\"");
    }
    value = parsed;
    return true;
}

// The panel offers 1, 2, 4 ... 64 samples; the sensor takes the power of two.
bool ParseAveraging(std::string_view text, std::optional<unsigned>& index, std::string& error) {
    unsigned samples = 0;
    if (ParseNumber(text, samples)) {
        for (unsigned i = 0; i <= MAX_AVERAGING_INDEX; ++i) {
            if (samples == 1u << i) {
                index = i;
                return true;
            }
        }
    }
    return Refuse(error, "averaging must be 1, 2, 4, 8, 16, 32 or 64 samples, not \"" +
                             std::string(text) + "\"");
}

bool ParseDelay(std::string_view text, std::optional<unsigned>& index, std::string& error) {
    unsigned ms = 0;
    if (!ParseNumber(text, ms) || ms > MAX_DELAY_MS || ms % DELAY_STEP_MS != 0) {
        return Refuse(error, "delay must be 0 to 100 ms in steps of 10, not \"" +
                                 std::string(text) + "\"");
    }
    index = ms / DELAY_STEP_MS;
    return true;
}

bool ParseIllumination(std::string_view text, std::optional<unsigned>& value, std::string& error) {
    unsigned percent = 0;
    if (!ParseWhole("illumination", text, 0, MAX_ILLUMINATION, percent, error)) {
        return false;
    }
    value = percent;
    return true;
}

// "--name=value": cuts the value off the name.
std::optional<std::string> SplitInlineValue(std::string& name) {
    const auto equals = name.find('=');
    if (equals == std::string::npos) {
        return std::nullopt;
    }
    std::string value = name.substr(equals + 1);
    name.resize(equals);
    return value;
}

// One "key=value" argument of set-settings, set-channel or teach.
using KeyHandler = std::function<bool(std::string_view value, std::string& error)>;
struct Key {
    std::string_view Name;
    KeyHandler Handle;
};

bool ParseAssignments(const std::vector<std::string>& arguments, std::size_t first,
                      const std::vector<Key>& keys, std::string& error) {
    std::vector<std::string_view> seen;
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const auto equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const Key* key = nullptr;
        for (const Key& candidate : keys) {
            key = candidate.Name == name ? &candidate : key;
        }
        if (equals == std::string_view::npos || key == nullptr) {
            return Refuse(error, "unknown argument \"" + std::string(argument) + "\"");
        }
        for (std::string_view earlier : seen) {
            if (earlier == name) {
                return Refuse(error, std::string(name) + " is given twice");
            }
        }
        seen.push_back(name);
        if (!key->Handle(argument.substr(equals + 1), error)) {
            return false;
        }
    }
    return true;
}

KeyHandler PercentKey(std::string_view name, double high, std::optional<double>& value) {
    return [name, high, &value](std::string_view text, std::string& error) {
        return ParsePercent(name, text, high, value, error);
    };
}

bool ParseChannelNumber(const std::vector<std::string>& arguments, unsigned& channel,
                        std::string& error) {
    if (arguments.size() < 2 || arguments[1].find('=') != std::string::npos) {
        return Refuse(error, "the channel number (1 to 15) is missing");
    }
    return ParseWhole("the channel number", arguments[1], 1, CHANNEL_COUNT_MAX, channel, error);
}

bool ParseSetSettings(const std::vector<std::string>& arguments, CtlOptions& options,
                      std::string& error) {
    SettingsChange& change = options.Settings;
    const std::vector<Key> keys{
        {"averaging",
         [&](auto text, auto& e) { return ParseAveraging(text, change.Averaging, e); }},
        {"triggering",
         [&](auto text, auto& e) {
             return ParseWord("triggering", text, TRIGGER_WORDS, change.Triggering, e);
         }},
        {"delay", [&](auto text, auto& e) { return ParseDelay(text, change.OutputDelay, e); }},
        {"illumination",
         [&](auto text, auto& e) { return ParseIllumination(text, change.Illumination, e); }},
    };
    if (!ParseAssignments(arguments, 1, keys, error)) {
        return false;
    }
    if (!change.Averaging && !change.Triggering && !change.OutputDelay && !change.Illumination) {
        return Refuse(error, "set-settings needs at least one of averaging=, triggering=, "
                             "delay=, illumination=");
    }
    return true;
}

bool ParseSetChannel(const std::vector<std::string>& arguments, CtlOptions& options,
                     std::string& error) {
    if (!ParseChannelNumber(arguments, options.Channel, error)) {
        return false;
    }
    ChannelChange& change = options.Values;
    std::optional<double> all;
    const std::vector<Key> keys{
        {"enabled",
         [&](auto text, auto& e) { return ParseWord("enabled", text, YES_NO, change.Enabled, e); }},
        {"mode",
         [&](auto text, auto& e) { return ParseWord("mode", text, MODE_WORDS, change.Mode, e); }},
        {"output",
         [&](auto text, auto& e) {
             return ParseWord("output", text, OUTPUT_WORDS, change.MatchOutput, e);
         }},
        {"red", PercentKey("red", MAX_COLOUR, change.Red)},
        {"green", PercentKey("green", MAX_COLOUR, change.Green)},
        {"blue", PercentKey("blue", MAX_COLOUR, change.Blue)},
        {"tolerance", PercentKey("tolerance", CTL_MAX_TOLERANCE, all)},
        {"red-tolerance", PercentKey("red-tolerance", CTL_MAX_TOLERANCE, change.RedTolerance)},
        {"green-tolerance",
         PercentKey("green-tolerance", CTL_MAX_TOLERANCE, change.GreenTolerance)},
        {"blue-tolerance", PercentKey("blue-tolerance", CTL_MAX_TOLERANCE, change.BlueTolerance)},
    };
    if (!ParseAssignments(arguments, 2, keys, error)) {
        return false;
    }
    for (std::optional<double>* tolerance :
         {&change.RedTolerance, &change.GreenTolerance, &change.BlueTolerance}) {
        if (!*tolerance) {
            *tolerance = all;
        }
    }
    if (!change.Enabled && !change.Mode && !change.MatchOutput && !change.Red && !change.Green &&
        !change.Blue && !change.RedTolerance && !change.GreenTolerance && !change.BlueTolerance) {
        return Refuse(error, "set-channel needs at least one field to set");
    }
    return true;
}

bool ParseTeach(const std::vector<std::string>& arguments, CtlOptions& options,
                std::string& error) {
    if (!ParseChannelNumber(arguments, options.Channel, error)) {
        return false;
    }
    const std::vector<Key> keys{
        {"tolerance", PercentKey("tolerance", CTL_MAX_TOLERANCE, options.TeachTolerance)}};
    return ParseAssignments(arguments, 2, keys, error);
}

// "--name VALUE" or "--name=VALUE" options after a command; each handler takes the value.
bool ParseCommandOptions(const std::vector<std::string>& arguments, std::size_t first,
                         std::string_view command, const std::vector<Key>& options,
                         std::string& error) {
    for (std::size_t i = first; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value = SplitInlineValue(name);
        const Key* option = nullptr;
        for (const Key& candidate : options) {
            option = candidate.Name == name ? &candidate : option;
        }
        if (option == nullptr) {
            return Refuse(error,
                          "unknown argument \"" + arguments[i] + "\" of " + std::string(command));
        }
        if (!value && i + 1 < arguments.size()) {
            value = arguments[++i];
        }
        if (!value) {
            return Refuse(error, name + " needs a value");
        }
        if (!option->Handle(*value, error)) {
            return false;
        }
    }
    return true;
}

// backup FILE, diff FILE, restore FILE [--dry-run] [--accept-fallbacks]
bool ParseProfileCommand(const std::vector<std::string>& arguments, CtlOptions& options,
                         std::string& error) {
    const bool restore = options.Command == CtlCommand::Restore;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--dry-run" && restore) {
            options.DryRun = true;
        } else if (arguments[i] == "--accept-fallbacks" && restore) {
            options.AcceptFallbacks = true;
        } else if (options.ProfileFile.empty() && !arguments[i].empty() &&
                   (arguments[i].front() != '-' || arguments[i] == "-")) {
            options.ProfileFile = arguments[i];
        } else {
            return Refuse(error, arguments[0] + " does not take \"" + arguments[i] + "\"");
        }
    }
    if (options.ProfileFile.empty()) {
        return Refuse(error, arguments[0] + " needs a profile file (FILE.spf)");
    }
    return true;
}

// Several sensors at once only where each gets its own report; backup then names one file per
// sensor.
bool CheckTargets(const CtlOptions& options, std::string& error) {
    if (options.Targets.size() < 2) {
        return true;
    }
    if (!IsProfileCommand(options.Command)) {
        return Refuse(error, "--device or --port is given twice: only backup, restore and diff "
                             "take several sensors");
    }
    if (options.Command == CtlCommand::Backup &&
        options.ProfileFile.find(CTL_SERIAL_PATTERN) == std::string::npos) {
        return Refuse(error, "backup of several sensors needs " + std::string(CTL_SERIAL_PATTERN) +
                                 " in the file name, e.g. line4-{serial}.spf");
    }
    return true;
}

KeyHandler PeriodKey(CtlOptions& options) {
    return [&options](std::string_view text, std::string& error) {
        return ParseWhole("--period", text, CTL_MIN_PERIOD_MS, CTL_MAX_PERIOD_MS, options.PeriodMs,
                          error);
    };
}

KeyHandler CountKey(CtlOptions& options) {
    return [&options](std::string_view text, std::string& error) {
        return ParseWhole("--count", text, 1, MAX_COUNT, options.Count, error);
    };
}

// monitor [--count K] [--period MS] [--margins]
bool ParseMonitor(std::vector<std::string> arguments, CtlOptions& options, std::string& error) {
    const auto margins = std::find(arguments.begin() + 1, arguments.end(), "--margins");
    if (margins != arguments.end()) {
        options.Margins = true;
        arguments.erase(margins);
    }
    const std::vector<Key> keys{{"--count", CountKey(options)}, {"--period", PeriodKey(options)}};
    return ParseCommandOptions(arguments, 1, "monitor", keys, error);
}

// stats [--count K] [--period MS] [--channel N]
bool ParseStats(const std::vector<std::string>& arguments, CtlOptions& options,
                std::string& error) {
    const std::vector<Key> keys{
        {"--count", CountKey(options)},
        {"--period", PeriodKey(options)},
        {"--channel",
         [&](auto text, auto& e) {
             return ParseWhole("--channel", text, 1, 15, options.Channel, e);
         }},
    };
    return ParseCommandOptions(arguments, 1, "stats", keys, error);
}

bool ParseLog(const std::vector<std::string>& arguments, CtlOptions& options, std::string& error) {
    if (arguments.size() < 2 || arguments[1].empty() || arguments[1].rfind("--", 0) == 0) {
        return Refuse(error, "log needs the file to write to");
    }
    LogSettings& log = options.Log;
    log.FileName = arguments[1];
    const std::vector<Key> keys{
        {"--mode",
         [&](auto text, auto& e) {
             std::optional<unsigned> mode;
             if (!ParseWord("--mode", text, LOG_MODE_WORDS, mode, e)) {
                 return false;
             }
             log.Mode = static_cast<int>(*mode);
             return true;
         }},
        {"--interval",
         [&](auto text, auto& e) {
             unsigned seconds = 0;
             if (!ParseWhole("--interval", text, 0, CTL_MAX_LOG_INTERVAL, seconds, e)) {
                 return false;
             }
             log.Interval = static_cast<int>(seconds);
             return true;
         }},
        {"--period", PeriodKey(options)},
    };
    return ParseCommandOptions(arguments, 2, "log", keys, error);
}

bool ParseCommand(const std::vector<std::string>& arguments, CtlOptions& options,
                  std::string& error) {
    unsigned command = 0;
    if (!FindWord(COMMANDS, arguments[0], command)) {
        return Refuse(error, "unknown command \"" + arguments[0] + "\"");
    }
    options.Command = static_cast<CtlCommand>(command);
    switch (options.Command) {
    case CtlCommand::Channels:
        if (arguments.size() > 2) {
            return Refuse(error, "channels takes at most one channel number");
        }
        return arguments.size() == 1 || ParseChannelNumber(arguments, options.Channel, error);
    case CtlCommand::Monitor:
        return ParseMonitor(arguments, options, error);
    case CtlCommand::Stats:
        return ParseStats(arguments, options, error);
    case CtlCommand::SetSettings:
        return ParseSetSettings(arguments, options, error);
    case CtlCommand::SetChannel:
        return ParseSetChannel(arguments, options, error);
    case CtlCommand::Teach:
        return ParseTeach(arguments, options, error);
    case CtlCommand::Backup:
    case CtlCommand::Restore:
    case CtlCommand::Diff:
        return ParseProfileCommand(arguments, options, error);
    case CtlCommand::Log:
        return ParseLog(arguments, options, error);
    default:
        return arguments.size() == 1 ||
               Refuse(error, arguments[0] + " takes no arguments, not \"" + arguments[1] + "\"");
    }
}

// scan needs no device: it probes the ones it is given, or looks for them.
bool ParseScan(const std::vector<std::string>& arguments, CtlOptions& options, std::string& error) {
    if (!options.Targets.empty()) {
        return Refuse(error, "scan takes its devices as arguments, not --device or --port");
    }
    options.Command = CtlCommand::Scan;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i].rfind('-', 0) == 0) {
            return Refuse(error, "unknown argument \"" + arguments[i] + "\" of scan");
        }
        options.ScanDevices.push_back(arguments[i]);
    }
    return true;
}

// A name that looks like a COM port must be one the control panel offers: "COM17" or "com3"
// would otherwise be looked for as /dev/COM17.
bool IsPortName(const std::string& name) {
    const bool looksLikeCom = name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') &&
                              (name[1] == 'O' || name[1] == 'o') &&
                              (name[2] == 'M' || name[2] == 'm');
    return !looksLikeCom || PortNumber(name) != 0;
}

// Global options may stand anywhere; they are taken out of the list and the rest is the
// command with its arguments.
bool TakeGlobalOption(const std::vector<std::string>& args, std::size_t& i, CtlOptions& options,
                      std::string& error, bool& taken) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (name.rfind("--", 0) == 0) {
        value = SplitInlineValue(name);
    }
    taken = true;
    if (name == "--json" || name == "--help" || name == "-h") {
        (name == "--json" ? options.Json : options.Help) = true;
        return !value || Refuse(error, name + " takes no value");
    }
    if (name != "--device" && name != "--port" && name != "--timeout") {
        taken = false;
        return true;
    }
    if (!value && i + 1 < args.size()) {
        value = args[++i];
    }
    if (!value || value->empty()) {
        return Refuse(error, name + " needs a value");
    }
    if (name == "--timeout") {
        options.TimeoutGiven = true;
        return ParseWhole("--timeout", *value, CTL_MIN_TIMEOUT_MS, CTL_MAX_TIMEOUT_MS,
                          options.TimeoutMs, error);
    }
    if (name == "--port" && !IsPortName(*value)) {
        return Refuse(error, "--port takes COM1 ... COM16 (or a device name), not \"" + *value +
                                 "\"; give a device with --device PATH");
    }
    options.Targets.push_back(name == "--device" ? CtlTarget{*value, ""} : CtlTarget{"", *value});
    return true;
}

} // namespace

bool ParseCtlOptions(const std::vector<std::string>& args, CtlOptions& options,
                     std::string& error) {
    std::vector<std::string> command;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool taken = false;
        if (!TakeGlobalOption(args, i, options, error, taken)) {
            return false;
        }
        if (!taken) {
            command.push_back(args[i]);
        }
    }
    if (options.Help) {
        return true;
    }
    if (!command.empty() && command[0] == "scan") {
        return ParseScan(command, options, error);
    }
    if (options.Targets.empty()) {
        return Refuse(error, "give either --device PATH or --port NAME");
    }
    if (command.empty()) {
        return Refuse(error, "no command given");
    }
    return ParseCommand(command, options, error) && CheckTargets(options, error);
}

bool IsProfileCommand(CtlCommand command) {
    return command == CtlCommand::Backup || command == CtlCommand::Restore ||
           command == CtlCommand::Diff;
}

std::string CtlUsageText() {
    return R"(Usage: spectrelctl (--device PATH | --port NAME)... [--json] [--timeout MS] COMMAND
   or: spectrelctl [--json] [--timeout MS] scan [DEVICE...]

Talks to Spectrel colour sensors on serial ports, for scripts and for setting up many
sensors in a row. backup, restore and diff take several --device/--port options and work on
every sensor at once; the others take one.

Options (anywhere on the line):
  --device PATH   the sensor's serial device, e.g. /dev/ttyUSB0, or a remote line:
                  rfc2217://HOST:PORT (RFC 2217), socket://HOST:PORT (raw TCP)
  --port NAME     a port name as the control panel shows it (COM1 ... COM16); COMn is the
                  device of the [Ports] entry in the control panel's preferences, else
                  /dev/ttyS<n-1>
  --json          print results as JSON (one object per reading for monitor)
  --timeout MS    how long to look for the sensor before giving up (default 3000)
  --help          show this text

Commands:
  identify        model code and name, channel count, data logging, serial, firmware
  settings        averaging, triggering, output delay, illumination, ambient subtraction
  channels [N]    every channel of the model, or channel N: enabled, mode, match output,
                  colour and tolerance in percent, raw bounds (hex)
  monitor [--count K] [--period MS] [--margins]
                  polls the current reading every MS ms (default 300, 50 to 60000) and prints
                  one CSV line per reading, as the control panel's data log writes it:
                  local time, red, green, blue ("%4.1f" percent), match status (hex);
                  stops after K readings or at SIGINT/SIGTERM; --margins appends each
                  enabled channel's margin ("%.1f" percent: 100 at the centre of its
                  tolerance box, 0 on its edge, negative outside), in channel order
  stats [--count K] [--period MS] [--channel N]
                  takes K readings (default 100) every MS ms (default 300) and prints per
                  colour mean, standard deviation, minimum and maximum (percent of full
                  scale); per enabled channel (or channel N only) its margin now, minimum
                  and mean and each colour's Cp and Cpk ("-" where the readings do not
                  vary); and the channels whose boxes overlap
  set-settings [averaging=SAMPLES] [triggering=freerun|level|edge] [delay=MS]
               [illumination=PERCENT]
                  reads the settings and sends the ones given: averaging 1, 2, 4 ... 64
                  samples, delay 0 to 100 ms in steps of 10, illumination 0 to 100
  set-channel N [enabled=yes|no] [mode=color-luminosity|color-only] [output=high|low]
                [red=P] [green=P] [blue=P] [tolerance=P]
                [red-tolerance=P] [green-tolerance=P] [blue-tolerance=P]
                  reads channel N and sends the fields given; colours 0 to 100 %,
                  tolerances 0 to 50 % of the colour (tolerance= sets all three)
  teach N [tolerance=P]
                  teaches channel N from the target in front of the sensor, with its
                  present tolerances or P for all three; reports tolerances the sensor
                  adjusted
  backup FILE.spf
                  writes the sensor's profile, the file the control panel saves; with
                  several sensors FILE must hold {serial}, which stands for each
                  sensor's serial number (line4-{serial}.spf)
  restore FILE.spf [--dry-run] [--accept-fallbacks]
                  sends what differs from the profile (settings, then channels), reads
                  everything back and checks it; --dry-run only tells what would change.
                  A profile with a bad entry (a value out of range, an unknown word) sends
                  nothing and exits 6; --accept-fallbacks sends the values the control panel
                  would load in their place (the first word, or the sensor's value). After
                  a failure or a stop, what the sensor did not acknowledge is listed as
                  "not sent"
  diff FILE.spf   lists per key what differs between the sensor and the profile; a bad
                  entry counts as a difference, with the file's text
  log FILE [--mode continuous|match|interval] [--interval S] [--period MS]
                  writes the control panel's data log without a window: polls every MS ms
                  (default 300) and appends a record (the monitor's line, ended by CR LF) for
                  every reading, for each reading whose match status turns to a new match,
                  or once every S seconds (default 1, 0 to 86400); runs until SIGINT/SIGTERM.
                  An existing FILE is appended to. At 10 MB the log goes on in FILE.1.csv,
                  FILE.2.csv ... (the number before the extension); a record that cannot be
                  written (a full disk) is reported and logging goes on with the next one;
                  a silent or unplugged sensor is waited for and logged again once it answers
  scan [DEVICE...]
                  looks for sensors on the devices given, or on every serial device
                  present (/dev/serial/by-id first, then ttyUSB*, ttyACM*, ttyS*), all at
                  once with a short identify (--timeout, default 1500); lists device,
                  stable by-id name, model and serial number of each sensor and prints
                  the [Ports] section that maps them for the control panel. A device
                  that another program holds is skipped and left untouched

Only fields that differ from what the sensor holds go on the wire; a send that changes
nothing writes nothing. A value out of range is refused before anything is sent.

Exit status (with several sensors the highest of them; each sensor is reported in the
order given, and one failing does not stop the others):
  0    done (diff: no difference)
  1    diff: the sensor differs from the profile; restore: the read-back differs
  2    wrong usage, or a value out of range (nothing was sent); log: FILE cannot be opened
  3    the port cannot be opened or written (the message names the device and the reason),
       or the preferences that map a --port name cannot be read
  4    no answer from the sensor (not found within --timeout, or a request timed out;
       scan: no sensor found); the message says when it answered only in a wrong form
  5    the sensor reported an error (it rejected a command)
  6    the profile file cannot be read or written, is not a profile (it has no
       [Sensor] and no [Channel#N] section), or restore: it has a bad entry and
       --accept-fallbacks is not given (nothing was sent)
  130  interrupted by SIGINT or SIGTERM before the command finished (monitor, log: 0)
)";
}
