#include "panel/qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>

#include "logging/qt/LogSettingsWindow.h"
#include "panel/SpectrelDlg.h"
#include "panel/TrendDlg.h"
#include "panel/qt/AboutDlg.h"
#include "panel/qt/PanelControls.h"
#include "panel/qt/PanelMenu.h"
#include "panel/qt/ProfileDialog.h"
#include "panel/qt/RGBChart.h"
#include "panel/qt/TrendWindow.h"
#include "teach/qt/ManualEntryDialog.h"
#include "teach/qt/MultiSampleTeachDialog.h"
#include "widgets/qt/MessageBoxes.h"
#include "widgets/qt/XMessageBox.h"

namespace {

const QSize WINDOW_UNITS(457, 305);
const QString WINDOW_TITLE = QStringLiteral("Spectrel Color Sensor");
const QString EXCHANGE_CAPTION = QStringLiteral("Spectrel");

template <class Widget> Widget* As(QWidget* control) {
    return qobject_cast<Widget*>(control);
}

} // namespace

CMainWindow::CMainWindow(PanelEnvironment environment, QWidget* parent)
    : QMainWindow(parent), m_layout(font()), m_panel(new QWidget(this)),
      m_controls(std::make_unique<CPanelControls>(m_panel, m_layout)),
      m_menu(std::make_unique<CPanelMenu>(menuBar())), m_statusPane(new QLabel(this)),
      m_target(this), m_controller(std::make_unique<CSpectrelDlg>(*this, std::move(environment))),
      m_trend(std::make_unique<CTrendDlg>(*m_controller)),
      m_calls([this] { return !m_closing && !m_closePending; }) {
    m_controller->SetObserver(m_trend.get());
    setWindowTitle(WINDOW_TITLE);
    setCentralWidget(m_panel);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_statusPane, 1);
    m_statusPane->setAccessibleDescription(QStringLiteral("Data logging status"));
    ConnectControls();
    ConnectMenu();
    FixSize();
}

CMainWindow::~CMainWindow() {
    delete m_trendWindow; // before the controller it draws for
    m_controller->SetObserver(nullptr);
    m_target.Detach();
    m_controller.reset();
}

// The window is 457 x 305 dialog units with the status bar inside that height, as laid out
// for the Windows tool; the menu bar comes on top. Nothing can resize it.
void CMainWindow::FixSize() {
    const QSize window = m_layout.ToPixels(WINDOW_UNITS);
    m_panel->setFixedSize(window.width(), window.height() - statusBar()->sizeHint().height());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
}

