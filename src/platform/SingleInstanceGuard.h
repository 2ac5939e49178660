#pragma once

#include "platform/StartRequest.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// Lets one copy of the program run per executable file and user. A named shared-memory block is not used:
// after kill -9 it outlives its owner and then looks like a running copy forever. A lock file names its
// owner's PID, so a dead owner's lock is recognised and taken over.
class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    explicit SingleInstanceGuard(QString key, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    // True when this is the first copy: it then holds the lock and listens for later copies.
    bool registerInstance();
    // In a refused copy: hands `request` to the running copy (come forward, or open the quick-add
    // window), retrying while it may not listen yet. False when no acknowledgement arrived within
    // timeoutMs; either way this copy should end.
    bool bringForwardRunningCopy(int timeoutMs, const StartRequest& request = {});

    bool isRegistered() const { return m_registered; }
    QString lockFilePath() const { return m_lockPath; }
    QString serverName() const { return m_serverName; }

    // The canonical path (so links to one file agree) and the user id.
    static QString keyForExecutable(const QString& exePath);

signals:
    void activationRequested(const StartRequest& request);

private:
    void acceptConnections();
    void readRequest(QLocalSocket* socket);

    QString m_lockPath;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_registered = false;
};
