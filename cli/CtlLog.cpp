#include "cli/CtlLog.h"

#include <chrono>
#include <thread>

#include "common/PanelFormat.h"
#include "logging/LogRecord.h"
#include "logging/LogTrigger.h"
#include "logging/LogWriter.h"

using namespace std::chrono_literals;

namespace {

constexpr const char* PROGRAM = "spectrelctl: ";
// How long one look for a lost sensor lasts before the next begins.
constexpr std::chrono::milliseconds SEARCH_ROUND{60s};
constexpr std::chrono::milliseconds SEARCH_PAUSE{1s};

// The log file of one run: the named file, then its numbered successors as each fills up.
class CCtlLogFile {
public:
    CCtlLogFile(std::string path, std::ostream& err)
        : m_base(std::move(path)), m_path(m_base), m_err(err) {}

    bool Open(std::string& reason) {
        if (m_writer.Open(m_path) == CLogWriter::Opened::Failed) {
            reason = m_path + ": " + m_writer.Reason();
            return false;
        }
        return true;
    }

    void Write(const std::string& record) {
        CLogWriter::Written written =
            Reopened() ? m_writer.Write(record) : CLogWriter::Written::Failed;
        while (written == CLogWriter::Written::Full) {
            const std::string full = m_path;
            m_writer.Close();
            m_path = NumberedLogName(m_base, ++m_number);
            m_err << PROGRAM << full << " has reached the 10 MB limit; the log goes on in "
                  << m_path << "\n";
            written = Reopened() ? m_writer.Write(record) : CLogWriter::Written::Failed;
        }
        if (written == CLogWriter::Written::Failed) {
            Lost();
        } else if (m_lost > 0) {
            m_err << PROGRAM << "writing to " << m_path << " again; " << m_lost
                  << (m_lost == 1 ? " record was" : " records were") << " lost\n";
            m_lost = 0;
        }
    }

private:
    bool Reopened() {
        return m_writer.IsOpen() || m_writer.Open(m_path) != CLogWriter::Opened::Failed;
    }

    void Lost() {
        if (m_lost++ == 0) {
            m_err << PROGRAM << "cannot write to " << m_path << ": " << m_writer.Reason()
                  << "; records are lost until it can be written again\n";
        }
    }

    std::string m_base;
    std::string m_path;
    std::ostream& m_err;
    CLogWriter m_writer;
    unsigned m_number = 0;
    unsigned long long m_lost = 0;
};

ReadingTexts ShownReading(const CSensor& sensor) {
    return {FormatPercent(ClampPercent(sensor.GetRed())),
            FormatPercent(ClampPercent(sensor.GetGreen())),
            FormatPercent(ClampPercent(sensor.GetBlue()))};
}

} // namespace

CtlOutcome FindSensorAgain(CCtlSession& session, const std::string& lost, std::ostream& err) {
    CSensor& sensor = session.Sensor();
    sensor.StopDataPolling();
    sensor.ClearPending();
    err << PROGRAM << lost << "; waiting for it to answer again\n";
    for (;;) {
        CtlOutcome outcome = session.Identify(SEARCH_ROUND);
        if (outcome.Done() || outcome.Exit == CTL_EXIT_INTERRUPTED) {
            return outcome;
        }
        std::this_thread::sleep_for(SEARCH_PAUSE);
    }
}

// The proxy reports a silent sensor after about 5.5 s of missed polls (at least one).
std::chrono::milliseconds DataWaitLimit(unsigned periodMs) {
    return std::chrono::milliseconds(periodMs) * (CSensor::DATA_MISSED_BUDGET_MS / periodMs + 3) +
           2s;
}

std::string NumberedLogName(const std::string& path, unsigned number) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool extension =
        dot != std::string::npos && dot > (slash == std::string::npos ? 0 : slash + 1);
    const std::string suffix = "." + std::to_string(number);
    return extension ? path.substr(0, dot) + suffix + path.substr(dot) : path + suffix;
}

CtlOutcome RunLog(CCtlSession& session, const CtlOptions& options, std::ostream& err) {
    const LogSettings& log = options.Log;
    CCtlLogFile file(log.FileName, err);
    if (std::string reason; !file.Open(reason)) {
        return {CTL_EXIT_USAGE, "cannot open the log file " + reason};
    }
    CSensor& sensor = session.Sensor();
    CLogTrigger trigger;
    const auto limit = DataWaitLimit(options.PeriodMs);
    bool polling = false;
    for (;;) {
        if (!polling && !sensor.StartDataPolling(options.PeriodMs)) {
            return {CTL_EXIT_PORT, "cannot start polling"};
        }
        polling = true;
        const CtlOutcome outcome = session.Await(WM_SENSOR_DATA, std::nullopt, "the data request",
                                                 CCtlSession::Clock::now() + limit);
        if (outcome.Exit == CTL_EXIT_INTERRUPTED) {
            break;
        }
        if (outcome.Exit == CTL_EXIT_NO_ANSWER) {
            polling = false;
            if (FindSensorAgain(session, outcome.Message, err).Exit == CTL_EXIT_INTERRUPTED) {
                break;
            }
            err << PROGRAM << "the sensor answers again; logging goes on\n";
            continue;
        }
        if (!outcome.Done()) {
            continue; // an error reply to one poll: the next one may be answered
        }
        const std::time_t now = std::time(nullptr);
        const unsigned status = sensor.GetMatchStatus();
        trigger.Notice(now);
        if (trigger.Take(log.Mode, log.Interval, status, now)) {
            file.Write(LogRecordFields(LocalTimeOf(now), ShownReading(sensor), status) +
                       LOG_LINE_END);
        }
    }
    sensor.StopDataPolling();
    return {};
}
