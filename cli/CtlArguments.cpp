#include "cli/CtlArguments.h"

#include <array>
#include <functional>

#include "common/NumberText.h"
#include "link/PortMap.h"
#include "sensor/Protocol.h"
#include "sensor/SensorRecords.h"

namespace {

constexpr std::array<std::string_view, 14> COMMAND_WORDS{
    "identify", "settings", "channels", "monitor", "stats", "set-settings", "set-channel",
    "teach",    "backup",   "restore",  "diff",    "log",   "scan",         "publish"};
static_assert(static_cast<std::size_t>(CtlCommand::Publish) == COMMAND_WORDS.size(),
              "one word per command, in the order of CtlCommand");

std::string CommandWord(CtlCommand command) {
    return std::string(COMMAND_WORDS[static_cast<std::size_t>(command) - 1]);
}

constexpr unsigned MAX_AVERAGING_INDEX = 6; // 64 samples
constexpr unsigned DELAY_STEP_MS = 10;
constexpr unsigned MAX_DELAY_MS = 100;
constexpr unsigned MAX_ILLUMINATION = 100;
constexpr double MAX_COLOUR = 100.0;

struct Word {
    std::string_view Text;
    unsigned Value;
};

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

// The one file a command takes: the profile of backup, restore and diff, the log of log.
bool TakeFile(CtlCommand command, const std::vector<std::string>& words, std::string& file,
              const std::string& missing, std::string& error) {
    if (words.empty() || words[0].empty()) {
        return Refuse(error, missing);
    }
    file = words[0];
    return words.size() == 1 || RefuseWord(command, words[1], error);
}

// With the command's name in front, as the checks of the key=value fields count them.
std::vector<std::string> Named(CtlCommand command, const std::vector<std::string>& words) {
    std::vector<std::string> named{CommandWord(command)};
    named.insert(named.end(), words.begin(), words.end());
    return named;
}

} // namespace

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

bool ParseLogMode(std::string_view text, int& mode, std::string& error) {
    std::optional<unsigned> parsed;
    if (!ParseWord("--mode", text, LOG_MODE_WORDS, parsed, error)) {
        return false;
    }
    mode = static_cast<int>(*parsed);
    return true;
}

bool IsPortName(const std::string& name) {
    const bool looksLikeCom = name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') &&
                              (name[1] == 'O' || name[1] == 'o') &&
                              (name[2] == 'M' || name[2] == 'm');
    return !looksLikeCom || PortNumber(name) != 0;
}

std::optional<CtlCommand> FindCtlCommand(std::string_view word) {
    for (std::size_t i = 0; i < COMMAND_WORDS.size(); ++i) {
        if (COMMAND_WORDS[i] == word) {
            return static_cast<CtlCommand>(i + 1);
        }
    }
    return std::nullopt;
}

const std::vector<std::string_view>& CtlCommandWords() {
    static const std::vector<std::string_view> words(COMMAND_WORDS.begin(), COMMAND_WORDS.end());
    return words;
}

bool ParseCommandWords(CtlCommand command, const std::vector<std::string>& words,
                       CtlOptions& options, std::string& error) {
    switch (command) {
    case CtlCommand::Channels:
        if (words.size() > 1) {
            return Refuse(error, "channels takes at most one channel number");
        }
        return words.empty() || ParseChannelNumber(Named(command, words), options.Channel, error);
    case CtlCommand::SetSettings:
        return ParseSetSettings(Named(command, words), options, error);
    case CtlCommand::SetChannel:
        return ParseSetChannel(Named(command, words), options, error);
    case CtlCommand::Teach:
        return ParseTeach(Named(command, words), options, error);
    case CtlCommand::Backup:
    case CtlCommand::Restore:
    case CtlCommand::Diff:
        return TakeFile(command, words, options.ProfileFile,
                        CommandWord(command) + " needs a profile file (FILE.spf)", error);
    case CtlCommand::Log:
        return TakeFile(command, words, options.Log.FileName, "log needs the file to write to",
                        error);
    case CtlCommand::Scan:
        options.ScanDevices = words;
        return true;
    default:
        return words.empty() || RefuseWord(command, words[0], error);
    }
}

bool RefuseWord(CtlCommand command, const std::string& word, std::string& error) {
    const std::string name = CommandWord(command);
    switch (command) {
    case CtlCommand::Identify:
    case CtlCommand::Settings:
        return Refuse(error, name + " takes no arguments, not \"" + word + "\"");
    case CtlCommand::Monitor:
    case CtlCommand::Stats:
    case CtlCommand::Log:
    case CtlCommand::Scan:
    case CtlCommand::Publish:
        return Refuse(error, "unknown argument \"" + word + "\" of " + name);
    case CtlCommand::Backup:
    case CtlCommand::Restore:
    case CtlCommand::Diff:
        return Refuse(error, name + " does not take \"" + word + "\"");
    default:
        return Refuse(error, "unknown argument \"" + word + "\"");
    }
}

bool CheckTargets(const CtlOptions& options, std::string& error) {
    if (options.Targets.size() < 2) {
        return true;
    }
    if (!IsProfileCommand(options.Command) && options.Command != CtlCommand::Publish) {
        return Refuse(error, "--device or --port is given twice: only backup, restore, diff and "
                             "publish take several sensors");
    }
    if (options.Command == CtlCommand::Backup &&
        options.ProfileFile.find(CTL_SERIAL_PATTERN) == std::string::npos) {
        return Refuse(error, "backup of several sensors needs " + std::string(CTL_SERIAL_PATTERN) +
                                 " in the file name, e.g. line4-{serial}.spf");
    }
    return true;
}
