#include "SoakWindow.h"

#include "common/PanelTexts.h"
#include "logging/LogTexts.h"
#include "teach/ManualEntryDlg.h"
#include "teach/MultiSampleTeachDlg.h"
#include "tests/support/FakeTeachViews.h"

SoakWindow::SoakWindow(const std::string& folder, const std::string& device) {
    m_environment.PreferencesPath = folder + "/Orvane Industries/spectrel.conf";
    m_environment.ProgramDir = folder;
    m_environment.ProgramName = "spectrel";
    m_environment.ProgramVersion = SPECTREL_VERSION;
    m_environment.PortOverrides.Set("COM1", device);
    m_logPath = folder + "/window-log.csv";
    m_profilePath = folder + "/soak.spf";
    // The user of "Data Logging Settings": every reading, into the soak's folder.
    m_view.LogSettingsUser = [this](LogSettings& settings) {
        settings.FileName = m_logPath;
        settings.Mode = LOG_CONTINUOUS;
        return true;
    };
}

SoakWindow::~SoakWindow() {
    Close();
}

void SoakWindow::Open() {
    m_panel = std::make_unique<CSpectrelDlg>(m_view, m_environment);
    Timed("open", [this] { m_panel->OnInitDialog(); });
}

void SoakWindow::Close() {
    if (m_panel) {
        Timed("close", [this] { m_panel->OnClose(); });
        m_panel.reset();
    }
}

template <typename Call> void SoakWindow::Timed(const char* name, Call call, bool measured) {
    const auto start = Clock::now();
    m_callName = name;
    m_callStartedAt = start.time_since_epoch().count();
    call();
    m_callStartedAt = 0;
    if (measured) {
        Clock::duration& worst = m_worstCalls[name];
        worst = std::max(worst, Clock::now() - start);
    }
    CollectMessages();
}

void SoakWindow::CollectMessages() {
    for (const MessageBoxRequest& message : m_view.Messages) {
        ++m_messages[message.Text];
    }
    m_view.Messages.clear();
    for (const FakeView::XBox& box : m_view.XBoxes) {
        ++m_messages[box.Text];
    }
    m_view.XBoxes.clear();
    m_view.FileDialogs.clear();
}

void SoakWindow::Pump(std::chrono::milliseconds period) {
    Timed(
        "notifications", [&] { m_view.PumpFor(*m_panel, period); }, false);
}

bool SoakWindow::IsOnline() const {
    return m_panel && m_panel->IsPanelReady() &&
           m_panel->StatusText() == m_panel->ModelName() + TEXT_ON_LINE;
}

std::string SoakWindow::StateText() const {
    return "status \"" + m_panel->StatusText() + "\", " +
           (m_panel->IsPanelReady() ? "ready" : "not ready") + ", serial shown \"" + SerialShown() +
           "\"";
}

