#pragma once

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "panel/PanelEnvironment.h"
#include "sim/VirtualSensor.h"
#include "support/PtyPair.h"

class CMainWindow;

// Waits until condition holds, running the event loop meanwhile; false after timeout.
bool WaitForEvents(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// Dismisses every modal box that opens while it lives (as a user pressing Escape) and keeps
// the texts of the message boxes.
class CModalDismisser : public QObject {
public:
    CModalDismisser();
    const QStringList& Texts() const { return m_texts; }

private:
    void DismissActive();

    QTimer m_timer;
    QStringList m_texts;
};

// A main window whose preferences live in a private folder and whose COM1 is devicePath, or
// when none is given a pseudo-terminal that nobody answers on.
class CPanelFixture {
public:
    explicit CPanelFixture(const std::string& devicePath = {});
    ~CPanelFixture();

    QString PreferencesPath() const;

    QTemporaryDir Folder;
    PtyPair Line;
    std::unique_ptr<CMainWindow> Window;

private:
    PanelEnvironment Environment(const std::string& devicePath) const;
};

// A window on a virtual sensor (without the line's pacing), for tests that drive the panel as
// a user: Open() starts both, activates the window and waits until the sensor is read in full.
class CSensorPanel {
public:
    // Use as ASSERT_NO_FATAL_FAILURE(panel.Open()).
    void Open();
    CMainWindow& Window() { return *m_fixture->Window; }
    VirtualSensor& Sensor() { return m_sensor; }

private:
    VirtualSensor m_sensor{UnpacedConfig()};
    std::unique_ptr<CPanelFixture> m_fixture; // after the sensor, whose path it needs

    static SimConfig UnpacedConfig();
};