// Only the user's own actions reach the controller: every signal used here is blocked whenever
// the view sets a value itself. Check boxes and radio buttons report "toggled", not "clicked":
// an assistive tool toggles them without a click, and its user must reach the handler too. A
// radio button counts only when it becomes checked, not when its neighbour unchecks it.
void CMainWindow::ConnectControls() {
    static constexpr std::pair<ControlId, Handler> PUSHES[] = {
        {IDC_RESET, &CSpectrelDlg::OnReset},
        {IDC_READ_SETTINGS, &CSpectrelDlg::OnReadSettings},
        {IDC_SEND_SETTINGS, &CSpectrelDlg::OnSendSettings},
        {IDC_READ_ALL_CHANNELS, &CSpectrelDlg::OnReadAllChannels},
        {IDC_SEND_ALL_CHANNELS, &CSpectrelDlg::OnSendAllChannels},
        {IDC_TEACH_CHANNEL, &CSpectrelDlg::OnTeachChannel},
        {IDC_MULTI_SAMPLE_TEACH, &CSpectrelDlg::OnMultiSampleTeach},
        {IDC_MANUAL, &CSpectrelDlg::OnManual},
    };
    for (const auto& [id, handler] : PUSHES) {
        connect(As<QAbstractButton>(Control(id)), &QAbstractButton::clicked, this,
                [this, handler = handler] { Call(handler); });
    }
    static constexpr std::pair<ControlId, Handler> TOGGLES[] = {
        {IDC_TRIGGER_FREE_RUN, &CSpectrelDlg::OnTriggering},
        {IDC_TRIGGER_LEVEL, &CSpectrelDlg::OnTriggering},
        {IDC_TRIGGER_EDGE, &CSpectrelDlg::OnTriggering},
        {IDC_MODE_COLOR_LUMINOSITY, &CSpectrelDlg::OnModeColorLuminosity},
        {IDC_MODE_COLOR_ONLY, &CSpectrelDlg::OnModeColorOnly},
        {IDC_CHANNEL_ENABLED, &CSpectrelDlg::OnChannelEnabled},
        {IDC_OUTPUT_HIGH, &CSpectrelDlg::OnOutputHigh},
        {IDC_OUTPUT_LOW, &CSpectrelDlg::OnOutputLow},
        {IDC_DISPLAY_COLOR_LUMINOSITY, &CSpectrelDlg::OnDisplayColorLuminosity},
        {IDC_DISPLAY_COLOR_ONLY, &CSpectrelDlg::OnDisplayColorOnly},
    };
    for (const auto& [id, handler] : TOGGLES) {
        auto* button = As<QAbstractButton>(Control(id));
        const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
        connect(button, &QAbstractButton::toggled, this,
                [this, handler = handler, radio](bool checked) {
                    if (checked || !radio) {
                        Call(handler);
                    }
                });
    }
    static constexpr std::pair<ControlId, Handler> CHOICES[] = {
        {IDC_AVERAGING, &CSpectrelDlg::OnSelchangeAveraging},
        {IDC_OUTPUT_DURATION, &CSpectrelDlg::OnSelchangeOutputDuration},
        {IDC_PORT, &CSpectrelDlg::OnSelchangePort},
        {IDC_CHANNEL, &CSpectrelDlg::OnSelchangeChannel},
    };
    for (const auto& [id, handler] : CHOICES) {
        connect(As<QComboBox>(Control(id)), &QComboBox::activated, this,
                [this, handler = handler] { Call(handler); });
    }
    connect(As<QSlider>(Control(IDC_ILLUMINATION_SLIDER)), &QSlider::valueChanged, this,
            [this](int position) {
                Call([position](CSpectrelDlg& controller) {
                    controller.OnIlluminationScroll(position);
                });
            });
    Control(IDC_ILLUMINATION)->installEventFilter(this);
    for (std::size_t colour = 0; colour < TOLERANCE_SPINS.size(); ++colour) {
        const ControlId spin = TOLERANCE_SPINS[colour];
        connect(As<QSpinBox>(Control(spin)), &QSpinBox::valueChanged, this, [this, spin, colour] {
            m_controls->TakeSpinStep(spin);
            Call([colour](CSpectrelDlg& controller) {
                controller.OnToleranceSpin(static_cast<int>(colour));
            });
        });
    }
}

void CMainWindow::ConnectMenu() {
    static constexpr std::pair<MenuCommand, Handler> COMMANDS[] = {
        {ID_FILE_NEW, &CSpectrelDlg::OnFileNew},
        {ID_FILE_OPEN, &CSpectrelDlg::OnFileOpen},
        {ID_FILE_SAVE, &CSpectrelDlg::OnFileSave},
        {ID_FILE_SAVE_AS, &CSpectrelDlg::OnFileSaveAs},
        {ID_FILE_EXIT, &CSpectrelDlg::OnFileExit},
        {ID_WARNINGS_RECOGNITION, &CSpectrelDlg::OnWarningsRecognition},
        {ID_WARNINGS_SENSOR, &CSpectrelDlg::OnWarningsSensor},
        {ID_WARNINGS_APPLICATION, &CSpectrelDlg::OnWarningsApplication},
        {ID_LOGGING_START, &CSpectrelDlg::StartLogging},
        {ID_LOGGING_STOP, &CSpectrelDlg::StopLogging},
        {ID_LOGGING_SETTINGS, &CSpectrelDlg::OnLogSettings},
        {ID_HELP_INSTRUCTIONS, &CSpectrelDlg::OnInstructions},
        {ID_HELP_ABOUT, &CSpectrelDlg::OnAbout},
    };
    for (const auto& [id, handler] : COMMANDS) {
        connect(MenuAction(id), &QAction::triggered, this,
                [this, handler = handler] { Call(handler); });
    }
    connect(MenuAction(ID_OPTIONS_TREND), &QAction::triggered, this, &CMainWindow::OpenTrend);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        connect(menu, &QMenu::aboutToShow, this, [this] { Call(&CSpectrelDlg::OnInitMenuPopup); });
    }
}

void CMainWindow::OpenTrend() {
    if (m_trendWindow == nullptr) {
        m_trendWindow = new CTrendWindow(*m_trend, this);
    }
    m_trendWindow->showNormal();
    m_trendWindow->raise();
    m_trendWindow->activateWindow();
}

