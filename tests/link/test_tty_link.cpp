#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/tty_link.h"

namespace vanto {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// The other end of the link: the master side of a pseudo-terminal pair.
class Pty {
public:
    Pty() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            return;
        }
        char name[128];
        if (ptsname_r(m_master, name, sizeof name) == 0) {
            m_slavePath = name;
        }
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { HangUp(); }
    bool Ok() const { return m_master >= 0 && !m_slavePath.empty(); }
    const std::string& SlavePath() const { return m_slavePath; }
    void HangUp() {
        if (m_master >= 0) {
            close(m_master);
            m_master = -1;
        }
    }
    bool Write(const Bytes& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = write(m_master, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
            } else {
                pollfd pfd{m_master, POLLOUT, 0};
                if (poll(&pfd, 1, 2000) <= 0) {
                    return false;
                }
            }
        }
        return true;
    }
    // Everything that arrives within `quiet` of the previous byte (after a first wait of 2 s).
    Bytes ReadAll(std::chrono::milliseconds quiet = 200ms) {
        Bytes got;
        int wait = 2000;
        while (true) {
            pollfd pfd{m_master, POLLIN, 0};
            if (poll(&pfd, 1, wait) <= 0) {
                return got;
            }
            std::uint8_t buffer[4096];
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n <= 0) {
                return got;
            }
            got.insert(got.end(), buffer, buffer + n);
            wait = static_cast<int>(quiet.count());
        }
    }

private:
    int m_master = -1;
    std::string m_slavePath;
};

// Collects what the reader hands over, from the reader thread.
class Sink {
public:
    LinkCallbacks Callbacks() {
        return {[this](const std::uint8_t* bytes, std::size_t length) {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_bytes.insert(m_bytes.end(), bytes, bytes + length);
                    m_changed.notify_all();
                },
                [this] {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    ++m_ends;
                    m_changed.notify_all();
                }};
    }
    Bytes WaitForBytes(std::size_t count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, 3s, [&] { return m_bytes.size() >= count; });
        return m_bytes;
    }
    Bytes Received() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bytes;
    }
    int Ends() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_ends;
    }
    int WaitForEnds(int count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, 3s, [&] { return m_ends >= count; });
        return m_ends;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Bytes m_bytes;
    int m_ends = 0;
};

// Line-discipline bytes: CR, LF, XON, XOFF, NUL, and others a cooked terminal would act on
// (^C, ^D, ^Z, DEL, ^U, ^W, ESC).
const Bytes kSpecial = {0x0D, 0x0A, 0x11, 0x13, 0x00, 0x03, 0x04, 0x1A, 0x7F, 0x15, 0x17, 0x1B};

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 256);
    }
    return bytes;
}

TEST(TtyLink, BytesPassUntouchedBothWaysAndInOrder) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TtyLink link(pty.SlavePath());
    Sink sink;
    ASSERT_TRUE(link.IsPresent());
    ASSERT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kStarted);

    // Remote to PC: special bytes, then more than one read's worth.
    Bytes incoming = kSpecial;
    const Bytes bulk = Pattern(9000, 3);
    incoming.insert(incoming.end(), bulk.begin(), bulk.end());
    ASSERT_TRUE(pty.Write(incoming));
    EXPECT_EQ(sink.WaitForBytes(incoming.size()), incoming);

    // PC to remote: the special bytes and a block-sized frame, each written whole. Nothing the
    // remote sent comes back (no echo), no LF grows a CR.
    ASSERT_TRUE(link.WriteLink(kSpecial.data(), kSpecial.size()));
    const Bytes frame = Pattern(2060, 0x0D);
    ASSERT_TRUE(link.WriteLink(frame.data(), frame.size()));
    Bytes expected = kSpecial;
    expected.insert(expected.end(), frame.begin(), frame.end());
    EXPECT_EQ(pty.ReadAll(), expected);
}

