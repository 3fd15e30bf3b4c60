// "Color Recognition Channels", the window's side: the chains that read and send every channel,
// and the single teach of the selected channel from the colour the sensor sees.
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

void CSpectrelDlg::OnToleranceSpin(int colour) {
    // Before the window is set up, a change reported by a spin is the view filling its controls,
    // not the user.
    if (m_initialised) {
        m_channels.SpinTolerance(colour);
    }
}

void CSpectrelDlg::OnReadAllChannels() {
    if (Sensor()) {
        StartReadAll();
    }
}

void CSpectrelDlg::StartReadAll() {
    if (!m_channels.StartReadAll()) {
        FinishReadAll();
    }
}

void CSpectrelDlg::OnSensorChannel(unsigned channel) {
    if (Sensor() && m_channels.TakeRead(channel)) {
        FinishReadAll();
    }
}

// Every channel is read: the panel is ready and shows the live reading again.
void CSpectrelDlg::FinishReadAll() {
    m_connection.SetReady(m_values.SerialNumberText);
    ShowOnline();
    NotifyChannelsChanged();
    OpenPendingProfile();
}

void CSpectrelDlg::OnSendAllChannels() {
    if (!Sensor() || !m_channels.PrepareSendAll()) {
        return;
    }
    m_command = PanelCommand::SendAllChannels;
    m_channels.Send(1);
}

// A single channel a teaching dialog sent and the sensor has not yet acknowledged.
void CSpectrelDlg::AwaitChannelSent(unsigned channel) {
    m_command = PanelCommand::SendChannel;
    m_commandChannel = channel;
}

void CSpectrelDlg::OnSensorChannelSent(unsigned channel) {
    if (m_command == PanelCommand::SendChannel && channel == m_commandChannel) {
        m_command = PanelCommand::None;
        m_commandChannel = 0;
        return;
    }
    if (Sensor() && m_command == PanelCommand::SendAllChannels && m_channels.TakeSent(channel)) {
        FinishSendAll();
    }
}

void CSpectrelDlg::FinishSendAll() {
    m_command = PanelCommand::None;
    m_connection.ResumeDataPolling();
    m_channels.EnableRowLabels();
    UpdateData(false);
    EnableControls(true);
    NotifyChannelsChanged();
}

void CSpectrelDlg::OnTeachChannel() {
    const PanelChannel* entry = m_channels.Selected();
    CSensor* sensor = SensorProxy();
    if (sensor == nullptr || entry == nullptr) {
        return;
    }
    const auto channel = static_cast<unsigned>(m_values.SelectedChannel) + 1;
    BeginTeach(channel);
    if (!sensor->TeachChannel(channel, static_cast<unsigned>(entry->MatchOutput),
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
    if (Sensor()) {
        m_connection.PauseDataPolling();
    }
    SetStatusText(TeachingText(channel), false);
    UpdateData(false);
    EnableControls(false);
}
