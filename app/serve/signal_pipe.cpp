#include "app/serve/signal_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace vanto::serve {
namespace {

int g_signalFds[2] = {-1, -1};

extern "C" void WriteSignalByte(int /*signo*/) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalPipe::SignalPipe(std::function<void()> onSignal, QObject* parent)
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
    m_bInstalled =
        ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

SignalPipe::~SignalPipe() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    m_notifier.reset();
}

void SignalPipe::OnReadable() {
    char buffer[64];
    while (::read(g_signalFds[0], buffer, sizeof buffer) > 0) {
    }
    if (m_onSignal) {
        m_onSignal();
    }
}

}  // namespace vanto::serve
