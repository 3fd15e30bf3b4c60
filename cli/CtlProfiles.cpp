#include "cli/CtlProfiles.h"

#include <algorithm>

#include "cli/CtlCommands.h"
#include "cli/Json.h"

namespace {

constexpr std::string_view SENSOR_SECTION = "Sensor";
constexpr std::string_view LOGGING_SECTION = "Logging";

// The window's values after it has read this sensor at first contact, so a backup is the file
// a save from a freshly started window gives.
void TakeSensor(const CSensor& sensor, SensorProfile& profile) {
    ProfileValues& values = profile.Values;
    const ModelInfo* model = FindModel(sensor.GetModelCode());
    values.ModelName = model != nullptr ? model->Name : "";
    values.ChannelCount = model != nullptr ? static_cast<int>(model->Channels) : 0;
    values.SerialNumber = sensor.GetSerialNumber();
    values.FirmwareMajor = sensor.GetFirmwareMajor();
    values.FirmwareMinor = sensor.GetFirmwareMinor();
    const SensorSettings settings = SettingsOf(sensor);
    values.AveragingIndex = static_cast<int>(settings.Averaging);
    values.TriggeringIndex = static_cast<int>(settings.Triggering);
    values.OutputDurationIndex = static_cast<int>(settings.OutputDelay);
    values.Illumination = static_cast<int>(settings.Illumination);
    profile.AmbientSubtraction = settings.AmbientSubtraction;
    values.Logging = {WorkingDirectoryLogFile(), LOG_CONTINUOUS, 1};
}

// The file read over the sensor's values: a key it lacks means the sensor's value.
ProfileValues ReadOver(const SensorProfile& sensor, const CIniStore& file, SensorReport& report) {
    ProfileValues wanted = sensor.Values;
    report.BadEntries = ReadProfile(file, wanted);
    return wanted;
}

bool Touches(const std::vector<KeyDifference>& differences, std::string_view section,
             std::string_view key = {}) {
    for (const KeyDifference& difference : differences) {
        if (difference.Entry.Section == section && (key.empty() || difference.Entry.Key == key)) {
            return true;
        }
    }
    return false;
}

// Only the fields whose keys differ are changed; MergeChannel keeps the others' raw bounds.
ChannelChange ChangeOf(const std::vector<KeyDifference>& differences, const std::string& section,
                       const PanelChannel& wanted) {
    ChannelChange change;
    const auto take = [&](const char* key, auto& field, auto value) {
        if (Touches(differences, section, key)) {
            field = value;
        }
    };
    take("Enabled", change.Enabled, static_cast<unsigned>(wanted.Enabled != 0));
    take("Mode", change.Mode, static_cast<unsigned>(wanted.Mode));
    take("MatchOutput", change.MatchOutput, static_cast<unsigned>(wanted.MatchOutput));
    take("RedSetting", change.Red, wanted.RedSetting);
    take("GreenSetting", change.Green, wanted.GreenSetting);
    take("BlueSetting", change.Blue, wanted.BlueSetting);
    take("RedTolerance", change.RedTolerance, wanted.RedTolerance);
    take("GreenTolerance", change.GreenTolerance, wanted.GreenTolerance);
    take("BlueTolerance", change.BlueTolerance, wanted.BlueTolerance);
    return change;
}

// Moves the keys of `section` from `pending` to `done`, once the sensor has acknowledged them.
void Acknowledged(std::string_view section, std::vector<KeyDifference>& pending,
                  std::vector<KeyDifference>& done) {
    const auto sent = std::stable_partition(
        pending.begin(), pending.end(),
        [section](const KeyDifference& difference) { return difference.Entry.Section != section; });
    done.insert(done.end(), sent, pending.end());
    pending.erase(sent, pending.end());
}

// Sends what `pending` holds, moving each key to `done` once its send is acknowledged: after a
// failure or a stop, `pending` holds what the sensor has not taken.
CtlOutcome SendDifferences(CCtlSession& session, const SensorProfile& sensor,
                           const ProfileValues& wanted, std::vector<KeyDifference>& pending,
                           std::vector<KeyDifference>& done) {
    if (Touches(pending, SENSOR_SECTION)) {
        const SensorSettings settings{static_cast<unsigned>(wanted.AveragingIndex),
                                      static_cast<unsigned>(wanted.TriggeringIndex),
                                      static_cast<unsigned>(wanted.OutputDurationIndex),
                                      sensor.AmbientSubtraction,
                                      static_cast<unsigned>(wanted.Illumination)};
        if (CtlOutcome outcome = SendSettings(session, settings); !outcome.Done()) {
            return outcome;
        }
        Acknowledged(SENSOR_SECTION, pending, done);
    }
    for (int channel = 1; channel <= sensor.Values.ChannelCount; ++channel) {
        const std::string section = ChannelSection(channel);
        if (!Touches(pending, section)) {
            continue;
        }
        const ChannelDefinition merged = MergeChannel(
            sensor.Channels[channel - 1], ChangeOf(pending, section, wanted.Channels[channel - 1]));
        if (CtlOutcome outcome = SendChannel(session, static_cast<unsigned>(channel), merged);
            !outcome.Done()) {
            return outcome;
        }
        Acknowledged(section, pending, done);
    }
    return {};
}

// A bad entry differs from anything the sensor can hold: it is listed with the file's own
// text, not with the fall-back a read takes in its place. Logging is not compared.
void ListBadEntries(const SensorProfile& sensor, const CIniStore& file, SensorReport& report) {
    std::vector<KeyDifference> listed;
    for (const ProfileKeyText& held : ProfileKeys(sensor.Values)) {
        const ProfileEntry& entry = held.Entry;
        const auto differs = std::find_if(
            report.Differences.begin(), report.Differences.end(),
            [&entry](const KeyDifference& difference) { return difference.Entry == entry; });
        const bool bad = std::find(report.BadEntries.begin(), report.BadEntries.end(), entry) !=
                         report.BadEntries.end();
        if (bad && entry.Section != LOGGING_SECTION) {
            listed.push_back({entry, held.Text, file.ReadString(entry.Section, entry.Key, "")});
        } else if (differs != report.Differences.end()) {
            listed.push_back(*differs);
        }
    }
    report.Differences = std::move(listed);
}

std::string KeyList(const std::vector<KeyDifference>& differences) {
    std::string list;
    for (const KeyDifference& difference : differences) {
        list += (list.empty() ? "" : ", ") + KeyName(difference.Entry);
    }
    return list;
}

JsonValue DifferencesJson(const std::vector<KeyDifference>& differences) {
    JsonValue array = JsonValue::array();
    for (const KeyDifference& difference : differences) {
        array.push_back({{"key", KeyName(difference.Entry)},
                         {"sensor", difference.Sensor},
                         {"file", difference.File}});
    }
    return array;
}

std::string ReportJson(const SensorReport& report, CtlCommand command, bool dryRun) {
    JsonValue object{{"device", report.Target},
                     {"serial", report.Serial},
                     {"exit", static_cast<unsigned>(report.Outcome.Exit)}};
    if (!report.Outcome.Done()) {
        object["error"] = report.Outcome.Message;
    }
    if (command == CtlCommand::Backup) {
        object["file"] = report.File;
        return JsonText(object) + "\n";
    }
    object["bad_entries"] = JsonValue::array();
    for (const ProfileEntry& entry : report.BadEntries) {
        object["bad_entries"].push_back(KeyName(entry));
    }
    if (command == CtlCommand::Diff) {
        object["differences"] = DifferencesJson(report.Differences);
    } else {
        object["dry_run"] = dryRun;
        object["changed"] = DifferencesJson(report.Differences);
        object["not_sent"] = DifferencesJson(report.NotSent);
        object["unverified"] = DifferencesJson(report.Unverified);
    }
    return JsonText(object) + "\n";
}

std::vector<std::string> ReportLines(const SensorReport& report, CtlCommand command, bool dryRun) {
    std::vector<std::string> lines;
    if (command == CtlCommand::Backup) {
        if (report.Outcome.Done()) {
            lines.push_back("wrote " + report.File);
        }
        return lines;
    }
    const std::string verb = command == CtlCommand::Diff ? "" : dryRun ? "would set " : "set ";
    for (const KeyDifference& difference : report.Differences) {
        lines.push_back(command == CtlCommand::Diff
                            ? KeyName(difference.Entry) + ": sensor " + difference.Sensor +
                                  ", file " + difference.File
                            : verb + KeyName(difference.Entry) + ": " + difference.Sensor + " -> " +
                                  difference.File);
    }
    for (const KeyDifference& difference : report.NotSent) {
        lines.push_back("not sent " + KeyName(difference.Entry) + ": " + difference.Sensor +
                        " -> " + difference.File);
    }
    return lines;
}

} // namespace

