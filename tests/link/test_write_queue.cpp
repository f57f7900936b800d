// The link's write queue: a push never waits for the link, frames go out whole and in order, the
// bounds drop the oldest frames not yet begun, and a stalled link neither holds a stop nor keeps
// a frame forever.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "link/write_queue.h"

namespace vanto {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A link whose writes the test holds back and releases.
class FakeWire {
public:
    // Takes at most `room` bytes when asked not to wait; waits for the release otherwise.
    WriteQueue::WriteSome Writer() {
        return [this](const std::uint8_t* bytes, std::size_t length, int waitMs) -> long {
            if (waitMs == 0) {
                std::lock_guard<std::mutex> guard(lock);
                const std::size_t take = std::min(room, length);
                room -= take;
                Put(bytes, take, true);
                return static_cast<long>(take);
            }
            if (!released) {
                std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
                return 0;
            }
            std::lock_guard<std::mutex> guard(lock);
            Put(bytes, length, false);
            return static_cast<long>(length);
        };
    }
    Bytes Wire() {
        std::lock_guard<std::mutex> guard(lock);
        return wire;
    }

    std::mutex lock;
    std::size_t room = 0;
    std::atomic<bool> released{true};
    Bytes wire;
    std::size_t direct = 0;  // bytes written on the pushing thread

private:
    void Put(const std::uint8_t* bytes, std::size_t n, bool onPusher) {
        wire.insert(wire.end(), bytes, bytes + n);
        if (onPusher) {
            direct += n;
        }
    }
};

Bytes Frame(std::size_t n, std::uint8_t seed) {
    Bytes f(n);
    for (std::size_t i = 0; i < n; ++i) {
        f[i] = static_cast<std::uint8_t>(seed + i);
    }
    return f;
}

// A link that takes frames at once gets them on the pushing thread; what it does not take goes
// to the writer thread, and every frame after it waits its turn there.
TEST(WriteQueue, DirectWritesKeepTheOrderWhenTheLinkFillsUp) {
    FakeWire link;
    link.room = 1000;
    WriteQueue queue;
    queue.Start(link.Writer(), true, 2000);
    Bytes expected;
    auto push = [&](std::uint8_t seed, std::size_t n) {
        const Bytes f = Frame(n, seed);
        expected.insert(expected.end(), f.begin(), f.end());
        EXPECT_TRUE(queue.Push(f.data(), f.size()).queued);
    };
    push(1, 600);  // taken whole, on this thread
    EXPECT_EQ(link.direct, 600u);
    link.released = false;  // the writer thread stalls: the rest of frame 2 waits there
    push(2, 600);           // 400 taken here, 200 left for the writer thread
    link.room = 5000;       // the link has room again, but the queue is not empty
    push(3, 50);
    push(4, 70);
    EXPECT_EQ(link.direct, 1000u);  // frames 3 and 4 were not tried here
    link.released = true;
    queue.Flush();
    EXPECT_EQ(link.Wire(), expected);
    EXPECT_EQ(queue.Written(), 4u);
    push(5, 10);  // the queue is empty again: written here
    EXPECT_EQ(link.direct, 1010u);
    EXPECT_EQ(link.Wire(), expected);
}

// A stalled link: pushes return at once; past a bound the oldest frames not yet begun make room,
// the frame already begun stays whole, and the newest frames go out in order once the link moves.
TEST(WriteQueue, BoundsDropTheOldestFramesNotYetBegun) {
    struct Case {
        const char* name;
        std::size_t frameBytes;
        std::size_t kept;  // frames the queue holds behind the one begun
    };
    const Case cases[] = {
        {"frames", 8, WriteQueue::kMaxFrames},
        {"bytes", 2060, WriteQueue::kMaxBytes / 2060},
    };
    for (const Case& c : cases) {
        FakeWire link;
        link.room = c.frameBytes / 2;  // the first frame is begun on the pushing thread
        link.released = false;
        WriteQueue queue;
        queue.Start(link.Writer(), true, 60000);
        constexpr int kPushed = 300;
        std::size_t droppedFrames = 0;
        std::size_t droppedBytes = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPushed; ++i) {
            const Bytes f = Frame(c.frameBytes, static_cast<std::uint8_t>(i));
            const WriteReport r = queue.Push(f.data(), f.size());
            droppedFrames += r.droppedFrames;
            droppedBytes += r.droppedBytes;
            if (i == 0) {
                std::this_thread::sleep_for(100ms);  // the writer thread takes the begun frame
            }
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 600ms) << c.name;
        EXPECT_EQ(droppedFrames, kPushed - 1 - c.kept) << c.name;
        EXPECT_EQ(droppedBytes, droppedFrames * c.frameBytes) << c.name;
        link.released = true;
        queue.Flush();
        Bytes expected = Frame(c.frameBytes, 0);
        for (int i = kPushed - static_cast<int>(c.kept); i < kPushed; ++i) {
            const Bytes f = Frame(c.frameBytes, static_cast<std::uint8_t>(i));
            expected.insert(expected.end(), f.begin(), f.end());
        }
        EXPECT_EQ(link.Wire(), expected) << c.name;
    }
}

// A link that never takes the frame: it is given up after its time, and a stop while the writer
// waits returns within a wait slice.
TEST(WriteQueue, StalledFrameIsGivenUpAndStopIsPrompt) {
    FakeWire link;
    link.released = false;
    WriteQueue queue;
    queue.Start(link.Writer(), false, 200);
    const Bytes f = Frame(10, 1);
    queue.Push(f.data(), f.size());
    queue.Flush();
    EXPECT_EQ(queue.Failed(), 1u);
    EXPECT_EQ(queue.Written(), 0u);

    queue.Start(link.Writer(), false, 60000);
    queue.Push(f.data(), f.size());
    std::this_thread::sleep_for(100ms);  // the writer is waiting for the link now
    const auto start = std::chrono::steady_clock::now();
    queue.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_FALSE(queue.Push(f.data(), f.size()).queued);
    EXPECT_TRUE(link.Wire().empty());
}

}  // namespace
}  // namespace vanto
