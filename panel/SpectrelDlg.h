#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "panel/ChannelTable.h"
#include "panel/DataLogging.h"
#include "panel/PanelConnection.h"
#include "panel/PanelEnvironment.h"
#include "panel/PanelFrame.h"
#include "panel/PanelObserver.h"
#include "panel/PanelValues.h"
#include "panel/PanelView.h"
#include "panel/SettingsPanel.h"
#include "profile/PanelChannel.h"
#include "teach/TeachOwner.h"

class CSensor;
struct Preferences;
struct ProfileValues;

// The control panel: composes its areas (the connection with the sensor proxy, the settings
// panel, the channel table, data logging), reacts to the proxy's notifications and to the
// user's actions, and keeps the window's values, which it moves to and from the view by one data
// exchange (UpdateData). Everything here runs on the UI thread: the view calls the On...
// handlers for user actions and OnSensorNotification for what the sensor proxy posted.
// Every handler that talks to the sensor proxy checks that it exists.
class CSpectrelDlg : public TeachOwner, private PanelFrame {
public:
    // The view must outlive the controller.
    CSpectrelDlg(PanelView& view, PanelEnvironment environment);
    virtual ~CSpectrelDlg();
    CSpectrelDlg(const CSpectrelDlg&) = delete;
    CSpectrelDlg& operator=(const CSpectrelDlg&) = delete;

    // Life cycle: once the view's controls exist, and when the window is asked to close.
    void OnInitDialog();
    void OnClose();
    // One notification the sensor proxy posted to the view's NotifyTarget, with the number of
    // the connection that posted it: one an earlier connection left queued is dropped.
    void OnSensorNotification(unsigned message, std::uintptr_t wParam,
                              std::uint64_t connection = NotifyTarget::NO_CONNECTION);

    // Menu commands
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileExit();
    void OnWarningsRecognition();
    void OnWarningsSensor();
    void OnWarningsApplication();
    void OnInstructions();
    void OnAbout();
    // A menu is about to drop down: the Data Logging items follow the logging state.
    void OnInitMenuPopup() { m_logging.UpdateMenu(); }

    // "&Options" > "&Data Logging"
    void StartLogging() { m_logging.Start(); }
    void StopLogging() { m_logging.Stop(); }
    void OnLogSettings() { m_logging.EditSetup(); }
    // The logging tail of every reading shown: turns the status bar's activity character and
    // writes a record when the log mode says one is due.
    void LogOnReading();
    // One record of the reading shown, if the sensor can deliver readings; false without
    // writing otherwise.
    bool WriteLogRecord(std::time_t time, unsigned matchStatus);

    // "Sensor Communications"
    void OnSelchangePort();
    void OnReset();
    // "Current Reading"
    void OnDisplayColorLuminosity();
    void OnDisplayColorOnly();
    // "Sensor Settings"
    void OnSelchangeAveraging() { m_settings.Pull(); }
    void OnSelchangeOutputDuration() { m_settings.Pull(); }
    void OnTriggering() { m_settings.Pull(); } // any of the three triggering radios
    void OnKillfocusIllumination() { m_settings.TakeIlluminationText(); }
    // The slider's new position
    void OnIlluminationScroll(int position) { m_settings.TakeIlluminationPosition(position); }
    void OnReadSettings() { m_settings.Read(); }
    void OnSendSettings();
    // "Color Recognition Channels"
    void OnSelchangeChannel() { m_channels.Select(); }
    void OnModeColorLuminosity() { m_channels.SetMode(MODE_COLOR_LUMINOSITY); }
    void OnModeColorOnly() { m_channels.SetMode(MODE_COLOR_ONLY); }
    void OnChannelEnabled() { m_channels.TakeEnabled(); }
    void OnOutputHigh() { m_channels.SetMatchOutput(OUTPUT_HIGH); }
    void OnOutputLow() { m_channels.SetMatchOutput(OUTPUT_LOW); }
    // The user moved the spin of colour 0, 1 or 2 (red, green, blue); its step is in the view.
    void OnToleranceSpin(int colour);
    void OnReadAllChannels();
    void OnSendAllChannels();
    void OnTeachChannel();
    void OnMultiSampleTeach();
    void OnManual();

    // Sensor proxy notifications
    void OnSensorTimeout();
    void OnSensorErrorReply();
    void OnSensorIdentity();
    void OnSensorVersion();
    void OnSensorSettings();
    void OnSensorSettingsSent();
    void OnSensorChannel(unsigned channel);
    void OnSensorChannelSent(unsigned channel);
    void OnSensorData();
    void OnSensorTeach(unsigned channel);

    // Shared by every teaching tool (the single teach, Multi-Sample Teach, Manual Entry).
    // The tolerances a tool asked for, red, green, blue.
    using Tolerances = CChannelTable::Tolerances;
    // Before a teach of channel 1..15: stops data polling, shows "Teaching channel %d..." and
    // disables the panel.
    void BeginTeach(unsigned channel);
    // Copies channel 1..15 from the sensor proxy into its entry and into the panel's channel
    // controls (whatever channel they show). With `requested`, the tolerances that differ from
    // it are reported in one information box while recognition warnings are on.
    void TakeChannelFromSensor(unsigned channel,
                               const std::optional<Tolerances>& requested = std::nullopt);
    // Ends a teach of channel 1..15: its row label, the online status, data polling resumed and
    // the panel enabled.
    void FinishTeach(unsigned channel);