const std::vector<SoakWindow::Action>& SoakWindow::Actions() {
    static const std::vector<Action> actions{
        {"read settings", IDC_READ_SETTINGS, NO_MENU, 10, ANY_TIME, &SoakWindow::ReadSettings},
        {"read all channels", IDC_READ_ALL_CHANNELS, NO_MENU, 10, ANY_TIME,
         &SoakWindow::ReadChannels},
        {"choose a channel", IDC_CHANNEL, NO_MENU, 10, ANY_TIME, &SoakWindow::ChooseChannel},
        {"edit averaging", IDC_AVERAGING, NO_MENU, 10, ANY_TIME, &SoakWindow::EditAveraging},
        {"move illumination", IDC_ILLUMINATION_SLIDER, NO_MENU, 10, ANY_TIME,
         &SoakWindow::EditIllumination},
        {"toggle channel enabled", IDC_CHANNEL_ENABLED, NO_MENU, 10, ANY_TIME,
         &SoakWindow::ToggleEnabled},
        {"spin a tolerance", IDC_TOLERANCE_RED_SPIN, NO_MENU, 10, ANY_TIME,
         &SoakWindow::SpinTolerance},
        {"switch display mode", IDC_DISPLAY_COLOR_ONLY, NO_MENU, 10, ANY_TIME,
         &SoakWindow::SwitchDisplay},
        {"reset", IDC_RESET, NO_MENU, 1, CALM_ONLY, &SoakWindow::PressReset},
        {"send settings", IDC_SEND_SETTINGS, NO_MENU, 5, CALM_ONLY, &SoakWindow::SendSettings},
        {"send all channels", IDC_SEND_ALL_CHANNELS, NO_MENU, 5, CALM_ONLY,
         &SoakWindow::SendChannels},
        {"teach channel", IDC_TEACH_CHANNEL, NO_MENU, 3, CALM_ONLY, &SoakWindow::TeachChannel},
        {"multi-sample teach", IDC_MULTI_SAMPLE_TEACH, NO_MENU, 2, CALM_ONLY,
         &SoakWindow::MultiSampleTeach},
        {"manual entry", IDC_MANUAL, NO_MENU, 2, CALM_ONLY, &SoakWindow::EnterManually},
        {"save a profile", NO_CONTROL, ID_FILE_SAVE_AS, 2, ANY_TIME, &SoakWindow::SaveProfile},
        {"load a profile", NO_CONTROL, ID_FILE_OPEN, 2, CALM_ONLY, &SoakWindow::LoadProfile},
        {"data logging settings", NO_CONTROL, ID_LOGGING_SETTINGS, 1, ANY_TIME,
         &SoakWindow::SetUpLogging},
        {"start logging", NO_CONTROL, ID_LOGGING_START, 3, ANY_TIME, &SoakWindow::StartLogging},
        {"stop logging", NO_CONTROL, ID_LOGGING_STOP, 1, ANY_TIME, &SoakWindow::StopLogging},
    };
    return actions;
}

bool SoakWindow::Offers(const Action& action) const {
    // A control or menu item the controller never disabled is enabled, as a widget is.
    if (action.Menu != NO_MENU) {
        const auto item = m_view.MenuEnabled.find(action.Menu);
        return item == m_view.MenuEnabled.end() || item->second;
    }
    return m_view.Enabled.count(action.Control) == 0 || m_view.IsEnabled(action.Control);
}

const char* SoakWindow::Act(std::mt19937_64& random, bool faultHolds) {
    std::vector<const Action*> choices;
    std::vector<int> weights;
    for (const Action& action : Actions()) {
        if (Offers(action) && !(faultHolds && action.CalmOnly)) {
            choices.push_back(&action);
            weights.push_back(action.Weight);
        }
    }
    if (choices.empty()) {
        return nullptr;
    }
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
    const Action& action = *choices[pick(random)];
    Timed(action.Name, [&] { (this->*action.Run)(random); });
    return action.Name;
}

void SoakWindow::ReadSettings(std::mt19937_64&) {
    m_panel->OnReadSettings();
}

void SoakWindow::ReadChannels(std::mt19937_64&) {
    m_panel->OnReadAllChannels();
}

void SoakWindow::ChooseChannel(std::mt19937_64& random) {
    const int count = std::max(m_panel->ChannelCount(), 1);
    m_view.Controls.SelectedChannel = std::uniform_int_distribution<int>(0, count - 1)(random);
    m_panel->OnSelchangeChannel();
}

void SoakWindow::EditAveraging(std::mt19937_64& random) {
    m_view.Controls.AveragingIndex = std::uniform_int_distribution<int>(0, 6)(random);
    m_panel->OnSelchangeAveraging();
}

void SoakWindow::EditIllumination(std::mt19937_64& random) {
    const int position =
        std::uniform_int_distribution<int>(0, CSpectrelDlg::MAX_ILLUMINATION)(random);
    m_view.Controls.Illumination = position;
    m_panel->OnIlluminationScroll(position);
}

