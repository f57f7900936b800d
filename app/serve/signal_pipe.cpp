#include "app/serve/signal_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace vanto::serve {
namespace {

int g_signalFds[2] = {-1, -1};

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void WriteSignalByte(int signo) {
    const int saved = errno;
    const auto byte = static_cast<char>(signo);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalPipe::SignalPipe(std::function<void(int signo)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    if (g_signalFds[0] < 0 && ::pipe2(g_signalFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_signalFds[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_bInstalled = true;
    for (int signo : kSignals) {
        m_bInstalled = ::sigaction(signo, &action, nullptr) == 0 && m_bInstalled;
    }
}

SignalPipe::~SignalPipe() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signo : kSignals) {
        ::sigaction(signo, &action, nullptr);
    }
    m_notifier.reset();
}

void SignalPipe::OnReadable() {
    char buffer[64];
    int signo = 0;
    ssize_t n = 0;
    while ((n = ::read(g_signalFds[0], buffer, sizeof buffer)) > 0) {
        signo = static_cast<unsigned char>(buffer[n - 1]);
    }
    if (signo != 0 && m_onSignal) {
        m_onSignal(signo);
    }
}

}  // namespace vanto::serve
