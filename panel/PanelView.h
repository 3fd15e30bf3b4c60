#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "logging/LogSettings.h"
#include "panel/ControlIds.h"
#include "panel/PanelValues.h"
#include "sensor/NotifyTarget.h"
#include "widgets/MessageBoxRequest.h"
#include "widgets/XMessageBoxPlan.h"

class CManualEntryDlg;
class CMultiSampleTeachDlg;

// The four numbered properties of an RGB chart (the large chart and the seven indicators).
enum ChartProperty : int {
    CHART_RED = 1,   // 0..255
    CHART_GREEN = 2, // 0..255
    CHART_BLUE = 3,  // 0..255
    CHART_STYLE = 4, // "Bar" or "Pie"
};
inline constexpr const char* CHART_STYLE_BAR = "Bar";
inline constexpr const char* CHART_STYLE_PIE = "Pie";

// One modal file dialog of the File commands. Both dialogs offer the same filters, append the
// default extension to a name typed without one, and start at the initial path.
struct FileDialogRequest {
    // Open: naming a file that does not exist asks whether to create it, and a yes returns
    // that name (nothing is created). Save: naming a file that exists asks before replacing it.
    bool Save = false;
    std::string InitialPath;
    std::vector<std::pair<std::string, std::string>> Filters; // caption, pattern
    std::string DefaultExtension;                             // without the dot
};

// What the about box shows; the view lays it out in a modal dialog.
struct AboutInfo {
    std::string Caption;      // "About Spectrel"
    std::string ProgramLine;  // program name and version
    std::string FirmwareLine; // the connected sensor's firmware, or that it is unknown
};

// The main window as its controller (CSpectrelDlg) sees it. The Qt window implements it; tests
// use a fake that records what was shown. Every call comes on the UI thread. No operation here
// dispatches a handler of the controller: only the user's own actions do.
class PanelView {
public:
    virtual ~PanelView() = default;

    // Data exchange
    // Writes every value into its control with the controls' signals blocked.
    virtual void Push(const PanelValues& values) = 0;
    // Reads every control into values; false (values unchanged) when a control holds a value
    // the exchange rejects, after the view has told the user which one and focused it.
    virtual bool Pull(PanelValues& values) = 0;

    // Single controls
    // Enables or disables one control (or a radio button of a group).
    virtual void EnableControl(ControlId id, bool enable) = 0;
    // Shows or hides one control.
    virtual void ShowControl(ControlId id, bool show) = 0;
    // Sets a control's caption: group box IDC_RECOGNIZED_GROUP, a row label, a static.
    virtual void SetControlText(ControlId id, const std::string& text) = 0;
    // Sets a control's tooltip (the port combo shows the device path of its port).
    virtual void SetToolTip(ControlId id, const std::string& text) = 0;
    // Replaces a combo's items; its selection becomes none until the next Push.
    virtual void FillCombo(ControlId id, const std::vector<std::string>& items) = 0;
    // Slider IDC_ILLUMINATION_SLIDER: range and position (the position is also a pushed value).
    virtual void SetSliderRange(ControlId id, int minimum, int maximum) = 0;
    virtual void SetSliderPosition(ControlId id, int position) = 0;
    // Tolerance spins (TOLERANCE_SPINS): range and position; the value shown is the pushed step.
    virtual void SetSpinRange(ControlId id, int minimum, int maximum) = 0;
    virtual void SetSpinPosition(ControlId id, int position) = 0;
    // Chart IDC_CHART or IDC_INDICATOR_1..7: property 1, 2 or 3 to 0..255; repaints on change.
    virtual void SetChartColor(ControlId chart, ChartProperty property, int value) = 0;
    // Chart property 4: CHART_STYLE_BAR or CHART_STYLE_PIE; repaints on change.
    virtual void SetChartStyle(ControlId chart, const std::string& style) = 0;
    // "Communication status:" (IDC_COMM_STATUS): text, its first boldLength characters bold,
    // the rest normal weight, caret after the last character.
    virtual void SetRichStatus(const std::string& text, std::size_t boldLength) = 0;
    // The status bar's single stretching pane.
    virtual void SetStatusBarText(const std::string& text) = 0;

    // Menu
    // Sets or removes the check mark of a menu item.
    virtual void CheckMenuItem(MenuCommand id, bool checked) = 0;
    // Enables or greys out a menu item.
    virtual void EnableMenuItem(MenuCommand id, bool enable) = 0;

    // Modal interaction
    // Runs a modal message box (beeping as its icon asks) and returns the button pressed;
    // closing the box without a button gives RESULT_CANCEL, or RESULT_OK for an OK-only box.
    virtual MessageResult ShowMessageBox(const MessageBoxRequest& request) = 0;
    // Runs a modal file dialog; true with the chosen full path, false when it was cancelled.
    virtual bool ShowFileDialog(const FileDialogRequest& request, std::string& path) = 0;
    // Runs the modal message box with the caller's button labels (XMessageBoxPlan) and returns
    // the id of the button pressed; a box with custom buttons cannot be dismissed otherwise.
    virtual int ShowXMessageBox(const std::string& text, const std::string& caption, unsigned style,
                                const XMessageBoxParams& params) = 0;
    // Runs "Data Logging Settings" (CLogSettingsDlg) on a copy of `settings`; on OK the copy
    // the user confirmed comes back in `settings` and the result is true.
    virtual bool RunLogSettingsDlg(LogSettings& settings) = 0;
    // Runs the modal about box.
    virtual void ShowAboutBox(const AboutInfo& about) = 0;
    // Run the teaching dialogs modally over the window: the dialog's view, once its controls
    // exist, calls the controller's OnInitDialog and then hands it the user's actions.
    virtual DialogResult RunMultiSampleTeach(CMultiSampleTeachDlg& dialog) = 0;
    virtual DialogResult RunManualEntry(CManualEntryDlg& dialog) = 0;
    // Hands a document to the desktop's "open" action; false when that could not be launched.
    virtual bool OpenDocument(const std::string& path) = 0;
    // Asks the window to close through its normal close path, which calls the controller's
    // OnClose once and then ends the window (File > Exit).
    virtual void CloseWindow() = 0;

    // Notifications
    // Where the sensor proxy posts. Post may come from any thread and returns at once; the view
    // queues each notification and calls the controller's OnSensorNotification(message,
    // wParam) on the UI thread, in posting order, one at a time, by the rule of
    // CControllerCalls: a reading is shown and logged even while another call into the
    // controller is still running (a modal box it opened, for instance); every other
    // notification waits and follows when it returns. Nothing is delivered before
    // OnInitDialog or after OnClose.
    virtual NotifyTarget& SensorTarget() = 0;
};
