#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "panel/ControllerCalls.h"
#include "panel/PanelEnvironment.h"
#include "panel/PanelView.h"
#include "widgets/qt/DialogLayout.h"
#include "widgets/qt/SensorEventTarget.h"

class CPanelControls;
class CPanelMenu;
class CSpectrelDlg;
class CTrendDlg;
class CTrendWindow;
class QAction;
class QLabel;

// The control panel's window: draws the controls, hands the user's actions and the sensor
// proxy's notifications to the controller (CSpectrelDlg) one at a time, and runs its modal
// boxes. It decides nothing itself.
class CMainWindow : public QMainWindow, public PanelView {
    Q_OBJECT

public:
    explicit CMainWindow(PanelEnvironment environment, QWidget* parent = nullptr);
    ~CMainWindow() override;

    // Initialises the controller (which connects to the port) and shows the window, unless a
    // close was asked for meanwhile.
    void Start();
    // Restores the window, even from minimised, and brings it to the front.
    void BringToFront();
    // Opens a profile named from outside (command line, a second start) and comes to the front.
    void OpenProfile(const QString& path);

    CSpectrelDlg& Controller() { return *m_controller; }
    CTrendDlg& Trend() { return *m_trend; }
    // "&Options" > "&Trend...": opens the Trend window, or brings it to the front.
    void OpenTrend();
    CTrendWindow* TrendWindow() const { return m_trendWindow; }
    QWidget* Control(ControlId id) const;
    QAction* MenuAction(MenuCommand id) const;

    // PanelView
    void Push(const PanelValues& values) override;
    bool Pull(PanelValues& values) override;
    void EnableControl(ControlId id, bool enable) override;
    void ShowControl(ControlId id, bool show) override;
    void SetControlText(ControlId id, const std::string& text) override;
    void SetToolTip(ControlId id, const std::string& text) override;
    void FillCombo(ControlId id, const std::vector<std::string>& items) override;
    void SetSliderRange(ControlId id, int minimum, int maximum) override;
    void SetSliderPosition(ControlId id, int position) override;
    void SetSpinRange(ControlId id, int minimum, int maximum) override;
    void SetSpinPosition(ControlId id, int position) override;
    void SetChartColor(ControlId chart, ChartProperty property, int value) override;
    void SetChartStyle(ControlId chart, const std::string& style) override;
    void SetRichStatus(const std::string& text, std::size_t boldLength) override;
    void SetStatusBarText(const std::string& text) override;
    void CheckMenuItem(MenuCommand id, bool checked) override;
    void EnableMenuItem(MenuCommand id, bool enable) override;
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override;
    bool ShowFileDialog(const FileDialogRequest& request, std::string& path) override;
    int ShowXMessageBox(const std::string& text, const std::string& caption, unsigned style,
                        const XMessageBoxParams& params) override;
    bool RunLogSettingsDlg(LogSettings& settings) override;
    void ShowAboutBox(const AboutInfo& about) override;
    DialogResult RunMultiSampleTeach(CMultiSampleTeachDlg& dialog) override;
    DialogResult RunManualEntry(CManualEntryDlg& dialog) override;
    bool OpenDocument(const std::string& path) override;
    void CloseWindow() override;
    NotifyTarget& SensorTarget() override;

signals:
    // The controller has shut down and the window is closed for good.
    void Closed();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Handler = void (CSpectrelDlg::*)();
    using ControllerCall = std::function<void(CSpectrelDlg&)>;
    void Call(const ControllerCall& call);
    CControllerCalls::Call Bound(const ControllerCall& call);
    void CloseIfAsked();
    void ConnectControls();
    void ConnectMenu();
    void FixSize();

    CDialogLayout m_layout;
    QWidget* m_panel;
    std::unique_ptr<CPanelControls> m_controls;
    std::unique_ptr<CPanelMenu> m_menu;
    QLabel* m_statusPane;
    CSensorEventTarget m_target;
    std::unique_ptr<CSpectrelDlg> m_controller;
    std::unique_ptr<CTrendDlg> m_trend;    // follows the panel from its first reading on
    CTrendWindow* m_trendWindow = nullptr; // made when first opened, then kept

    CControllerCalls m_calls;    // which call into the controller may run now, and which waits
    bool m_closing = false;      // OnClose has been called: nothing more is delivered
    bool m_closed = false;       // OnClose has returned: the controller is not called again
    bool m_closePending = false; // asked to close while the controller was busy
};
