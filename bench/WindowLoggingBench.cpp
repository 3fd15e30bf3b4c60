// The control panel's CPU while it logs every reading, against the same window not logging:
// the window offscreen on the built-in virtual sensor polled every 300 ms, as
// bench/panel-cpu.sh runs it, measured over --seconds without logging, then with continuous
// logging started from its menu, then without again (the two quiet phases show the noise).
// The log goes to a temporary folder that is removed at the end.
//
//   bench-window-logging [--seconds N]

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

#include "WindowEnvironment.h"
#include "panel/SpectrelDlg.h"
#include "panel/qt/MainWindow.h"
#include "sim/VirtualSensor.h"

namespace {

constexpr const char* NAME = "bench-window-logging";
constexpr int SETTLE_MS = 5000;
constexpr double GOAL_PERCENT = 0.1;

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for `ms` and gives the CPU used meanwhile in percent of one core.
double CpuPercentOver(int ms) {
    const double before = CpuSeconds();
    // A loop of its own: quitting the application's would shut the window down.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return 100.0 * (CpuSeconds() - before) / (ms / 1000.0);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int seconds = 30;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    QApplication application(argc, argv);
    QTemporaryDir folder;
    VirtualSensor sensor;
    if (!folder.isValid() || !sensor.Start()) {
        std::fprintf(stderr, "%s: cannot set up: %s\n", NAME, sensor.Error().c_str());
        return 1;
    }
    // The default log lies in the working directory.
    QDir::setCurrent(folder.path());
    CMainWindow window(BenchWindowEnvironment(folder.path().toStdString(), sensor.SlavePath()));
    window.Start();
    CpuPercentOver(SETTLE_MS);
    if (!window.Controller().IsPanelReady()) {
        std::fprintf(stderr, "%s: the virtual sensor was not found\n", NAME);
        return 1;
    }
    const int ms = seconds * 1000;
    const double quiet = CpuPercentOver(ms);
    window.MenuAction(ID_LOGGING_START)->trigger();
    const double logging = CpuPercentOver(ms);
    window.MenuAction(ID_LOGGING_STOP)->trigger();
    const double quietAgain = CpuPercentOver(ms);
    struct stat log {};
    ::stat(window.Controller().LogSetup().FileName.c_str(), &log);
    const double added = logging - (quiet + quietAgain) / 2.0;
    std::printf("%s: window polling every 300 ms, %d s each: CPU %.3f %% of one core without "
                "logging, %.3f %% logging every reading (%lld bytes logged), %.3f %% without "
                "again\n",
                NAME, seconds, quiet, logging, static_cast<long long>(log.st_size), quietAgain);
    std::printf("%s: logging adds %.3f %% of one core; goal below %.1f %%: %s\n", NAME, added,
                GOAL_PERCENT, added < GOAL_PERCENT ? "met" : "MISSED");
    window.close();
    return 0;
}
