#pragma once

#include <array>
#include <cstdint>

#include "sensor/NotifyRelay.h"
#include "teach/MultiSampleTeachView.h"
#include "teach/TeachOwner.h"

class CSensor;

// The Multi-Sample Teach dialog: each Teach press teaches the panel's selected channel once with
// zero tolerance and keeps the reported raw lower bounds as one sample; after every sample a
// result colour and tolerances covering all samples plus a margin are recomputed. OK sends the
// result as the channel's definition; on Cancel the caller puts the old definition back.
// While the dialog is open it is the sensor proxy's notification target, through a relay that
// the dialog cuts as it closes, so nothing reaches a closed view.
class CMultiSampleTeachDlg {
public:
    explicit CMultiSampleTeachDlg(TeachOwner& owner);
    CMultiSampleTeachDlg(const CMultiSampleTeachDlg&) = delete;
    CMultiSampleTeachDlg& operator=(const CMultiSampleTeachDlg&) = delete;

    // Once the view's controls exist: takes the sensor proxy's notifications, enables row 0.
    bool OnInitDialog(MultiSampleTeachView& view);
    // A Teach button, IDC_TEACH_SAMPLE_FIRST + row.
    void OnTeach(int id);
    void OnSensorNotification(unsigned message, std::uintptr_t wParam);
    int OnSensorTeach(unsigned channel);
    void EnableTeachButtons(bool enable);
    void OnOK();
    void OnCancel();
    // The view is going away: nothing may be forwarded to it any more.
    void OnDestroy();

    // State, for tests
    int CurrentSample() const { return m_currentSample; }
    bool SampleTaken(int row) const { return m_sampleTaken[row]; }
    int SampleCount() const { return m_sampleCount; }
    double ResultColor(int colour) const { return m_result[colour]; }
    double ResultTolerance(int colour) const { return m_resultTolerance[colour]; }
    const MultiSampleTexts& Texts() const { return m_texts; }

private:
    CSensor* Sensor() const;
    unsigned Channel() const;
    void TakeSample(unsigned channel);
    void ComputeResult();
    std::string LimitTolerances();
    std::string SpreadText(int colour) const;
    ColorTexts ShownColor(const std::array<double, 3>& colour) const;
    void Close(DialogResult result);

    TeachOwner& m_owner;
    MultiSampleTeachView* m_view = nullptr;
    CNotifyRelay m_relay;
    // -1 until the first Teach press: a teach reply before it belongs to no row.
    int m_currentSample = -1;
    std::array<bool, SAMPLE_ROWS> m_sampleTaken{};
    int m_sampleCount = 0;
    std::array<std::array<int, 3>, SAMPLE_ROWS> m_sampleRaw{};
    std::array<double, 3> m_result{};
    std::array<double, 3> m_resultTolerance{};
    MultiSampleTexts m_texts;
};
