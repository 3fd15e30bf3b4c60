#include "panel/TrendDlg.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "common/NumberText.h"
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "panel/TrendData.h"
#include "panel/TrendFigures.h"
#include "profile/Preferences.h"
#include "quality/Drift.h"
#include "quality/Margin.h"

CTrendDlg::CTrendDlg(const CSpectrelDlg& panel) : m_panel(panel) {
}

void CTrendDlg::OnReadingShown(const CurrentReading& reading) {
    AddReading(reading, std::chrono::steady_clock::now(), std::chrono::system_clock::now());
}

void CTrendDlg::AddReading(const CurrentReading& reading,
                           std::chrono::steady_clock::time_point arrival,
                           std::chrono::system_clock::time_point wall) {
    m_history.Add(MakeHistoryEntry(arrival, wall, reading));
    if (m_view == nullptr) {
        return;
    }
    if (ColumnPassed()) {
        Refresh();
    } else {
        FollowNewest();
    }
}

// The chart and its statistics change visibly only once the newest reading has moved by a
// pixel column: on the hour's span that is every few seconds, so an hour costs about what a
// minute does.
bool CTrendDlg::ColumnPassed() const {
    if (!m_drawnAt) {
        return true;
    }
    const auto column = std::chrono::duration<double>(std::chrono::minutes(TREND_SPANS[m_span])) /
                        std::max(1U, m_view->ChartColumns());
    return m_history.At(m_history.Size() - 1).Arrival - *m_drawnAt >= column;
}

// Between redraws the margin now and the warnings still follow every reading.
void CTrendDlg::FollowNewest() {
    const std::vector<ChannelDefinition> channels = Channels();
    ShowMarginNow(Selection(channels), m_table);
    m_view->ShowTable(m_table);
    ShowWarnings(channels);
}

void CTrendDlg::OnChannelsChanged() {
    const std::vector<ChannelDefinition> channels = Channels();
    m_overlaps = FindOverlaps(channels);
    if (m_view != nullptr) {
        FillChannelList();
    }
    Refresh();
}

std::vector<ChannelDefinition> CTrendDlg::Channels() const {
    std::vector<ChannelDefinition> channels;
    for (int index = 0; index < m_panel.ChannelCount(); ++index) {
        channels.push_back(m_panel.Channel(index).ToSensor());
    }
    return channels;
}

void CTrendDlg::OnInitDialog(TrendView& view) {
    m_view = &view;
    if (!m_channelPicked) {
        m_channel = m_panel.Values().SelectedChannel;
    }
    FillChannelList();
    m_view->SelectSpan(m_span);
    Refresh();
}

void CTrendDlg::OnDestroy() {
    m_view = nullptr;
    m_drawnAt.reset();
}

void CTrendDlg::FillChannelList() {
    const int count = m_panel.ChannelCount();
    std::vector<std::string> names;
    for (int index = 0; index < count; ++index) {
        names.push_back("Channel " + std::to_string(index + 1));
    }
    if (m_channel >= count || (m_channel < 0 && count > 0)) {
        m_channel = 0;
    }
    m_view->FillChannels(names, count > 0 ? m_channel : -1);
}

void CTrendDlg::OnSelchangeChannel(int index) {
    if (index < 0 || index >= m_panel.ChannelCount()) {
        return;
    }
    m_channel = index;
    m_channelPicked = true;
    Refresh();
}

void CTrendDlg::OnSelchangeSpan(int index) {
    if (index < 0 || index >= static_cast<int>(TREND_SPANS.size())) {
        return;
    }
    m_span = index;
    Refresh();
}

std::size_t CTrendDlg::FirstShown() const {
    if (m_history.Size() == 0) {
        return 0;
    }
    const auto newest = m_history.At(m_history.Size() - 1).Arrival;
    return m_history.FirstSince(newest - std::chrono::minutes(TREND_SPANS[m_span]));
}

TrendSelection CTrendDlg::Selection(const std::vector<ChannelDefinition>& channels) const {
    const bool known = m_channel >= 0 && m_channel < static_cast<int>(channels.size());
    return {m_history,
            FirstShown(),
            known ? &channels[m_channel] : nullptr,
            static_cast<unsigned>(m_channel + 1),
            m_panel.ModelCode(),
            double(TREND_SPANS[m_span]),
            m_view->ChartColumns()};
}

