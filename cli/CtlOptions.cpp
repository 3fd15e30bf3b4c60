#include "cli/CtlOptions.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include <CLI/CLI.hpp>

#include "cli/CtlArguments.h"
#include "cli/CtlConfigFile.h"

namespace {

constexpr unsigned MAX_COUNT = 1000000000;

using ValueCheck = std::function<bool(const std::string& value, std::string& error)>;

// An option with a value, checked as it is read, in the order given; the last of a repeated one
// wins. A file may give several values at once.
void AddValue(CLI::App& app, const std::string& name, const ValueCheck& check) {
    app.add_option(name,
                   [check](const CLI::results_t& values) {
                       std::string error;
                       for (const std::string& value : values) {
                           if (!check(value, error)) {
                               throw CLI::ValidationError(error);
                           }
                       }
                       return true;
                   })
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->trigger_on_parse();
}

// A switch reads "true" when given alone (a file may say "false"); any other value is refused.
CLI::Option* AddSwitch(CLI::App& app, const std::string& names, bool& given) {
    const std::string name = names.substr(names.rfind(',') + 1);
    return app
        .add_option(names,
                    [&given, name](const CLI::results_t& values) {
                        for (const std::string& value : values) {
                            if (value != "true" && value != "false") {
                                throw CLI::ValidationError(name + " takes no value");
                            }
                            given = given || value == "true";
                        }
                        return true;
                    })
        ->expected(0)
        ->trigger_on_parse();
}

ValueCheck Whole(const std::string& name, unsigned low, unsigned high, unsigned& value) {
    return [name, low, high, &value](const std::string& text, std::string& error) {
        return ParseWhole(name, text, low, high, value, error);
    };
}

ValueCheck Text(const std::string& name, std::string& value) {
    return [name, &value](const std::string& text, std::string& error) {
        if (text.empty()) {
            return Refuse(error, name + " needs a value");
        }
        value = text;
        return true;
    };
}

void AddPublishOptions(CLI::App& command, PublishSettings& publish) {
    const std::pair<const char*, std::string*> texts[] = {
        {"--broker", &publish.Broker},
        {"--topic-prefix", &publish.TopicPrefix},
        {"--client-id", &publish.ClientId},
        {"--username", &publish.Username},
        {"--password-file", &publish.PasswordFile},
        {"--cafile", &publish.CaFile},
        {"--cert", &publish.CertFile},
        {"--key", &publish.KeyFile},
        {"--discovery-prefix", &publish.DiscoveryPrefix}};
    for (const auto& [name, value] : texts) {
        AddValue(command, name, Text(name, *value));
    }
    AddSwitch(command, "--insecure", publish.Insecure);
    AddSwitch(command, "--discovery", publish.Discovery);
}

ValueCheck Target(bool device, std::vector<CtlTarget>& targets) {
    return [device, &targets](const std::string& value, std::string& error) {
        if (value.empty()) {
            return Refuse(error, std::string(device ? "--device" : "--port") + " needs a value");
        }
        if (!device && !IsPortName(value)) {
            return Refuse(error, "--port takes COM1 ... COM16 (or a device name), not \"" + value +
                                     "\"; give a device with --device PATH");
        }
        targets.push_back(device ? CtlTarget{value, ""} : CtlTarget{"", value});
        return true;
    };
}

// Global options may stand anywhere, before or after the command.
void AddGlobalOptions(CLI::App& app, CtlOptions& options) {
    app.set_help_flag();
    app.allow_extras();
    app.require_subcommand(0, 1);
    AddSwitch(app, "-h,--help", options.Help)->configurable(false);
    AddSwitch(app, "--json", options.Json);
    AddValue(app, "--device", Target(true, options.Targets));
    AddValue(app, "--port", Target(false, options.Targets));
    AddValue(app, "--timeout", [&options](const std::string& value, std::string& error) {
        options.TimeoutGiven = true;
        return ParseWhole("--timeout", value, CTL_MIN_TIMEOUT_MS, CTL_MAX_TIMEOUT_MS,
                          options.TimeoutMs, error);
    });
    app.set_config("--config");
    app.config_formatter(std::make_shared<CtlConfigFile>(app, options));
}

void AddCommandOptions(CLI::App& command, CtlCommand which, CtlOptions& options) {
    if (which == CtlCommand::Monitor) {
        AddSwitch(command, "--margins", options.Margins);
    }
    if (which == CtlCommand::Monitor || which == CtlCommand::Stats) {
        AddValue(command, "--count", Whole("--count", 1, MAX_COUNT, options.Count));
    }
    if (which == CtlCommand::Stats) {
        AddValue(command, "--channel", Whole("--channel", 1, 15, options.Channel));
    }
    if (which == CtlCommand::Monitor || which == CtlCommand::Stats || which == CtlCommand::Log ||
        which == CtlCommand::Publish) {
        AddValue(command, "--period",
                 Whole("--period", CTL_MIN_PERIOD_MS, CTL_MAX_PERIOD_MS, options.PeriodMs));
    }
    if (which == CtlCommand::Log) {
        AddValue(command, "--mode", [&options](const std::string& value, std::string& error) {
            return ParseLogMode(value, options.Log.Mode, error);
        });
        AddValue(command, "--interval", [&options](const std::string& value, std::string& error) {
            unsigned seconds = 0;
            if (!ParseWhole("--interval", value, 0, CTL_MAX_LOG_INTERVAL, seconds, error)) {
                return false;
            }
            options.Log.Interval = static_cast<int>(seconds);
            return true;
        });
    }
    if (which == CtlCommand::Publish) {
        AddPublishOptions(command, options.Publish);
    }
    if (which == CtlCommand::Restore) {
        AddSwitch(command, "--dry-run", options.DryRun);
        AddSwitch(command, "--accept-fallbacks", options.AcceptFallbacks);
    }
}

// Each command takes its own options and keeps the other words for its checks.
void AddCommands(CLI::App& app, CtlOptions& options, std::vector<std::string>& words) {
    for (const std::string_view word : CtlCommandWords()) {
        CLI::App* command = app.add_subcommand(std::string(word));
        command->fallthrough();
        command->allow_extras();
        command->add_option("words", words);
        AddCommandOptions(*command, *FindCtlCommand(word), options);
    }
}

// The parser reads "--device=" as "--device" and would take the next word as its value.
bool RefuseEmptyValues(const std::vector<std::string>& args, std::string& error) {
    for (const std::string& arg : args) {
        if (arg.size() > 3 && arg.rfind("--", 0) == 0 && arg.back() == '=' &&
            std::count(arg.begin(), arg.end(), '=') == 1) {
            return Refuse(error, arg.substr(0, arg.size() - 1) + " needs a value");
        }
    }
    return true;
}

bool ParseLine(CLI::App& app, const std::vector<std::string>& args, std::string& error) {
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::ArgumentMismatch&) {
        // Only the last word can lack its value.
        return Refuse(error, args.back().substr(0, args.back().find('=')) + " needs a value");
    } catch (const CLI::FileError&) {
        return Refuse(error,
                      "--config: cannot read \"" + app.get_config_ptr()->as<std::string>() + "\"");
    } catch (const CLI::ConfigError& problem) {
        return Refuse(error, "--config " + app.get_config_ptr()->as<std::string>() + ": " +
                                 problem.what() + " (the keys are the long options)");
    } catch (const CLI::ParseError& problem) {
        return Refuse(error, problem.what());
    }
    return true;
}

