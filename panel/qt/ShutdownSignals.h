#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

// Turns SIGHUP, SIGINT and SIGTERM into the Qt signal Requested on the UI thread (through a
// pipe the handler writes to), so they end the program by the window's normal close: a closed
// terminal or a logged-out session saves the preferences and closes the log too. One at a
// time.
class CShutdownSignals : public QObject {
    Q_OBJECT

public:
    explicit CShutdownSignals(QObject* parent = nullptr);
    ~CShutdownSignals() override;
    CShutdownSignals(const CShutdownSignals&) = delete;
    CShutdownSignals& operator=(const CShutdownSignals&) = delete;

    // False when the pipe or a handler could not be set up.
    bool Install();

signals:
    void Requested(int signalNumber);

private:
    void Drain();

    int m_readFd = -1;
    int m_writeFd = -1;
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[3]{};
    bool m_installed = false;
};
