#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// Keeps the program to one copy per user. The first copy holds the lock file "Spectrel.lock" and
// listens on the local socket "Spectrel", both in the given folder (the user's runtime
// directory); a later copy finds the lock held and asks the first, through the socket, to come
// to the front. A crashed copy leaves a lock the next start recognises as stale and a socket
// file it removes.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit CSingleInstance(const QString& folder, QObject* parent = nullptr);

    // True when this is the first copy; it then listens for later copies (RaiseRequested).
    // Also true, after a warning, when the folder cannot hold the lock at all.
    bool Claim();
    // For a later copy: asks the first to come to the front, and to open `profile` when one is
    // given (an absolute path), trying until timeoutMs have passed (the first may still be
    // starting); true when the request was delivered.
    bool AskFirstToRaise(int timeoutMs, const QString& profile = QString());

    QString SocketPath() const;

signals:
    void RaiseRequested();
    void OpenRequested(const QString& profile);

private:
    void Accept();
    void HandleRequest(const QByteArray& line);

    QString m_folder;
    QLockFile m_lock;
    QLocalServer m_server;
};