// A word the parser did not take: before the command it is an unknown command, after it a word
// the command does not take.
bool RefuseUnknown(const std::vector<std::string>& args, const std::vector<std::string>& unknown,
                   CtlCommand command, const std::string& commandWord, std::string& error) {
    const auto first = std::find(args.begin(), args.end(), unknown.front());
    if (command == CtlCommand::None || first < std::find(args.begin(), args.end(), commandWord)) {
        return Refuse(error, "unknown command \"" + unknown.front() + "\"");
    }
    return RefuseWord(command, unknown.front(), error);
}

} // namespace

bool ParseCtlOptions(const std::vector<std::string>& args, CtlOptions& options,
                     std::string& error) {
    CLI::App app;
    std::vector<std::string> words;
    AddGlobalOptions(app, options);
    AddCommands(app, options, words);
    if (!RefuseEmptyValues(args, error) || !ParseLine(app, args, error)) {
        return false;
    }
    if (options.Help) {
        return true;
    }
    const auto commands = app.get_subcommands();
    const std::string commandWord = commands.empty() ? "" : commands.front()->get_name();
    options.Command = commands.empty() ? CtlCommand::None : *FindCtlCommand(commandWord);
    const std::vector<std::string> unknown = app.remaining(true);
    // scan needs no device: it probes the ones it is given, or looks for them.
    if (options.Command == CtlCommand::Scan && !options.Targets.empty()) {
        return Refuse(error, "scan takes its devices as arguments, not --device or --port");
    }
    if (options.Command != CtlCommand::Scan && options.Targets.empty()) {
        return Refuse(error, "give either --device PATH or --port NAME");
    }
    if (options.Command == CtlCommand::None && unknown.empty()) {
        return Refuse(error, "no command given");
    }
    if (!unknown.empty()) {
        return RefuseUnknown(args, unknown, options.Command, commandWord, error);
    }
    return ParseCommandWords(options.Command, words, options, error) &&
           CheckTargets(options, error);
}

