#pragma once

#include <string>

#include "link/LineFormat.h"
#include "link/PortMap.h"
#include "profile/IniStore.h"
#include "sensor/Protocol.h"

// Warning categories of the "Warnings" preference and the Options > Warnings menu.
enum WarningCategory : int {
    WARN_RECOGNITION = 1,
    WARN_SENSOR = 2,
    WARN_APPLICATION = 4,
};

// The per-user preferences of section [Settings]. Values a load does not reach keep what they
// held before the load. When the stored port is not valid nothing is loaded, and the warnings
// mask keeps its start value 7: with no stored choice, every warning shows.
struct Preferences {
    std::string PortName; // "COM1".."COM16" as stored (COM01 stays COM01)
    int PortIndex = -1;   // 0 = COM1
    int WarningsMask = 7;
    int DisplayMode = -1; // 0 colour and luminosity, 1 colour only
    int PollingPeriodMs = 0;
};

inline constexpr const char* PREFERENCES_SECTION = "Settings";
inline constexpr const char* PORTS_SECTION = "Ports";

// $XDG_CONFIG_HOME/Orvane Industries/spectrel.conf (XDG_CONFIG_HOME defaults to ~/.config; a
// relative one is ignored). Empty when the user has no home folder: nothing is then kept.
std::string PreferencesPath();

// Reads [Settings] into prefs. When "COM Port" is not COM1..COM16 (4 or 5 characters, "COM" in
// capitals, number 1..16) returns false at once and leaves prefs untouched. The number is the
// digits that follow "COM", so COM01 is port index 0 (its name stays "COM01"). The polling period
// is taken as stored; pass it through EffectivePollingPeriod before polling with it.
bool LoadPreferences(const CIniStore& store, Preferences& prefs);
// Writes "COM Port" (from PortIndex), "Warnings" and "DisplayColorOnly"; true when all succeeded.
bool SavePreferences(CIniStore& store, const Preferences& prefs);

// "None", or the words Recognition,Sensor,Application of the set bits joined by ","; and back
// ("All" anywhere = 7, then each word found anywhere sets its bit; case-sensitive).
std::string FormatWarnings(int mask);
int ParseWarnings(const std::string& text);

// Every COMn=PATH entry of [Ports] (n = 1..16, "COM" in any case, PATH not empty) into map.
void LoadPortMap(const CIniStore& store, PortMap& map);

inline constexpr int DEFAULT_POLLING_PERIOD_MS = 300;
inline constexpr int MAX_POLLING_PERIOD_MS = 60000;
// A poll sooner than one reading takes on the line would only pile commands up behind it.
inline constexpr int MIN_POLLING_PERIOD_MS =
    static_cast<int>(LineTransmitTime(DATA_EXCHANGE_CHARACTERS).count());

// The period to poll with for a stored one. Only a hand edit of the store sets the period, and a
// timer cannot run every 0 ms: below 1 ms gives the default 300 ms; a shorter period than the
// line can carry gives the shortest it can; above one minute the panel would look dead, so one
// minute is the longest.
int EffectivePollingPeriod(int storedMs);
