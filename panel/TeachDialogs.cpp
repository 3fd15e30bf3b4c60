// "Color Recognition Channels": the buttons that open the teaching dialogs, "Multi-Sample Teach
// Channel" and "Manual".
#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"
#include "teach/ManualEntryDlg.h"
#include "teach/MultiSampleTeachDlg.h"

// Every Teach press of the dialog overwrites the channel in the sensor, so Cancel puts back what
// the channel was before. The dialog is the sensor proxy's target while it runs and cuts itself
// off as it closes; the window takes the notifications back right after the restore send.
void CSpectrelDlg::OnMultiSampleTeach() {
    const PanelChannel* entry = m_channels.Selected();
    if (!SensorProxy() || entry == nullptr) {
        return;
    }
    const auto channel = static_cast<unsigned>(m_values.SelectedChannel) + 1;
    BeginTeach(channel);
    const PanelChannel before = *entry;
    CMultiSampleTeachDlg dialog(*this);
    if (m_view.RunMultiSampleTeach(dialog) == DIALOG_CANCEL &&
        !SensorProxy()->SendChannel(channel, static_cast<unsigned>(before.MatchOutput),
                                    static_cast<unsigned>(before.Enabled),
                                    static_cast<unsigned>(before.Mode), before.RedSetting,
                                    before.GreenSetting, before.BlueSetting, before.RedTolerance,
                                    before.GreenTolerance, before.BlueTolerance)) {
        ShowWarning(SendChannelFailedText(channel), WARN_SENSOR);
    }
    SensorProxy()->SetWindow(&m_view.SensorTarget());
    // Data polling is paused while the dialog runs: whatever the proxy still waits for is the
    // dialog's last teach or send, whose answer went to the closed dialog or is still to come.
    const bool unanswered = SensorProxy()->IsBusy();
    TakeChannelFromSensor(channel);
    FinishTeach(channel);
    if (unanswered) {
        AwaitChannelSent(channel);
    }
}

// The typed values go to the sensor as they are; the panel then shows what the sensor proxy
// holds and reports a tolerance that is not what was typed.
void CSpectrelDlg::OnManual() {
    const PanelChannel* entry = m_channels.Selected();
    if (entry == nullptr) {
        return;
    }
    const auto channel = static_cast<unsigned>(m_values.SelectedChannel) + 1;
    CManualEntryDlg dialog;
    dialog.SetValues(m_values.ChannelMode,
                     {entry->RedSetting, entry->GreenSetting, entry->BlueSetting,
                      entry->RedTolerance, entry->GreenTolerance, entry->BlueTolerance});
    if (m_view.RunManualEntry(dialog) == DIALOG_OK && SensorProxy()) {
        const CManualEntryDlg::Values& typed = dialog.GetValues();
        const bool sent = SensorProxy()->SendChannel(
            channel, static_cast<unsigned>(entry->MatchOutput),
            static_cast<unsigned>(entry->Enabled), static_cast<unsigned>(entry->Mode),
            typed[FIELD_RED], typed[FIELD_GREEN], typed[FIELD_BLUE], typed[FIELD_RED_TOLERANCE],
            typed[FIELD_GREEN_TOLERANCE], typed[FIELD_BLUE_TOLERANCE]);
        if (sent && SensorProxy()->IsBusy()) {
            // Written and not yet answered (an unchanged channel is acknowledged unwritten).
            AwaitChannelSent(channel);
        } else if (!sent) {
            ShowWriteFailure(SendChannelFailedText(channel));
        }
        // A refused send leaves the proxy with the sensor's old channel: the panel shows it
        // again, and no tolerance of it counts as one the sensor adjusted.
        const Tolerances requested{typed[FIELD_RED_TOLERANCE], typed[FIELD_GREEN_TOLERANCE],
                                   typed[FIELD_BLUE_TOLERANCE]};
        TakeChannelFromSensor(channel, sent ? std::optional(requested) : std::nullopt);
    }
    UpdateData(false);
    EnableControls(true);
}
