#pragma once

#include <string>
#include <vector>

#include "cli/CtlOptions.h"
#include "cli/CtlSession.h"
#include "cli/ProfileCompare.h"
#include "profile/IniStore.h"

// backup, restore and diff on one identified sensor. Each fills a report; the caller prints
// the reports of every sensor in the order given.

// Exit codes only these commands give.
enum CtlProfileExit : int {
    CTL_EXIT_DIFFERENT = 1, // diff: differences; restore: the read-back differs
    CTL_EXIT_FILE = 6,      // the profile cannot be read or written
};

struct SensorReport {
    std::string Target; // the device or port as given
    CtlOutcome Outcome;
    std::string Serial;
    std::string File; // backup: the file written
    std::vector<KeyDifference>
        Differences; // diff: what differs; restore: what was acknowledged (or would be sent)
    std::vector<KeyDifference> NotSent;    // restore: what a failure or a stop left unsent
    std::vector<KeyDifference> Unverified; // restore: what the read-back still differs in
    std::vector<ProfileEntry> BadEntries;  // restore, diff: keys of the file that were refused
};

// Everything a profile holds, read from the sensor as the control panel reads it at first
// contact: version, settings, every channel of the model.
CtlOutcome ReadSensorProfile(CCtlSession& session, SensorProfile& profile);

// A bad entry of the file counts as a difference, with the file's own text.
CtlOutcome DiffSensor(CCtlSession& session, const CIniStore& file, SensorReport& report);
struct RestoreMode {
    bool DryRun = false;          // tell what would be sent, send nothing
    bool AcceptFallbacks = false; // send a bad entry's fall-back rather than refuse the file
};

// Sends the settings when one differs, then each channel that differs (only its differing
// fields change; the others keep their raw bounds), reads everything back and compares again.
// A file with a bad entry sends nothing unless its fall-backs are accepted.
CtlOutcome RestoreSensor(CCtlSession& session, const CIniStore& file, RestoreMode mode,
                         SensorReport& report);

// FILE with each "{serial}" replaced by the serial number, made safe as a file name (characters
// other than letters, digits, '.', '-' and '_' become '_').
std::string BackupFileName(const std::string& pattern, const std::string& serial);

// One sensor's report: text lines (prefixed with the target when `prefixed`) or one JSON line.
std::string FormatReport(const SensorReport& report, CtlCommand command, bool dryRun, bool json,
                         bool prefixed);
