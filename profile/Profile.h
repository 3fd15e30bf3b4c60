#pragma once

#include <array>
#include <string>
#include <vector>

#include "logging/LogSettings.h"
#include "logging/LogTexts.h"
#include "profile/IniStore.h"
#include "profile/PanelChannel.h"

// A profile: a whole sensor configuration in an INI file (extension "spf"), written and read by
// the control panel's File commands and by spectrelctl's backup, restore and diff. Both go
// through these functions over the same values, so a backup is byte for byte the file the
// window saves.

// What a profile is written from and read into: the window's values a profile concerns.
struct ProfileValues {
    // Written for the reader's information, never read back.
    std::string ModelName; // empty while no sensor is identified
    std::string SerialNumber;
    unsigned FirmwareMajor = 0;
    unsigned FirmwareMinor = 0;
    // Channels 1 .. ChannelCount are written and read: the identified model's (0: none).
    int ChannelCount = 0;

    // Combo and radio selections, -1 for none, as the window holds them.
    int AveragingIndex = -1;      // 2^index samples
    int TriggeringIndex = -1;     // 0 FreeRun, 1 Level, 2 Edge
    int OutputDurationIndex = -1; // index * 10 ms
    int Illumination = 0;         // percent
    LogSettings Logging;
    std::array<PanelChannel, 16> Channels{}; // the window's channel table, channel N at N-1

    bool operator==(const ProfileValues&) const = default;
};

// A key whose value a read refused; the read went on with the value kept or the key's fallback.
struct ProfileEntry {
    std::string Section;
    std::string Key;
    bool operator==(const ProfileEntry&) const = default;
};

inline constexpr const char* PROFILE_EXTENSION = "spf";
// The log name a profile without one gives, and the name of the window's first log.
inline constexpr const char* PROFILE_LOG_FILE_DEFAULT = LOG_DEFAULT_FILE_NAME;
// New profiles end their lines as the Windows tool writes its profiles, so the two can share
// files; a file that exists keeps its own line ending.
inline constexpr const char* PROFILE_NEW_FILE_LINE_END = "\r\n";
// The longest channel table a profile addresses.
inline constexpr int PROFILE_MAX_CHANNELS = 15;

// Writes every key in its fixed order. Keys and sections the store already holds keep their
// place; others of the store stay untouched, extra channel sections of a bigger model too.
// False (with store.Error()) at the first value that cannot be stored, e.g. a log file name
// with a line break.
bool WriteProfile(const ProfileValues& values, CIniStore& store);

// Reads every key into values; a missing key keeps the value, a bad one is listed (in the
// order read) and gives the key's fallback or keeps the value. The "FileName" of a profile
// without one is PROFILE_LOG_FILE_DEFAULT. Channel luminosities are recomputed.
std::vector<ProfileEntry> ReadProfile(const CIniStore& store, ProfileValues& values);

// A file is taken for a profile when it has a [Sensor] or a [Channel#N] section (N 1 .. 15):
// a log, a program or an empty file is not one, however many keys it lacks.
bool IsProfile(const CIniStore& store);

// The file itself. A save goes through a temporary file and a rename; the file's other content
// is kept, and a file that exists but cannot be read is never replaced. A missing file loads as
// an empty profile. False with `error` worded for the user.
bool SaveProfileFile(const std::string& path, const ProfileValues& values, std::string& error);
// A file of these values alone: nothing of what the file held before survives (a backup of a
// four-channel sensor over a fifteen-channel profile leaves no channel 5 .. 15 in it).
bool ReplaceProfileFile(const std::string& path, const ProfileValues& values, std::string& error);
bool LoadProfileFile(const std::string& path, ProfileValues& values,
                     std::vector<ProfileEntry>& badEntries, std::string& error);

// The log the control panel starts with: PROFILE_LOG_FILE_DEFAULT in the working directory;
// empty when the working directory cannot be named.
std::string WorkingDirectoryLogFile();

// "Bad entry for [Channel#3]Mode"
std::string BadEntryText(const ProfileEntry& entry);
// "Channel#3"
std::string ChannelSection(int channel);

// One key as a save writes it.
struct ProfileKeyText {
    ProfileEntry Entry;
    std::string Text;
};
// Every key of the values in the order a save writes them, each in its written form: "%G"
// numbers without the locale (33.3333333 gives "33.3333", 1e6 "1E+06"), "%d" integers and the
// words of the enumerations.
std::vector<ProfileKeyText> ProfileKeys(const ProfileValues& values);
std::string ProfileNumber(double value);
