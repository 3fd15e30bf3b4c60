// "Current Reading": the display mode, the live colour and the recognized-channel rows.
#include "common/PanelFormat.h"
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "sensor/Sensor.h"

namespace {
constexpr std::array<ChartProperty, 3> CHART_COLORS = {CHART_RED, CHART_GREEN, CHART_BLUE};
constexpr int DISPLAY_COLOR_LUMINOSITY = 0;
constexpr int DISPLAY_COLOR_ONLY = 1;
constexpr int INDICATOR_ON = 255;
} // namespace

void CSpectrelDlg::OnDisplayColorLuminosity() {
    UpdateData(true);
    SetDisplayMode(DISPLAY_COLOR_LUMINOSITY);
}

void CSpectrelDlg::OnDisplayColorOnly() {
    UpdateData(true);
    SetDisplayMode(DISPLAY_COLOR_ONLY);
}

// "Bar" with its 80 % and 20 % marks shows the colour as read; "Pie" shows its proportions.
void CSpectrelDlg::SetDisplayMode(int mode) {
    m_values.DisplayMode = mode;
    const bool bars = mode == DISPLAY_COLOR_LUMINOSITY;
    m_view.SetChartStyle(IDC_CHART, bars ? CHART_STYLE_BAR : CHART_STYLE_PIE);
    m_view.ShowControl(IDC_LABEL_80, bars);
    m_view.ShowControl(IDC_LABEL_20, bars);
    ShowCurrentReading();
    UpdateData(false);
}

void CSpectrelDlg::ShowCurrentReading() {
    const CSensor* sensor = Sensor();
    if (sensor == nullptr || !IsPanelReady()) {
        return;
    }
    Rgb color = {sensor->GetRed(), sensor->GetGreen(), sensor->GetBlue()};
    if (m_values.DisplayMode == DISPLAY_COLOR_ONLY) {
        color = NormalizeColor(color);
    }
    for (std::size_t component = 0; component < color.size(); ++component) {
        const double shown = ClampPercent(color[component]);
        m_values.ReadingTexts[component] = FormatPercent(shown);
        m_view.SetChartColor(IDC_CHART, CHART_COLORS[component], ChartLevel(shown));
    }
}

void CSpectrelDlg::OnSensorData() {
    // Readings only mean something while the panel is ready; one still queued from before a
    // loss or a port change would refill rows that were just emptied.
    const CSensor* sensor = Sensor();
    if (sensor == nullptr || !IsPanelReady()) {
        return;
    }
    UpdateData(true);
    ShowCurrentReading();
    ShowMatchRows(sensor->GetMatchStatus());
    UpdateData(false);
    LogOnReading();
    if (m_observer != nullptr) {
        m_observer->OnReadingShown({sensor->GetRed(), sensor->GetGreen(), sensor->GetBlue(),
                                    sensor->GetMatchStatus(), sensor->GetReadingTime()});
    }
}

// The fifteen-channel model reports the number of the one recognized channel; the others a bit
// per channel, shown as the level of that channel's output line.
void CSpectrelDlg::ShowMatchRows(unsigned status) {
    if (IsFifteenChannel()) {
        m_values.RecognizedTexts[0] =
            status == 0 ? TEXT_NONE_RECOGNIZED : FormatInteger(static_cast<int>(status), 4);
        return;
    }
    int rows = 1;
    if (ChannelCount() > 4) {
        rows = 7;
    } else if (ChannelCount() > 1) {
        rows = 4;
    }
    for (int row = 0; row < rows; ++row) {
        const unsigned matched = (status >> row) & 1U;
        m_view.SetChartColor(INDICATORS[row], CHART_BLUE, matched != 0 ? INDICATOR_ON : 0);
        const unsigned output = Sensor()->GetMatchOutput(static_cast<unsigned>(row) + 1);
        m_values.RecognizedTexts[row] = output == matched ? TEXT_OUTPUT_LOW : TEXT_OUTPUT_HIGH;
    }
}

// Lost communication: the reading and the rows go blank; the chart styles stay.
void CSpectrelDlg::ClearReading() {
    m_values.ReadingTexts = {};
    for (ChartProperty property : CHART_COLORS) {
        m_view.SetChartColor(IDC_CHART, property, 0);
    }
    for (ControlId indicator : INDICATORS) {
        m_view.SetChartColor(indicator, CHART_BLUE, 0);
    }
    m_values.RecognizedTexts = {};
    if (IsFifteenChannel()) {
        m_values.FirstRowLabel.clear();
    }
}

// A record carries the time its reading arrived, not the time the window got to it.
void CSpectrelDlg::LogOnReading() {
    const CSensor* sensor = Sensor();
    if (sensor == nullptr) {
        return;
    }
    const std::time_t now = sensor->GetReadingTime();
    const unsigned status = sensor->GetMatchStatus();
    if (m_logging.RecordDue(now, status)) {
        WriteLogRecord(now, status);
    }
}

bool CSpectrelDlg::WriteLogRecord(std::time_t time, unsigned matchStatus) {
    if (!Sensor() || !IsPanelReady() || !m_logging.IsActive()) {
        return false;
    }
    m_logging.Write(time, matchStatus, m_values.ReadingTexts);
    return true;
}
