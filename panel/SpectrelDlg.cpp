#include "panel/SpectrelDlg.h"

#include <sys/stat.h>
#include <utility>

#include "common/PanelTexts.h"
#include "profile/Preferences.h"
#include "sensor/Sensor.h"

namespace {

// The document is handed on only if it is a file: the desktop's viewer would otherwise fail
// with a message of its own instead of ours. Looked at, not opened: opening a FIFO of that name
// would wait for a writer for ever.
bool IsDocument(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

CSpectrelDlg::CSpectrelDlg(PanelView& view, PanelEnvironment environment)
    : m_view(view), m_environment(std::move(environment)), m_connection(view, *this),
      m_settings(view, m_values, *this, m_connection),
      m_channels(view, m_values, *this, m_connection),
      m_logging(view, [this](const std::string& text) { ShowWarning(text, WARN_APPLICATION); }) {
}

CSpectrelDlg::~CSpectrelDlg() = default;

void CSpectrelDlg::OnInitDialog() {
    InitControls();
    UpdateData(false);

    ClearChannelFlags();
    ClearPanel();

    LoadPreferences();

    EnableControls(false);
    UpdateData(false);
    m_initialised = true;

    m_view.CheckMenuItem(ID_WARNINGS_RECOGNITION, (m_warningsMask & WARN_RECOGNITION) != 0);
    m_view.CheckMenuItem(ID_WARNINGS_SENSOR, (m_warningsMask & WARN_SENSOR) != 0);
    m_view.CheckMenuItem(ID_WARNINGS_APPLICATION, (m_warningsMask & WARN_APPLICATION) != 0);
    m_logging.UpdateMenu();

    m_connection.CreateSensor(m_environment, m_view.SensorTarget());
    m_view.SetStatusBarText(TEXT_LOGGING_INACTIVE);
    m_connection.Connect();
}

// Fills the fixed combos and puts the recognized rows into their start state (hidden, labels
// greyed) until a model is applied.
void CSpectrelDlg::InitControls() {
    std::vector<std::string> ports;
    for (int number = 1; number <= PORT_COUNT; ++number) {
        ports.push_back("COM" + std::to_string(number));
    }
    m_view.FillCombo(IDC_PORT, ports);
    m_view.FillCombo(IDC_AVERAGING, AVERAGING_ITEMS);
    m_view.FillCombo(IDC_OUTPUT_DURATION, OUTPUT_DURATION_ITEMS);
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        m_view.ShowControl(ROW_LABELS[row], false);
        m_view.EnableControl(ROW_LABELS[row], false);
        m_view.ShowControl(INDICATORS[row], false);
        m_view.ShowControl(RECOGNIZED_FIELDS[row], false);
    }
    m_view.ShowControl(IDC_AMBIENT_SUBTRACTION, false);
    m_view.EnableControl(IDC_AMBIENT_SUBTRACTION, false);
}

void CSpectrelDlg::OnClose() {
    m_logging.Close();
    SavePreferences();
    m_connection.Shutdown();
}

void CSpectrelDlg::OnSensorNotification(unsigned message, std::uintptr_t wParam,
                                        std::uint64_t connection) {
    if (!m_connection.IsCurrent(connection)) {
        return;
    }
    switch (message) {
    case WM_SENSOR_TIMEOUT:
        OnSensorTimeout();
        break;
    case WM_SENSOR_ERROR_REPLY:
        OnSensorErrorReply();
        break;
    case WM_SENSOR_IDENTITY:
        OnSensorIdentity();
        break;
    case WM_SENSOR_SETTINGS:
        OnSensorSettings();
        break;
    case WM_SENSOR_CHANNEL:
        OnSensorChannel(static_cast<unsigned>(wParam));
        break;
    case WM_SENSOR_DATA:
        OnSensorData();
        break;
    case WM_SENSOR_VERSION:
        OnSensorVersion();
        break;
    case WM_SENSOR_SETTINGS_SENT:
        OnSensorSettingsSent();
        break;
    case WM_SENSOR_CHANNEL_SENT:
        OnSensorChannelSent(static_cast<unsigned>(wParam));
        break;
    case WM_SENSOR_TEACH:
        OnSensorTeach(static_cast<unsigned>(wParam));
        break;
    default:
        // A failed read shows up as time-outs.
        break;
    }
}

void CSpectrelDlg::OnSensorErrorReply() {
    ShowWarning(TEXT_SENSOR_ERROR, WARN_SENSOR);
}

void CSpectrelDlg::OnSendSettings() {
    if (m_settings.Send()) {
        m_command = PanelCommand::SendSettings;
    }
}

void CSpectrelDlg::OnSensorSettingsSent() {
    if (!Sensor() || m_command != PanelCommand::SendSettings) {
        return;
    }
    m_command = PanelCommand::None;
    m_connection.ResumeDataPolling();
    EnableControls(true);
}

void CSpectrelDlg::OnSensorSettings() {
    if (!Sensor()) {
        return;
    }
    m_settings.TakeFromSensor();
    if (!IsPanelReady()) {
        // First contact with this sensor: its channels come next.
        StartReadAll();
        return;
    }
    m_connection.ResumeDataPolling();
    EnableControls(true);
}

void CSpectrelDlg::NotifyChannelsChanged() {
    if (m_observer != nullptr) {
        m_observer->OnChannelsChanged();
    }
}

void CSpectrelDlg::OnFileExit() {
    m_view.CloseWindow();
}

void CSpectrelDlg::OnWarningsRecognition() {
    ToggleWarning(ID_WARNINGS_RECOGNITION, WARN_RECOGNITION);
}

void CSpectrelDlg::OnWarningsSensor() {
    ToggleWarning(ID_WARNINGS_SENSOR, WARN_SENSOR);
}

void CSpectrelDlg::OnWarningsApplication() {
    ToggleWarning(ID_WARNINGS_APPLICATION, WARN_APPLICATION);
}

void CSpectrelDlg::ToggleWarning(MenuCommand item, int bit) {
    m_warningsMask ^= bit;
    m_view.CheckMenuItem(item, (m_warningsMask & bit) != 0);
}

// The manual is looked for beside the program first, so that a build tree opens its own, then
// in the documentation folder of an installed program. A missing manual is reported with the
// last place looked at, which is where an installation puts it.
void CSpectrelDlg::OnInstructions() {
    const std::string name = m_environment.ProgramName + INSTRUCTIONS_EXTENSION;
    std::string path = m_environment.ProgramDir + "/" + name;
    if (!IsDocument(path) && !m_environment.DocumentDir.empty()) {
        path = m_environment.DocumentDir + "/" + name;
    }
    if (!IsDocument(path)) {
        MessageBox("Help file \"" + path + "\" not found.");
        return;
    }
    if (!m_view.OpenDocument(path)) {
        MessageBox(TEXT_INSTRUCTIONS_FAILED);
    }
}

void CSpectrelDlg::OnAbout() {
    AboutInfo about;
    about.Caption = TEXT_ABOUT_CAPTION;
    about.ProgramLine = std::string(PROGRAM_TITLE) + " version " + m_environment.ProgramVersion;
    about.FirmwareLine = m_connection.FirmwareLine();
    m_view.ShowAboutBox(about);
}

bool CSpectrelDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        return m_view.Pull(m_values);
    }
    m_view.Push(m_values);
    return true;
}

