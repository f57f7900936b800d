#include "link/tty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>

namespace vanto {
namespace {

struct Speed {
    long baud;
    speed_t code;
};

constexpr Speed kSpeeds[] = {
    {300, B300},         {600, B600},         {1200, B1200},       {2400, B2400},
    {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},
    {500000, B500000},   {576000, B576000},   {921600, B921600},   {1000000, B1000000},
    {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000},
    {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

// Raw mode for a terminal, at `baud` when it is not 0. Fills `bytesPerSecond` with the speed the
// line runs at (0 when it reports none).
bool MakeRaw(int fd, long baud, long& bytesPerSecond) {
    bytesPerSecond = 0;
    termios tio;
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    for (const Speed& s : kSpeeds) {
        if (s.baud == baud) {
            ::cfsetispeed(&tio, s.code);
            ::cfsetospeed(&tio, s.code);
        }
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0 || ::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    const speed_t code = ::cfgetospeed(&tio);
    for (const Speed& s : kSpeeds) {
        if (s.code == code) {
            bytesPerSecond = s.baud / 10;  // a start bit, eight data bits, a stop bit
        }
    }
    return true;
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

// Time for the longest frame the PC sends (a full data frame) to go out at `bytesPerSecond`, with
// a second to spare, and never less than `floorMs`.
int FrameWriteTimeoutMs(long bytesPerSecond, int floorMs) {
    constexpr long kLongestSentFrame = 2060;
    if (bytesPerSecond <= 0) {
        return floorMs;
    }
    return std::max<int>(floorMs,
                         static_cast<int>(kLongestSentFrame * 1000 / bytesPerSecond) + 1000);
}

// The descriptor is non-blocking: with no wait, a full output buffer answers at once.
long WriteSome(int fd, const std::uint8_t* bytes, std::size_t length, int waitMs) {
    if (waitMs > 0) {
        pollfd pfd{fd, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, waitMs);
        if (ready < 0) {
            return errno == EINTR ? 0 : -1;
        }
        if (ready == 0) {
            return 0;
        }
        if ((pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return -1;
        }
    }
    const ssize_t done = ::write(fd, bytes, length);
    if (done >= 0) {
        return static_cast<long>(done);
    }
    return errno == EAGAIN || errno == EINTR ? 0 : -1;
}

}  // namespace

TtyLink::TtyLink(std::string path, long baud, NoticeSink onNotice)
    : m_path(std::move(path)), m_baud(baud), m_onNotice(std::move(onNotice)) {}

TtyLink::~TtyLink() {
    Close();
}

bool TtyLink::IsSupportedBaud(long baud) {
    return std::any_of(std::begin(kSpeeds), std::end(kSpeeds),
                       [baud](const Speed& s) { return s.baud == baud; });
}

std::string TtyLink::BusyText(const std::string& path) {
    return "The remote's line " + path +
           " is in use by another program, which holds it exclusively. This program shows the "
           "remote as disconnected until that one lets the line go.";
}

int TtyLink::OpenExclusive(OpenFailure& why) const {
    why = OpenFailure::kNone;
    const int fd = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // EBUSY: another program holds the terminal with TIOCEXCL.
        why = errno == EBUSY ? OpenFailure::kBusy : OpenFailure::kMissing;
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        ::close(fd);
        why = OpenFailure::kNotCharDevice;
        return -1;
    }
    // The lock holds against every program that locks too, root's included.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        why = OpenFailure::kBusy;
        return -1;
    }
    return fd;
}

void TtyLink::Report(OpenFailure why) {
    if (why == m_reported) {
        return;
    }
    m_reported = why;
    if (!m_onNotice) {
        return;
    }
    if (why == OpenFailure::kBusy) {
        m_onNotice(BusyText(m_path));
    } else if (why == OpenFailure::kNotCharDevice) {
        m_onNotice("The remote's line " + m_path +
                   " is not a character device (a serial line or pseudo-terminal); nothing is "
                   "written to it.");
    }
}

bool TtyLink::IsPresent() {
    if (m_reader.IsRunning()) {
        return true;
    }
    // A reader that ended leaves its descriptor, and with it the lock, behind: let it go first.
    Close();
    OpenFailure why;
    const int fd = OpenExclusive(why);
    Report(why);
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
    Close();
    OpenFailure why;
    const int fd = OpenExclusive(why);
    Report(why);
    if (fd < 0) {
        return OpenResult::kFailed;
    }
    if (!MakeRaw(fd, m_baud, m_lineBytesPerSecond)) {
        ::close(fd);
        return OpenResult::kFailed;
    }
    // Other programs (but root's) cannot even open the terminal while the link holds it. The
    // flag belongs to the terminal, not to this descriptor, so it is cleared again on release:
    // a pseudo-terminal whose other side stays open would keep it.
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    // The descriptor stays open for the reader's and the writer's whole lives: it is closed only
    // after both have been stopped.
    auto readSome = [fd](std::uint8_t* buffer, std::size_t capacity) {
        return ReadSome(fd, buffer, capacity);
    };
    if (!m_reader.Start(readSome, kReadChunkBytes, callbacks)) {
        ReleaseFd();
        return OpenResult::kFailed;
    }
    m_writer.Start([fd](const std::uint8_t* bytes, std::size_t length,
                        int waitMs) { return WriteSome(fd, bytes, length, waitMs); },
                   true, FrameWriteTimeoutMs(m_lineBytesPerSecond, kWriteTimeoutMs));
    return OpenResult::kStarted;
}

WriteReport TtyLink::WriteLink(const std::uint8_t* bytes, std::size_t length) {
    return m_writer.Push(bytes, length);
}

void TtyLink::Close() {
    m_reader.Stop();
    m_writer.Stop();
    ReleaseFd();
}

void TtyLink::ReleaseFd() {
    if (m_fd >= 0) {
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace vanto