TEST(TtyLink, AtMostOneReader) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TtyLink link(pty.SlavePath());
    Sink sink;
    ASSERT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kStarted);
    Sink other;
    EXPECT_EQ(link.OpenLink(other.Callbacks()), OpenResult::kAlreadyRunning);
    EXPECT_TRUE(link.IsReaderRunning());
    const Bytes bytes = {1, 2, 3};
    ASSERT_TRUE(pty.Write(bytes));
    EXPECT_EQ(sink.WaitForBytes(3), bytes);
    EXPECT_TRUE(other.Received().empty());  // the second callbacks were never installed
}

TEST(TtyLink, HangUpEndsTheReaderAndReopeningGivesANewOne) {
    // The link's path is a symlink, so the same path can name a new pseudo-terminal, as a
    // serial adapter comes back under the same name.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tty_link_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path path = dir / "remote";

    auto first = std::make_unique<Pty>();
    ASSERT_TRUE(first->Ok());
    std::filesystem::create_symlink(first->SlavePath(), path);
    TtyLink link(path.string());
    Sink sink;
    ASSERT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kStarted);

    first->HangUp();
    EXPECT_EQ(sink.WaitForEnds(1), 1);
    EXPECT_FALSE(link.IsReaderRunning());
    EXPECT_FALSE(link.IsPresent());
    EXPECT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kFailed);
    const std::uint8_t byte = 0x0F;
    EXPECT_FALSE(link.WriteLink(&byte, 1));

    Pty second;
    ASSERT_TRUE(second.Ok());
    std::filesystem::remove(path);
    std::filesystem::create_symlink(second.SlavePath(), path);
    EXPECT_TRUE(link.IsPresent());
    Sink sink2;
    ASSERT_EQ(link.OpenLink(sink2.Callbacks()), OpenResult::kStarted);
    const Bytes bytes = {0x0F, 0x41, 0x0E};
    ASSERT_TRUE(second.Write(bytes));
    EXPECT_EQ(sink2.WaitForBytes(3), bytes);
    ASSERT_TRUE(link.WriteLink(bytes.data(), bytes.size()));
    EXPECT_EQ(second.ReadAll(), bytes);
    EXPECT_EQ(sink.Ends(), 1);  // the old reader's callbacks stay quiet
    EXPECT_EQ(sink2.Ends(), 0);

    link.Close();
    std::filesystem::remove_all(dir);
}

TEST(TtyLink, CloseStopsTheReaderWithoutReportingAnEnd) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TtyLink link(pty.SlavePath());
    Sink sink;
    ASSERT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kStarted);
    const auto start = std::chrono::steady_clock::now();
    link.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(link.IsReaderRunning());
    const std::uint8_t byte = 0x0F;
    EXPECT_FALSE(link.WriteLink(&byte, 1));
    EXPECT_EQ(sink.Ends(), 0);
    // Still there, so it opens again.
    EXPECT_TRUE(link.IsPresent());
    EXPECT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kStarted);
}

// A remote that reads nothing never makes a write wait: the link's queue keeps the newest frames
// and drops the oldest not yet begun. Once the remote reads, every frame that arrives is whole
// and in order, and the last one written is among them.
TEST(TtyLink, WritesNeverWaitAndAStalledRemoteLosesOnlyWholeOldFrames) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TtyLink link(pty.SlavePath());
    const std::uint8_t byte = 0x0F;
    EXPECT_FALSE(link.WriteLink(&byte, 1));  // not open
    Sink sink;
    ASSERT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kStarted);

    constexpr std::size_t kFrame = 1000;
    constexpr int kFrames = 1000;  // far more than a terminal and the queue hold
    std::size_t dropped = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFrames; ++i) {
        Bytes frame = Pattern(kFrame, static_cast<std::uint8_t>(i));
        frame[0] = static_cast<std::uint8_t>(i >> 8);
        frame[1] = static_cast<std::uint8_t>(i);
        const WriteReport report = link.WriteLink(frame.data(), frame.size());
        ASSERT_TRUE(report.queued);
        dropped += report.droppedFrames;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_GT(dropped, 0u);

    const Bytes got = pty.ReadAll();
    ASSERT_EQ(got.size() % kFrame, 0u);
    int last = -1;
    for (std::size_t at = 0; at < got.size(); at += kFrame) {
        const int index = (got[at] << 8) | got[at + 1];
        EXPECT_GT(index, last);
        Bytes expected = Pattern(kFrame, static_cast<std::uint8_t>(index));
        EXPECT_TRUE(std::equal(expected.begin() + 2, expected.end(), got.begin() + at + 2))
            << "frame " << index;
        last = index;
    }
    EXPECT_EQ(last, kFrames - 1);
    EXPECT_EQ(got.size() / kFrame + dropped, static_cast<std::size_t>(kFrames));
}

