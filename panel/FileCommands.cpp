// "&File ": the profile path and the commands that save the window's values into a profile and
// take them back. A profile moves values between the file and the window only; the send
// buttons then offer what differs from the sensor.
#include <string>
#include <tuple>
#include <vector>

#include "common/PanelTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Profile.h"
#include "sensor/Sensor.h"

namespace {

constexpr const char* TEXT_CLEAR_QUESTION = "Clear current dialog settings?";
constexpr const char* TEXT_PROFILE_NOT_SAVED = "The profile was not saved.\n";
constexpr const char* TEXT_PROFILE_NOT_READ = "The profile was not loaded.\n";
constexpr unsigned NEW_IDLE_WAIT_MS = 1000;

FileDialogRequest ProfileDialog(bool save, const std::string& initialPath) {
    FileDialogRequest request;
    request.Save = save;
    request.InitialPath = initialPath;
    request.Filters = {{"Spectrel Profiles (*.spf)", "*.spf"}, {"All files (*.*)", "*"}};
    request.DefaultExtension = PROFILE_EXTENSION;
    return request;
}

} // namespace

static_assert(std::tuple_size_v<decltype(ProfileValues::Channels)> ==
                  CSpectrelDlg::CHANNEL_TABLE_SIZE,
              "a profile carries the window's whole channel table");

void CSpectrelDlg::OnFileNew() {
    if (!IsPanelReady()) {
        ClearPanel();
        m_profilePath.clear();
        return;
    }
    MessageBoxRequest question;
    question.Text = TEXT_CLEAR_QUESTION;
    question.Caption = PROGRAM_TITLE;
    question.Icon = ICON_NONE;
    question.Buttons = BUTTONS_YES_NO_CANCEL;
    question.DefaultButton = RESULT_YES;
    switch (m_view.ShowMessageBox(question)) {
    case RESULT_YES:
        if (CSensor* sensor = SensorProxy()) {
            sensor->StopDataPolling();
            sensor->WaitUntilIdle(NEW_IDLE_WAIT_MS);
        }
        ClearPanel();
        if (Sensor()) {
            m_connection.ResumeDataPolling();
        }
        // The emptied panel differs from the sensor: reading back is offered, and the teaching
        // tools wait for a channel to be chosen.
        UpdateSettingsButtons();
        UpdateChannelButtons();
        m_profilePath.clear();
        break;
    case RESULT_NO:
        m_profilePath.clear();
        break;
    default:
        break;
    }
}

void CSpectrelDlg::OnFileOpen() {
    if (AskProfilePath(false)) {
        LoadProfile();
        UpdateSettingsButtons();
        UpdateChannelButtons();
        UpdateData(false);
    }
}

void CSpectrelDlg::OnFileSave() {
    if (!UpdateData(true)) {
        return;
    }
    if (m_profilePath.empty()) {
        OnFileSaveAs();
        return;
    }
    SaveProfile();
}

void CSpectrelDlg::OnFileSaveAs() {
    if (UpdateData(true) && AskProfilePath(true)) {
        SaveProfile();
    }
}

// The profile path becomes the name chosen; a cancelled dialog leaves it as it was.
bool CSpectrelDlg::AskProfilePath(bool save) {
    std::string path;
    if (!m_view.ShowFileDialog(ProfileDialog(save, m_profilePath), path)) {
        return false;
    }
    m_profilePath = path;
    return true;
}

void CSpectrelDlg::OpenProfile(const std::string& path) {
    m_pendingProfile = path;
    if (IsPanelReady()) {
        OpenPendingProfile();
    }
}

void CSpectrelDlg::OpenPendingProfile() {
    if (m_pendingProfile.empty()) {
        return;
    }
    m_profilePath = std::move(m_pendingProfile);
    m_pendingProfile.clear();
    LoadProfile();
    UpdateSettingsButtons();
    UpdateChannelButtons();
    UpdateData(false);
}

// A failed save is always told: the user believes the configuration kept otherwise.
bool CSpectrelDlg::SaveProfile() {
    std::string error;
    if (!SaveProfileFile(m_profilePath, ProfileFromWindow(), error)) {
        MessageBox(TEXT_PROFILE_NOT_SAVED + error);
        return false;
    }
    return true;
}

bool CSpectrelDlg::LoadProfile() {
    ProfileValues profile = ProfileFromWindow();
    std::vector<ProfileEntry> badEntries;
    std::string error;
    if (!LoadProfileFile(m_profilePath, profile, badEntries, error)) {
        MessageBox(TEXT_PROFILE_NOT_READ + error);
        return false;
    }
    for (const ProfileEntry& entry : badEntries) {
        MessageBox(BadEntryText(entry));
    }
    TakeProfile(profile);
    m_values.IlluminationText = std::to_string(m_values.Illumination);
    m_view.SetSliderPosition(IDC_ILLUMINATION_SLIDER, m_values.Illumination);
    if (m_values.SelectedChannel >= 0) {
        ShowChannel();
    }
    UpdateData(false);
    NotifyChannelsChanged();
    return true;
}

ProfileValues CSpectrelDlg::ProfileFromWindow() const {
    ProfileValues profile;
    profile.ModelName = ModelName();
    profile.SerialNumber = m_values.SerialNumberText;
    profile.FirmwareMajor = m_connection.FirmwareMajor();
    profile.FirmwareMinor = m_connection.FirmwareMinor();
    profile.ChannelCount = ChannelCount();
    profile.AveragingIndex = m_values.AveragingIndex;
    profile.TriggeringIndex = m_values.TriggeringIndex;
    profile.OutputDurationIndex = m_values.OutputDurationIndex;
    profile.Illumination = m_values.Illumination;
    profile.Logging = m_logging.Setup();
    profile.Channels = m_channels.Entries();
    return profile;
}

void CSpectrelDlg::TakeProfile(const ProfileValues& profile) {
    m_values.AveragingIndex = profile.AveragingIndex;
    m_values.TriggeringIndex = profile.TriggeringIndex;
    m_values.OutputDurationIndex = profile.OutputDurationIndex;
    m_values.Illumination = profile.Illumination;
    m_logging.Setup() = profile.Logging;
    m_channels.SetEntries(profile.Channels);
}
