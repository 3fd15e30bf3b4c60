#include "panel/AppOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

#include "sensor/SensorRecords.h"

namespace {

constexpr unsigned HIGHEST_MODEL_CODE = 15;
constexpr std::size_t MODEL_LIST_COLUMN = 26; // where the codes' last digits line up

// Code 0 means "no sensor" and codes 11 to 13 name nothing: a virtual sensor needs a model.
bool NamesModel(unsigned code) {
    const ModelInfo* model = FindModel(code);
    return model != nullptr && model->Channels > 0;
}

bool Fail(AppOptions& options, std::string error) {
    options.Error = std::move(error);
    return false;
}

bool TakeModel(std::string_view text, AppOptions& options) {
    unsigned code = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
    if (error != std::errc() || end != text.data() + text.size() || code > HIGHEST_MODEL_CODE ||
        !NamesModel(code)) {
        return Fail(options, "bad --simulate model '" + std::string(text) +
                                 "': expected a model code listed below");
    }
    options.Simulate = true;
    options.SimulateModel = code;
    return true;
}

bool TakePort(std::string_view assignment, AppOptions& options) {
    if (!options.PortOverrides.SetFromAssignment(std::string(assignment))) {
        return Fail(options, "bad --port value '" + std::string(assignment) +
                                 "': expected COMn=PATH with n from 1 to 16");
    }
    return true;
}

bool EndsWithProfileExtension(std::string_view path) {
    constexpr std::string_view EXTENSION = ".spf";
    if (path.size() <= EXTENSION.size()) {
        return false;
    }
    const std::string_view end = path.substr(path.size() - EXTENSION.size());
    return std::equal(end.begin(), end.end(), EXTENSION.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

// A switch given a value ("--help=x") is no option the program knows.
void AddSwitch(CLI::App& app, const std::string& names, bool& given, AppOptions& options) {
    const std::string longName = names.substr(names.rfind(',') + 1);
    app.add_option(names,
                   [&given, &options, longName](const CLI::results_t& results) {
                       given = results.front() == "true";
                       return given || Fail(options, "unknown option '" + longName + "=" +
                                                         results.front() + "'");
                   })
        ->expected(0)
        ->trigger_on_parse();
}

// A profile named without "--" must end in ".spf": a stray word ("--simulate 6", a port
// assignment without --port) is a mistake to report, not a file to open.
bool TakeProfile(std::string_view path, bool named, AppOptions& options) {
    if (!named && !EndsWithProfileExtension(path)) {
        return Fail(options, "unexpected argument '" + std::string(path) +
                                 "': a profile to open ends in .spf (or follows --)");
    }
    if (!options.ProfilePath.empty() || path.empty()) {
        return Fail(options, "unexpected argument '" + std::string(path) +
                                 "': give at most one profile to open");
    }
    options.ProfilePath = path;
    return true;
}

// What the parser did not know: an option, or "--" with nothing after it.
bool TakeUnknown(const std::vector<std::string>& unknown, std::string_view last,
                 AppOptions& options) {
    for (const std::string& word : unknown) {
        if (word != "--" || last == "--") {
            return Fail(options, "unknown option '" + word + "'");
        }
    }
    return true;
}

// The words after "--" are named as they stand; they are the last of the positional words.
bool TakeProfiles(int argc, const char* const argv[], const std::vector<std::string>& profiles,
                  AppOptions& options) {
    const auto dashes = std::find(argv + 1, argv + argc, std::string_view("--"));
    const auto named = static_cast<std::size_t>(argv + argc - std::min(dashes + 1, argv + argc));
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        if (!TakeProfile(profiles[i], i + named >= profiles.size(), options)) {
            return false;
        }
    }
    return true;
}

std::string ModelList() {
    std::string list;
    for (unsigned code = 1; code <= HIGHEST_MODEL_CODE; ++code) {
        if (NamesModel(code)) {
            const ModelInfo& model = *FindModel(code);
            const std::string number = std::to_string(code);
            list += std::string(MODEL_LIST_COLUMN - number.size(), ' ') + number + "  " +
                    model.Name + (model.DataLogging ? ", data logging\n" : "\n");
        }
    }
    return list;
}

} // namespace

bool ParseAppOptions(int argc, const char* const argv[], AppOptions& options) {
    options = AppOptions{};
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    AddSwitch(app, "-h,--help", options.Help, options);
    AddSwitch(app, "--version", options.Version, options);
    // "--simulate" alone reads "true"; a model comes only as "--simulate=MODEL".
    app.add_option("--simulate",
                   [&options](const CLI::results_t& results) {
                       if (results.front() != "true") {
                           return TakeModel(results.front(), options);
                       }
                       options.Simulate = true;
                       return true;
                   })
        ->expected(0)
        ->trigger_on_parse();
    app.add_option(
           "--port",
           [&options](const CLI::results_t& results) { return TakePort(results.front(), options); })
        ->trigger_on_parse();
    std::vector<std::string> profiles;
    app.add_option("profile", profiles);
    // The parser reads "--simulate=" as the bare switch; an empty model is a mistake all the same.
    const auto end = std::find(argv + 1, argv + argc, std::string_view("--"));
    if (std::find(argv + 1, end, std::string_view("--simulate=")) != end) {
        return TakeModel("", options);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch&) {
        return Fail(options, "--port needs a value: --port COMn=PATH");
    } catch (const CLI::ParseError& problem) {
        // A value refused by this program's own checks is worded there already.
        return Fail(options, options.Error.empty() ? problem.what() : options.Error);
    }
    return TakeUnknown(app.remaining(), argv[argc - 1], options) &&
           TakeProfiles(argc, argv, profiles, options);
}

std::string AppUsage(const std::string& programName, const std::string& preferencesPath) {
    return "Usage: " + programName + " [--port COMn=PATH]... [--simulate[=MODEL]] [FILE.spf]\n" +
           "       " + programName +
           " --help | --version\n"
           "\n"
           "The control panel of Spectrel colour sensors: finds a sensor on a serial\n"
           "port, shows its live reading, reads, edits and sends its settings and\n"
           "channels, and teaches a channel the colour the sensor sees.\n"
           "\n"
           "FILE.spf, a profile, is opened as File > Open would once the sensor is\n"
           "ready; when the program runs already, that window opens it instead.\n"
           "\n"
           "Options:\n"
           "  --port COMn=PATH    for this run, port COMn (n from 1 to 16) is the\n"
           "                      device PATH, e.g. --port COM1=/dev/ttyUSB0, or a\n"
           "                      remote line: rfc2217://HOST:PORT, socket://HOST:PORT;\n"
           "                      may be given more than once\n"
           "  --simulate[=MODEL]  start the built-in virtual sensor and connect the\n"
           "                      stored port to it, to try the program without a\n"
           "                      sensor; MODEL is a model code (default 6):\n" +
           ModelList() +
           "  -h, --help          show this text and exit\n"
           "  --version           show the version and exit\n"
           "\n"
           "Preferences are kept in\n"
           "  " +
           preferencesPath +
           "\n"
           "Its section [Settings] holds the port, the warnings and the display mode\n"
           "between runs. Its section [Ports] maps port names to devices, one line\n"
           "each, for example\n"
           "  [Ports]\n"
           "  COM1=/dev/ttyUSB0\n"
           "  COM2=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0\n"
           "A port without a line there is /dev/ttyS<n-1> (COM1 is /dev/ttyS0).\n";
}

std::string AppVersionText(const std::string& programName) {
    return programName + " " + SPECTREL_VERSION + "\n";
}
