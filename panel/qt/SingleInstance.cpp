#include "panel/qt/SingleInstance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QSharedPointer>
#include <QThread>
#include <QUrl>
#include <algorithm>

namespace {

const QString INSTANCE_NAME = QStringLiteral("Spectrel");
// One request per line: "raise", or "open " and the profile as a file URL, whose percent
// encoding keeps any name on one line.
const QByteArray RAISE_REQUEST = QByteArrayLiteral("raise");
const QByteArray OPEN_REQUEST = QByteArrayLiteral("open ");
constexpr qsizetype MAX_REQUEST_BYTES = 64 * 1024;
constexpr int CONNECT_ATTEMPT_MS = 100;

} // namespace

CSingleInstance::CSingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder),
      m_lock(folder + QLatin1Char('/') + INSTANCE_NAME + QStringLiteral(".lock")) {
    // A lock is stale only when its owner has gone, however long a copy has been running.
    m_lock.setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, &CSingleInstance::Accept);
}

QString CSingleInstance::SocketPath() const {
    return m_folder + QLatin1Char('/') + INSTANCE_NAME;
}

bool CSingleInstance::Claim() {
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError) {
            return false;
        }
        // Without a place for the lock one copy per user cannot be kept; better to run.
        qWarning("cannot create the lock in %s: a second copy will not be noticed",
                 qUtf8Printable(m_folder));
        return true;
    }
    // Holding the lock, any socket file left here belongs to a copy that crashed.
    QLocalServer::removeServer(SocketPath());
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(SocketPath())) {
        qWarning("cannot listen on %s: a second copy cannot raise this one (%s)",
                 qUtf8Printable(SocketPath()), qUtf8Printable(m_server.errorString()));
    }
    return true;
}

void CSingleInstance::Accept() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto pending = QSharedPointer<QByteArray>::create();
        auto readRequests = [this, socket, pending] {
            pending->append(socket->readAll());
            qsizetype end = 0;
            while ((end = pending->indexOf('\n')) >= 0) {
                HandleRequest(pending->left(end));
                pending->remove(0, end + 1);
            }
            // A peer that never ends its line is not one of ours.
            if (pending->size() > MAX_REQUEST_BYTES) {
                socket->abort();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequests);
        // The request may have arrived, and its sender gone, before the connection was taken.
        if (socket->bytesAvailable() > 0) {
            readRequests();
        }
    }
}

void CSingleInstance::HandleRequest(const QByteArray& line) {
    if (line == RAISE_REQUEST) {
        emit RaiseRequested();
    } else if (line.startsWith(OPEN_REQUEST)) {
        const QUrl url = QUrl::fromEncoded(line.mid(OPEN_REQUEST.size()), QUrl::StrictMode);
        if (url.isLocalFile()) {
            emit OpenRequested(url.toLocalFile());
        }
    }
}

bool CSingleInstance::AskFirstToRaise(int timeoutMs, const QString& profile) {
    const QByteArray request =
        (profile.isEmpty() ? RAISE_REQUEST
                           : OPEN_REQUEST + QUrl::fromLocalFile(profile).toEncoded()) +
        '\n';
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(CONNECT_ATTEMPT_MS)) {
            socket.write(request);
            const bool written = socket.waitForBytesWritten(
                static_cast<int>(std::max<qint64>(deadline.remainingTime(), CONNECT_ATTEMPT_MS)));
            socket.disconnectFromServer();
            return written;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(CONNECT_ATTEMPT_MS);
    }
}