// One remote, one program: while one link holds the line, a second sees the remote as absent
// and is told why once; when the first lets go, the second opens it.
TEST(TtyLink, TheLineIsHeldExclusively) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TtyLink first(pty.SlavePath());
    Sink sink;
    ASSERT_EQ(first.OpenLink(sink.Callbacks()), OpenResult::kStarted);
    std::vector<std::string> notices;
    TtyLink second(pty.SlavePath(), 0, [&](const std::string& text) { notices.push_back(text); });
    EXPECT_FALSE(second.IsPresent());
    EXPECT_EQ(second.OpenLink(sink.Callbacks()), OpenResult::kFailed);
    EXPECT_FALSE(second.IsPresent());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], TtyLink::BusyText(pty.SlavePath()));
    // Other users' programs cannot even open the terminal meanwhile; the flag goes with the
    // link, also while the other side keeps the terminal open.
    auto exclusive = [&] {
        const int probe = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (probe < 0) {
            return errno == EBUSY ? 1 : -1;  // only root gets past the flag
        }
        int flag = -1;
        if (ioctl(probe, TIOCGEXCL, &flag) != 0) {
            flag = -1;
        }
        close(probe);
        return flag;
    };
    EXPECT_EQ(exclusive(), 1);
    first.Close();
    EXPECT_EQ(exclusive(), 0);
    EXPECT_TRUE(second.IsPresent());
    EXPECT_EQ(second.OpenLink(sink.Callbacks()), OpenResult::kStarted);
    EXPECT_EQ(notices.size(), 1u);
}

// The line runs at the speed given, else at the one it has; the link reports it in bytes per
// second (ten bits a byte).
TEST(TtyLink, LineSpeedIsSetOrLeftAsItIs) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    {
        TtyLink link(pty.SlavePath(), 9600);
        Sink sink;
        ASSERT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kStarted);
        EXPECT_EQ(link.LineBytesPerSecond(), 960);
    }
    TtyLink kept(pty.SlavePath());
    Sink sink;
    ASSERT_EQ(kept.OpenLink(sink.Callbacks()), OpenResult::kStarted);
    EXPECT_EQ(kept.LineBytesPerSecond(), 960);
    EXPECT_TRUE(TtyLink::IsSupportedBaud(115200));
    EXPECT_FALSE(TtyLink::IsSupportedBaud(12345));
}

// A path that is not a character device is never written to, even when it appears only after
// the link was made.
TEST(TtyLink, RegularFileIsNotARemote) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("tty_link_file_" + std::to_string(getpid())))
            .string();
    { std::ofstream(path) << "keep"; }
    std::vector<std::string> notices;
    TtyLink link(path, 0, [&](const std::string& text) { notices.push_back(text); });
    Sink sink;
    EXPECT_FALSE(link.IsPresent());
    EXPECT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kFailed);
    EXPECT_EQ(notices.size(), 1u);
    std::ifstream in(path);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "keep");
    std::filesystem::remove(path);
}

TEST(TtyLink, MissingPathIsAbsentAndFailsToOpen) {
    TtyLink link("/nonexistent/remote-tty");
    Sink sink;
    EXPECT_FALSE(link.IsPresent());
    EXPECT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kFailed);
    EXPECT_FALSE(link.IsReaderRunning());
}

}  // namespace
}  // namespace vanto