MessageResult CSpectrelDlg::MessageBox(const std::string& text, MessageIcon icon) {
    MessageBoxRequest request;
    request.Text = text;
    request.Caption = PROGRAM_TITLE;
    request.Icon = icon;
    return m_view.ShowMessageBox(request);
}

void CSpectrelDlg::ShowWarning(const std::string& text, int category) {
    if ((m_warningsMask & category) != 0) {
        MessageBox(text);
    }
}

// A command the port refused never reached the sensor: no answer is awaited.
void CSpectrelDlg::ShowWriteFailure(const std::string& text) {
    m_command = PanelCommand::None;
    m_connection.WriteFailed(text);
}

void CSpectrelDlg::SetStatusText(const std::string& text, bool boldFirstWord) {
    m_statusText = text;
    std::size_t boldLength = 0;
    if (boldFirstWord) {
        boldLength = std::min(text.find(' '), text.size());
    }
    m_view.SetRichStatus(text, boldLength);
}

void CSpectrelDlg::EnableControls(bool enable) {
    m_controlsEnabled = enable;
    for (ControlId id : {IDC_READ_SETTINGS, IDC_READ_ALL_CHANNELS, IDC_TEACH_CHANNEL,
                         IDC_MULTI_SAMPLE_TEACH, IDC_MANUAL}) {
        m_view.EnableControl(id, enable);
    }
    if (!enable) {
        m_view.EnableControl(IDC_SEND_SETTINGS, false);
        m_view.EnableControl(IDC_SEND_ALL_CHANNELS, false);
    } else {
        UpdateSettingsButtons();
        UpdateChannelButtons();
    }
}

void CSpectrelDlg::ClearPanel() {
    m_settings.Clear();
    m_channels.Clear();
    m_values.ReadingTexts = {};
    for (ChartProperty property : {CHART_RED, CHART_GREEN, CHART_BLUE}) {
        m_view.SetChartColor(IDC_CHART, property, 0);
    }
    for (ControlId indicator : INDICATORS) {
        m_view.SetChartStyle(indicator, CHART_STYLE_PIE);
        for (ChartProperty property : {CHART_RED, CHART_GREEN, CHART_BLUE}) {
            m_view.SetChartColor(indicator, property, 0);
        }
    }
    m_values.RecognizedTexts = {};
    m_profilePath.clear();
    if (IsFifteenChannel()) {
        m_values.FirstRowLabel.clear();
    }
    UpdateData(false);
}
