// "Color Recognition Channels": the window's channel table, the selected channel and the chain
// that reads every channel from the sensor.
#include "panel/PanelFormat.h"
#include "panel/PanelTexts.h"
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
    const int selected = m_values.SelectedChannel;
    if (selected < 0 || selected >= CHANNEL_TABLE_SIZE) {
        return;
    }
    const PanelChannel& entry = m_channels[selected];
    const Rgb tolerances = {entry.RedTolerance, entry.GreenTolerance, entry.BlueTolerance};
    for (std::size_t component = 0; component < tolerances.size(); ++component) {
        m_values.ToleranceSteps[component] = ToleranceStep(tolerances[component]);
        m_values.ToleranceTexts[component] = FormatPercent(tolerances[component]);
    }
    m_values.ChannelEnabled = entry.Enabled;
    m_values.ChannelMode = entry.Mode;
    m_values.MatchOutput = entry.MatchOutput;
    Rgb color = {entry.RedSetting, entry.GreenSetting, entry.BlueSetting};
    if (entry.Mode == MODE_COLOR_ONLY) {
        color = NormalizeColor(color);
        m_values.LuminosityText.clear();
    } else {
        m_values.LuminosityText = FormatPercent(entry.Luminosity);
    }
    for (std::size_t component = 0; component < color.size(); ++component) {
        m_values.ColorTexts[component] = FormatPercent(color[component]);
    }
}

// Read All makes sense only while some channel's flags or tolerances differ from the sensor's.
void CSpectrelDlg::UpdateChannelButtons() {
    bool differs = false;
    if (m_sensor) {
        for (int channel = 1; channel <= m_channelCount && !differs; ++channel) {
            differs = !m_channels[channel - 1].MatchesSensor(
                m_sensor->GetChannel(static_cast<unsigned>(channel)));
        }
    }
    m_view.EnableControl(IDC_READ_ALL_CHANNELS, differs && m_controlsEnabled);
}

void CSpectrelDlg::OnReadAllChannels() {
    if (m_sensor) {
        StartReadAll();
    }
}

void CSpectrelDlg::StartReadAll() {
    PauseDataPolling();
    EnableControls(false);
    ClearChannelFlags();
    if (m_channelCount == 0) {
        // A code that names no model, met first: there is no channel to ask for, and a sensor
        // asked for one it does not have answers with an error until the request times out.
        FinishReadAll();
        return;
    }
    if (!m_sensor->RequestChannel(1)) {
        ShowWarning(ReadChannelFailedText(1), WARN_SENSOR);
    }
}

void CSpectrelDlg::OnSensorChannel(unsigned channel) {
    if (!m_sensor || channel < 1 || channel > SENSOR_CHANNELS) {
        return;
    }
    PanelChannel& entry = m_channels[channel - 1];
    if (entry.Done != 0) {
        return;
    }
    entry.Done = 1;
    entry.TakeFrom(m_sensor->GetChannel(channel));
    const auto count = static_cast<unsigned>(m_channelCount);
    if (channel == count) {
        if (m_values.SelectedChannel < 0) {
            m_values.SelectedChannel = 0;
        }
        ShowChannel();
        EnableRowLabels();
        UpdateData(false);
    }
    if (channel < count) {
        if (!m_sensor->RequestChannel(channel + 1)) {
            ShowWarning(ReadChannelFailedText(channel + 1), WARN_SENSOR);
        }
        return;
    }
    FinishReadAll();
}

// Every channel is read: the panel is ready and shows the live reading again.
void CSpectrelDlg::FinishReadAll() {
    ResumeDataPolling();
    m_connectedSerial = m_values.SerialNumberText;
    m_panelReady = true;
    ShowOnline();
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
