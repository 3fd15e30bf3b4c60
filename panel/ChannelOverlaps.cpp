// The channels whose tolerance boxes overlap: named to whoever follows the panel after each
// change of the channels, and in the report that ends a teach.
#include <vector>

#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "quality/Overlap.h"

void CSpectrelDlg::NotifyChannelsChanged() {
    if (m_observer != nullptr) {
        m_observer->OnChannelsChanged();
    }
}

// The taught channel as the sensor now holds it, against the panel's other channels.
std::string CSpectrelDlg::OverlapReport(unsigned channel, const ChannelDefinition& taught) const {
    if ((m_warningsMask & WARN_RECOGNITION) == 0) {
        return {};
    }
    std::vector<ChannelDefinition> channels;
    for (int index = 0; index < ChannelCount(); ++index) {
        channels.push_back(
            static_cast<unsigned>(index) + 1 == channel ? taught : m_channels[index].ToSensor());
    }
    std::string report;
    for (const ChannelOverlap& overlap : FindOverlaps(channels)) {
        if (overlap.First == channel || overlap.Second == channel) {
            report += (report.empty() ? "" : "\n") + OverlapMessage(overlap, ModelCode());
        }
    }
    return report;
}