bool IsProfileCommand(CtlCommand command) {
    return command == CtlCommand::Backup || command == CtlCommand::Restore ||
           command == CtlCommand::Diff;
}

std::string CtlUsageText() {
    return R"(Usage: spectrelctl (--device PATH | --port NAME)... [--json] [--timeout MS] COMMAND
   or: spectrelctl [--json] [--timeout MS] scan [DEVICE...]

Talks to Spectrel colour sensors on serial ports, for scripts and for setting up many
sensors in a row. backup, restore, diff and publish take several --device/--port options
and work on every sensor at once; the others take one.

Options (anywhere on the line):
  --device PATH   the sensor's serial device, e.g. /dev/ttyUSB0, or a remote line:
                  rfc2217://HOST:PORT (RFC 2217), socket://HOST:PORT (raw TCP)
  --port NAME     a port name as the control panel shows it (COM1 ... COM16); COMn is the
                  device of the [Ports] entry in the control panel's preferences, else
                  /dev/ttyS<n-1>
  --json          print results as JSON (one object per reading for monitor)
  --timeout MS    how long to look for the sensor before giving up (default 3000)
  --config FILE   read options from FILE, one "name = value" line each, named like the
                  long options (device = /dev/ttyUSB0, timeout = 500, json = true; one
                  device or port line per sensor); the command line overrides the file
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
  publish --broker URL [--period MS] [--topic-prefix P] [--client-id ID]
          [--username NAME --password-file FILE] [--cafile FILE [--cert FILE --key FILE]]
          [--insecure] [--discovery] [--discovery-prefix P]
                  publishes every sensor given to an MQTT broker until SIGINT/SIGTERM:
                  URL is mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (TLS, 8883);
                  retained P/SERIAL/availability, identity, settings, channels and
                  match/N (ON/OFF), each reading on P/SERIAL/reading (the --json objects),
                  and P/bridge/ID/availability (the broker's last will says offline).
                  Polls every MS ms (default 300); P defaults to spectrel, ID to
                  spectrel-<host name>. The password is the first line of FILE, which
                  only its owner may read. TLS checks the broker against --cafile (or
                  the system's certificates); --insecure does not. --discovery adds Home
                  Assistant discovery configs (under homeassistant unless given). A broker
                  that is down and a sensor that is lost are tried again; at the end every
                  availability topic says offline. It never changes a sensor
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
  2    wrong usage, or a value out of range (nothing was sent); log: FILE cannot be opened;
       publish: a wrong broker URL, or a password file others may read
  3    the port cannot be opened or written (the message names the device and the reason),
       or the preferences that map a --port name cannot be read
  4    no answer from the sensor (not found within --timeout, or a request timed out;
       scan: no sensor found); the message says when it answered only in a wrong form
  5    the sensor reported an error (it rejected a command)
  6    the profile file cannot be read or written, is not a profile (it has no
       [Sensor] and no [Channel#N] section), or restore: it has a bad entry and
       --accept-fallbacks is not given (nothing was sent)
  130  interrupted by SIGINT or SIGTERM before the command finished (monitor, log,
       publish: 0)
)";
}