    // Shared operations
    // false: Push; true: Pull, false when the view rejected a control's value.
    bool UpdateData(bool saveAndValidate) override;
    // A message box, shown only while the category is switched on in the warnings mask.
    void ShowWarning(const std::string& text, int category) override;
    void SetStatusText(const std::string& text, bool boldFirstWord) override;
    void EnableControls(bool enable) override;
    void ClearPanel();
    void ClearChannelFlags() { m_channels.ClearFlags(); }
    void ApplyModel(unsigned code);
    void SwitchPort(const std::string& name);
    void ShowCurrentReading();
    void ShowChannel() { m_channels.Show(); }
    void UpdateSettingsButtons() { m_settings.UpdateButtons(); }
    void UpdateChannelButtons() { m_channels.UpdateButtons(); }
    bool LoadPreferences();
    bool SavePreferences();
    // The profile named by the profile path, to and from the window's values. A load reports
    // each bad entry and pushes the values; nothing goes to the sensor. False, after a message,
    // when the file could not be written or read.
    bool SaveProfile();
    bool LoadProfile();
    // A profile named from outside the window (the command line, a second start): opened as
    // File > Open would, at once while the panel is ready, else as soon as it is.
    void OpenProfile(const std::string& path);

    // Who else follows the readings and the channels (none: nobody); it must outlive the
    // controller or be removed first.
    void SetObserver(PanelObserver* observer) { m_observer = observer; }

    // State, for the view's owner and for tests
    const PanelValues& Values() const { return m_values; }
    const CSensor* Sensor() const { return m_connection.Sensor(); }
    // The sensor proxy for the panel's dialogs, which talk to it on the panel's behalf.
    CSensor* SensorProxy() override { return m_connection.Sensor(); }
    const std::string& PortName() const { return m_connection.PortName(); }
    // The device the port name maps to; empty while no port is chosen.
    std::string PortDevicePath() const;
    const std::string& StatusText() const { return m_statusText; }
    const std::string& ModelName() const { return m_connection.ModelName(); }
    const std::string& ConnectedSerial() const { return m_connection.ConnectedSerial(); }
    unsigned ModelCode() const { return m_connection.ModelCode(); }
    int ChannelCount() const { return m_connection.ChannelCount(); }
    int WarningsMask() const override { return m_warningsMask; }
    int SelectedChannel() const override { return m_values.SelectedChannel; }
    int ShownChannelMode() const override { return m_values.ChannelMode; }
    int PollingPeriod() const { return m_connection.PollingPeriod(); }
    bool IsPanelReady() const { return m_connection.IsReady(); }
    bool AreControlsEnabled() const override { return m_controlsEnabled; }
    bool IsLoggingAvailable() const { return m_logging.IsAvailable(); }
    // A send or teach has been written and its answer is awaited.
    bool IsAwaitingSensor() const { return m_command != PanelCommand::None; }
    bool IsLoggingActive() const { return m_logging.IsActive(); }
    // The data-logging set-up: file, mode and interval for the next start.
    const LogSettings& LogSetup() const { return m_logging.Setup(); }
    const std::string& ProfilePath() const { return m_profilePath; }
    const PanelChannel& Channel(int index) const override { return m_channels.Channel(index); }

    static constexpr int PORT_COUNT = 16;
    static constexpr int CHANNEL_TABLE_SIZE = CChannelTable::SIZE;
    static constexpr int MAX_ILLUMINATION = CSettingsPanel::MAX_ILLUMINATION;

private:
    // The command whose answer the panel waits for; an answer nobody waits for any more (after
    // a loss, a port change or Reset) must not restart polling or enable the panel. Every
    // write that changes the sensor is one: a loss while it is unanswered leaves unknown what
    // the sensor holds, so the sensor is read in full when it comes back.
    enum class PanelCommand { None, SendSettings, SendAllChannels, Teach, SendChannel };

    bool IsFifteenChannel() const { return m_connection.IsFifteenChannel(); }
    Preferences CurrentPreferences() const;
    void InitControls();
    void ShowRecognizedRows();
    void ClearReading();
    void ShowMatchRows(unsigned status);
    void ShowWriteFailure(const std::string& text) override;
    void FinishSendAll();
    void AwaitChannelSent(unsigned channel);
    void StartReadAll();
    void FinishReadAll();
    void ShowOnline();
    void ToggleWarning(MenuCommand item, int bit);
    void SetDisplayMode(int mode);
    MessageResult MessageBox(const std::string& text, MessageIcon icon = ICON_EXCLAMATION) override;
    bool AskProfilePath(bool save);
    ProfileValues ProfileFromWindow() const;
    void TakeProfile(const ProfileValues& profile);
    void OpenPendingProfile();
    void NotifyChannelsChanged();

    PanelView& m_view;
    PanelEnvironment m_environment;

    PanelValues m_values;

    CPanelConnection m_connection;
    CSettingsPanel m_settings;
    CChannelTable m_channels;
    bool m_initialised = false;
    int m_warningsMask = 7; // all categories, also when the stored port is invalid
    std::string m_profilePath;
    std::string m_pendingProfile; // named from outside before the panel was ready
    std::string m_statusText;
    bool m_controlsEnabled = false;
    PanelCommand m_command = PanelCommand::None;
    unsigned m_commandChannel = 0; // 1..15 while a teach or a single channel's send is awaited
    CDataLogging m_logging;

    PanelObserver* m_observer = nullptr;
};
