// "Color Recognition Channels": the window's channel table, the selected channel, the user's
// edits of it, and what the chains that read and send every channel do with each entry.
#include "panel/ChannelTable.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "common/PanelFormat.h"
#include "common/PanelTexts.h"
#include "panel/PanelConnection.h"
#include "panel/PanelFrame.h"
#include "panel/PanelValues.h"
#include "profile/Preferences.h"
#include "quality/Overlap.h"
#include "sensor/Sensor.h"

CChannelTable::CChannelTable(PanelView& view, PanelValues& values, PanelFrame& frame,
                             CPanelConnection& connection)
    : m_view(view), m_values(values), m_frame(frame), m_connection(connection) {
}

void CChannelTable::Select() {
    if (!m_frame.UpdateData(true)) {
        return;
    }
    if (m_values.SelectedChannel >= 0) {
        Show();
        UpdateButtons();
    }
    m_frame.UpdateData(false);
}

void CChannelTable::Show() {
    const PanelChannel* entry = Selected();
    if (entry == nullptr) {
        return;
    }
    ShowTolerances(*entry);
    m_values.ChannelEnabled = entry->Enabled;
    m_values.ChannelMode = entry->Mode;
    m_values.MatchOutput = entry->MatchOutput;
    ShowColor(*entry, entry->Mode);
}

void CChannelTable::ShowTolerances(const PanelChannel& entry) {
    const Rgb tolerances = {entry.RedTolerance, entry.GreenTolerance, entry.BlueTolerance};
    for (std::size_t component = 0; component < tolerances.size(); ++component) {
        m_values.ToleranceSteps[component] = ToleranceStep(tolerances[component]);
        m_values.ToleranceTexts[component] = FormatPercent(tolerances[component]);
    }
}

// "Color only" recognises proportions, so that is what the colour texts show; the luminosity
// plays no part in it and is left empty.
void CChannelTable::ShowColor(const PanelChannel& entry, int mode) {
    Rgb color = {entry.RedSetting, entry.GreenSetting, entry.BlueSetting};
    if (mode == MODE_COLOR_ONLY) {
        color = NormalizeColor(color);
        m_values.LuminosityText.clear();
    } else {
        m_values.LuminosityText = FormatPercent(entry.Luminosity);
    }
    for (std::size_t component = 0; component < color.size(); ++component) {
        m_values.ColorTexts[component] = FormatPercent(color[component]);
    }
}

const PanelChannel* CChannelTable::Selected() const {
    const int selected = m_values.SelectedChannel;
    if (selected < 0 || selected >= SIZE) {
        return nullptr;
    }
    return &m_channels[static_cast<std::size_t>(selected)];
}

PanelChannel* CChannelTable::SelectedEntry() {
    return const_cast<PanelChannel*>(std::as_const(*this).Selected());
}

void CChannelTable::SetMode(ChannelMode mode) {
    PanelChannel* entry = SelectedEntry();
    if (entry == nullptr) {
        return;
    }
    entry->Mode = static_cast<int>(mode);
    m_values.ChannelMode = entry->Mode;
    ShowColor(*entry, entry->Mode);
    UpdateButtons();
    m_frame.UpdateData(false);
}

void CChannelTable::TakeEnabled() {
    if (!m_frame.UpdateData(true)) {
        return;
    }
    if (PanelChannel* entry = SelectedEntry()) {
        entry->Enabled = m_values.ChannelEnabled;
        UpdateButtons();
    }
}

void CChannelTable::SetMatchOutput(MatchOutputLevel output) {
    PanelChannel* entry = SelectedEntry();
    if (entry == nullptr) {
        return;
    }
    entry->MatchOutput = static_cast<int>(output);
    // The radios already show the new level, but nothing pulls it from them here: the bound
    // value follows, so the next push (a mode change, say) does not put the old level back.
    m_values.MatchOutput = entry->MatchOutput;
    UpdateButtons();
}

void CChannelTable::SpinTolerance(int colour) {
    if (colour < 0 || colour >= static_cast<int>(TOLERANCE_SPINS.size()) ||
        !m_frame.UpdateData(true)) {
        return;
    }
    const auto component = static_cast<std::size_t>(colour);
    // Held to the spin's own range, so the channel never takes a tolerance outside 0.5 to 50 %
    // that would later go to the sensor.
    int& step = m_values.ToleranceSteps[component];
    step = std::clamp(step, MIN_TOLERANCE_STEP, MAX_TOLERANCE_STEP);
    const double tolerance = StepTolerance(step);
    m_values.ToleranceTexts[component] = FormatPercent(tolerance);
    if (PanelChannel* entry = SelectedEntry()) {
        entry->SetTolerance(component, tolerance);
    }
    UpdateButtons();
    m_frame.UpdateData(false);
}

