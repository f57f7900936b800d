#pragma once
// Only one copy of the program runs per user. The first copy holds a lock file, owned by its
// process id, for as long as it runs; a later copy finds the lock held by a live process and
// ends. The lock cannot go stale while its owner lives, however loaded, stopped or slow to answer
// that copy is; a lock left by a copy that is gone is taken over.
//
// A local socket only raises the window: the first copy listens on it, a later copy asks it to
// raise and restore its window, waits a little for the answer and ends either way.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace vanto::gui {

class SingleInstanceGuard final : public QObject {
public:
    enum class Role { kFirst, kOther, kFailed };

    explicit SingleInstanceGuard(QString serverName, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    // Runs once at start-up, before any window exists. A later copy may wait up to
    // answerWaitMs for the running copy to answer its raise request. kFailed: the lock could not
    // be taken for another reason (no lock file can be written); the caller runs unguarded.
    Role Claim(int answerWaitMs = 2000);

    // Called on the first copy's thread when another copy asks to be shown.
    void SetRaiseHandler(std::function<void()> handler) { m_onRaise = std::move(handler); }

    const QString& ServerName() const { return m_name; }
    // The lock file beside the socket.
    QString LockPath() const;

    // The per-user name: a socket in the user's runtime folder, or in the temporary folder with
    // the user id in its name.
    static QString DefaultServerName();

private:
    bool AskRunningCopy(int answerWaitMs);
    void OnConnection();

    QString m_name;
    std::function<void()> m_onRaise;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace vanto::gui
