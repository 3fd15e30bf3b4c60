#include "cli/CtlProfiles.h"

#include "cli/CtlCommands.h"
#include "cli/JsonText.h"

namespace {

constexpr std::string_view SENSOR_SECTION = "Sensor";

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

CtlOutcome SendDifferences(CCtlSession& session, const SensorProfile& sensor,
                           const ProfileValues& wanted,
                           const std::vector<KeyDifference>& differences) {
    if (Touches(differences, SENSOR_SECTION)) {
        const SensorSettings settings{static_cast<unsigned>(wanted.AveragingIndex),
                                      static_cast<unsigned>(wanted.TriggeringIndex),
                                      static_cast<unsigned>(wanted.OutputDurationIndex),
                                      sensor.AmbientSubtraction,
                                      static_cast<unsigned>(wanted.Illumination)};
        if (CtlOutcome outcome = SendSettings(session, settings); !outcome.Done()) {
            return outcome;
        }
    }
    for (int channel = 1; channel <= sensor.Values.ChannelCount; ++channel) {
        const std::string section = ChannelSection(channel);
        if (!Touches(differences, section)) {
            continue;
        }
        const ChannelDefinition merged =
            MergeChannel(sensor.Channels[channel - 1],
                         ChangeOf(differences, section, wanted.Channels[channel - 1]));
        if (CtlOutcome outcome = SendChannel(session, static_cast<unsigned>(channel), merged);
            !outcome.Done()) {
            return outcome;
        }
    }
    return {};
}

std::string KeyList(const std::vector<KeyDifference>& differences) {
    std::string list;
    for (const KeyDifference& difference : differences) {
        list += (list.empty() ? "" : ", ") + KeyName(difference.Entry);
    }
    return list;
}

std::string DifferencesJson(const std::vector<KeyDifference>& differences) {
    std::vector<std::string> elements;
    for (const KeyDifference& difference : differences) {
        elements.push_back(JsonObject()
                               .AddString("key", KeyName(difference.Entry))
                               .AddString("sensor", difference.Sensor)
                               .AddString("file", difference.File)
                               .Text());
    }
    return JsonArray(elements);
}

std::string ReportJson(const SensorReport& report, CtlCommand command, bool dryRun) {
    JsonObject object;
    object.AddString("device", report.Target);
    object.AddString("serial", report.Serial);
    object.AddInteger("exit", static_cast<unsigned>(report.Outcome.Exit));
    if (!report.Outcome.Done()) {
        object.AddString("error", report.Outcome.Message);
    }
    if (command == CtlCommand::Backup) {
        object.AddString("file", report.File);
        return object.Text() + "\n";
    }
    std::vector<std::string> bad;
    for (const ProfileEntry& entry : report.BadEntries) {
        bad.push_back(JsonString(KeyName(entry)));
    }
    object.AddJson("bad_entries", JsonArray(bad));
    if (command == CtlCommand::Diff) {
        object.AddJson("differences", DifferencesJson(report.Differences));
    } else {
        object.AddBool("dry_run", dryRun);
        object.AddJson("changed", DifferencesJson(report.Differences));
        object.AddJson("unverified", DifferencesJson(report.Unverified));
    }
    return object.Text() + "\n";
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
    if (!report.Differences.empty()) {
        return {CTL_EXIT_DIFFERENT, ""};
    }
    return {};
}

CtlOutcome RestoreSensor(CCtlSession& session, const CIniStore& file, bool dryRun,
                         SensorReport& report) {
    SensorProfile before;
    if (CtlOutcome outcome = ReadSensorProfile(session, before); !outcome.Done()) {
        return outcome;
    }
    report.Serial = before.Values.SerialNumber;
    const ProfileValues wanted = ReadOver(before, file, report);
    report.Differences = CompareProfile(before, wanted);
    if (dryRun || report.Differences.empty()) {
        return {};
    }
    if (CtlOutcome outcome = SendDifferences(session, before, wanted, report.Differences);
        !outcome.Done()) {
        return outcome;
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
