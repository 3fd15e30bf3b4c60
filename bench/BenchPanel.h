#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "LineExchanges.h"
#include "panel/PanelView.h"
#include "panel/SpectrelDlg.h"
#include "sensor/NotificationQueue.h"
#include "sim/VirtualSensor.h"

// The control panel's controller on a view without a screen, connected to a virtual sensor
// in the same process that counts the characters of every exchange. The view keeps the values
// pushed to it (a benchmark edits them to play the user), answers every message box with its
// default button (and a custom-button box with its first button) and hands the sensor proxy's
// notifications to the controller when pumped.
class BenchPanel : public PanelView {
public:
    explicit BenchPanel(SimConfig config);
    ~BenchPanel() override;
    BenchPanel(const BenchPanel&) = delete;
    BenchPanel& operator=(const BenchPanel&) = delete;

    // Starts the sensor and the panel and waits until the panel is ready; false with a message.
    bool Start(std::string& error);
    // Delivers notifications until `condition` holds (checked before each); false on timeout.
    bool PumpUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));

    CSpectrelDlg& Panel() { return *m_panel; }
    VirtualSensor& Sim() { return m_sim; }
    LineExchanges& Exchanges() { return m_exchanges; }
    PanelValues Controls; // what the controls hold

    // PanelView: everything but the data exchange, the boxes and the target is drawing only.
    void Push(const PanelValues& values) override { Controls = values; }
    bool Pull(PanelValues& values) override;
    void EnableControl(ControlId, bool) override {}
    void ShowControl(ControlId, bool) override {}
    void SetControlText(ControlId, const std::string&) override {}
    void SetToolTip(ControlId, const std::string&) override {}
    void FillCombo(ControlId, const std::vector<std::string>&) override {}
    void SetSliderRange(ControlId, int, int) override {}
    void SetSliderPosition(ControlId, int) override {}
    void SetSpinRange(ControlId, int, int) override {}
    void SetSpinPosition(ControlId, int) override {}
    void SetChartColor(ControlId, ChartProperty, int) override {}
    void SetChartStyle(ControlId, const std::string&) override {}
    void SetRichStatus(const std::string&, std::size_t) override {}
    void SetStatusBarText(const std::string&) override {}
    void CheckMenuItem(MenuCommand, bool) override {}
    void EnableMenuItem(MenuCommand, bool) override {}
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override;
    // A benchmark starts no logging, so neither the log-file question nor its dialog comes.
    int ShowXMessageBox(const std::string&, const std::string&, unsigned,
                        const XMessageBoxParams&) override {
        return XMB_FIRST_CUSTOM_ID;
    }
    bool RunLogSettingsDlg(LogSettings&) override { return false; }
    bool ShowFileDialog(const FileDialogRequest&, std::string&) override { return false; }
    void ShowAboutBox(const AboutInfo&) override {}
    // The benchmarks run no teaching dialog: one opened anyway is cancelled at once.
    DialogResult RunMultiSampleTeach(CMultiSampleTeachDlg&) override { return DIALOG_CANCEL; }
    DialogResult RunManualEntry(CManualEntryDlg&) override { return DIALOG_CANCEL; }
    bool OpenDocument(const std::string&) override { return false; }
    void CloseWindow() override {}
    NotifyTarget& SensorTarget() override { return m_queue; }

private:
    std::string m_folder; // preferences of this run only
    LineExchanges m_exchanges;
    CNotificationQueue m_queue;
    VirtualSensor m_sim;
    std::unique_ptr<CSpectrelDlg> m_panel;
};
