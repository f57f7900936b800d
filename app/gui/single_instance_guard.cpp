#include "app/gui/single_instance_guard.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace vanto::gui {

namespace {

constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "shown\n";

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(QString serverName, QObject* parent)
    : QObject(parent), m_name(std::move(serverName)) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

QString SingleInstanceGuard::DefaultServerName() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        return runtime + QStringLiteral("/vanto-remote-manager.instance");
    }
    return QStringLiteral("vanto-remote-manager-%1.instance").arg(::getuid());
}

QString SingleInstanceGuard::LockPath() const {
    // A bare server name lives in the temporary folder, as QLocalServer places it.
    const QString path = QDir::isAbsolutePath(m_name) ? m_name : QDir::temp().filePath(m_name);
    return path + QStringLiteral(".lock");
}

bool SingleInstanceGuard::AskRunningCopy(int answerWaitMs) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(answerWaitMs)) {
        return false;
    }
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(answerWaitMs)) {
        return false;
    }
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(answerWaitMs)) {
            return false;
        }
        answer += socket.readAll();
    }
    return answer.startsWith(kRaiseAnswer);
}

SingleInstanceGuard::Role SingleInstanceGuard::Claim(int answerWaitMs) {
    m_lock = std::make_unique<QLockFile>(LockPath());
    // Never stale by age: only a lock whose owner is no longer running is taken over.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        const bool held = m_lock->error() == QLockFile::LockFailedError;
        m_lock.reset();
        if (!held) {
            return Role::kFailed;
        }
        AskRunningCopy(answerWaitMs);
        return Role::kOther;
    }
    // The lock is ours: whatever is left under the socket's name belongs to a copy that is gone.
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name)) {
        // Still the first copy; only raising it from a later one will not work.
        m_server.reset();
        return Role::kFirst;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstanceGuard::OnConnection);
    return Role::kFirst;
}

void SingleInstanceGuard::OnConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64) {
                    socket->abort();
                }
                return;
            }
            const QByteArray line = socket->readLine(64);
            if (line == kRaiseRequest) {
                if (m_onRaise) {
                    m_onRaise();
                }
                socket->write(kRaiseAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

}  // namespace vanto::gui
