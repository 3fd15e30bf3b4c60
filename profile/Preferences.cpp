#include "profile/Preferences.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* KEY_PORT = "COM Port";
constexpr const char* KEY_WARNINGS = "Warnings";
constexpr const char* KEY_DISPLAY_COLOR_ONLY = "DisplayColorOnly";
constexpr const char* KEY_POLLING_PERIOD = "CurrentDataPollingPeriod";
constexpr int HIGHEST_PORT = 16;

struct WarningWord {
    int Bit;
    const char* Word;
};
constexpr WarningWord WARNING_WORDS[] = {
    {WARN_RECOGNITION, "Recognition"},
    {WARN_SENSOR, "Sensor"},
    {WARN_APPLICATION, "Application"},
};
constexpr int ALL_WARNINGS = WARN_RECOGNITION | WARN_SENSOR | WARN_APPLICATION;

// The number of a stored "COM Port", or 0 when it is not valid: 4 or 5 characters, "COM" in
// capitals, then digits whose value is 1..16 (what follows the digits is not looked at).
int StoredPortNumber(const std::string& text) {
    if ((text.size() != 4 && text.size() != 5) || !text.starts_with("COM")) {
        return 0;
    }
    // from_chars would take a '-' too; only digits may follow "COM".
    if (text[3] < '0' || text[3] > '9') {
        return 0;
    }
    int number = 0;
    std::from_chars(text.data() + 3, text.data() + text.size(), number);
    return number >= 1 && number <= HIGHEST_PORT ? number : 0;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

std::string AsciiUpper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

} // namespace

std::string PreferencesPath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules and must be ignored.
    if (configHome != nullptr && configHome[0] == '/') {
        folder = configHome;
    } else if (const std::string home = HomeFolder(); !home.empty()) {
        folder = home + "/.config";
    } else {
        return {};
    }
    return folder + "/Orvane Industries/spectrel.conf";
}

bool LoadPreferences(const CIniStore& store, Preferences& prefs) {
    const std::string port = store.ReadString(PREFERENCES_SECTION, KEY_PORT, "COM1");
    const int number = StoredPortNumber(port);
    if (number == 0) {
        return false;
    }
    prefs.PortName = port;
    prefs.PortIndex = number - 1;
    prefs.WarningsMask = ParseWarnings(store.ReadString(PREFERENCES_SECTION, KEY_WARNINGS, "All"));
    prefs.DisplayMode = store.ReadInt(PREFERENCES_SECTION, KEY_DISPLAY_COLOR_ONLY, 0) != 0 ? 1 : 0;
    prefs.PollingPeriodMs =
        store.ReadInt(PREFERENCES_SECTION, KEY_POLLING_PERIOD, DEFAULT_POLLING_PERIOD_MS);
    return true;
}

bool SavePreferences(CIniStore& store, const Preferences& prefs) {
    const bool port = store.WriteString(PREFERENCES_SECTION, KEY_PORT,
                                        "COM" + std::to_string(prefs.PortIndex + 1));
    const bool warnings =
        store.WriteString(PREFERENCES_SECTION, KEY_WARNINGS, FormatWarnings(prefs.WarningsMask));
    const bool display =
        store.WriteInt(PREFERENCES_SECTION, KEY_DISPLAY_COLOR_ONLY, prefs.DisplayMode == 1 ? 1 : 0);
    return port && warnings && display;
}

std::string FormatWarnings(int mask) {
    std::string text;
    for (const WarningWord& word : WARNING_WORDS) {
        if ((mask & word.Bit) != 0) {
            text += text.empty() ? "" : ",";
            text += word.Word;
        }
    }
    return text.empty() ? "None" : text;
}

int ParseWarnings(const std::string& text) {
    int mask = text.find("All") != std::string::npos ? ALL_WARNINGS : 0;
    for (const WarningWord& word : WARNING_WORDS) {
        if (text.find(word.Word) != std::string::npos) {
            mask |= word.Bit;
        }
    }
    return mask;
}

void LoadPortMap(const CIniStore& store, PortMap& map) {
    for (const std::string& key : store.Keys(PORTS_SECTION)) {
        const std::string portName = AsciiUpper(key);
        const std::string path = store.ReadString(PORTS_SECTION, key, "");
        if (PortNumber(portName) != 0 && !path.empty()) {
            map.Set(portName, path);
        }
    }
}

int EffectivePollingPeriod(int storedMs) {
    if (storedMs < 1) {
        return DEFAULT_POLLING_PERIOD_MS;
    }
    return std::clamp(storedMs, MIN_POLLING_PERIOD_MS, MAX_POLLING_PERIOD_MS);
}
