#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "profile/Preferences.h"
#include "support/IniText.h"
#include "support/TempDir.h"

namespace {

// Values no load would produce, to see what a load left alone.
Preferences Untouched() {
    Preferences prefs;
    prefs.PortName = "untouched";
    prefs.PortIndex = 42;
    prefs.WarningsMask = 42;
    prefs.DisplayMode = 42;
    prefs.PollingPeriodMs = 42;
    return prefs;
}

bool operator==(const Preferences& a, const Preferences& b) {
    return a.PortName == b.PortName && a.PortIndex == b.PortIndex &&
           a.WarningsMask == b.WarningsMask && a.DisplayMode == b.DisplayMode &&
           a.PollingPeriodMs == b.PollingPeriodMs;
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(Preferences, NothingStoredGivesTheDefaults) {
    Preferences prefs = Untouched();
    EXPECT_TRUE(LoadPreferences(CIniStore(), prefs));
    EXPECT_EQ(prefs.PortName, "COM1");
    EXPECT_EQ(prefs.PortIndex, 0);
    EXPECT_EQ(prefs.WarningsMask, WARN_RECOGNITION | WARN_SENSOR | WARN_APPLICATION);
    EXPECT_EQ(prefs.DisplayMode, 0);
    EXPECT_EQ(prefs.PollingPeriodMs, 300);
}

TEST(Preferences, StoredValuesAreRead) {
    Preferences prefs;
    EXPECT_TRUE(LoadPreferences(StoreOf("[settings]\n"
                                        "com port = COM16\n"
                                        "Warnings=Application,Recognition\n"
                                        "DisplayColorOnly=2\n"
                                        "CurrentDataPollingPeriod=150\n"),
                                prefs));
    EXPECT_EQ(prefs.PortName, "COM16");
    EXPECT_EQ(prefs.PortIndex, 15);
    EXPECT_EQ(prefs.WarningsMask, 5);
    EXPECT_EQ(prefs.DisplayMode, 1) << "any non-zero value means colour only";
    EXPECT_EQ(prefs.PollingPeriodMs, 150);

    EXPECT_TRUE(LoadPreferences(StoreOf("[Settings]\nDisplayColorOnly=yes\n"), prefs));
    EXPECT_EQ(prefs.DisplayMode, 0) << "a value that is no number reads as 0";
}

TEST(Preferences, WarningWordsAreFoundAnywhereWithTheirCase) {
    const std::pair<const char*, int> cases[] = {
        {"None", 0},
        {"Sensor,Application", 6},
        {"sensor", 0},
        {"All", 7},
        {"Recognition", 1},
        {"xAllx", 7},
        {"All,None", 7},
        {"Application; Sensor", 6},
        {"", 0},
        {"RecognitionSensorApplication", 7},
    };
    for (const auto& [text, mask] : cases) {
        EXPECT_EQ(ParseWarnings(text), mask) << text;
        Preferences prefs;
        ASSERT_TRUE(LoadPreferences(StoreOf(std::string("[Settings]\nWarnings=") + text), prefs));
        EXPECT_EQ(prefs.WarningsMask, mask) << text;
    }
}

TEST(Preferences, AnInvalidPortLeavesAllFourUntouched) {
    for (const char* port : {"COM17", "COM0", "LPT1", "COM123", "com1", "COM", "COM-1", "COM+1",
                             "COM 1", "COMX", "", "COM00"}) {
        Preferences prefs = Untouched();
        EXPECT_FALSE(LoadPreferences(StoreOf(std::string("[Settings]\n"
                                                         "Warnings=None\n"
                                                         "DisplayColorOnly=1\n"
                                                         "CurrentDataPollingPeriod=100\n"
                                                         "COM Port=") +
                                             port),
                                     prefs))
            << port;
        EXPECT_TRUE(prefs == Untouched()) << port;
    }
}

TEST(Preferences, ThePortNumberIsTheDigitsAfterCom) {
    const struct {
        const char* Stored;
        int Index;
    } cases[] = {{"COM01", 0}, {"COM1", 0}, {"COM9", 8}, {"COM16", 15}, {"COM2x", 1}};
    for (const auto& [stored, index] : cases) {
        Preferences prefs;
        ASSERT_TRUE(LoadPreferences(StoreOf(std::string("[Settings]\nCOM Port=") + stored), prefs))
            << stored;
        EXPECT_EQ(prefs.PortIndex, index) << stored;
        EXPECT_EQ(prefs.PortName, stored) << "the name stays as stored";
    }
}

TEST(Preferences, SavingWritesThreeKeysInWordsAndLoadsBackTheSame) {
    CIniStore store = StoreOf("[Ports]\nCOM3=/dev/ttyUSB0\n\n"
                              "[Settings]\nCurrentDataPollingPeriod=500\nWarnings=All\n");
    Preferences saved;
    saved.PortName = "COM3";
    saved.PortIndex = 2;
    saved.WarningsMask = 7;
    saved.DisplayMode = 1;
    saved.PollingPeriodMs = 100;
    EXPECT_TRUE(SavePreferences(store, saved));
    EXPECT_EQ(store.Text(), "[Ports]\nCOM3=/dev/ttyUSB0\n\n"
                            "[Settings]\nCurrentDataPollingPeriod=500\n"
                            "Warnings=Recognition,Sensor,Application\n"
                            "COM Port=COM3\nDisplayColorOnly=1\n");

    Preferences loaded;
    EXPECT_TRUE(LoadPreferences(store, loaded));
    saved.PollingPeriodMs = 500; // never written: only a hand edit sets it
    EXPECT_TRUE(loaded == saved);

    for (const int mask : {0, 1, 2, 3, 4, 5, 6}) {
        saved.WarningsMask = mask;
        saved.DisplayMode = mask % 2 == 0 ? 0 : -1;
        ASSERT_TRUE(SavePreferences(store, saved));
        ASSERT_TRUE(LoadPreferences(store, loaded));
        EXPECT_EQ(loaded.WarningsMask, mask) << store.ReadString("Settings", "Warnings", "");
        EXPECT_EQ(loaded.DisplayMode, 0) << "only mode 1 stores colour only";
    }
    EXPECT_EQ(FormatWarnings(0), "None");
}

TEST(Preferences, ClosingWithoutAPortStoresCom0WhichTheNextStartRefuses) {
    CIniStore store;
    Preferences closing;
    closing.PortIndex = -1;
    EXPECT_TRUE(SavePreferences(store, closing));
    EXPECT_EQ(store.ReadString("Settings", "COM Port", ""), "COM0");
    Preferences next = Untouched();
    EXPECT_FALSE(LoadPreferences(store, next));
    EXPECT_TRUE(next == Untouched());
}

// A hand-edited period shorter than one reading takes on the line would flood it: 24
// characters at 9600 baud 7E1 take 25 ms.
TEST(Preferences, ThePollingPeriodUsedIsNeverBelowOneReadingOnTheLineNorAboveAMinute) {
    EXPECT_EQ(MIN_POLLING_PERIOD_MS, 25);
    const std::pair<const char*, int> cases[] = {
        {"0", 300},       {"-5", 300},      {"fast", 300},
        {"1", 25},        {"25", 25},       {"300", 300},
        {"60000", 60000}, {"60001", 60000}, {"99999999999", 60000},
    };
    for (const auto& [stored, used] : cases) {
        Preferences prefs;
        ASSERT_TRUE(LoadPreferences(
            StoreOf(std::string("[Settings]\nCurrentDataPollingPeriod=") + stored), prefs));
        EXPECT_EQ(EffectivePollingPeriod(prefs.PollingPeriodMs), used) << stored;
    }
    EXPECT_EQ(EffectivePollingPeriod(Preferences().PollingPeriodMs), 300)
        << "the start value of a run whose port preference was invalid";
}

TEST(Preferences, FileLivesUnderTheUsersConfigFolder) {
    const ScopedEnv home("HOME", "/home/tech");
    {
        const ScopedEnv config("XDG_CONFIG_HOME", "/etc/xdg-tech");
        EXPECT_EQ(PreferencesPath(), "/etc/xdg-tech/Orvane Industries/spectrel.conf");
    }
    for (const char* ignored : {"relative/config", "", static_cast<const char*>(nullptr)}) {
        const ScopedEnv config("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(PreferencesPath(), "/home/tech/.config/Orvane Industries/spectrel.conf");
    }
    const ScopedEnv noHome("HOME", nullptr);
    const ScopedEnv noConfig("XDG_CONFIG_HOME", nullptr);
    const std::string fromPasswd = PreferencesPath();
    EXPECT_TRUE(fromPasswd.starts_with('/') &&
                fromPasswd.ends_with("/.config/Orvane Industries/spectrel.conf"))
        << "the account's home folder when HOME is unset: " << fromPasswd;
}

TEST(Preferences, SavedToTheFileAndReadOnTheNextStart) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const ScopedEnv config("XDG_CONFIG_HOME", dir.Path().c_str());
    Preferences closing;
    closing.PortIndex = 4;
    closing.WarningsMask = WARN_SENSOR;
    closing.DisplayMode = 1;
    CIniStore store;
    ASSERT_TRUE(store.Load(PreferencesPath()));
    ASSERT_TRUE(SavePreferences(store, closing));
    ASSERT_TRUE(store.Save(PreferencesPath())) << store.Error();

    CIniStore next;
    ASSERT_TRUE(next.Load(PreferencesPath())) << next.Error();
    Preferences starting;
    ASSERT_TRUE(LoadPreferences(next, starting));
    EXPECT_EQ(starting.PortName, "COM5");
    EXPECT_EQ(starting.WarningsMask, WARN_SENSOR);
    EXPECT_EQ(starting.DisplayMode, 1);
    EXPECT_EQ(starting.PollingPeriodMs, 300);
}

TEST(Preferences, PortsSectionMapsValidPortNamesToDevices) {
    PortMap map;
    LoadPortMap(StoreOf("[Ports]\n"
                        "COM1=/dev/ttyUSB0\n"
                        "com2 = /dev/serial/by-id/usb-FTDI_A1-if00-port0\n"
                        "COM16=/dev/ttyACM0\n"
                        "COM17=/dev/ttyUSB1\n"
                        "COM0=/dev/ttyUSB2\n"
                        "COM3=\n"
                        "Printer=/dev/lp0\n"
                        "[Settings]\nCOM4=/dev/ttyUSB3\n"),
                map);
    EXPECT_EQ(map.Entries(), (std::map<std::string, std::string>{
                                 {"COM1", "/dev/ttyUSB0"},
                                 {"COM2", "/dev/serial/by-id/usb-FTDI_A1-if00-port0"},
                                 {"COM16", "/dev/ttyACM0"},
                             }));
}
