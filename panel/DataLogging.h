#pragma once

#include <array>
#include <ctime>
#include <functional>
#include <string>

#include "logging/LogSettings.h"
#include "logging/LogTrigger.h"
#include "logging/LogWriter.h"

class PanelView;

// The window's data logging: the set-up for the next start, the open log file, the record
// trigger kept across runs, and the Data Logging menu items that follow them.
class CDataLogging {
public:
    // `warn` shows an application warning (while that category is switched on).
    CDataLogging(PanelView& view, std::function<void(const std::string&)> warn);

    // The connected model keeps logs, or not (none connected): the status bar and menu follow.
    void SetAvailable(bool available);
    bool IsAvailable() const { return m_available; }
    bool IsActive() const { return m_active; }
    LogSettings& Setup() { return m_settings; }
    const LogSettings& Setup() const { return m_settings; }

    void UpdateMenu();
    void Start();
    void Stop();
    // Shut-down: the file is closed, the status bar is left as it is.
    void Close();
    void EditSetup();
    // A reading arrived at `time` with this match status: the status bar's activity character
    // turns; true when the log mode says a record is due.
    bool RecordDue(std::time_t time, unsigned matchStatus);
    // Writes one record of the reading shown; a full or failing file stops logging.
    void Write(std::time_t time, unsigned matchStatus, const std::array<std::string, 3>& reading);

private:
    void OpenExisting();

    PanelView& m_view;
    std::function<void(const std::string&)> m_warn;
    LogSettings m_settings;
    CLogWriter m_writer;
    CLogTrigger m_trigger; // kept across runs of logging
    bool m_available = false;
    bool m_active = false;
};
