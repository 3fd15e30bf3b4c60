#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "logging/LogSettingsDlg.h"

namespace {

// The dialog's controls without a screen; tests type into Controls and script the file dialog.
class FakeLogSettingsView : public LogSettingsView {
public:
    void Push(const LogSettingsValues& values) override { Controls = values; }
    LogSettingsValues Pull() const override { return Controls; }
    void EnableInterval(bool enable) override { IntervalEnabled = enable; }
    bool ChooseLogFile(const std::string& initial, std::string& chosen) override {
        BrowsedFrom = initial;
        if (!Chosen) {
            return false;
        }
        chosen = *Chosen;
        return true;
    }
    void RefuseInterval(const std::string& message) override { Refusals.push_back(message); }

    LogSettingsValues Controls;
    std::optional<bool> IntervalEnabled;
    std::optional<std::string> Chosen; // none: the file dialog is cancelled
    std::string BrowsedFrom;
    std::vector<std::string> Refusals;
};

const LogSettings OPENED{"/var/log/line/old.csv", LOG_ON_MATCH, 7};

} // namespace

TEST(LogSettingsDlg, ShowsTheSettingsAndEnablesTheIntervalOnlyForItsMode) {
    FakeLogSettingsView view;
    CLogSettingsDlg dialog(view, OPENED);
    dialog.OnInitDialog();
    EXPECT_EQ(view.Controls.Mode, LOG_ON_MATCH);
    EXPECT_EQ(view.Controls.IntervalText, "7");
    EXPECT_EQ(view.Controls.FileName, "/var/log/line/old.csv");
    EXPECT_EQ(view.IntervalEnabled, false);
    dialog.OnIntervalOn();
    EXPECT_EQ(view.IntervalEnabled, true);
    dialog.OnIntervalOff();
    EXPECT_EQ(view.IntervalEnabled, false);
}

// The interval must be an integer even while its edit is disabled; the dialog then stays open
// with what it had. Zero and negative intervals are integers and taken.
TEST(LogSettingsDlg, OkRefusesAnIntervalThatIsNotAnInteger) {
    FakeLogSettingsView view;
    CLogSettingsDlg dialog(view, OPENED);
    dialog.OnInitDialog();
    view.Controls.FileName = "new.csv";
    for (const char* text : {"", "   ", "abc", "5s", "1.5", "99999999999", "--3"}) {
        view.Controls.IntervalText = text;
        EXPECT_FALSE(dialog.OnOK()) << '"' << text << '"';
    }
    EXPECT_EQ(view.Refusals.size(), 7u);
    EXPECT_EQ(dialog.Settings(), OPENED);

    for (const auto& [text, seconds] :
         std::vector<std::pair<const char*, int>>{{" 12 ", 12}, {"+4", 4}, {"0", 0}, {"-3", -3}}) {
        view.Controls.IntervalText = text;
        ASSERT_TRUE(dialog.OnOK()) << text;
        EXPECT_EQ(dialog.Settings().Interval, seconds);
    }
    EXPECT_EQ(dialog.Settings().FileName, "new.csv");
}

// With "Log on interval" chosen, only an interval a saved profile keeps is taken: 0 would log
// every reading, and the profile would report a bad entry when loaded.
TEST(LogSettingsDlg, OkOnIntervalRefusesAnIntervalAProfileWouldNotKeep) {
    FakeLogSettingsView view;
    CLogSettingsDlg dialog(view, OPENED);
    dialog.OnInitDialog();
    view.Controls.Mode = LOG_ON_INTERVAL;
    for (const char* text : {"0", "-3", "101"}) {
        view.Controls.IntervalText = text;
        EXPECT_FALSE(dialog.OnOK()) << text;
    }
    EXPECT_EQ(view.Refusals,
              std::vector<std::string>(3, "Please enter an integer between 1 and 100."));
    EXPECT_EQ(dialog.Settings(), OPENED);
    for (const char* text : {"1", "100"}) {
        view.Controls.IntervalText = text;
        EXPECT_TRUE(dialog.OnOK()) << text;
    }
}

// Browse takes the chosen path and refreshes every control from what the dialog holds.
TEST(LogSettingsDlg, BrowseTakesTheChosenFile) {
    FakeLogSettingsView view;
    CLogSettingsDlg dialog(view, OPENED);
    dialog.OnInitDialog();
    view.Controls.Mode = LOG_CONTINUOUS;
    dialog.OnBrowse();
    EXPECT_EQ(view.BrowsedFrom, "/var/log/line/old.csv");
    EXPECT_EQ(view.Controls.Mode, LOG_CONTINUOUS); // cancelled: nothing refreshed

    view.Chosen = "/home/tech/line3.csv";
    dialog.OnBrowse();
    EXPECT_EQ(view.Controls.FileName, "/home/tech/line3.csv");
    EXPECT_EQ(view.Controls.Mode, LOG_ON_MATCH);
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(dialog.Settings(), (LogSettings{"/home/tech/line3.csv", LOG_ON_MATCH, 7}));
}
