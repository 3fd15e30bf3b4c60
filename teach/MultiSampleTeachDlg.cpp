#include "teach/MultiSampleTeachDlg.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/PanelFormat.h"
#include "common/PanelTexts.h"
#include "profile/Preferences.h"
#include "quality/TeachSpread.h"
#include "sensor/Protocol.h"
#include "sensor/Sensor.h"
#include "teach/MultiSampleResult.h"

namespace {

constexpr double MAXIMUM_TOLERANCE = 50.0;
constexpr std::array<const char*, 3> COLOUR_NAMES = {"Red", "Green", "Blue"};

} // namespace

CMultiSampleTeachDlg::CMultiSampleTeachDlg(TeachOwner& owner) : m_owner(owner) {
}

CSensor* CMultiSampleTeachDlg::Sensor() const {
    return m_owner.SensorProxy();
}

// 0 when the panel has no channel selected, which the panel's button never lets happen.
unsigned CMultiSampleTeachDlg::Channel() const {
    const int selected = m_owner.SelectedChannel();
    return selected < 0 || selected >= static_cast<int>(CHANNEL_COUNT_MAX)
               ? 0
               : static_cast<unsigned>(selected + 1);
}

bool CMultiSampleTeachDlg::OnInitDialog(MultiSampleTeachView& view) {
    m_view = &view;
    m_relay.Forward(&view.SensorTarget());
    if (Sensor() != nullptr) {
        Sensor()->SetWindow(&m_relay);
    }
    m_sampleTaken.fill(false);
    EnableTeachButtons(false);
    m_view->EnableTeachButton(0, true);
    return true;
}

void CMultiSampleTeachDlg::OnTeach(int id) {
    if (id < IDC_TEACH_SAMPLE_FIRST || id >= IDC_TEACH_SAMPLE_FIRST + SAMPLE_ROWS) {
        return;
    }
    const unsigned channel = Channel();
    if (channel == 0) {
        return;
    }
    m_currentSample = id - IDC_TEACH_SAMPLE_FIRST;
    EnableTeachButtons(false);
    const PanelChannel& entry = m_owner.Channel(static_cast<int>(channel) - 1);
    if (Sensor() == nullptr ||
        !Sensor()->TeachChannel(channel, static_cast<unsigned>(entry.MatchOutput),
                                static_cast<unsigned>(entry.Enabled),
                                static_cast<unsigned>(entry.Mode), 0.0, 0.0, 0.0)) {
        m_owner.ShowWarning(TeachChannelFailedText(channel), WARN_SENSOR);
    }
}

void CMultiSampleTeachDlg::OnSensorNotification(unsigned message, std::uintptr_t wParam) {
    // Time-outs, error replies and acknowledgements meanwhile are the main window's business
    // once it is the target again; the dialog only waits for its teach replies.
    if (message == WM_SENSOR_TEACH) {
        OnSensorTeach(static_cast<unsigned>(wParam));
    }
}

int CMultiSampleTeachDlg::OnSensorTeach(unsigned channel) {
    // Only the reply to this dialog's own teach of the panel's channel is a sample.
    if (Sensor() == nullptr || m_currentSample < 0 || m_view == nullptr || channel != Channel()) {
        return 0;
    }
    TakeSample(channel);
    ComputeResult();
    const std::string limited = LimitTolerances();
    if (!limited.empty()) {
        m_view->ShowMessageBox({limited, PROGRAM_TITLE, ICON_INFORMATION});
    }
    for (int colour = 0; colour < 3; ++colour) {
        m_texts.ResultTolerance[colour] = FormatPercent(m_resultTolerance[colour]);
        m_texts.ResultSpread[colour] = SpreadText(colour);
    }
    m_texts.ResultColor = ShownColor(m_result);
    m_view->Push(m_texts);
    EnableTeachButtons(true);
    return 0;
}

