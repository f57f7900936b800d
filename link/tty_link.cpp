#include "link/tty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

namespace vanto {
namespace {

int OpenDevice(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// Raw mode for a terminal; anything that is not a terminal is used as it is.
bool MakeRaw(int fd) {
    termios tio;
    if (::tcgetattr(fd, &tio) != 0) {
        return errno == ENOTTY;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

long ReadSome(int fd, std::uint8_t* buffer, std::size_t capacity) {
    pollfd pfd{fd, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, TtyLink::kReadWaitMs);
    if (ready < 0) {
        return errno == EINTR ? 0 : -1;
    }
    if (ready == 0) {
        return 0;
    }
    if ((pfd.revents & POLLIN) != 0) {
        // Bytes that came before a hang-up are still read; the read after them fails (EIO).
        const ssize_t got = ::read(fd, buffer, capacity);
        if (got > 0) {
            return static_cast<long>(got);
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return 0;
        }
        return -1;  // end of file or read error
    }
    if ((pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return -1;
    }
    return 0;
}

}  // namespace

TtyLink::TtyLink(std::string path) : m_path(std::move(path)) {}

TtyLink::~TtyLink() {
    Close();
}

bool TtyLink::IsPresent() {
    if (m_reader.IsRunning()) {
        return true;
    }
    const int fd = OpenDevice(m_path);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

OpenResult TtyLink::OpenLink(const LinkCallbacks& callbacks) {
    if (m_reader.IsRunning()) {
        return OpenResult::kAlreadyRunning;
    }
    // The descriptor of a reader that ended is never used again.
    m_reader.Stop();
    ReleaseFd();
    const int fd = OpenDevice(m_path);
    if (fd < 0) {
        return OpenResult::kFailed;
    }
    if (!MakeRaw(fd)) {
        ::close(fd);
        return OpenResult::kFailed;
    }
    {
        std::lock_guard<std::mutex> lock(m_fdMutex);
        m_fd = fd;
    }
    // The descriptor stays open for the reader's whole life: it is closed only after the reader
    // has been joined.
    auto readSome = [fd](std::uint8_t* buffer, std::size_t capacity) {
        return ReadSome(fd, buffer, capacity);
    };
    if (!m_reader.Start(readSome, kReadChunkBytes, callbacks)) {
        ReleaseFd();
        return OpenResult::kFailed;
    }
    return OpenResult::kStarted;
}

bool TtyLink::WriteLink(const std::uint8_t* bytes, std::size_t length) {
    std::lock_guard<std::mutex> lock(m_fdMutex);
    if (m_fd < 0) {
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t done = ::write(m_fd, bytes + sent, length - sent);
        if (done > 0) {
            sent += static_cast<std::size_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done < 0 && errno != EAGAIN) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd pfd{m_fd, POLLOUT, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            return false;
        }
        if ((pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return false;
        }
    }
    return true;
}

std::optional<std::size_t> TtyLink::TryWriteLink(const std::uint8_t* bytes, std::size_t length) {
    std::lock_guard<std::mutex> lock(m_fdMutex);
    if (m_fd < 0) {
        return 0;
    }
    // The descriptor is non-blocking: a full output buffer answers EAGAIN at once.
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t done = ::write(m_fd, bytes + sent, length - sent);
        if (done > 0) {
            sent += static_cast<std::size_t>(done);
        } else if (done < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return sent;
}

void TtyLink::Close() {
    m_reader.Stop();
    ReleaseFd();
}

void TtyLink::ReleaseFd() {
    std::lock_guard<std::mutex> lock(m_fdMutex);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace vanto
