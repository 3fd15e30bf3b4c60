#include <gtest/gtest.h>

#include <sstream>

#include "PanelFixture.h"
#include "panel/TrendDlg.h"
#include "profile/Preferences.h"
#include "quality/ChannelColour.h"

using namespace std::chrono_literals;

namespace {

// Records what the Trend window was last told to show.
struct FakeTrendView : TrendView {
    std::vector<std::string> Channels;
    int SelectedChannel = -2;
    int Span = -1;
    TrendChart Chart;
    int Charts = 0; // how often the chart was drawn
    TrendTable Table;
    std::string Drift, Overlaps;
    std::vector<MessageBoxRequest> Messages;

    void FillChannels(const std::vector<std::string>& names, int selected) override {
        Channels = names;
        SelectedChannel = selected;
    }
    void SelectSpan(int index) override { Span = index; }
    unsigned ChartColumns() const override { return 50; }
    void ShowChart(const TrendChart& chart) override {
        Chart = chart;
        ++Charts;
    }
    void ShowTable(const TrendTable& table) override { Table = table; }
    void ShowWarnings(const std::string& drift, const std::string& overlaps) override {
        Drift = drift;
        Overlaps = overlaps;
    }
    bool ShowFileDialog(const FileDialogRequest&, std::string&) override { return false; }
    bool SavePicture(const std::string&) override { return false; }
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override {
        Messages.push_back(request);
        return RESULT_OK;
    }
};

SimConfig Unpaced() {
    SimConfig config;
    config.ModelCode = 6;
    config.Pacing = false;
    return config;
}

// Percentages that give exactly these raw counts.
CurrentReading ReadingOf(const RawRgb& raw, unsigned status) {
    const auto percent = [](double count) { return count * 100.0 / RAW_FULL_SCALE; };
    return {percent(raw[0]), percent(raw[1]), percent(raw[2]), status, 0};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

class TrendTest : public PanelTest {
protected:
    // Channel 1 at the target (40/30/20 %) and channel 2 elsewhere, both enabled; the Trend
    // controller follows the panel from before its first reading.
    void Open() {
        LoggedSensor& sensor = StartSensor(Unpaced());
        ASSERT_NO_FATAL_FAILURE(SetUpChannels(sensor, {{1, OUTPUT_HIGH, 1, 40.0, 30.0, 20.0},
                                                       {2, OUTPUT_HIGH, 1, 10.0, 10.0, 80.0}}));
        OpenPanel();
        m_trend = std::make_unique<CTrendDlg>(*m_panel);
        m_panel->SetObserver(m_trend.get());
        ASSERT_TRUE(WaitReady());
    }
    void TearDown() override {
        if (m_panel) {
            m_panel->SetObserver(nullptr);
        }
    }

    std::unique_ptr<CTrendDlg> m_trend;
    FakeTrendView m_trendView;
};

// The history holds readings whether the window is open or not; opened, the window shows the
// panel's channel over 5 minutes, and names overlapping channels only while recognition
// warnings are on. A teach that makes two boxes overlap says so in its report.
TEST_F(TrendTest, FollowsThePanelAndNamesOverlapsAfterATeach) {
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(WaitReading());
    EXPECT_GT(m_trend->History().Size(), 0U);
    m_trend->OnInitDialog(m_trendView);
    EXPECT_EQ(m_trendView.Channels.size(), 4U);
    EXPECT_EQ(m_trendView.SelectedChannel, 0);
    EXPECT_EQ(m_trendView.Span, 1);
    EXPECT_EQ(m_trendView.Overlaps, "");
    ASSERT_TRUE(m_trendView.Chart.Bands.has_value());
    EXPECT_LT((*m_trendView.Chart.Bands)[0].Low, 40.0);
    EXPECT_GT((*m_trendView.Chart.Bands)[0].High, 40.0);
    const std::size_t before = m_trend->History().Size();
    ASSERT_TRUE(WaitReading());
    EXPECT_GT(m_trend->History().Size(), before);
    m_trend->Refresh();
    EXPECT_EQ(m_trendView.Table.Colours[0][COL_COUNT], std::to_string(m_trend->History().Size()));

    Select(1);
    const std::size_t shown = m_view.Messages.size();
    m_panel->OnTeachChannel();
    ASSERT_TRUE(WaitStatus(m_panel->ModelName() + " on line", 5000ms));
    const std::string overlap = "Channel 1 overlaps channel 2: a colour inside both matches both";
    ASSERT_EQ(m_view.Messages.size(), shown + 1);
    EXPECT_NE(m_view.Messages.back().Text.find(overlap), std::string::npos);
    EXPECT_EQ(m_trendView.Overlaps, overlap);
    m_panel->OnWarningsRecognition(); // off
    m_trend->Refresh();
    EXPECT_EQ(m_trendView.Overlaps, "");
}

// Over a scripted hour the table, the chart and the saved data cover the chosen span only,
// the chart holds at most two points per pixel column, the saved rows give the table's
// figures, and readings crowding the box's edge raise the drift warning that steady ones at
// its centre never do.
TEST_F(TrendTest, SpanTableSavedDataAndDriftAgree) {
    ASSERT_NO_FATAL_FAILURE(Open());
    m_trend->OnInitDialog(m_trendView);
    const RawBox box = BoxOfChannel(m_panel->Channel(0).ToSensor());
    const RawRgb centre = CentreOf(box);
    const auto start = std::chrono::steady_clock::now() + 1h;
    const auto wall = std::chrono::system_clock::now();
    for (int second = 0; second < 3600; ++second) {
        const double wobble = (second % 3) - 1.0; // steady noise of a count
        m_trend->AddReading(ReadingOf({centre[0] + wobble, centre[1], centre[2] - wobble}, 1),
                            start + std::chrono::seconds(second),
                            wall + std::chrono::seconds(second));
    }
    EXPECT_EQ(m_trendView.Drift, "");
    EXPECT_EQ(m_trendView.Table.MarginNote, "");
    // 5 minutes over 50 columns: drawn again every 6 s of readings, not with each one.
    EXPECT_NEAR(m_trendView.Charts, 600, 10);
    m_trend->Refresh();
    EXPECT_EQ(m_trendView.Table.Colours[0][COL_COUNT], "301");
    for (const auto& series : m_trendView.Chart.Colours) {
        EXPECT_LE(series.size(), 100U);
    }
    const std::vector<std::string> lines = Lines(m_trend->DataText());
    ASSERT_EQ(lines.size(), 302U);
    EXPECT_EQ(lines[0], "time,red,green,blue,match,margin_1,margin_2");
    double sum = 0.0;
    for (std::size_t row = 1; row < lines.size(); ++row) {
        std::istringstream fields(lines[row]);
        std::string time, red, green, blue, match;
        std::getline(fields, time, ',');
        std::getline(fields, red, ',');
        std::getline(fields, green, ',');
        std::getline(fields, blue, ',');
        std::getline(fields, match, ',');
        EXPECT_EQ(match, "01");
        sum += std::stod(red);
    }
    EXPECT_NEAR(sum / 301.0, std::stod(m_trendView.Table.Colours[0][COL_MEAN]), 0.05);

    m_trend->OnSelchangeSpan(0);
    EXPECT_EQ(m_trendView.Table.Colours[0][COL_COUNT], "61");
    EXPECT_EQ(Lines(m_trend->DataText()).size(), 62U);

    // "Color only" compares shares: the sum stays, so red moves to the edge as it is.
    const double shift = (box.High[0] - centre[0]) * 0.95;
    for (int second = 3600; second < 3620; ++second) {
        m_trend->AddReading(ReadingOf({centre[0] + shift, centre[1], centre[2] - shift}, 1),
                            start + std::chrono::seconds(second),
                            wall + std::chrono::seconds(second));
    }
    EXPECT_EQ(m_trendView.Drift.rfind("Channel 1 drifts", 0), 0U) << m_trendView.Drift;
    EXPECT_EQ(m_trendView.Table.MarginNote, "outside the box, but the sensor reports a match");
}
