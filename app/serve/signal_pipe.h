#pragma once
// SIGINT, SIGTERM and SIGHUP as an event of the Qt loop: the handler only writes the signal's
// number into a pipe (async-signal-safe), and a QSocketNotifier on the pipe's other end calls the
// handler given here on the loop's thread, where it may stop the engine and close files.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace vanto::serve {

class SignalPipe final : public QObject {
public:
    // One per process. `onSignal` runs on the thread that created the pipe, with the number of
    // the signal that came.
    explicit SignalPipe(std::function<void(int signo)> onSignal, QObject* parent = nullptr);
    ~SignalPipe() override;

    // False when the pipe or the handlers could not be set up.
    bool Installed() const { return m_bInstalled; }

private:
    void OnReadable();

    std::function<void(int signo)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_bInstalled = false;
};

}  // namespace vanto::serve
