#include "GuiSupport.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

#include "panel/SpectrelDlg.h"

#include "panel/qt/MainWindow.h"
#include "support/Deadline.h"

bool WaitForEvents(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return WaitUntil(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return condition();
        },
        timeout);
}

CModalDismisser::CModalDismisser() {
    connect(&m_timer, &QTimer::timeout, this, &CModalDismisser::DismissActive);
    m_timer.start(20);
}

void CModalDismisser::DismissActive() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
        return;
    }
    if (const auto* box = qobject_cast<QMessageBox*>(dialog)) {
        m_texts << box->text();
    }
    dialog->reject();
}

CPanelFixture::CPanelFixture(const std::string& devicePath)
    : Window(std::make_unique<CMainWindow>(Environment(devicePath))) {
}

CPanelFixture::~CPanelFixture() = default;

PanelEnvironment CPanelFixture::Environment(const std::string& devicePath) const {
    PanelEnvironment environment;
    environment.PreferencesPath = PreferencesPath().toStdString();
    environment.PortOverrides.Set("COM1", devicePath.empty() ? Line.SlavePath() : devicePath);
    environment.ProgramDir = Folder.path().toStdString();
    environment.ProgramName = "spectrel";
    environment.ProgramVersion = "test";
    return environment;
}

SimConfig CSensorPanel::UnpacedConfig() {
    SimConfig config;
    config.Pacing = false;
    return config;
}

void CSensorPanel::Open() {
    ASSERT_TRUE(m_sensor.Start()) << m_sensor.Error();
    m_fixture = std::make_unique<CPanelFixture>(m_sensor.SlavePath());
    CMainWindow& window = Window();
    window.Start();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const CSpectrelDlg& controller = window.Controller();
    ASSERT_TRUE(WaitForEvents([&] { return controller.IsPanelReady(); }, std::chrono::seconds(10)));
}

QString CPanelFixture::PreferencesPath() const {
    return Folder.filePath(QStringLiteral("spectrel.conf"));
}
