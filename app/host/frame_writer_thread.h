#pragma once
// Writes frames to the link in the order they were posted, without the posting thread ever
// waiting for the link. A USB or tty write may wait up to its timeout when the remote stalls; the
// engine's thread (the window's user interface thread) must not wait with it. The engine ignores
// the outcome of a write, so nothing is lost by not waiting: a frame that fails is covered by the
// engine's timers.
//
// With a TryWrite (a link that can write without waiting) a frame posted while nothing is queued
// is written at once on the posting thread, which costs no thread switch; only what the link does
// not take at once goes to the writer thread, followed by everything posted after it.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vanto::host {

class FrameWriterThread {
public:
    // Writes one whole frame; false when it failed. Runs on the writer thread.
    using Write = std::function<bool(const std::uint8_t* frame, std::size_t length)>;
    // Writes what the link takes without waiting: the count written, or nullopt when the link
    // cannot write without waiting. Runs on the posting thread.
    using TryWrite =
        std::function<std::optional<std::size_t>(const std::uint8_t* frame, std::size_t length)>;

    explicit FrameWriterThread(Write write, TryWrite tryWrite = nullptr);
    FrameWriterThread(const FrameWriterThread&) = delete;
    FrameWriterThread& operator=(const FrameWriterThread&) = delete;
    // Writes what is still queued, then ends the thread.
    ~FrameWriterThread();

    // Any thread; returns at once (after one write attempt that does not wait, with a TryWrite).
    void Post(const std::uint8_t* frame, std::size_t length);
    // Waits until every frame posted so far has been written (tests, orderly shutdown).
    void Flush();
    // Drops the frames not yet written (the link is being closed).
    void DropPending();

    std::size_t Written() const;
    std::size_t Failed() const;

private:
    void Run();
    // Writes on the posting thread when nothing is queued; false when the frame was not taken.
    bool PostDirect(const std::uint8_t* frame, std::size_t length);

    Write m_write;
    TryWrite m_tryWrite;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::vector<std::uint8_t>> m_queue;
    bool m_busy = false;    // the writer thread is writing a frame
    bool m_direct = false;  // a posting thread is writing a frame; the writer thread waits
    bool m_stop = false;
    std::size_t m_written = 0;
    std::size_t m_failed = 0;
    std::thread m_thread;  // last: starts after the members it uses exist
};

}  // namespace vanto::host
