// The panel's side of a teach: taking the taught channel from the sensor proxy, telling the
// user which tolerances the sensor changed, and returning the panel to the ready state. Every
// teaching tool ends here.
#include "common/PanelFormat.h"
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

void CSpectrelDlg::OnSensorTeach(unsigned channel) {
    // A reply nobody waits for any more (the teach timed out, the port changed) must not end a
    // teach that is no longer running.
    if (!SensorProxy() || m_command != PanelCommand::Teach || channel != m_commandChannel) {
        return;
    }
    // The entry still holds the tolerances the teach request carried.
    const PanelChannel& entry = m_channels.Channel(static_cast<int>(channel) - 1);
    TakeChannelFromSensor(
        channel, Tolerances{entry.RedTolerance, entry.GreenTolerance, entry.BlueTolerance});
    FinishTeach(channel);
}

void CSpectrelDlg::TakeChannelFromSensor(unsigned channel,
                                         const std::optional<Tolerances>& requested) {
    if (m_channels.TakeFromSensor(channel, requested)) {
        NotifyChannelsChanged();
    }
}

void CSpectrelDlg::FinishTeach(unsigned channel) {
    m_command = PanelCommand::None;
    m_commandChannel = 0;
    m_channels.EnableRowLabel(channel);
    SetStatusText(m_connection.OnlineText(), true);
    UpdateData(false);
    if (SensorProxy()) {
        m_connection.ResumeDataPolling();
    }
    EnableControls(true);
}
