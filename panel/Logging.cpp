// "&Options" > "&Data Logging": starting and stopping the log, its settings, and the record
// each reading may add.
#include <cerrno>
#include <cstring>
#include <iostream>

#include "common/PanelTexts.h"
#include "logging/LogRecord.h"
#include "logging/LogTexts.h"
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"
#include "profile/Profile.h"
#include "sensor/Sensor.h"

namespace {

std::string LoggingModeText(int mode) {
    switch (mode) {
    case LOG_CONTINUOUS:
        return TEXT_LOGGING_CONTINUOUS;
    case LOG_ON_MATCH:
        return TEXT_LOGGING_ON_MATCH;
    case LOG_ON_INTERVAL:
        return TEXT_LOGGING_ON_INTERVAL;
    default:
        return "";
    }
}

} // namespace

// The default log lies in the working directory; without one the name stays empty until the
// settings dialog or a profile gives one, and starting then reports the file cannot be opened.
void CSpectrelDlg::InitLogging() {
    m_logSettings.FileName = WorkingDirectoryLogFile();
    if (m_logSettings.FileName.empty()) {
        std::cerr << "getcwd error: " << std::strerror(errno) << "\n";
    }
}

void CSpectrelDlg::OnInitMenuPopup() {
    UpdateLoggingMenu();
}

// Stop stays offered while logging runs, also after a port change or a model without logging
// took the availability away: otherwise nothing could end that run.
void CSpectrelDlg::UpdateLoggingMenu() {
    m_view.EnableMenuItem(ID_LOGGING_START, m_loggingAvailable && !m_loggingActive);
    m_view.EnableMenuItem(ID_LOGGING_STOP, m_loggingActive);
    m_view.EnableMenuItem(ID_LOGGING_SETTINGS, m_loggingAvailable && !m_loggingActive);
}

void CSpectrelDlg::StartLogging() {
    if (!m_loggingAvailable || m_loggingActive) {
        return;
    }
    switch (m_logWriter.Open(m_logSettings.FileName)) {
    case CLogWriter::Opened::Exists:
        OpenExistingLog();
        break;
    case CLogWriter::Opened::Created:
        m_loggingActive = true;
        break;
    case CLogWriter::Opened::Failed:
        ShowWarning(TEXT_LOG_OPEN_FAILED, WARN_APPLICATION);
        break;
    }
    // The status bar shows the active state from the next reading on.
    UpdateLoggingMenu();
}

void CSpectrelDlg::OpenExistingLog() {
    XMessageBoxParams params;
    params.CustomButtons = LOG_EXISTS_BUTTONS;
    const int answer = m_view.ShowXMessageBox(TEXT_LOG_EXISTS_BEFORE + m_logSettings.FileName +
                                                  TEXT_LOG_EXISTS_AFTER,
                                              PROGRAM_TITLE, XMB_ICON_EXCLAMATION, params);
    if (answer == LOG_EXISTS_APPEND) {
        m_loggingActive = true;
    } else if (answer == LOG_EXISTS_OVERWRITE) {
        m_loggingActive = m_logWriter.Overwrite();
        if (!m_loggingActive) {
            m_logWriter.Close();
            ShowWarning(TEXT_LOG_OPEN_FAILED, WARN_APPLICATION);
        }
    } else {
        m_logWriter.Close();
    }
}

void CSpectrelDlg::StopLogging() {
    if (!m_loggingActive) {
        return;
    }
    m_loggingActive = false;
    m_logWriter.Close();
    m_view.SetStatusBarText(TEXT_LOGGING_INACTIVE);
    UpdateLoggingMenu();
}

// Shut-down: the file is closed, the status bar is left as it is.
void CSpectrelDlg::CloseLog() {
    m_loggingActive = false;
    m_logWriter.Close();
}

void CSpectrelDlg::OnLogSettings() {
    if (!m_loggingAvailable || m_loggingActive) {
        return;
    }
    LogSettings chosen = m_logSettings;
    if (!m_view.RunLogSettingsDlg(chosen)) {
        return;
    }
    m_logSettings.Mode = chosen.Mode;
    // The interval edit counts only for the mode it belongs to.
    if (chosen.Mode == LOG_ON_INTERVAL) {
        m_logSettings.Interval = chosen.Interval;
    }
    m_logSettings.FileName = chosen.FileName;
}

// A record carries the time its reading arrived, not the time the window got to it.
void CSpectrelDlg::LogOnReading() {
    if (!m_sensor) {
        return;
    }
    const std::time_t now = m_sensor->GetReadingTime();
    m_logTrigger.Notice(now);
    if (!m_loggingActive) {
        return;
    }
    m_view.SetStatusBarText(LoggingModeText(m_logSettings.Mode) + m_logTrigger.Advance());
    const unsigned status = m_sensor->GetMatchStatus();
    if (m_logTrigger.Take(m_logSettings.Mode, m_logSettings.Interval, status, now)) {
        WriteLogRecord(now, status);
    }
}

bool CSpectrelDlg::WriteLogRecord(std::time_t time, unsigned matchStatus) {
    if (!m_sensor || !m_panelReady || !m_loggingActive) {
        return false;
    }
    const std::string record =
        LogRecordFields(LocalTimeOf(time), m_values.ReadingTexts, matchStatus) + LOG_LINE_END;
    switch (m_logWriter.Write(record)) {
    case CLogWriter::Written::Done:
        break;
    case CLogWriter::Written::Full:
        StopLogging();
        ShowWarning(TEXT_LOG_FULL, WARN_APPLICATION);
        break;
    case CLogWriter::Written::Failed: {
        // Records that silently went nowhere would be found missing only when needed.
        const std::string reason = std::strerror(m_logWriter.LastError());
        StopLogging();
        ShowWarning(std::string(TEXT_LOG_WRITE_FAILED) + "\n" + m_logSettings.FileName + ": " +
                        reason,
                    WARN_APPLICATION);
        break;
    }
    }
    return true;
}