void SoakWindow::ToggleEnabled(std::mt19937_64&) {
    m_view.Controls.ChannelEnabled = m_view.Controls.ChannelEnabled != 0 ? 0 : 1;
    m_panel->OnChannelEnabled();
}

void SoakWindow::SpinTolerance(std::mt19937_64& random) {
    const int colour = std::uniform_int_distribution<int>(0, 2)(random);
    int& step = m_view.Controls.ToleranceSteps[static_cast<std::size_t>(colour)];
    step = std::clamp(step + std::uniform_int_distribution<int>(-2, 2)(random), 1, 100);
    m_panel->OnToleranceSpin(colour);
}

void SoakWindow::SwitchDisplay(std::mt19937_64& random) {
    if (std::uniform_int_distribution<int>(0, 1)(random) == 0) {
        m_view.Controls.DisplayMode = 1;
        m_panel->OnDisplayColorOnly();
    } else {
        m_view.Controls.DisplayMode = 0;
        m_panel->OnDisplayColorLuminosity();
    }
}

void SoakWindow::PressReset(std::mt19937_64&) {
    m_panel->OnReset();
}

void SoakWindow::SetUpLogging(std::mt19937_64&) {
    m_panel->OnLogSettings();
}

// An existing file is appended to or overwritten, as the user picks.
void SoakWindow::StartLogging(std::mt19937_64& random) {
    m_view.XAnswers = {std::uniform_int_distribution<int>(0, 3)(random) == 0 ? LOG_EXISTS_OVERWRITE
                                                                             : LOG_EXISTS_APPEND};
    // Never into the default file in the soak's working folder.
    if (m_panel->LogSetup().FileName != m_logPath) {
        m_panel->OnLogSettings();
    }
    m_panel->StartLogging();
    m_view.XAnswers.clear();
}

void SoakWindow::StopLogging(std::mt19937_64&) {
    m_panel->StopLogging();
}

void SoakWindow::EndLogging() {
    Timed("stop logging", [this] { m_panel->StopLogging(); });
}

// A new illumination is confirmed (or not) as the user decides.
void SoakWindow::SendSettings(std::mt19937_64& random) {
    m_view.Answers = {std::uniform_int_distribution<int>(0, 2)(random) == 0 ? RESULT_NO
                                                                            : RESULT_YES};
    m_panel->OnSendSettings();
    m_view.Answers.clear();
}

void SoakWindow::SendChannels(std::mt19937_64&) {
    m_panel->OnSendAllChannels();
}

void SoakWindow::TeachChannel(std::mt19937_64&) {
    m_panel->OnTeachChannel();
}

// One to three samples, then OK; Cancel when a sample does not come back.
void SoakWindow::MultiSampleTeach(std::mt19937_64& random) {
    const int samples = std::uniform_int_distribution<int>(1, 3)(random);
    m_view.MultiSampleTeachScript = [samples](CMultiSampleTeachDlg& dialog,
                                              FakeMultiSampleView& view) {
        for (int row = 0; row < samples; ++row) {
            dialog.OnTeach(IDC_TEACH_SAMPLE_FIRST + row);
            if (!view.PumpTeach(dialog)) {
                dialog.OnCancel();
                return;
            }
        }
        dialog.OnOK();
    };
    m_panel->OnMultiSampleTeach();
}

// The colour as the dialog offers it, sent with OK.
void SoakWindow::EnterManually(std::mt19937_64&) {
    m_view.ManualEntryScript = [](CManualEntryDlg& dialog, FakeManualEntryView&) { dialog.OnOK(); };
    m_panel->OnManual();
}

void SoakWindow::SaveProfile(std::mt19937_64&) {
    m_view.FileAnswers = {m_profilePath};
    m_panel->OnFileSaveAs();
    m_view.FileAnswers.clear();
}

void SoakWindow::LoadProfile(std::mt19937_64&) {
    m_view.FileAnswers = {m_profilePath};
    m_panel->OnFileOpen();
    m_view.FileAnswers.clear();
}
