#include "cli/Ctl.h"

#include <algorithm>
#include <chrono>

#include "cli/CtlCommands.h"
#include "cli/CtlFleet.h"
#include "cli/CtlOptions.h"
#ifdef SPECTREL_PUBLISH
#include "cli/CtlPublish.h"
#endif
#include "cli/CtlSession.h"
#include "cli/PortScan.h"
#include "cli/ScanReport.h"
#include "link/PortMap.h"
#include "profile/IniStore.h"
#include "profile/Preferences.h"

namespace {

constexpr const char* PROGRAM = "spectrelctl: ";

// A port name means what it means in the control panel: its [Ports] entry in the user's
// preferences, else the default device. Preferences that exist but cannot be read are an
// error where a port name needs them: the default device may be another sensor.
CtlOutcome DevicePaths(const CtlOptions& options, std::vector<std::string>& devices) {
    PortMap ports;
    const auto named = std::find_if(options.Targets.begin(), options.Targets.end(),
                                    [](const CtlTarget& target) { return target.Device.empty(); });
    if (const std::string path = PreferencesPath();
        named != options.Targets.end() && !path.empty()) {
        CIniStore preferences;
        if (!preferences.Load(path)) {
            return {CTL_EXIT_PORT,
                    "cannot tell which device " + named->Port + " is: " + preferences.Error()};
        }
        LoadPortMap(preferences, ports);
    }
    for (const CtlTarget& target : options.Targets) {
        devices.push_back(target.Device.empty() ? ports.DevicePath(target.Port) : target.Device);
    }
    return {};
}

CtlOutcome Scan(const CtlOptions& options, std::ostream& out, const std::atomic<bool>& stop) {
    const bool named = !options.ScanDevices.empty();
    const std::vector<std::string> devices =
        named ? options.ScanDevices : ListSerialDevices("/dev");
    const std::chrono::milliseconds timeout(options.TimeoutGiven ? options.TimeoutMs
                                                                 : CTL_SCAN_TIMEOUT_MS);
    const std::vector<ProbeResult> results =
        ProbeDevices(devices, "/dev/serial/by-id", timeout, stop);
    out << FormatScan(results, options.Json, named);
    if (stop) {
        return {CTL_EXIT_INTERRUPTED, "interrupted"};
    }
    if (PortsLines(results).empty()) {
        return {CTL_EXIT_NO_ANSWER, "no sensor answered on " + std::to_string(devices.size()) +
                                        " device" + (devices.size() == 1 ? "" : "s")};
    }
    return {};
}

CtlOutcome Run(const CtlOptions& options, std::ostream& out, std::ostream& err,
               const std::atomic<bool>& stop) {
    if (options.Command == CtlCommand::Scan) {
        return Scan(options, out, stop);
    }
    std::vector<std::string> devices;
    if (CtlOutcome outcome = DevicePaths(options, devices); !outcome.Done()) {
        return outcome;
    }
    CCtlSession session(devices.front(), stop);
    CtlOutcome outcome = session.Connect(std::chrono::milliseconds(options.TimeoutMs));
    if (outcome.Done()) {
        outcome = session.Identify(std::chrono::milliseconds(options.TimeoutMs));
    }
    if (outcome.Done()) {
        outcome = RunCtlCommand(session, options, out, err);
    }
    return outcome;
}

// The commands that take every sensor given at once.
int RunSeveral(const CtlOptions& options, const std::vector<std::string>& devices,
               std::ostream& out, std::ostream& err, const std::atomic<bool>& stop) {
    if (options.Command != CtlCommand::Publish) {
        return RunProfileCommand(options, devices, out, err, stop);
    }
#ifdef SPECTREL_PUBLISH
    return RunPublish(options, devices, err, stop);
#else
    err << PROGRAM << "publish is not part of this build (it needs libmosquitto)\n";
    return CTL_EXIT_USAGE;
#endif
}

} // namespace

int RunSpectrelCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>& stop) {
    CtlOptions options;
    std::string error;
    if (!ParseCtlOptions(args, options, error)) {
        err << PROGRAM << error << "\n(spectrelctl --help shows the usage)\n";
        return CTL_EXIT_USAGE;
    }
    if (options.Help) {
        out << CtlUsageText();
        return CTL_EXIT_DONE;
    }
    if (IsProfileCommand(options.Command) || options.Command == CtlCommand::Publish) {
        std::vector<std::string> devices;
        if (const CtlOutcome outcome = DevicePaths(options, devices); !outcome.Done()) {
            err << PROGRAM << outcome.Message << "\n";
            return outcome.Exit;
        }
        return RunSeveral(options, devices, out, err, stop);
    }
    const CtlOutcome outcome = Run(options, out, err, stop);
    out.flush();
    if (!outcome.Done()) {
        err << PROGRAM << outcome.Message << "\n";
    }
    return outcome.Exit;
}
