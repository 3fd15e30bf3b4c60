#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "panel/ControllerCalls.h"
#include "panel/PanelView.h"
#include "sensor/NotificationQueue.h"
#include "support/FakeTeachViews.h"
#include "support/ManualClock.h"

class CSpectrelDlg;

// A main window without a screen: remembers what the controller showed, holds the values the
// "controls" contain (tests change them to play the user), answers message boxes from a script
// and queues the sensor proxy's notifications until the test pumps them into the controller.
class FakeView : public PanelView {
public:
    FakeView();
    void Push(const PanelValues& values) override;
    bool Pull(PanelValues& values) override;
    void EnableControl(ControlId id, bool enable) override { Enabled[id] = enable; }
    void ShowControl(ControlId id, bool show) override { Visible[id] = show; }
    void SetControlText(ControlId id, const std::string& text) override { Texts[id] = text; }
    void SetToolTip(ControlId id, const std::string& text) override { ToolTips[id] = text; }
    void FillCombo(ControlId id, const std::vector<std::string>& items) override;
    void SetSliderRange(ControlId, int minimum, int maximum) override;
    void SetSliderPosition(ControlId, int position) override { SliderPosition = position; }
    void SetSpinRange(ControlId id, int minimum, int maximum) override;
    void SetSpinPosition(ControlId id, int position) override { SpinPosition[id] = position; }
    void SetChartColor(ControlId chart, ChartProperty property, int value) override;
    void SetChartStyle(ControlId chart, const std::string& style) override;
    void SetRichStatus(const std::string& text, std::size_t boldLength) override;
    void SetStatusBarText(const std::string& text) override { StatusBar = text; }
    void CheckMenuItem(MenuCommand id, bool checked) override { MenuChecked[id] = checked; }
    void EnableMenuItem(MenuCommand id, bool enable) override { MenuEnabled[id] = enable; }
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override;
    bool ShowFileDialog(const FileDialogRequest& request, std::string& path) override;
    int ShowXMessageBox(const std::string& text, const std::string& caption, unsigned style,
                        const XMessageBoxParams& params) override;
    bool RunLogSettingsDlg(LogSettings& settings) override;
    void ShowAboutBox(const AboutInfo& about) override;
    // Opens the dialog on a fake view and plays the user with the test's script; without one
    // the dialog is cancelled at once.
    DialogResult RunMultiSampleTeach(CMultiSampleTeachDlg& dialog) override;
    DialogResult RunManualEntry(CManualEntryDlg& dialog) override;
    bool OpenDocument(const std::string& path) override;
    void CloseWindow() override { ++CloseRequests; }
    NotifyTarget& SensorTarget() override { return Queue; }

    // Delivers queued notifications to the controller through Calls, as the window's event
    // loop would (also inside a box, see WhileBoxOpen), until
    // `condition` holds (checked before each one) or the timeout passes; true when it held.
    // With a Time, the timeout is on that clock: whenever nothing is left to deliver and the
    // proxy has settled, the time moves on to the next tick.
    bool PumpUntil(CSpectrelDlg& dialog, const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
    // Delivers for the whole period (for checks that something does NOT happen).
    void PumpFor(CSpectrelDlg& dialog, std::chrono::milliseconds period);
    // Notifications of this kind delivered since the counts were last cleared.
    int Delivered(unsigned message) const;
    void ClearDelivered() { m_delivered.clear(); }

    bool Shown(ControlId id) const { return Visible.count(id) != 0 && Visible.at(id); }
    bool IsEnabled(ControlId id) const { return Enabled.count(id) != 0 && Enabled.at(id); }
    // Each send button is offered exactly while its read button is.
    bool SendFollowsRead() const;
    int Chart(ControlId chart, ChartProperty property) const;
    std::vector<std::string> MessageTexts() const;

    std::function<void(CMultiSampleTeachDlg&, FakeMultiSampleView&)> MultiSampleTeachScript;
    std::function<void(CManualEntryDlg&, FakeManualEntryView&)> ManualEntryScript;

    // The controls' contents; Push fills them and Pull reads them.
    PanelValues Controls;
    bool RejectPull = false;
    int Pushes = 0;

    std::map<ControlId, bool> Enabled, Visible;
    std::map<ControlId, std::string> Texts, ToolTips, ChartStyles;
    std::map<ControlId, std::vector<std::string>> ComboItems;
    std::map<std::pair<ControlId, ChartProperty>, int> ChartColors;
    std::pair<int, int> SliderRange{-1, -1};
    int SliderPosition = -1;
    std::map<ControlId, std::pair<int, int>> SpinRange;
    std::map<ControlId, int> SpinPosition;
    std::string RichStatus;
    std::size_t BoldLength = 0;
    std::string StatusBar;
    std::map<MenuCommand, bool> MenuChecked, MenuEnabled;

    std::vector<MessageBoxRequest> Messages;
    std::deque<MessageResult> Answers; // scripted; an empty script presses the default button
    std::vector<FileDialogRequest> FileDialogs;
    std::deque<std::optional<std::string>> FileAnswers; // scripted; none left cancels
    struct XBox {
        std::string Text, Caption;
        unsigned Style;
        XMessageBoxParams Params;
    };
    std::vector<XBox> XBoxes;
    std::deque<int> XAnswers; // scripted; an empty script presses the first button (23)
    // Plays the user in "Data Logging Settings": changes the settings and says whether OK was
    // pressed. None: Cancel.
    std::function<bool(LogSettings&)> LogSettingsUser;
    std::vector<AboutInfo> AboutBoxes;
    std::vector<std::string> OpenedDocuments;
    bool OpenSucceeds = true;
    int CloseRequests = 0;

    CNotificationQueue Queue;
    // The proxy's clock, when the test drives it, and a wait (in real time) until the proxy
    // has nothing more to say before the next tick.
    ManualClock* Time = nullptr;
    std::function<void()> Settle;
    // The window's rule for calls into the controller; a test that plays a user action through
    // it sees notifications that come while the action's box is open wait or run as they would.
    CControllerCalls Calls;
    // Runs while a message box or the about box is open, as the user taking their time.
    std::function<void()> WhileBoxOpen;

private:
    void Deliver(CSpectrelDlg& dialog, const Notification& notification);
    bool PumpInVirtualTime(CSpectrelDlg& dialog, const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout);

    std::map<unsigned, int> m_delivered;
};