void CMainWindow::Start() {
    m_calls.Start(Bound(&CSpectrelDlg::OnInitDialog));
    CloseIfAsked();
    if (!m_closing) {
        show();
    }
}

void CMainWindow::BringToFront() {
    if (m_closing) {
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void CMainWindow::OpenProfile(const QString& path) {
    Call([path = path.toStdString()](CSpectrelDlg& controller) { controller.OpenProfile(path); });
    BringToFront();
}

QWidget* CMainWindow::Control(ControlId id) const {
    return m_controls->Control(id);
}

QAction* CMainWindow::MenuAction(MenuCommand id) const {
    return m_menu->Action(id);
}

// Every user action goes through here; CControllerCalls decides whether it runs now or waits
// for a call still running (a modal box the controller opened) to return. A close asked for
// meanwhile is carried out once the controller has returned.
void CMainWindow::Call(const ControllerCall& call) {
    if (m_closing) {
        return;
    }
    m_calls.Action(Bound(call));
    CloseIfAsked();
}

void CMainWindow::CloseIfAsked() {
    if (m_closePending && !m_closing && !m_calls.IsRunning()) {
        close();
    }
}

CControllerCalls::Call CMainWindow::Bound(const ControllerCall& call) {
    return [this, call] { call(*m_controller); };
}

bool CMainWindow::event(QEvent* event) {
    if (event->type() == CSensorEvent::EventType()) {
        const auto* notification = static_cast<CSensorEvent*>(event);
        if (m_closing) {
            return true;
        }
        const unsigned message = notification->Message();
        m_calls.Notification(message,
                             Bound([connection = notification->Connection(), message,
                                    wParam = notification->WParam()](CSpectrelDlg& controller) {
                                 controller.OnSensorNotification(message, wParam, connection);
                             }));
        CloseIfAsked();
        return true;
    }
    return QMainWindow::event(event);
}

// Leaving the illumination field is a command of its own: the typed value is taken then.
bool CMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Control(IDC_ILLUMINATION) && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        Call(&CSpectrelDlg::OnKillfocusIllumination);
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        m_layout.SetFont(font());
        FixSize();
    }
    QMainWindow::changeEvent(event);
}

// Shut-down: the controller's OnClose runs once, then the window closes for good. A request
// that comes while the controller is busy (a signal during a dialog, or a box over a dialog)
// answers every open box as Cancel and is carried out as soon as the controller returns.
void CMainWindow::closeEvent(QCloseEvent* event) {
    if (!m_closing && m_calls.IsRunning()) {
        m_closePending = true;
        DismissModalDialogs();
        event->ignore();
        return;
    }
    if (!m_closing) {
        m_closing = true;
        m_calls.Forget();
        if (m_calls.IsStarted()) {
            m_calls.RunNow(Bound(&CSpectrelDlg::OnClose));
        }
        m_closed = true;
        if (m_trendWindow != nullptr) {
            m_trendWindow->close();
        }
        emit Closed();
    }
    event->accept();
}

void CMainWindow::Push(const PanelValues& values) {
    m_controls->Push(values);
}

bool CMainWindow::Pull(PanelValues& values) {
    QWidget* rejected = nullptr;
    QString reason;
    if (m_controls->Pull(values, rejected, reason)) {
        return true;
    }
    MessageBoxRequest request;
    request.Text = reason.toStdString();
    request.Caption = EXCHANGE_CAPTION.toStdString();
    ShowMessageBox(request);
    rejected->setFocus();
    return false;
}

void CMainWindow::EnableControl(ControlId id, bool enable) {
    if (QWidget* control = Control(id)) {
        control->setEnabled(enable);
    }
}

void CMainWindow::ShowControl(ControlId id, bool show) {
    if (QWidget* control = Control(id)) {
        control->setVisible(show);
    }
}

void CMainWindow::SetControlText(ControlId id, const std::string& text) {
    m_controls->SetText(id, QString::fromStdString(text));
}

void CMainWindow::SetToolTip(ControlId id, const std::string& text) {
    if (QWidget* control = Control(id)) {
        control->setToolTip(QString::fromStdString(text));
    }
}

