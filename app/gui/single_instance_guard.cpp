#include "app/gui/single_instance_guard.h"

#include <unistd.h>

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
    if (AskRunningCopy(answerWaitMs)) {
        return Role::kOther;
    }
    // Nobody answered: whatever is left under the name belongs to a copy that is gone.
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name)) {
        // Another copy may have started in the same moment and won; ask it once more.
        if (AskRunningCopy(answerWaitMs)) {
            m_server.reset();
            return Role::kOther;
        }
        m_server.reset();
        return Role::kFailed;
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