// Read All and Send All make sense only while some channel differs from the sensor's. The
// teaching tools work on the selected channel, so they need one (a cleared panel has none);
// manual entry types a colour with its luminosity, so it needs that mode too.
void CChannelTable::UpdateButtons() {
    if (m_connection.Sensor() == nullptr) {
        m_view.EnableControl(IDC_READ_ALL_CHANNELS, false);
        m_view.EnableControl(IDC_SEND_ALL_CHANNELS, false);
        return;
    }
    const bool enabled = m_frame.AreControlsEnabled();
    const PanelChannel* selected = Selected();
    const bool teachable = selected != nullptr && enabled;
    m_view.EnableControl(IDC_TEACH_CHANNEL, teachable);
    m_view.EnableControl(IDC_MULTI_SAMPLE_TEACH, teachable);
    m_view.EnableControl(IDC_MANUAL, teachable && selected->Mode == MODE_COLOR_LUMINOSITY);
    const bool differs = DiffersFromSensor();
    m_view.EnableControl(IDC_READ_ALL_CHANNELS, differs && enabled);
    m_view.EnableControl(IDC_SEND_ALL_CHANNELS, differs && enabled);
}

// The one place the panel's channels are held against the sensor's.
bool CChannelTable::DiffersFromSensor() const {
    const CSensor& sensor = *m_connection.Sensor();
    for (int channel = 1; channel <= m_connection.ChannelCount(); ++channel) {
        if (!m_channels[channel - 1].MatchesSensor(
                sensor.GetChannel(static_cast<unsigned>(channel)))) {
            return true;
        }
    }
    return false;
}

void CChannelTable::Clear() {
    m_view.FillCombo(IDC_CHANNEL, ChannelItems(m_connection.ChannelCount()));
    m_values.SelectedChannel = -1;
    m_values.ChannelMode = -1;
    m_values.MatchOutput = -1;
    m_values.ChannelEnabled = 0;
    m_values.ColorTexts = {};
    m_values.LuminosityText.clear();
    m_values.ToleranceSteps = {1, 1, 1};
    m_values.ToleranceTexts = {};
    for (ControlId spin : TOLERANCE_SPINS) {
        m_view.SetSpinRange(spin, MIN_TOLERANCE_STEP, MAX_TOLERANCE_STEP);
        m_view.SetSpinPosition(spin, 0);
    }
    for (PanelChannel& channel : m_channels) {
        channel.Reset();
    }
}

void CChannelTable::ClearFlags() {
    for (PanelChannel& channel : m_channels) {
        channel.Done = 0;
    }
}

// A greyed row label tells that its channel does not take part in recognition.
void CChannelTable::EnableRowLabels() {
    if (m_connection.IsFifteenChannel()) {
        return;
    }
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        m_view.EnableControl(ROW_LABELS[row], m_channels[row].Enabled == 1);
    }
}

// The fifteen-channel model shows one row for whichever channel it recognises; the others a
// row for each of their first seven channels.
void CChannelTable::EnableRowLabel(unsigned channel) {
    if (m_connection.IsFifteenChannel() || channel < 1 || channel > RECOGNIZED_ROWS) {
        return;
    }
    m_view.EnableControl(ROW_LABELS[channel - 1], m_channels[channel - 1].Enabled != 0);
}

bool CChannelTable::StartReadAll() {
    m_connection.PauseDataPolling();
    m_frame.EnableControls(false);
    ClearFlags();
    if (m_connection.ChannelCount() == 0) {
        // A code that names no model, met first: there is no channel to ask for, and a sensor
        // asked for one it does not have answers with an error until the request times out.
        return false;
    }
    if (!m_connection.Sensor()->RequestChannel(1)) {
        m_connection.ReadRequestFailed(ReadChannelFailedText(1));
    }
    return true;
}

// A chain's reply for channel 1..last counts once; false for one out of range or counted.
bool CChannelTable::CountReply(unsigned channel, unsigned last) {
    if (channel < 1 || channel > last || m_channels[channel - 1].Done != 0) {
        return false;
    }
    m_channels[channel - 1].Done = 1;
    return true;
}