void CTrendDlg::Refresh() {
    if (m_view == nullptr) {
        return;
    }
    const std::vector<ChannelDefinition> channels = Channels();
    TrendFigures figures = BuildTrendFigures(Selection(channels));
    m_view->ShowChart(figures.Chart);
    m_table = std::move(figures.Table);
    m_view->ShowTable(m_table);
    ShowWarnings(channels);
    m_drawnAt.reset();
    if (m_history.Size() > 0) {
        m_drawnAt = m_history.At(m_history.Size() - 1).Arrival;
    }
}

void CTrendDlg::ShowWarnings(const std::vector<ChannelDefinition>& channels) {
    const bool known = m_channel >= 0 && m_channel < static_cast<int>(channels.size());
    m_view->ShowWarnings(known ? DriftText(channels[m_channel]) : std::string(), OverlapText());
}

// The drift rules look at the newest readings whatever span is shown.
std::string CTrendDlg::DriftText(const ChannelDefinition& channel) const {
    if (channel.Enabled == 0 || m_history.Size() == 0) {
        return {};
    }
    const std::size_t count = std::min(m_history.Size(), DRIFT_TREND_READINGS);
    std::vector<double> margins;
    std::vector<double> seconds;
    const auto origin = m_history.At(m_history.Size() - count).Arrival;
    for (std::size_t index = m_history.Size() - count; index < m_history.Size(); ++index) {
        const HistoryEntry& entry = m_history.At(index);
        margins.push_back(ChannelMargin(channel, RawOfEntry(entry)));
        seconds.push_back(std::chrono::duration<double>(entry.Arrival - origin).count());
    }
    const DriftVerdict verdict = CheckDrift(margins, seconds);
    const std::string name = "Channel " + std::to_string(m_channel + 1);
    if (verdict.Kind == DriftKind::LOW_MEAN) {
        return name + " drifts: its mean margin over the last readings is " +
               FormatFixed(verdict.RecentMean, 1) + " %, below " +
               FormatFixed(DRIFT_MEAN_LIMIT, 0) + " %";
    }
    if (verdict.Kind == DriftKind::FALLING_TREND && verdict.SecondsToZero) {
        return name + " drifts: its margin falls and would reach 0 in about " +
               FormatFixed(*verdict.SecondsToZero / 60.0, 1) + " minutes";
    }
    return {};
}

std::string CTrendDlg::OverlapText() const {
    if ((m_panel.WarningsMask() & WARN_RECOGNITION) == 0) {
        return {};
    }
    std::string text;
    for (const ChannelOverlap& overlap : m_overlaps) {
        text += (text.empty() ? "" : "\n") + OverlapMessage(overlap, m_panel.ModelCode());
    }
    return text;
}

std::string CTrendDlg::DataText() const {
    return TrendDataText(m_history, FirstShown(), Channels());
}

void CTrendDlg::OnSaveData() {
    std::string path = "Trend.csv";
    if (m_view != nullptr && AskPath("CSV Files (*.csv)", "*.csv", "csv", path)) {
        SaveData(path);
    }
}

// Drawn first, so that the table shows the figures of exactly the rows saved.
bool CTrendDlg::SaveData(const std::string& path) {
    Refresh();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << DataText();
    file.close();
    if (!file) {
        Report("Could not write " + path + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

void CTrendDlg::OnSavePicture() {
    std::string path = "Trend.png";
    if (m_view == nullptr || !AskPath("PNG Images (*.png)", "*.png", "png", path)) {
        return;
    }
    if (!m_view->SavePicture(path)) {
        Report("Could not write " + path);
    }
}

bool CTrendDlg::AskPath(const char* caption, const char* pattern, const char* extension,
                        std::string& path) {
    const FileDialogRequest request{
        true, path, {{caption, pattern}, {"All Files (*.*)", "*.*"}}, extension};
    return m_view->ShowFileDialog(request, path);
}

void CTrendDlg::Report(const std::string& text) {
    if (m_view != nullptr) {
        m_view->ShowMessageBox({text, PROGRAM_TITLE, ICON_EXCLAMATION});
    }
}
