// "Color Recognition Channels": the window's channel table, the selected channel, the user's
// edits of it and the chain that reads every channel from the sensor. Sending and teaching are
// in ChannelSending.cpp.
#include <algorithm>

#include "common/PanelFormat.h"
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

void CSpectrelDlg::OnSelchangeChannel() {
    if (!UpdateData(true)) {
        return;
    }
    if (m_values.SelectedChannel >= 0) {
        ShowChannel();
        UpdateChannelButtons();
    }
    UpdateData(false);
}

void CSpectrelDlg::ShowChannel() {
    const PanelChannel* entry = SelectedEntry();
    if (entry == nullptr) {
        return;
    }
    ShowTolerances(*entry);
    m_values.ChannelEnabled = entry->Enabled;
    m_values.ChannelMode = entry->Mode;
    m_values.MatchOutput = entry->MatchOutput;
    ShowChannelColor(*entry, entry->Mode);
}

void CSpectrelDlg::ShowTolerances(const PanelChannel& entry) {
    const Rgb tolerances = {entry.RedTolerance, entry.GreenTolerance, entry.BlueTolerance};
    for (std::size_t component = 0; component < tolerances.size(); ++component) {
        m_values.ToleranceSteps[component] = ToleranceStep(tolerances[component]);
        m_values.ToleranceTexts[component] = FormatPercent(tolerances[component]);
    }
}

