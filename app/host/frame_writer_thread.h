#pragma once
// Writes frames to the link on a thread of its own, in the order they were posted. A USB or tty
// write may wait up to its timeout when the remote stalls; the engine's thread (the window's user
// interface thread) must not wait with it. The engine ignores the outcome of a write, so nothing
// is lost by not waiting: a frame that fails is covered by the engine's timers.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vanto::host {

class FrameWriterThread {
public:
    // Writes one whole frame; false when it failed. Runs on the writer thread.
    using Write = std::function<bool(const std::uint8_t* frame, std::size_t length)>;

    explicit FrameWriterThread(Write write);
    FrameWriterThread(const FrameWriterThread&) = delete;
    FrameWriterThread& operator=(const FrameWriterThread&) = delete;
    // Writes what is still queued, then ends the thread.
    ~FrameWriterThread();

    // Any thread; copies the frame and returns at once.
    void Post(const std::uint8_t* frame, std::size_t length);
    // Waits until every frame posted so far has been written (tests, orderly shutdown).
    void Flush();
    // Drops the frames not yet written (the link is being closed).
    void DropPending();

    std::size_t Written() const;
    std::size_t Failed() const;

private:
    void Run();

    Write m_write;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::vector<std::uint8_t>> m_queue;
    bool m_busy = false;
    bool m_stop = false;
    std::size_t m_written = 0;
    std::size_t m_failed = 0;
    std::thread m_thread;  // last: starts after the members it uses exist
};

}  // namespace vanto::host
