#include "panel/qt/SpectrelApp.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <cstdio>

#include "panel/qt/MainWindow.h"
#include "panel/qt/ShutdownSignals.h"
#include "panel/qt/SingleInstance.h"
#include "profile/IniStore.h"
#include "profile/Preferences.h"
#include "sim/VirtualSensor.h"

namespace {

constexpr int RAISE_TIMEOUT_MS = 3000;
constexpr int EXIT_FAILURE_TO_START = 1;
const char* const FIRST_PORT = "COM1";

std::string ProgramName(const char* argv0) {
    const std::string path = argv0 != nullptr ? argv0 : "spectrel";
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The port the panel will open: the stored one, or COM1 when the store holds none valid.
std::string StoredPortName(const std::string& preferencesPath) {
    CIniStore store;
    store.Load(preferencesPath);
    Preferences prefs;
    return LoadPreferences(store, prefs) ? prefs.PortName : FIRST_PORT;
}

} // namespace

CSpectrelApp::CSpectrelApp() = default;
CSpectrelApp::~CSpectrelApp() = default;

int CSpectrelApp::Run(int argc, char** argv) {
    // The command line is read before any display is touched, so --help and --version work
    // without one.
    AppOptions options;
    const std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
    if (!ParseAppOptions(argc, argv, options)) {
        std::fprintf(stderr, "%s: %s\n\n%s", program.c_str(), options.Error.c_str(),
                     AppUsage(program, PreferencesPath()).c_str());
        return EXIT_BAD_USAGE;
    }
    if (options.Help) {
        std::fputs(AppUsage(program, PreferencesPath()).c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::fputs(AppVersionText(program).c_str(), stdout);
        return 0;
    }
    return RunWindow(argc, argv, options);
}

int CSpectrelApp::RunWindow(int argc, char** argv, const AppOptions& options) {
    QApplication application(argc, argv);
    // The desktop matches the window to its menu entry and icon by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.orvane.Spectrel"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.orvane.Spectrel"),
                                                 QIcon(QStringLiteral(":/icons/spectrel.png"))));
    QApplication::setQuitOnLastWindowClosed(false);
    // Installed first: a signal that comes while the window is still being set up waits in the
    // pipe and closes the window as soon as the event loop runs.
    CShutdownSignals shutdownSignals;
    if (!shutdownSignals.Install()) {
        std::fprintf(stderr,
                     "spectrel: SIGHUP, SIGINT and SIGTERM will not close the window cleanly\n");
    }

    // Named from here, the profile means the same to the copy that opens it.
    const QString profile =
        options.ProfilePath.empty()
            ? QString()
            : QFileInfo(QString::fromStdString(options.ProfilePath)).absoluteFilePath();
    CSingleInstance instance(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
    if (!instance.Claim()) {
        if (!instance.AskFirstToRaise(RAISE_TIMEOUT_MS, profile)) {
            std::fprintf(stderr, "spectrel: another copy is running but did not answer\n");
        }
        return 0;
    }

    PanelEnvironment environment = Environment(options);
    if (options.Simulate && !StartSimulation(options, environment)) {
        return EXIT_FAILURE_TO_START;
    }

    CMainWindow window(std::move(environment));
    QObject::connect(&window, &CMainWindow::Closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&instance, &CSingleInstance::RaiseRequested, &window,
                     &CMainWindow::BringToFront);
    QObject::connect(&instance, &CSingleInstance::OpenRequested, &window,
                     &CMainWindow::OpenProfile);
    QObject::connect(&shutdownSignals, &CShutdownSignals::Requested, &window, &QWidget::close);

    window.Start();
    if (!profile.isEmpty()) {
        window.OpenProfile(profile);
    }
    return QApplication::exec();
}

PanelEnvironment CSpectrelApp::Environment(const AppOptions& options) const {
    const QFileInfo program(QCoreApplication::applicationFilePath());
    PanelEnvironment environment;
    environment.PreferencesPath = PreferencesPath();
    environment.PortOverrides = options.PortOverrides;
    environment.ProgramDir = program.absolutePath().toStdString();
    environment.ProgramName = program.completeBaseName().toStdString();
    environment.DocumentDir =
        QDir::cleanPath(program.absolutePath() + "/" + SPECTREL_DOCS_FROM_PROGRAM).toStdString();
    environment.ProgramVersion = SPECTREL_VERSION;
    return environment;
}

// The virtual sensor answers on a pseudo-terminal; the port the panel opens at start-up is
// mapped to it for this run, so the panel finds it as it would a real one.
bool CSpectrelApp::StartSimulation(const AppOptions& options, PanelEnvironment& environment) {
    SimConfig config;
    config.ModelCode = options.SimulateModel;
    config.Pacing = true;
    m_simulation = std::make_unique<VirtualSensor>(config);
    if (!m_simulation->Start()) {
        std::fprintf(stderr, "spectrel: cannot start the virtual sensor: %s\n",
                     m_simulation->Error().c_str());
        return false;
    }
    environment.PortOverrides.Set(StoredPortName(environment.PreferencesPath),
                                  m_simulation->SlavePath());
    return true;
}