bool CChannelTable::TakeRead(unsigned channel) {
    if (!CountReply(channel, SENSOR_CHANNELS)) {
        return false;
    }
    CSensor& sensor = *m_connection.Sensor();
    m_channels[channel - 1].TakeFrom(sensor.GetChannel(channel));
    const auto count = static_cast<unsigned>(m_connection.ChannelCount());
    if (channel == count) {
        if (m_values.SelectedChannel < 0) {
            m_values.SelectedChannel = 0;
        }
        Show();
        EnableRowLabels();
        m_frame.UpdateData(false);
    }
    if (channel < count) {
        if (!sensor.RequestChannel(channel + 1)) {
            m_connection.ReadRequestFailed(ReadChannelFailedText(channel + 1));
        }
        return false;
    }
    return true;
}

bool CChannelTable::PrepareSendAll() {
    if (m_connection.ChannelCount() == 0 || !m_frame.UpdateData(true)) {
        return false;
    }
    m_connection.PauseDataPolling();
    m_frame.EnableControls(false);
    ClearFlags();
    return true;
}

void CChannelTable::Send(unsigned channel) {
    const PanelChannel& entry = m_channels[channel - 1];
    if (!m_connection.Sensor()->SendChannel(
            channel, static_cast<unsigned>(entry.MatchOutput), static_cast<unsigned>(entry.Enabled),
            static_cast<unsigned>(entry.Mode), entry.RedSetting, entry.GreenSetting,
            entry.BlueSetting, entry.RedTolerance, entry.GreenTolerance, entry.BlueTolerance)) {
        m_frame.ShowWriteFailure(SendChannelFailedText(channel));
    }
}

// The proxy acknowledges an unchanged channel without writing, so the chain always walks every
// channel; each counts once.
bool CChannelTable::TakeSent(unsigned channel) {
    const auto count = static_cast<unsigned>(m_connection.ChannelCount());
    if (!CountReply(channel, count)) {
        return false;
    }
    if (channel < count) {
        Send(channel + 1);
        return false;
    }
    return true;
}

// The sensor's bounds are what it recognises: a tolerance they changed is reported, never
// refused.
bool CChannelTable::TakeFromSensor(unsigned channel, const std::optional<Tolerances>& requested) {
    const CSensor* sensor = m_connection.Sensor();
    if (sensor == nullptr || channel < 1 || channel > SENSOR_CHANNELS) {
        return false;
    }
    const ChannelDefinition taught = sensor->GetChannel(channel);
    const Tolerances tolerances = {taught.RedTolerance, taught.GreenTolerance,
                                   taught.BlueTolerance};
    PanelChannel& entry = m_channels[channel - 1];
    std::string report;
    for (std::size_t component = 0; component < tolerances.size(); ++component) {
        const double tolerance = tolerances[component];
        if (requested && tolerance != (*requested)[component] &&
            (m_frame.WarningsMask() & WARN_RECOGNITION) != 0) {
            report += (report.empty() ? "" : "\n") + ToleranceAdjustedText(component, tolerance);
        }
        entry.SetTolerance(component, tolerance);
    }
    const std::string overlaps = OverlapReport(channel, taught);
    if (!overlaps.empty()) {
        report += (report.empty() ? "" : "\n") + overlaps;
    }
    if (!report.empty()) {
        m_frame.MessageBox(report, ICON_INFORMATION);
    }
    entry.RedSetting = taught.RedSetting;
    entry.GreenSetting = taught.GreenSetting;
    entry.BlueSetting = taught.BlueSetting;
    entry.Luminosity = ChannelLuminosity(entry.RedSetting, entry.GreenSetting, entry.BlueSetting);
    ShowTolerances(entry);
    ShowColor(entry, m_values.ChannelMode);
    return true;
}

// The taught channel as the sensor now holds it, against the panel's other channels.
std::string CChannelTable::OverlapReport(unsigned channel, const ChannelDefinition& taught) const {
    if ((m_frame.WarningsMask() & WARN_RECOGNITION) == 0) {
        return {};
    }
    std::vector<ChannelDefinition> channels;
    for (int index = 0; index < m_connection.ChannelCount(); ++index) {
        channels.push_back(
            static_cast<unsigned>(index) + 1 == channel ? taught : m_channels[index].ToSensor());
    }
    std::string report;
    for (const ChannelOverlap& overlap : FindOverlaps(channels)) {
        if (overlap.First == channel || overlap.Second == channel) {
            report +=
                (report.empty() ? "" : "\n") + OverlapMessage(overlap, m_connection.ModelCode());
        }
    }
    return report;
}
