// "Color Recognition Channels": the chain that sends every channel to the sensor, and the
// single teach of the selected channel from the colour the sensor sees.
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

void CSpectrelDlg::OnSendAllChannels() {
    if (!SensorProxy() || ChannelCount() == 0 || !UpdateData(true)) {
        return;
    }
    m_connection.PauseDataPolling();
    EnableControls(false);
    ClearChannelFlags();
    m_command = PanelCommand::SendAllChannels;
    SendEntry(1);
}

// Sends entry channel - 1 as the sensor's channel `channel`; a refused write ends the chain.
void CSpectrelDlg::SendEntry(unsigned channel) {
    const PanelChannel& entry = m_channels[channel - 1];
    if (!SensorProxy()->SendChannel(
            channel, static_cast<unsigned>(entry.MatchOutput), static_cast<unsigned>(entry.Enabled),
            static_cast<unsigned>(entry.Mode), entry.RedSetting, entry.GreenSetting,
            entry.BlueSetting, entry.RedTolerance, entry.GreenTolerance, entry.BlueTolerance)) {
        ShowWriteFailure(SendChannelFailedText(channel));
    }
}

// A single channel a teaching dialog sent and the sensor has not yet acknowledged.
void CSpectrelDlg::AwaitChannelSent(unsigned channel) {
    m_command = PanelCommand::SendChannel;
    m_commandChannel = channel;
}

// The proxy acknowledges an unchanged channel without writing, so the chain always walks every
// channel; each counts once.
void CSpectrelDlg::OnSensorChannelSent(unsigned channel) {
    if (m_command == PanelCommand::SendChannel && channel == m_commandChannel) {
        m_command = PanelCommand::None;
        m_commandChannel = 0;
        return;
    }
    const auto count = static_cast<unsigned>(ChannelCount());
    if (!SensorProxy() || m_command != PanelCommand::SendAllChannels || channel < 1 ||
        channel > count) {
        return;
    }
    PanelChannel& entry = m_channels[channel - 1];
    if (entry.Done != 0) {
        return;
    }
    entry.Done = 1;
    if (channel < count) {
        SendEntry(channel + 1);
        return;
    }
    FinishSendAll();
}

void CSpectrelDlg::FinishSendAll() {
    m_command = PanelCommand::None;
    m_connection.ResumeDataPolling();
    EnableRowLabels();
    UpdateData(false);
    EnableControls(true);
    NotifyChannelsChanged();
}

void CSpectrelDlg::OnTeachChannel() {
    const PanelChannel* entry = SelectedEntry();
    if (!SensorProxy() || entry == nullptr) {
        return;
    }
    const auto channel = static_cast<unsigned>(m_values.SelectedChannel) + 1;
    BeginTeach(channel);
    if (!SensorProxy()->TeachChannel(channel, static_cast<unsigned>(entry->MatchOutput),
                                     static_cast<unsigned>(entry->Enabled),
                                     static_cast<unsigned>(entry->Mode), entry->RedTolerance,
                                     entry->GreenTolerance, entry->BlueTolerance)) {
        // The status keeps the teaching text: the channel was not taught.
        ShowWriteFailure(TeachChannelFailedText(channel));
        return;
    }
    m_command = PanelCommand::Teach;
    m_commandChannel = channel;
}

void CSpectrelDlg::BeginTeach(unsigned channel) {
    if (SensorProxy()) {
        m_connection.PauseDataPolling();
    }
    SetStatusText(TeachingText(channel), false);
    UpdateData(false);
    EnableControls(false);
}
