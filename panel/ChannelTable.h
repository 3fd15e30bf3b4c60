#pragma once

#include <array>
#include <optional>
#include <string>

#include "profile/PanelChannel.h"

class CPanelConnection;
class PanelFrame;
class PanelView;
struct PanelValues;

// "Color Recognition Channels": the window's table of channels, the selected channel's
// controls, the user's edits of it, the steps of reading and sending every channel, and the
// comparison with the sensor's copy that decides which buttons make sense.
class CChannelTable {
public:
    static constexpr int SIZE = 16;
    static constexpr unsigned SENSOR_CHANNELS = 15;
    using Table = std::array<PanelChannel, SIZE>;
    // The tolerances a teaching tool asked for, red, green, blue.
    using Tolerances = std::array<double, 3>;

    CChannelTable(PanelView& view, PanelValues& values, PanelFrame& frame,
                  CPanelConnection& connection);

    const PanelChannel& Channel(int index) const { return m_channels[index]; }
    const Table& Entries() const { return m_channels; }
    void SetEntries(const Table& entries) { m_channels = entries; }
    // The entry of the channel selected in the combo; nullptr while none is.
    const PanelChannel* Selected() const;

    // The user's edits of the selected channel.
    void Select();
    void SetMode(ChannelMode mode);
    void TakeEnabled();
    void SetMatchOutput(MatchOutputLevel output);
    void SpinTolerance(int colour);

    // The selected channel into the channel controls.
    void Show();
    void UpdateButtons();
    // Every channel empty, none selected; the done flags stay with the running chain.
    void Clear();
    void ClearFlags();
    void EnableRowLabels();
    void EnableRowLabel(unsigned channel);

    // Reading every channel. False when there is none to read: the chain is done at once.
    bool StartReadAll();
    // The sensor's channel `channel` was read; true when it was the last.
    bool TakeRead(unsigned channel);
    // Sending every channel: the data exchange, polling paused, the panel disabled. False when
    // there is nothing to send.
    bool PrepareSendAll();
    // Sends the entry of channel 1..15 as the sensor's channel; a refused write ends the chain.
    void Send(unsigned channel);
    // The sensor acknowledged channel `channel` of the chain; true when it was the last.
    bool TakeSent(unsigned channel);
    // Channel 1..15 as the sensor proxy now holds it, with a report of the tolerances that
    // differ from `requested` and of the overlaps it makes. False when there is no such channel.
    bool TakeFromSensor(unsigned channel, const std::optional<Tolerances>& requested);

private:
    PanelChannel* SelectedEntry();
    bool CountReply(unsigned channel, unsigned last);
    void ShowTolerances(const PanelChannel& entry);
    void ShowColor(const PanelChannel& entry, int mode);
    bool DiffersFromSensor() const;
    std::string OverlapReport(unsigned channel, const ChannelDefinition& taught) const;

    PanelView& m_view;
    PanelValues& m_values;
    PanelFrame& m_frame;
    CPanelConnection& m_connection;
    Table m_channels{};
};