CtlOutcome ReadSensorProfile(CCtlSession& session, SensorProfile& profile) {
    if (CtlOutcome outcome = ReadVersion(session); !outcome.Done()) {
        return outcome;
    }
    if (CtlOutcome outcome = ReadSettings(session); !outcome.Done()) {
        return outcome;
    }
    TakeSensor(session.Sensor(), profile);
    for (int channel = 1; channel <= profile.Values.ChannelCount; ++channel) {
        const auto number = static_cast<unsigned>(channel);
        if (CtlOutcome outcome = ReadChannel(session, number); !outcome.Done()) {
            return outcome;
        }
        profile.Channels[channel - 1] = session.Sensor().GetChannel(number);
        profile.Values.Channels[channel - 1].TakeFrom(profile.Channels[channel - 1]);
    }
    return {};
}

CtlOutcome DiffSensor(CCtlSession& session, const CIniStore& file, SensorReport& report) {
    SensorProfile sensor;
    if (CtlOutcome outcome = ReadSensorProfile(session, sensor); !outcome.Done()) {
        return outcome;
    }
    report.Serial = sensor.Values.SerialNumber;
    report.Differences = CompareProfile(sensor, ReadOver(sensor, file, report));
    ListBadEntries(sensor, file, report);
    if (!report.Differences.empty()) {
        return {CTL_EXIT_DIFFERENT, ""};
    }
    return {};
}

