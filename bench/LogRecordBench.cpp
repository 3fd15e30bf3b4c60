// The cost of one data-log record: formatting it, and writing it with the flush to the disk
// that every record gets. The file lies in the working directory (or --dir), on the disk the
// log would use, and is removed at the end.
//
//   bench-log-record [--records N] [--dir FOLDER]

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchStats.h"
#include "common/PanelFormat.h"
#include "logging/LogRecord.h"
#include "logging/LogWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* NAME = "bench-log-record";

double Microseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

void Print(const char* what, const Summary& summary) {
    std::printf("%s: %s: median %.1f us, p99 %.1f us, max %.1f us (%zu records)\n", NAME, what,
                summary.Median, summary.P99, summary.Max, summary.Count);
}

} // namespace

int main(int argc, char** argv) {
    int records = 2000;
    std::string dir = ".";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--records") == 0) {
            records = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--dir") == 0) {
            dir = argv[i + 1];
        }
    }
    const std::string path = dir + "/bench-log-record-" + std::to_string(::getpid()) + ".csv";
    CLogWriter writer;
    if (writer.Open(path) == CLogWriter::Opened::Failed) {
        std::fprintf(stderr, "%s: cannot open %s: %s\n", NAME, path.c_str(),
                     std::strerror(writer.LastError()));
        return 1;
    }
    std::vector<double> formatting;
    std::vector<double> writing;
    const std::time_t now = std::time(nullptr);
    const double cpuBefore = OwnCpuSeconds();
    for (int i = 0; i < records; ++i) {
        const Clock::time_point start = Clock::now();
        const double red = (i % 1000) / 10.0;
        const std::string record =
            LogRecordFields(LocalTimeOf(now + i),
                            {FormatPercent(red), FormatPercent(100.0 - red), FormatPercent(40.0)},
                            static_cast<unsigned>(i & 0xFF)) +
            LOG_LINE_END;
        const Clock::time_point formatted = Clock::now();
        if (writer.Write(record) != CLogWriter::Written::Done) {
            std::fprintf(stderr, "%s: cannot write %s: %s\n", NAME, path.c_str(),
                         std::strerror(writer.LastError()));
            ::unlink(path.c_str());
            return 1;
        }
        const Clock::time_point written = Clock::now();
        formatting.push_back(Microseconds(formatted - start));
        writing.push_back(Microseconds(written - start));
    }
    const double cpuPerRecord = (OwnCpuSeconds() - cpuBefore) * 1e6 / records;
    writer.Close();
    ::unlink(path.c_str());
    Print("formatting one record", Summarise(formatting));
    Print("formatting, writing and flushing one record", Summarise(writing));
    std::printf("%s: CPU time per record %.1f us (the rest of the time waits for the disk); at "
                "one record per 300 ms reading %.4f %% of one core\n",
                NAME, cpuPerRecord, cpuPerRecord / 300000.0 * 100.0);
    std::printf("%s: the file lay in %s\n", NAME, dir.c_str());
    return 0;
}
