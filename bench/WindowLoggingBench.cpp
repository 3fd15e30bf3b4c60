// The control panel's CPU while it logs every reading, against the same window not logging:
// the window offscreen on the built-in virtual sensor polled every 300 ms, as
// bench/panel-cpu.sh runs it, measured over --seconds without logging, then with continuous
// logging started from its menu, then without again (the two quiet phases show the noise).
// The log goes to a temporary folder that is removed at the end.
//
//   bench-window-logging [--seconds N]

#include <QAction>
#include <QApplication>
#include <cstdio>
#include <sys/stat.h>

#include "BenchRig.h"
#include "BenchStats.h"
#include "WindowRig.h"
#include "panel/SpectrelDlg.h"
#include "panel/qt/MainWindow.h"

namespace {

constexpr const char* NAME = "bench-window-logging";
constexpr double GOAL_PERCENT = 0.1;

} // namespace

int main(int argc, char** argv) {
    UseOffscreenByDefault();
    const int seconds = CountArgument(argc, argv, "--seconds", 30);
    QApplication application(argc, argv);
    WindowRig rig;
    std::string error;
    if (!rig.Start("", error)) {
        return BenchFailed(NAME, error);
    }
    CMainWindow& window = rig.Window();
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
                GOAL_PERCENT, Verdict(added < GOAL_PERCENT));
    window.close();
    return 0;
}
