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
