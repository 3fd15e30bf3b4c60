#pragma once

#include <optional>
#include <string>
#include <vector>

#include "logging/LogSettings.h"

// The command line of spectrelctl:
//   spectrelctl (--device PATH | --port NAME)... [--json] [--timeout MS] [--config FILE]
//               COMMAND [ARGUMENTS]
// Only backup, restore, diff and publish take several sensors.
// Every value is checked here, before a port is opened, so that a value out of range never
// reaches the sensor.

enum class CtlCommand {
    None,
    Identify,
    Settings,
    Channels,
    Monitor,
    Stats,
    SetSettings,
    SetChannel,
    Teach,
    Backup,
    Restore,
    Diff,
    Log,
    Scan,
    Publish
};

// One sensor to talk to: a device path, or a port name mapped to one.
struct CtlTarget {
    std::string Device; // --device
    std::string Port;   // --port
    bool operator==(const CtlTarget&) const = default;
};

// What FILE of backup stands for: each sensor's serial number, when several are backed up.
inline constexpr const char* CTL_SERIAL_PATTERN = "{serial}";

// Fields of set-settings that were given, already as the indexes the sensor takes.
struct SettingsChange {
    std::optional<unsigned> Averaging;   // index: 2^index samples
    std::optional<unsigned> Triggering;  // TriggerMode
    std::optional<unsigned> OutputDelay; // index: index * 10 ms
    std::optional<unsigned> Illumination;
};

// Fields of set-channel that were given. "tolerance=P" fills all three tolerances; a colour's
// own tolerance given as well wins, whatever the order.
struct ChannelChange {
    std::optional<unsigned> Enabled;
    std::optional<unsigned> Mode;        // ChannelMode
    std::optional<unsigned> MatchOutput; // MatchOutputLevel
    std::optional<double> Red, Green, Blue;
    std::optional<double> RedTolerance, GreenTolerance, BlueTolerance;
};

// publish: the broker and how this client shows itself there.
struct PublishSettings {
    std::string Broker; // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    std::string TopicPrefix = "spectrel";
    std::string ClientId; // empty: spectrel-<host name>
    std::string Username;
    std::string PasswordFile;
    std::string CaFile;
    std::string CertFile;
    std::string KeyFile;
    bool Insecure = false;
    bool Discovery = false;
    std::string DiscoveryPrefix = "homeassistant";
};

struct CtlOptions {
    std::vector<CtlTarget> Targets; // in the order given
    bool Json = false;
    bool Help = false;
    unsigned TimeoutMs = 3000; // how long to look for the sensor before giving up
    bool TimeoutGiven = false; // scan waits a shorter time unless told
    CtlCommand Command = CtlCommand::None;
    unsigned Channel = 0;    // channels, stats: 0 = all; set-channel and teach: 1..15
    unsigned Count = 0;      // monitor: readings to print, 0 = until stopped; stats: 0 = 100
    unsigned PeriodMs = 300; // monitor, stats, log and publish: polling period
    bool Margins = false;    // monitor: each enabled channel's margin after every reading
    SettingsChange Settings; // set-settings
    ChannelChange Values;    // set-channel
    std::optional<double> TeachTolerance; // teach: all three tolerances
    std::string ProfileFile;              // backup, restore, diff
    bool DryRun = false;                  // restore: tell what would change, send nothing
    bool AcceptFallbacks = false;         // restore: send a bad entry's fall-back
    LogSettings Log;                      // log: file, mode and interval
    std::vector<std::string> ScanDevices; // scan: the devices to probe, none = every one present
    PublishSettings Publish;              // publish
};

bool IsProfileCommand(CtlCommand command);

inline constexpr unsigned CTL_MIN_TIMEOUT_MS = 100;
inline constexpr unsigned CTL_MAX_TIMEOUT_MS = 600000;
// A data request and its reply take about 25 ms of line time; a shorter period only piles up
// missed polls.
inline constexpr unsigned CTL_MIN_PERIOD_MS = 50;
inline constexpr unsigned CTL_MAX_PERIOD_MS = 60000;
inline constexpr double CTL_MAX_TOLERANCE = 50.0;
inline constexpr unsigned CTL_MAX_LOG_INTERVAL = 86400; // seconds: one record a day
// A sensor answers the first identify within a few tens of milliseconds; three polls are room
// enough for a scan of every device at once.
inline constexpr unsigned CTL_SCAN_TIMEOUT_MS = 1500;

// Reads the arguments after the program name, and the file of --config FILE (see
// CtlConfigFile.h). False with a message in `error` on anything unknown, missing, repeated or
// out of range. "--help" anywhere sets Help and skips the checks that need a command or a
// device.
bool ParseCtlOptions(const std::vector<std::string>& args, CtlOptions& options, std::string& error);

std::string CtlUsageText();
