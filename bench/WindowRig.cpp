#include "WindowRig.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <fstream>

#include "BenchStats.h"
#include "WindowEnvironment.h"
#include "panel/SpectrelDlg.h"

namespace {

constexpr int SETTLE_MS = 5000;

} // namespace

bool WindowRig::Start(const std::string& preferences, std::string& error) {
    if (!m_folder.isValid() || !m_sensor.Start()) {
        error = "cannot set up: " + m_sensor.Error();
        return false;
    }
    const std::string folder = m_folder.path().toStdString();
    QDir::setCurrent(m_folder.path());
    if (!preferences.empty() && !(std::ofstream(folder + "/spectrel.conf") << preferences)) {
        error = "cannot write the preferences";
        return false;
    }
    m_window = std::make_unique<CMainWindow>(BenchWindowEnvironment(folder, m_sensor.SlavePath()));
    m_window->Start();
    CpuPercentOver(SETTLE_MS);
    if (!m_window->Controller().IsPanelReady()) {
        error = "the virtual sensor was not found";
        return false;
    }
    return true;
}

void UseOffscreenByDefault() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

double CpuPercentOver(int ms) {
    const double before = OwnCpuSeconds();
    // A loop of its own: quitting the application's would shut the window down.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return 100.0 * (OwnCpuSeconds() - before) / (ms / 1000.0);
}