// "Color only" recognises proportions, so that is what the colour texts show; the luminosity
// plays no part in it and is left empty.
void CSpectrelDlg::ShowChannelColor(const PanelChannel& entry, int mode) {
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

PanelChannel* CSpectrelDlg::SelectedEntry() {
    const int selected = m_values.SelectedChannel;
    if (selected < 0 || selected >= CHANNEL_TABLE_SIZE) {
        return nullptr;
    }
    return &m_channels[static_cast<std::size_t>(selected)];
}

void CSpectrelDlg::OnModeColorLuminosity() {
    SetChannelMode(MODE_COLOR_LUMINOSITY);
}

void CSpectrelDlg::OnModeColorOnly() {
    SetChannelMode(MODE_COLOR_ONLY);
}

void CSpectrelDlg::SetChannelMode(ChannelMode mode) {
    PanelChannel* entry = SelectedEntry();
    if (entry == nullptr) {
        return;
    }
    entry->Mode = static_cast<int>(mode);
    m_values.ChannelMode = entry->Mode;
    ShowChannelColor(*entry, entry->Mode);
    UpdateChannelButtons();
    UpdateData(false);
}

void CSpectrelDlg::OnChannelEnabled() {
    if (!UpdateData(true)) {
        return;
    }
    if (PanelChannel* entry = SelectedEntry()) {
        entry->Enabled = m_values.ChannelEnabled;
        UpdateChannelButtons();
    }
}

void CSpectrelDlg::OnOutputHigh() {
    SetMatchOutput(OUTPUT_HIGH);
}

void CSpectrelDlg::OnOutputLow() {
    SetMatchOutput(OUTPUT_LOW);
}

void CSpectrelDlg::SetMatchOutput(MatchOutputLevel output) {
    PanelChannel* entry = SelectedEntry();
    if (entry == nullptr) {
        return;
    }
    entry->MatchOutput = static_cast<int>(output);
    // The radios already show the new level, but nothing pulls it from them here: the bound
    // value follows, so the next push (a mode change, say) does not put the old level back.
    m_values.MatchOutput = entry->MatchOutput;
    UpdateChannelButtons();
}

void CSpectrelDlg::OnToleranceSpin(int colour) {
    // Before the window is set up, a change reported by a spin is the view filling its controls,
    // not the user.
    if (!m_initialised || colour < 0 || colour >= static_cast<int>(TOLERANCE_SPINS.size())) {
        return;
    }
    if (!UpdateData(true)) {
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
    UpdateChannelButtons();
    UpdateData(false);
}

// Read All and Send All make sense only while some channel differs from the sensor's. The
// teaching tools work on the selected channel, so they need one (a cleared panel has none);
// manual entry types a colour with its luminosity, so it needs that mode too.
void CSpectrelDlg::UpdateChannelButtons() {
    if (!SensorProxy()) {
        m_view.EnableControl(IDC_READ_ALL_CHANNELS, false);
        m_view.EnableControl(IDC_SEND_ALL_CHANNELS, false);
        return;
    }
    const PanelChannel* selected = SelectedEntry();
    const bool teachable = selected != nullptr && m_controlsEnabled;
    m_view.EnableControl(IDC_TEACH_CHANNEL, teachable);
    m_view.EnableControl(IDC_MULTI_SAMPLE_TEACH, teachable);
    m_view.EnableControl(IDC_MANUAL, teachable && selected->Mode == MODE_COLOR_LUMINOSITY);
    bool differs = false;
    for (int channel = 1; channel <= ChannelCount() && !differs; ++channel) {
        differs = !m_channels[channel - 1].MatchesSensor(
            SensorProxy()->GetChannel(static_cast<unsigned>(channel)));
    }
    m_view.EnableControl(IDC_READ_ALL_CHANNELS, differs && m_controlsEnabled);
    m_view.EnableControl(IDC_SEND_ALL_CHANNELS, differs && m_controlsEnabled);
}

void CSpectrelDlg::OnReadAllChannels() {
    if (SensorProxy()) {
        StartReadAll();
    }
}

void CSpectrelDlg::StartReadAll() {
    m_connection.PauseDataPolling();
    EnableControls(false);
    ClearChannelFlags();
    if (ChannelCount() == 0) {
        // A code that names no model, met first: there is no channel to ask for, and a sensor
        // asked for one it does not have answers with an error until the request times out.
        FinishReadAll();
        return;
    }
    if (!SensorProxy()->RequestChannel(1)) {
        m_connection.ReadRequestFailed(ReadChannelFailedText(1));
    }
}

void CSpectrelDlg::OnSensorChannel(unsigned channel) {
    if (!SensorProxy() || channel < 1 || channel > SENSOR_CHANNELS) {
        return;
    }
    PanelChannel& entry = m_channels[channel - 1];
    if (entry.Done != 0) {
        return;
    }
    entry.Done = 1;
    entry.TakeFrom(SensorProxy()->GetChannel(channel));
    const auto count = static_cast<unsigned>(ChannelCount());
    if (channel == count) {
        if (m_values.SelectedChannel < 0) {
            m_values.SelectedChannel = 0;
        }
        ShowChannel();
        EnableRowLabels();
        UpdateData(false);
    }
    if (channel < count) {
        if (!SensorProxy()->RequestChannel(channel + 1)) {
            m_connection.ReadRequestFailed(ReadChannelFailedText(channel + 1));
        }
        return;
    }
    FinishReadAll();
}

// Every channel is read: the panel is ready and shows the live reading again.
void CSpectrelDlg::FinishReadAll() {
    m_connection.SetReady(m_values.SerialNumberText);
    ShowOnline();
    NotifyChannelsChanged();
    OpenPendingProfile();
}

// A greyed row label tells that its channel does not take part in recognition.
void CSpectrelDlg::EnableRowLabels() {
    if (IsFifteenChannel()) {
        return;
    }
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        m_view.EnableControl(ROW_LABELS[row], m_channels[row].Enabled == 1);
    }
}

// The fifteen-channel model shows one row for whichever channel it recognises; the others a
// row for each of their first seven channels.
void CSpectrelDlg::EnableRowLabel(unsigned channel) {
    if (IsFifteenChannel() || channel < 1 || channel > RECOGNIZED_ROWS) {
        return;
    }
    m_view.EnableControl(ROW_LABELS[channel - 1], m_channels[channel - 1].Enabled != 0);
}
