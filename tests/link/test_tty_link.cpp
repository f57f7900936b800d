#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
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

// TryWriteLink takes what fits without waiting, even when the remote reads nothing, and says
// how much; the rest goes out with a later write in the same order.
TEST(TtyLink, TryWriteTakesWhatFitsAndNeverWaits) {
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    TtyLink link(pty.SlavePath());
    const std::uint8_t byte = 0x0F;
    EXPECT_EQ(link.TryWriteLink(&byte, 1), std::optional<std::size_t>(0));  // not open
    Sink sink;
    ASSERT_EQ(link.OpenLink(sink.Callbacks()), OpenResult::kStarted);

    const Bytes big = Pattern(1 << 20, 5);  // far more than a terminal buffers
    const auto start = std::chrono::steady_clock::now();
    const std::optional<std::size_t> taken = link.TryWriteLink(big.data(), big.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    ASSERT_TRUE(taken.has_value());
    EXPECT_GT(*taken, 0u);
    EXPECT_LT(*taken, big.size());

    // The remote reads while the rest is written the waiting way.
    Bytes got;
    std::thread remote([&] { got = pty.ReadAll(); });
    EXPECT_TRUE(link.WriteLink(big.data() + *taken, big.size() - *taken));
    remote.join();
    EXPECT_EQ(got, big);
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
