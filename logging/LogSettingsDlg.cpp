#include "logging/LogSettingsDlg.h"

#include <charconv>

#include "logging/LogTexts.h"

bool ParseLogInterval(const std::string& text, int& seconds) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return false;
    }
    const std::size_t last = text.find_last_not_of(" \t");
    const char* begin = text.data() + first + (text[first] == '+' ? 1 : 0);
    const char* end = text.data() + last + 1;
    int parsed = 0;
    const auto [stop, error] = std::from_chars(begin, end, parsed);
    if (error != std::errc() || stop != end) {
        return false;
    }
    seconds = parsed;
    return true;
}

void CLogSettingsDlg::OnInitDialog() {
    Push();
    m_view.EnableInterval(m_settings.Mode == LOG_ON_INTERVAL);
}

// Every control is refreshed from what the dialog opened with, as the Windows tool did: a
// mode or interval changed but not confirmed goes back, the edit keeps its enabled state.
void CLogSettingsDlg::OnBrowse() {
    std::string chosen;
    if (m_view.ChooseLogFile(m_settings.FileName, chosen)) {
        m_settings.FileName = chosen;
        Push();
    }
}

void CLogSettingsDlg::OnIntervalOff() {
    m_view.EnableInterval(false);
}

void CLogSettingsDlg::OnIntervalOn() {
    m_view.EnableInterval(true);
}

bool CLogSettingsDlg::OnOK() {
    const LogSettingsValues values = m_view.Pull();
    int interval = 0;
    if (!ParseLogInterval(values.IntervalText, interval)) {
        m_view.RefuseInterval(TEXT_LOG_INTERVAL_NOT_INTEGER);
        return false;
    }
    // Logging on interval with 0 or fewer seconds would log every reading, and a profile saved
    // with an interval out of range reports it as a bad entry when loaded again.
    if (values.Mode == LOG_ON_INTERVAL &&
        (interval < LOG_INTERVAL_MIN || interval > LOG_INTERVAL_MAX)) {
        m_view.RefuseInterval(TEXT_LOG_INTERVAL_OUT_OF_RANGE);
        return false;
    }
    m_settings.Mode = values.Mode;
    m_settings.Interval = interval;
    m_settings.FileName = values.FileName;
    return true;
}

void CLogSettingsDlg::Push() {
    m_view.Push({m_settings.Mode, std::to_string(m_settings.Interval), m_settings.FileName});
}
