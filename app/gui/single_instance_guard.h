#pragma once
// Only one copy of the program runs per user. The first copy listens on a local socket; a later
// copy connects, asks it to raise and restore its window, waits for the answer and ends silently.
// A socket left behind by a copy that crashed (nobody accepts, or nobody answers) is removed and
// the new copy becomes the first.

#include <QLocalServer>
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

    // Runs once at start-up, before any window exists: may wait up to answerWaitMs for a
    // running copy to answer.
    Role Claim(int answerWaitMs = 2000);

    // Called on the first copy's thread when another copy asks to be shown.
    void SetRaiseHandler(std::function<void()> handler) { m_onRaise = std::move(handler); }

    const QString& ServerName() const { return m_name; }

    // The per-user name: a socket in the user's runtime folder, or in the temporary folder with
    // the user id in its name.
    static QString DefaultServerName();

private:
    bool AskRunningCopy(int answerWaitMs);
    void OnConnection();

    QString m_name;
    std::function<void()> m_onRaise;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace vanto::gui
