// Start-up of the control panel: time from process start, and from main(), until the main
// window has been painted for the first time, then the resident memory. Runs offscreen with
// COM1 on an in-process virtual sensor; the window is not waited on to find it.
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "WindowEnvironment.h"
#include "panel/qt/MainWindow.h"
#include "sim/VirtualSensor.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds since the kernel started this process (clock-tick resolution, 10 ms here).
double ProcessAgeMs() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name, which ends with the last ')'; starttime is field 22.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
    }
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const double bootMs =
        static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    const double startMs = std::stod(field) * 1e3 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    return bootMs - startMs;
}

std::string StatusLine(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0) {
            return line;
        }
    }
    return key + " unknown";
}

// Notes the moment the window's first paint has finished: the first paint event of any of its
// widgets starts one synchronous repaint of the whole window; a zero timer fires after it.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QWidget& window) : m_window(window) {}
    bool Seen() const { return m_seen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &m_window) {
            m_seen = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    const QWidget& m_window;
    bool m_seen = false;
};

} // namespace

int main(int argc, char** argv) {
    const Clock::time_point mainEntered = Clock::now();
    const double ageAtMain = ProcessAgeMs();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QTemporaryDir folder;
    VirtualSensor sensor;
    if (!folder.isValid() || !sensor.Start()) {
        std::fprintf(stderr, "cannot set up: %s\n", sensor.Error().c_str());
        return 1;
    }
    CMainWindow window(BenchWindowEnvironment(folder.path().toStdString(), sensor.SlavePath()));
    FirstPaint firstPaint(window);
    application.installEventFilter(&firstPaint);
    window.Start();
    QApplication::exec();
    const double fromMain =
        std::chrono::duration<double, std::milli>(Clock::now() - mainEntered).count();
    if (!firstPaint.Seen()) {
        std::fprintf(stderr, "the window was never painted\n");
        return 1;
    }
    std::printf("bench-window-startup: first paint %.1f ms after main(), %.0f ms (+-10) after "
                "process start; goal below 300 ms\n",
                fromMain, ageAtMain + fromMain);
    std::printf("%s, %s; goal below 60 MB\n", StatusLine("VmRSS").c_str(),
                StatusLine("VmHWM").c_str());
    window.close();
    return 0;
}
