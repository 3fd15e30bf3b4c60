#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "PanelFixture.h"
#include "logging/LogWriter.h"
#include "sensor/Sensor.h"
#include "support/Deadline.h"
#include "support/DecimalCommaLocale.h"
#include "support/FileText.h"

namespace {

// 12/08/2025 01:20:00 PM in UTC
constexpr std::time_t MONDAY_AFTERNOON = 1765200000;
const std::string RECORD = "12/08/2025 01:20:00 PM, 5.0,100.0,40.0,00\r\n";

std::string Repeat(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

// The readings in the log, the clock in the test's hand, the time of day in UTC.
class LoggingTest : public PanelTest {
protected:
    LoggingTest() : m_log(m_dir + "/log.csv") {
        const char* zone = std::getenv("TZ");
        m_savedZone = zone != nullptr ? std::optional<std::string>(zone) : std::nullopt;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        m_environment.Clock = [this] { return m_now.load(); };
    }
    ~LoggingTest() override {
        if (m_savedZone) {
            ::setenv("TZ", m_savedZone->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

    void SetUp() override {
        SimConfig config = Model(6);
        config.TargetRed = 5.0;
        config.TargetGreen = 100.0;
        config.TargetBlue = 40.0;
        StartSensor(config);
        OpenPanel();
        ASSERT_TRUE(WaitReady());
        Configure({m_log, LOG_CONTINUOUS, 1});
    }

    // "Data Logging Settings" answered with OK.
    void Configure(const LogSettings& settings) {
        m_view.LogSettingsUser = [settings](LogSettings& shown) {
            shown = settings;
            return true;
        };
        m_panel->OnLogSettings();
    }

    void Readings(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(WaitReading());
        }
    }

    bool MenuEnabled(MenuCommand id) {
        m_panel->OnInitMenuPopup();
        return m_view.MenuEnabled[id];
    }

    std::string m_log;
    std::atomic<std::time_t> m_now = MONDAY_AFTERNOON; // read by the proxy's receive thread
    std::optional<std::string> m_savedZone;
};

} // namespace

TEST_F(LoggingTest, ContinuousLoggingWritesEveryReadingAndTurnsTheStatusBar) {
    EXPECT_TRUE(MenuEnabled(ID_LOGGING_START));
    EXPECT_TRUE(MenuEnabled(ID_LOGGING_SETTINGS));
    EXPECT_FALSE(MenuEnabled(ID_LOGGING_STOP));
    m_panel->StartLogging();
    ASSERT_TRUE(m_panel->IsLoggingActive());
    EXPECT_FALSE(MenuEnabled(ID_LOGGING_START));
    EXPECT_FALSE(MenuEnabled(ID_LOGGING_SETTINGS));
    EXPECT_TRUE(MenuEnabled(ID_LOGGING_STOP));
    EXPECT_EQ(m_view.StatusBar, "Data logging inactive"); // until the next reading

    std::string turns;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(WaitReading());
        turns += m_view.StatusBar.back();
        EXPECT_EQ(m_view.StatusBar.substr(0, 34), "Data Logging Active (Continuous)  ");
    }
    EXPECT_EQ(turns, "/-\\|");
    EXPECT_EQ(FileText(m_log), Repeat(RECORD, 4));

    // "Color only": the proportions the display shows.
    m_panel->OnDisplayColorOnly();
    ASSERT_NO_FATAL_FAILURE(Readings(1));
    const std::string logged = Repeat(RECORD, 4) + "12/08/2025 01:20:00 PM, 3.4,69.0,27.6,00\r\n";
    EXPECT_EQ(FileText(m_log), logged);

    m_panel->StopLogging();
    EXPECT_EQ(m_view.StatusBar, "Data logging inactive");
    EXPECT_TRUE(MenuEnabled(ID_LOGGING_START));
    ASSERT_NO_FATAL_FAILURE(Readings(2));
    EXPECT_EQ(FileText(m_log), logged);
    EXPECT_EQ(m_view.StatusBar, "Data logging inactive");
}

TEST_F(LoggingTest, RecordsKeepTheDecimalPointUnderADecimalCommaLocale) {
    const DecimalCommaLocaleGuard locale;
    if (locale.Name().empty()) {
        GTEST_SKIP() << "no decimal-comma locale installed; generate de_DE.UTF-8 to run this test";
    }
    m_panel->StartLogging();
    ASSERT_NO_FATAL_FAILURE(Readings(1));
    EXPECT_EQ(FileText(m_log), RECORD);
}

TEST_F(LoggingTest, AnExistingFileIsOverwrittenAppendedOrLeftAlone) {
    std::ofstream(m_log, std::ios::binary) << "earlier\r\n";
    m_view.XAnswers = {25};
    m_panel->StartLogging();
    ASSERT_EQ(m_view.XBoxes.size(), 1u);
    const FakeView::XBox& box = m_view.XBoxes[0];
    EXPECT_EQ(box.Text, "The log file:\n" + m_log + "\nexists.  What do you want to do?");
    EXPECT_EQ(box.Caption, "Spectrel");
    EXPECT_EQ(box.Style, XMB_ICON_EXCLAMATION);
    EXPECT_EQ(box.Params.CustomButtons, "Overwrite\nAppend\nCancel");
    EXPECT_FALSE(m_panel->IsLoggingActive());
    ASSERT_NO_FATAL_FAILURE(Readings(1));
    EXPECT_EQ(FileText(m_log), "earlier\r\n");

    m_view.XAnswers = {24};
    m_panel->StartLogging();
    ASSERT_NO_FATAL_FAILURE(Readings(1));
    m_panel->StopLogging();
    EXPECT_EQ(FileText(m_log), "earlier\r\n" + RECORD);

    m_view.XAnswers = {23};
    m_panel->StartLogging();
    EXPECT_EQ(FileText(m_log), "");
    ASSERT_NO_FATAL_FAILURE(Readings(1));
    EXPECT_EQ(FileText(m_log), RECORD);
    EXPECT_TRUE(m_view.Messages.empty());
}

TEST_F(LoggingTest, AFileThatCannotBeOpenedOrWrittenLeavesLoggingInactive) {
    Configure({m_dir + "/missing/log.csv", LOG_CONTINUOUS, 1});
    m_panel->StartLogging();
    EXPECT_FALSE(m_panel->IsLoggingActive());
    EXPECT_EQ(m_view.MessageTexts(), (std::vector<std::string>{"Unable to open log file"}));

    m_panel->OnWarningsApplication();
    m_panel->StartLogging();
    EXPECT_FALSE(m_panel->IsLoggingActive());
    EXPECT_EQ(m_view.Messages.size(), 1u);
    m_panel->OnWarningsApplication();

    // A device is no log file, not even one that takes every write.
    Configure({"/dev/full", LOG_CONTINUOUS, 1});
    m_panel->StartLogging();
    EXPECT_FALSE(m_panel->IsLoggingActive());
    EXPECT_EQ(m_view.MessageTexts().back(), "Unable to open log file");

    // A full disk (here: no file may grow): the failed record is reported and logging stops.
    const std::string full = m_dir + "/full.csv";
    Configure({full, LOG_CONTINUOUS, 1});
    m_panel->StartLogging();
    ASSERT_TRUE(m_panel->IsLoggingActive());
    {
        const FileSizeLimit limit(10);
        ASSERT_TRUE(limit.Set());
        ASSERT_NO_FATAL_FAILURE(Readings(1));
    }
    EXPECT_FALSE(m_panel->IsLoggingActive());
    EXPECT_EQ(m_view.MessageTexts().back(),
              "Unable to write to log file\n" + full + ": File too large");
    EXPECT_EQ(m_view.StatusBar, "Data logging inactive");
}

// The size is tested before each record: the file ends at most one record beyond 10 MB, and
// appending to a full file stops at the first record.
TEST_F(LoggingTest, TheTenMegabyteLimitStopsLogging) {
    ASSERT_TRUE(MakeFileOfSize(m_log, CLogWriter::SIZE_LIMIT - 1));
    const auto size = [this] { return static_cast<std::int64_t>(FileText(m_log).size()); };

    m_view.XAnswers = {24};
    m_panel->StartLogging();
    ASSERT_NO_FATAL_FAILURE(Readings(1));
    EXPECT_TRUE(m_panel->IsLoggingActive());
    ASSERT_NO_FATAL_FAILURE(Readings(1));
    EXPECT_FALSE(m_panel->IsLoggingActive());
    EXPECT_EQ(size(), CLogWriter::SIZE_LIMIT - 1 + static_cast<std::int64_t>(RECORD.size()));
    ASSERT_EQ(m_view.Messages.size(), 1u);
    EXPECT_EQ(m_view.Messages[0].Text,
              "The log file size has exceeded the 10 MB limit.\nData logging has been "
              "disabled.\n\nIf you want to continue logging, specify a different file.");
    EXPECT_EQ(m_view.StatusBar, "Data logging inactive");

    m_view.XAnswers = {24};
    m_panel->StartLogging();
    ASSERT_NO_FATAL_FAILURE(Readings(1));
    EXPECT_FALSE(m_panel->IsLoggingActive());
    EXPECT_EQ(m_view.Messages.size(), 2u);
    EXPECT_EQ(size(), CLogWriter::SIZE_LIMIT - 1 + static_cast<std::int64_t>(RECORD.size()));
}

// Stopping and starting again keeps the time the next interval record is due.
TEST_F(LoggingTest, OnIntervalKeepsItsTimingAcrossStopAndStart) {
    Configure({m_log, LOG_ON_INTERVAL, 5});
    m_panel->StartLogging();
    ASSERT_NO_FATAL_FAILURE(Readings(2));
    EXPECT_EQ(FileText(m_log), RECORD);
    EXPECT_EQ(m_view.StatusBar.substr(0, 39), "Data Logging Active (Log on Interval)  ");

    m_panel->StopLogging();
    m_now += 2;
    m_view.XAnswers = {24};
    m_panel->StartLogging();
    ASSERT_NO_FATAL_FAILURE(Readings(2));
    EXPECT_EQ(FileText(m_log).size(), RECORD.size());
    m_now += 3;
    ASSERT_NO_FATAL_FAILURE(Readings(2));
    EXPECT_EQ(FileText(m_log), RECORD + "12/08/2025 01:20:05 PM, 5.0,100.0,40.0,00\r\n");
}

// The interval is taken only with "Log on interval"; Cancel changes nothing; while logging
// the dialog does not open.
TEST_F(LoggingTest, SettingsDialogTakesTheIntervalOnlyForItsMode) {
    Configure({"/tmp/a.csv", LOG_ON_MATCH, 9});
    EXPECT_EQ(m_panel->LogSetup(), (LogSettings{"/tmp/a.csv", LOG_ON_MATCH, 1}));
    Configure({"/tmp/b.csv", LOG_ON_INTERVAL, 9});
    EXPECT_EQ(m_panel->LogSetup(), (LogSettings{"/tmp/b.csv", LOG_ON_INTERVAL, 9}));
    m_view.LogSettingsUser = [](LogSettings& shown) {
        shown = {"/tmp/c.csv", LOG_CONTINUOUS, 3};
        return false;
    };
    m_panel->OnLogSettings();
    EXPECT_EQ(m_panel->LogSetup(), (LogSettings{"/tmp/b.csv", LOG_ON_INTERVAL, 9}));

    Configure({m_log, LOG_CONTINUOUS, 1});
    m_panel->StartLogging();
    Configure({"/tmp/d.csv", LOG_ON_MATCH, 1});
    EXPECT_EQ(m_panel->LogSetup().FileName, m_log);
}

// A box left open: the reading display and the log go on behind it, each record with the time
// its reading arrived. A reading the window gets to late keeps the time it came.
TEST_F(LoggingTest, ReadingsGoOnBehindABoxEachLoggedWithTheTimeItArrived) {
    m_panel->StartLogging();
    const auto logged = [this](const std::string& time) {
        return FileText(m_log).find("12/08/2025 " + time + " PM,") != std::string::npos;
    };
    m_view.WhileBoxOpen = [&] {
        m_view.WhileBoxOpen = nullptr;
        for (const char* time : {"01:20:01", "01:20:02"}) {
            ++m_now;
            EXPECT_TRUE(m_view.PumpUntil(*m_panel, [&] { return logged(time); })) << time;
        }
        EXPECT_EQ(m_view.StatusBar.substr(0, 34), "Data Logging Active (Continuous)  ");
    };
    m_view.Calls.Action([this] { m_panel->OnAbout(); });
    ASSERT_EQ(m_view.AboutBoxes.size(), 1u);

    // The window busy elsewhere while a reading comes in at 01:20:03.
    CSensor& proxy = *m_panel->SensorProxy();
    ++m_now;
    ASSERT_TRUE(AdvanceUntil([&] { return proxy.GetReadingTime() == m_now; }));
    proxy.StopDataPolling();
    ASSERT_TRUE(proxy.WaitUntilIdle(1000));
    m_now = MONDAY_AFTERNOON + 9;
    EXPECT_TRUE(m_view.PumpUntil(*m_panel, [&] { return logged("01:20:03"); }));
    EXPECT_FALSE(logged("01:20:09"));
}