void CMainWindow::FillCombo(ControlId id, const std::vector<std::string>& items) {
    if (auto* combo = As<QComboBox>(Control(id))) {
        const QSignalBlocker blocker(combo);
        combo->clear();
        for (const std::string& item : items) {
            combo->addItem(QString::fromStdString(item));
        }
        combo->setCurrentIndex(-1);
    }
}

void CMainWindow::SetSliderRange(ControlId id, int minimum, int maximum) {
    if (auto* slider = As<QSlider>(Control(id))) {
        const QSignalBlocker blocker(slider);
        slider->setRange(minimum, maximum);
    }
}

void CMainWindow::SetSliderPosition(ControlId id, int position) {
    if (auto* slider = As<QSlider>(Control(id))) {
        const QSignalBlocker blocker(slider);
        slider->setValue(position);
    }
}

void CMainWindow::SetSpinRange(ControlId id, int minimum, int maximum) {
    if (auto* spin = As<QSpinBox>(Control(id))) {
        const QSignalBlocker blocker(spin);
        spin->setRange(minimum, maximum);
    }
}

void CMainWindow::SetSpinPosition(ControlId id, int position) {
    if (auto* spin = As<QSpinBox>(Control(id))) {
        const QSignalBlocker blocker(spin);
        spin->setValue(position);
    }
}

void CMainWindow::SetChartColor(ControlId chart, ChartProperty property, int value) {
    if (auto* control = As<CRGBChart>(Control(chart))) {
        control->SetColorProperty(property, value);
    }
}

void CMainWindow::SetChartStyle(ControlId chart, const std::string& style) {
    if (auto* control = As<CRGBChart>(Control(chart))) {
        control->SetStyleProperty(QString::fromStdString(style));
    }
}

void CMainWindow::SetRichStatus(const std::string& text, std::size_t boldLength) {
    auto* status = As<QTextEdit>(Control(IDC_COMM_STATUS));
    status->setPlainText(QString::fromStdString(text));
    QTextCursor cursor(status->document());
    const auto boldCharacters = QString::fromStdString(text.substr(0, boldLength)).size();
    cursor.setPosition(static_cast<int>(boldCharacters), QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);
    status->moveCursor(QTextCursor::End);
}

void CMainWindow::SetStatusBarText(const std::string& text) {
    m_statusPane->setText(QString::fromStdString(text));
}

void CMainWindow::CheckMenuItem(MenuCommand id, bool checked) {
    if (QAction* action = MenuAction(id)) {
        action->setChecked(checked);
    }
}

void CMainWindow::EnableMenuItem(MenuCommand id, bool enable) {
    if (QAction* action = MenuAction(id)) {
        action->setEnabled(enable);
    }
}

MessageResult CMainWindow::ShowMessageBox(const MessageBoxRequest& request) {
    // Once the window is closing, a box would only hold the shut-down up.
    if (m_closePending || m_closed) {
        return DismissedResult(request.Buttons);
    }
    return RunMessageBox(request, this);
}

bool CMainWindow::ShowFileDialog(const FileDialogRequest& request, std::string& path) {
    return !m_closePending && !m_closed && RunProfileDialog(this, request, path);
}

int CMainWindow::ShowXMessageBox(const std::string& text, const std::string& caption,
                                 unsigned style, const XMessageBoxParams& params) {
    // Once the window is closing, no button counts: the caller takes 0 as none pressed.
    if (m_closePending || m_closed) {
        return 0;
    }
    return XMessageBox(this, text, caption, style, &params);
}

bool CMainWindow::RunLogSettingsDlg(LogSettings& settings) {
    CLogSettingsWindow dialog(settings, this);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    settings = dialog.Settings();
    return true;
}

void CMainWindow::ShowAboutBox(const AboutInfo& about) {
    CAboutDlg dialog(about, this);
    dialog.exec();
}

DialogResult CMainWindow::RunMultiSampleTeach(CMultiSampleTeachDlg& dialog) {
    CMultiSampleTeachDialog view(dialog, this);
    return view.exec() == QDialog::Accepted ? DIALOG_OK : DIALOG_CANCEL;
}

DialogResult CMainWindow::RunManualEntry(CManualEntryDlg& dialog) {
    CManualEntryDialog view(dialog, this);
    return view.exec() == QDialog::Accepted ? DIALOG_OK : DIALOG_CANCEL;
}

bool CMainWindow::OpenDocument(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void CMainWindow::CloseWindow() {
    close();
}

NotifyTarget& CMainWindow::SensorTarget() {
    return m_target;
}
