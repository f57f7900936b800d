#pragma once
// The frames a link has been given and not yet written, and the thread that writes them. A
// caller never waits for the link: a USB or serial write may wait up to its timeout when the
// remote stalls, and the engine's thread (the window's user interface thread) must not wait with
// it.
//
// On a link that can write without waiting (a terminal), a frame that finds nothing queued is
// written at once on the caller's thread, which costs no thread switch; only what the link does
// not take at once goes to the writer thread, followed by everything pushed after it.
//
// The queue is bounded by frames and by bytes. A frame that would pass a bound makes room by
// dropping the oldest frames not yet begun: under a flood the replies to old requests go first,
// while the frame being written and the newest ones (the exchange in progress) stay.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vanto {

// What a push did besides queueing its frame.
struct WriteReport {
    bool queued = false;            // false: the link is not open and the frame was dropped
    std::size_t droppedFrames = 0;  // older frames dropped to keep the queue within its bounds
    std::size_t droppedBytes = 0;
    explicit operator bool() const { return queued; }
};

class WriteQueue {
public:
    static constexpr std::size_t kMaxFrames = 64;
    static constexpr std::size_t kMaxBytes = 64 * 1024;
    // Longest single wait of the writer thread, so a stop request is seen in time.
    static constexpr int kWaitSliceMs = 50;

    // Writes up to `length` bytes, waiting at most `waitMs` for the link to take some (0: not at
    // all). Returns the count written (0 when the link took nothing in time) or a negative value
    // when the channel failed.
    using WriteSome =
        std::function<long(const std::uint8_t* bytes, std::size_t length, int waitMs)>;

    WriteQueue() = default;
    WriteQueue(const WriteQueue&) = delete;
    WriteQueue& operator=(const WriteQueue&) = delete;
    ~WriteQueue();

    // Starts writing to a newly opened channel. `direct`: WriteSome with a wait of 0 returns at
    // once, so a frame may be written on the pushing thread. A frame that has not gone out
    // within `frameTimeoutMs` of its first byte is given up (its rest dropped).
    void Start(WriteSome writeSome, bool direct, int frameTimeoutMs);
    // Drops what is queued and ends the writer thread, waiting for the write in progress at most
    // one wait slice. Safe to call at any time.
    void Stop();

    // Any thread. Never waits for the link (a direct write does not wait either).
    WriteReport Push(const std::uint8_t* frame, std::size_t length);
    // Waits until every frame pushed so far has been written or given up (tests, shutdown).
    void Flush();

    std::size_t Written() const;  // frames written whole
    std::size_t Failed() const;   // frames given up: the channel failed or the time ran out

private:
    void Run();
    // Writes on the pushing thread when nothing is queued; false when nothing was tried.
    bool PushDirect(const std::uint8_t* frame, std::size_t length);
    // Writes one frame on the writer thread; false when it was given up.
    bool WriteFrame(const std::vector<std::uint8_t>& frame);

    WriteSome m_writeSome;
    bool m_direct = false;
    int m_frameTimeoutMs = 2000;

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::vector<std::uint8_t>> m_queue;
    std::size_t m_queuedBytes = 0;
    bool m_open = false;
    bool m_frontBegun = false;  // the front frame is the rest of a direct write
    bool m_busy = false;        // the writer thread is writing a frame
    bool m_directBusy = false;  // a pushing thread is writing; the writer thread waits
    bool m_stop = false;
    std::size_t m_written = 0;
    std::size_t m_failed = 0;
    std::thread m_thread;
};

}  // namespace vanto
