#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "panel/PanelObserver.h"
#include "panel/TrendFigures.h"
#include "panel/TrendView.h"
#include "quality/Overlap.h"
#include "quality/ReadingHistory.h"

class CSpectrelDlg;

// The Trend window: keeps the history of every reading the panel shows from its first one on,
// whether the window is open or not, and while it is open draws the chosen channel's colours,
// tolerance bands and margin over the chosen span, with their statistics, the drift warning and
// the channels whose boxes overlap.
class CTrendDlg : public PanelObserver {
public:
    // The panel must outlive the controller.
    explicit CTrendDlg(const CSpectrelDlg& panel);
    CTrendDlg(const CTrendDlg&) = delete;
    CTrendDlg& operator=(const CTrendDlg&) = delete;

    // PanelObserver
    void OnReadingShown(const CurrentReading& reading) override;
    void OnChannelsChanged() override;
    // A reading with the moments it arrived, for OnReadingShown and for tests.
    void AddReading(const CurrentReading& reading, std::chrono::steady_clock::time_point arrival,
                    std::chrono::system_clock::time_point wall);

    // The window opens (its controls exist) and closes; nothing is drawn while it is closed.
    void OnInitDialog(TrendView& view);
    void OnDestroy();
    // The user's choices: channel index 0.. in the list, span index into TREND_SPANS.
    void OnSelchangeChannel(int index);
    void OnSelchangeSpan(int index);
    void OnSaveData();
    // Writes the shown span to `path`; false, after a message, when it could not be written.
    bool SaveData(const std::string& path);
    void OnSavePicture();
    // Draws everything again (the chart changed size, say).
    void Refresh();

    // State, for the view and for tests
    const CReadingHistory& History() const { return m_history; }
    int SelectedChannel() const { return m_channel; }
    // The shown span as "Save Data..." writes it.
    std::string DataText() const;

private:
    std::vector<ChannelDefinition> Channels() const;
    TrendSelection Selection(const std::vector<ChannelDefinition>& channels) const;
    bool ColumnPassed() const;
    void FollowNewest();
    std::size_t FirstShown() const;
    void FillChannelList();
    void ShowWarnings(const std::vector<ChannelDefinition>& channels);
    std::string DriftText(const ChannelDefinition& channel) const;
    std::string OverlapText() const;
    bool AskPath(const char* caption, const char* pattern, const char* extension,
                 std::string& path);
    void Report(const std::string& text);

    const CSpectrelDlg& m_panel;
    TrendView* m_view = nullptr;
    CReadingHistory m_history;
    std::vector<ChannelOverlap> m_overlaps;
    int m_channel = -1;           // none until the window first opens
    bool m_channelPicked = false; // the user chose; until then the panel's channel is shown
    int m_span = DEFAULT_TREND_SPAN;
    TrendTable m_table; // as last shown
    // The newest reading's arrival when the chart was last drawn; none: draw with the next.
    std::optional<std::chrono::steady_clock::time_point> m_drawnAt;
};
