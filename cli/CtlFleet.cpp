#include "cli/CtlFleet.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "cli/CtlOutput.h"
#include "cli/CtlProfiles.h"
#include "profile/TextFile.h"

namespace {

constexpr const char* PROGRAM = "spectrelctl: ";

struct SensorJob {
    SensorReport Report;
    SensorProfile Profile; // backup: what was read
};

CtlOutcome RunOnSensor(const CtlOptions& options, const std::string& device, const CIniStore& file,
                       const std::atomic<bool>& stop, SensorJob& job) {
    CCtlSession session(device, stop);
    CtlOutcome outcome = session.Connect(std::chrono::milliseconds(options.TimeoutMs));
    if (outcome.Done()) {
        outcome = session.Identify(std::chrono::milliseconds(options.TimeoutMs));
    }
    if (!outcome.Done()) {
        return outcome;
    }
    switch (options.Command) {
    case CtlCommand::Backup:
        outcome = ReadSensorProfile(session, job.Profile);
        job.Report.Serial = job.Profile.Values.SerialNumber;
        return outcome;
    case CtlCommand::Restore:
        return RestoreSensor(session, file, {options.DryRun, options.AcceptFallbacks}, job.Report);
    default:
        return DiffSensor(session, file, job.Report);
    }
}

// The one file restore and diff compare every sensor with. A missing file, or one that is no
// profile, is an error here: for a script a typing mistake must not read as an empty profile.
CtlOutcome LoadProfileStore(const std::string& path, CIniStore& store) {
    TextFileRead file;
    if (!ReadTextFile(path, file)) {
        return {CTL_EXIT_FILE, file.Error};
    }
    if (file.Missing) {
        return {CTL_EXIT_FILE, "Cannot read " + path + ": no such file"};
    }
    if (!store.SetText(file.Text)) {
        return {CTL_EXIT_FILE, "Cannot read " + path + ": " + store.Error()};
    }
    if (!IsProfile(store)) {
        return {CTL_EXIT_FILE, path + " is not a profile: it has no [Sensor] and no "
                                      "[Channel#N] section"};
    }
    return {};
}

void WriteBackups(const std::string& pattern, std::vector<SensorJob>& jobs) {
    std::set<std::string> written;
    for (SensorJob& job : jobs) {
        SensorReport& report = job.Report;
        if (!report.Outcome.Done()) {
            continue;
        }
        report.File = BackupFileName(pattern, report.Serial);
        std::string error;
        if (!written.insert(report.File).second) {
            report.Outcome = {CTL_EXIT_FILE, report.File + " was written for another sensor " +
                                                 "with the same serial number"};
        } else if (!ReplaceProfileFile(report.File, job.Profile.Values, error)) {
            report.Outcome = {CTL_EXIT_FILE, error};
        }
    }
}

} // namespace

int RunProfileCommand(const CtlOptions& options, const std::vector<std::string>& devices,
                      std::ostream& out, std::ostream& err, const std::atomic<bool>& stop) {
    CIniStore file;
    if (options.Command != CtlCommand::Backup) {
        if (const CtlOutcome loaded = LoadProfileStore(options.ProfileFile, file); !loaded.Done()) {
            err << PROGRAM << loaded.Message << "\n";
            return loaded.Exit;
        }
    }
    std::vector<SensorJob> jobs(devices.size());
    {
        std::vector<std::jthread> workers;
        for (std::size_t i = 0; i < devices.size(); ++i) {
            workers.emplace_back([&, i] {
                jobs[i].Report.Outcome = RunOnSensor(options, devices[i], file, stop, jobs[i]);
            });
        }
    }
    if (options.Command == CtlCommand::Backup) {
        WriteBackups(options.ProfileFile, jobs);
    }
    int worst = CTL_EXIT_DONE;
    const bool several = devices.size() > 1;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        SensorReport& report = jobs[i].Report;
        const CtlTarget& target = options.Targets[i];
        report.Target = target.Device.empty() ? target.Port : target.Device;
        out << FormatReport(report, options.Command, options.DryRun, options.Json, several);
        for (const ProfileEntry& entry : report.BadEntries) {
            err << PROGRAM << options.ProfileFile << ": " << BadEntryText(entry) << ": \""
                << EscapedText(file.ReadString(entry.Section, entry.Key, "")) << "\""
                << (options.AcceptFallbacks ? " (its fall-back is sent)" : "") << "\n";
        }
        if (!report.Outcome.Message.empty()) {
            err << PROGRAM << report.Outcome.Message << "\n";
        }
        worst = std::max(worst, report.Outcome.Exit);
    }
    out.flush();
    return worst;
}