void CMultiSampleTeachDlg::TakeSample(unsigned channel) {
    const CSensor& sensor = *Sensor();
    m_texts.Samples[m_currentSample] =
        ShownColor({sensor.GetRedSetting(channel), sensor.GetGreenSetting(channel),
                    sensor.GetBlueSetting(channel)});
    if (!m_sampleTaken[m_currentSample]) {
        m_sampleTaken[m_currentSample] = true;
        ++m_sampleCount;
    }
    m_sampleRaw[m_currentSample] = {static_cast<int>(sensor.GetRedLow(channel)),
                                    static_cast<int>(sensor.GetGreenLow(channel)),
                                    static_cast<int>(sensor.GetBlueLow(channel))};
}

void CMultiSampleTeachDlg::ComputeResult() {
    for (int colour = 0; colour < 3; ++colour) {
        std::vector<int> raw;
        for (int row = 0; row < SAMPLE_ROWS; ++row) {
            if (m_sampleTaken[row]) {
                raw.push_back(m_sampleRaw[row][colour]);
            }
        }
        const SampleResult result = ResultOfSamples(raw);
        m_result[colour] = result.Color;
        m_resultTolerance[colour] = result.Tolerance;
    }
}

std::string CMultiSampleTeachDlg::LimitTolerances() {
    std::string message;
    for (int colour = 0; colour < 3; ++colour) {
        if (m_resultTolerance[colour] <= MAXIMUM_TOLERANCE) {
            continue;
        }
        if ((m_owner.WarningsMask() & WARN_RECOGNITION) != 0) {
            message += (message.empty() ? "" : "\n") + std::string(COLOUR_NAMES[colour]) +
                       " tolerance limited to 50%";
        }
        m_resultTolerance[colour] = MAXIMUM_TOLERANCE;
    }
    return message;
}

// The band the result gives the sensor, limited as it will be sent, against the samples' spread.
std::string CMultiSampleTeachDlg::SpreadText(int colour) const {
    std::vector<int> raw;
    for (int row = 0; row < SAMPLE_ROWS; ++row) {
        if (m_sampleTaken[row]) {
            raw.push_back(m_sampleRaw[row][colour]);
        }
    }
    const std::optional<double> spread =
        TeachSpreadPercent(raw, m_result[colour], m_resultTolerance[colour]);
    return spread ? FormatPercent(*spread) : std::string();
}

ColorTexts CMultiSampleTeachDlg::ShownColor(const std::array<double, 3>& colour) const {
    const Rgb shown = m_owner.ShownChannelMode() == MODE_COLOR_ONLY
                          ? NormalizeColor({colour[0], colour[1], colour[2]})
                          : Rgb{colour[0], colour[1], colour[2]};
    return {FormatPercent(shown[0]), FormatPercent(shown[1]), FormatPercent(shown[2])};
}

void CMultiSampleTeachDlg::EnableTeachButtons(bool enable) {
    if (m_view == nullptr) {
        return;
    }
    const int enabled = enable ? std::min(m_sampleCount + 1, SAMPLE_ROWS) : SAMPLE_ROWS;
    for (int row = 0; row < enabled; ++row) {
        m_view->EnableTeachButton(row, enable);
    }
}

void CMultiSampleTeachDlg::OnOK() {
    const unsigned channel = Channel();
    if (m_sampleCount > 0 && channel != 0) {
        const PanelChannel& entry = m_owner.Channel(static_cast<int>(channel) - 1);
        if (Sensor() == nullptr ||
            !Sensor()->SendChannel(channel, static_cast<unsigned>(entry.MatchOutput),
                                   static_cast<unsigned>(entry.Enabled),
                                   static_cast<unsigned>(entry.Mode), m_result[0], m_result[1],
                                   m_result[2], m_resultTolerance[0], m_resultTolerance[1],
                                   m_resultTolerance[2])) {
            m_owner.ShowWarning(SendChannelFailedText(channel), WARN_SENSOR);
        }
    }
    Close(DIALOG_OK);
}

void CMultiSampleTeachDlg::OnCancel() {
    Close(DIALOG_CANCEL);
}

void CMultiSampleTeachDlg::OnDestroy() {
    m_relay.Forward(nullptr);
    m_view = nullptr;
}

void CMultiSampleTeachDlg::Close(DialogResult result) {
    // From here on posts go nowhere until the caller makes the main window the target again;
    // the view may then be destroyed with nothing for it still under way.
    m_relay.Forward(nullptr);
    if (m_view != nullptr) {
        m_view->EndDialog(result);
    }
}
