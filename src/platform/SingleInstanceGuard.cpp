#include "SingleInstanceGuard.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <optional>

#include <unistd.h>

namespace {

const QByteArray activateAnswer = "ok\n";
// A request is one short line; a client that sends more without a line end is not one of ours.
constexpr qsizetype maxRequestBytes = 1024;
// Unix socket paths hold at most 107 bytes plus the terminator.
constexpr qsizetype maxSocketPathBytes = 107;

QString runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).absolutePath();
    return QDir::tempPath();
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard(QString key, QObject* parent) : QObject(parent) {
    // Hashing keeps any key short and free of path characters.
    const QString stem =
        QStringLiteral("quillnote-") +
        QString::fromLatin1(
            QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
    const QString folder = runtimeFolder();
    m_lockPath = folder + QLatin1Char('/') + stem + QStringLiteral(".lock");
    m_serverName = folder + QLatin1Char('/') + stem + QStringLiteral(".sock");
    // A bare name lands in the temporary folder, which is short enough.
    if (QFile::encodeName(m_serverName).size() > maxSocketPathBytes)
        m_serverName = stem + QStringLiteral(".sock");
}

SingleInstanceGuard::~SingleInstanceGuard() {
    if (m_server)
        m_server->close();
}

QString SingleInstanceGuard::keyForExecutable(const QString& exePath) {
    const QFileInfo info(exePath);
    QString path = info.canonicalFilePath();
    if (path.isEmpty())
        path = info.absoluteFilePath();
    return path + QLatin1Char('\n') + QString::number(::getuid());
}

bool SingleInstanceGuard::registerInstance() {
    if (m_registered)
        return true;
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Stale only when the owner's process is gone, never because the lock is old.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    m_registered = true;

    // A killed holder leaves its socket file behind; clear it rather than rely on listen() doing so.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstanceGuard::acceptConnections);
    if (!m_server->listen(m_serverName))
        qWarning("Single instance: cannot listen on %s: %s", qPrintable(m_serverName),
                 qPrintable(m_server->errorString()));
    return true;
}

void SingleInstanceGuard::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void SingleInstanceGuard::readRequest(QLocalSocket* socket) {
    QByteArray buffer = socket->property("pending").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf('\n');
    if (end < 0 && buffer.size() <= maxRequestBytes) {
        socket->setProperty("pending", buffer);
        return;
    }
    socket->setProperty("pending", QByteArray());
    const std::optional<StartRequest> request = StartRequest::fromLine(buffer.left(end + 1));
    if (end < 0 || !request) {
        socket->abort();
        return;
    }
    socket->write(activateAnswer);
    socket->flush();
    socket->disconnectFromServer();
    emit activationRequested(*request);
}

bool SingleInstanceGuard::bringForwardRunningCopy(int timeoutMs, const StartRequest& request) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(qMax(1, qMin<int>(250, deadline.remainingTime())))) {
            socket.write(request.toLine());
            socket.flush();
            // Once sent, wait for the answer rather than resend: the running copy may be busy starting.
            QByteArray answer;
            while (!answer.contains('\n') && !deadline.hasExpired() &&
                   socket.state() == QLocalSocket::ConnectedState) {
                if (socket.waitForReadyRead(qMax(1, qMin<int>(250, deadline.remainingTime()))))
                    answer += socket.readAll();
            }
            answer += socket.readAll();
            if (answer.startsWith(activateAnswer))
                return true;
        }
        // The running copy may hold the lock but not listen yet.
        QThread::msleep(
            static_cast<unsigned long>(qMin<qint64>(50, qMax<qint64>(0, deadline.remainingTime()))));
    }
    return false;
}