CtlOutcome RestoreSensor(CCtlSession& session, const CIniStore& file, RestoreMode mode,
                         SensorReport& report) {
    SensorProfile before;
    if (CtlOutcome outcome = ReadSensorProfile(session, before); !outcome.Done()) {
        return outcome;
    }
    report.Serial = before.Values.SerialNumber;
    const ProfileValues wanted = ReadOver(before, file, report);
    // A typing mistake in the file must not change how a sensor works.
    if (!report.BadEntries.empty() && !mode.AcceptFallbacks) {
        return {CTL_EXIT_FILE, "nothing was sent to " + session.Device() +
                                   ": the profile has bad entries (--accept-fallbacks sends "
                                   "their fall-back values)"};
    }
    std::vector<KeyDifference> pending = CompareProfile(before, wanted);
    if (mode.DryRun || pending.empty()) {
        report.Differences = std::move(pending);
        return {};
    }
    CtlOutcome sent = SendDifferences(session, before, wanted, pending, report.Differences);
    report.NotSent = std::move(pending);
    if (!sent.Done()) {
        return sent;
    }
    SensorProfile after;
    if (CtlOutcome outcome = ReadSensorProfile(session, after); !outcome.Done()) {
        return outcome;
    }
    report.Unverified = CompareProfile(after, wanted);
    if (!report.Unverified.empty()) {
        return {CTL_EXIT_DIFFERENT,
                session.Device() + ": the read-back differs in " + KeyList(report.Unverified)};
    }
    return {};
}

std::string BackupFileName(const std::string& pattern, const std::string& serial) {
    std::string safe = serial.empty() ? "unknown" : serial;
    for (char& c : safe) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain) {
            c = '_';
        }
    }
    if (safe.find_first_not_of('.') == std::string::npos) {
        safe = "_" + safe; // never "." or ".."
    }
    std::string name = pattern;
    const std::string_view placeholder = CTL_SERIAL_PATTERN;
    for (std::size_t at = name.find(placeholder); at != std::string::npos;
         at = name.find(placeholder, at + safe.size())) {
        name.replace(at, placeholder.size(), safe);
    }
    return name;
}

std::string FormatReport(const SensorReport& report, CtlCommand command, bool dryRun, bool json,
                         bool prefixed) {
    if (json) {
        return ReportJson(report, command, dryRun);
    }
    std::vector<std::string> lines = ReportLines(report, command, dryRun);
    if (prefixed && lines.empty() && report.Outcome.Exit == CTL_EXIT_DONE) {
        lines.push_back(command == CtlCommand::Restore ? "nothing to change" : "no differences");
    }
    std::string text;
    for (const std::string& line : lines) {
        text += (prefixed ? report.Target + ": " : "") + line + "\n";
    }
    return text;
}
