// "&Options" > "&Data Logging": starting and stopping the log, its settings, and the record
// each reading may add.
#include "panel/DataLogging.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "common/PanelTexts.h"
#include "logging/LogRecord.h"
#include "logging/LogTexts.h"
#include "panel/PanelView.h"
#include "profile/Profile.h"

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
CDataLogging::CDataLogging(PanelView& view, std::function<void(const std::string&)> warn)
    : m_view(view), m_warn(std::move(warn)) {
    m_settings.FileName = WorkingDirectoryLogFile();
    if (m_settings.FileName.empty()) {
        std::cerr << "getcwd error: " << std::strerror(errno) << "\n";
    }
}

void CDataLogging::SetAvailable(bool available) {
    m_available = available;
    m_view.SetStatusBarText(m_available ? TEXT_LOGGING_INACTIVE : "");
    UpdateMenu();
}

// Stop stays offered while logging runs, also after a port change or a model without logging
// took the availability away: otherwise nothing could end that run.
void CDataLogging::UpdateMenu() {
    m_view.EnableMenuItem(ID_LOGGING_START, m_available && !m_active);
    m_view.EnableMenuItem(ID_LOGGING_STOP, m_active);
    m_view.EnableMenuItem(ID_LOGGING_SETTINGS, m_available && !m_active);
}

void CDataLogging::Start() {
    if (!m_available || m_active) {
        return;
    }
    switch (m_writer.Open(m_settings.FileName)) {
    case CLogWriter::Opened::Exists:
        OpenExisting();
        break;
    case CLogWriter::Opened::Created:
        m_active = true;
        break;
    case CLogWriter::Opened::Failed:
        m_warn(TEXT_LOG_OPEN_FAILED);
        break;
    }
    // The status bar shows the active state from the next reading on.
    UpdateMenu();
}

void CDataLogging::OpenExisting() {
    XMessageBoxParams params;
    params.CustomButtons = LOG_EXISTS_BUTTONS;
    const int answer =
        m_view.ShowXMessageBox(TEXT_LOG_EXISTS_BEFORE + m_settings.FileName + TEXT_LOG_EXISTS_AFTER,
                               PROGRAM_TITLE, XMB_ICON_EXCLAMATION, params);
    if (answer == LOG_EXISTS_APPEND) {
        m_active = true;
    } else if (answer == LOG_EXISTS_OVERWRITE) {
        m_active = m_writer.Overwrite();
        if (!m_active) {
            m_writer.Close();
            m_warn(TEXT_LOG_OPEN_FAILED);
        }
    } else {
        m_writer.Close();
    }
}

void CDataLogging::Stop() {
    if (!m_active) {
        return;
    }
    m_active = false;
    m_writer.Close();
    m_view.SetStatusBarText(TEXT_LOGGING_INACTIVE);
    UpdateMenu();
}

void CDataLogging::Close() {
    m_active = false;
    m_writer.Close();
}

void CDataLogging::EditSetup() {
    if (!m_available || m_active) {
        return;
    }
    LogSettings chosen = m_settings;
    if (!m_view.RunLogSettingsDlg(chosen)) {
        return;
    }
    m_settings.Mode = chosen.Mode;
    // The interval edit counts only for the mode it belongs to.
    if (chosen.Mode == LOG_ON_INTERVAL) {
        m_settings.Interval = chosen.Interval;
    }
    m_settings.FileName = chosen.FileName;
}

bool CDataLogging::RecordDue(std::time_t time, unsigned matchStatus) {
    m_trigger.Notice(time);
    if (!m_active) {
        return false;
    }
    m_view.SetStatusBarText(LoggingModeText(m_settings.Mode) + m_trigger.Advance());
    return m_trigger.Take(m_settings.Mode, m_settings.Interval, matchStatus, time);
}

void CDataLogging::Write(std::time_t time, unsigned matchStatus,
                         const std::array<std::string, 3>& reading) {
    const std::string record =
        LogRecordFields(LocalTimeOf(time), reading, matchStatus) + LOG_LINE_END;
    switch (m_writer.Write(record)) {
    case CLogWriter::Written::Done:
        break;
    case CLogWriter::Written::Full:
        Stop();
        m_warn(TEXT_LOG_FULL);
        break;
    case CLogWriter::Written::Failed: {
        // Records that silently went nowhere would be found missing only when needed.
        const std::string reason = std::strerror(m_writer.LastError());
        Stop();
        m_warn(std::string(TEXT_LOG_WRITE_FAILED) + "\n" + m_settings.FileName + ": " + reason);
        break;
    }
    }
}
