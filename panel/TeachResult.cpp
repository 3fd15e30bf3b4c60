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
    const PanelChannel& entry = m_channels[channel - 1];
    TakeChannelFromSensor(
        channel, Tolerances{entry.RedTolerance, entry.GreenTolerance, entry.BlueTolerance});
    FinishTeach(channel);
}

// The sensor's bounds are what it recognises: a tolerance they changed is reported, never
// refused.
void CSpectrelDlg::TakeChannelFromSensor(unsigned channel,
                                         const std::optional<Tolerances>& requested) {
    if (!SensorProxy() || channel < 1 || channel > SENSOR_CHANNELS) {
        return;
    }
    const ChannelDefinition taught = SensorProxy()->GetChannel(channel);
    const Tolerances tolerances = {taught.RedTolerance, taught.GreenTolerance,
                                   taught.BlueTolerance};
    PanelChannel& entry = m_channels[channel - 1];
    std::string report;
    for (std::size_t component = 0; component < tolerances.size(); ++component) {
        const double tolerance = tolerances[component];
        if (requested && tolerance != (*requested)[component] &&
            (m_warningsMask & WARN_RECOGNITION) != 0) {
            report += (report.empty() ? "" : "\n") + ToleranceAdjustedText(component, tolerance);
        }
        entry.SetTolerance(component, tolerance);
    }
    const std::string overlaps = OverlapReport(channel, taught);
    if (!overlaps.empty()) {
        report += (report.empty() ? "" : "\n") + overlaps;
    }
    if (!report.empty()) {
        MessageBox(report, ICON_INFORMATION);
    }
    entry.RedSetting = taught.RedSetting;
    entry.GreenSetting = taught.GreenSetting;
    entry.BlueSetting = taught.BlueSetting;
    entry.Luminosity = ChannelLuminosity(entry.RedSetting, entry.GreenSetting, entry.BlueSetting);
    ShowTolerances(entry);
    ShowChannelColor(entry, m_values.ChannelMode);
    NotifyChannelsChanged();
}

void CSpectrelDlg::FinishTeach(unsigned channel) {
    m_command = PanelCommand::None;
    m_commandChannel = 0;
    EnableRowLabel(channel);
    SetStatusText(m_connection.OnlineText(), true);
    UpdateData(false);
    if (SensorProxy()) {
        m_connection.ResumeDataPolling();
    }
    EnableControls(true);
}
