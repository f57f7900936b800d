#include "app/host/frame_writer_thread.h"

#include <algorithm>

namespace vanto::host {

FrameWriterThread::FrameWriterThread(Write write, TryWrite tryWrite)
    : m_write(std::move(write)), m_tryWrite(std::move(tryWrite)), m_thread([this] { Run(); }) {}

FrameWriterThread::~FrameWriterThread() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void FrameWriterThread::Post(const std::uint8_t* frame, std::size_t length) {
    if (frame == nullptr || length == 0) {
        return;
    }
    if (m_tryWrite && PostDirect(frame, length)) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_queue.emplace_back(frame, frame + length);
    }
    m_wake.notify_one();
}

bool FrameWriterThread::PostDirect(const std::uint8_t* frame, std::size_t length) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // Anything queued or being written goes first; so does another direct write.
        if (!m_queue.empty() || m_busy || m_direct || m_stop) {
            return false;
        }
        m_direct = true;
    }
    const std::optional<std::size_t> taken = m_tryWrite(frame, length);
    const std::size_t done = taken ? std::min(*taken, length) : 0;
    bool queued = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_direct = false;
        if (done == length) {
            ++m_written;
        } else {
            // The rest goes ahead of whatever other threads posted meanwhile.
            m_queue.emplace_front(frame + done, frame + length);
        }
        queued = !m_queue.empty();
    }
    if (queued) {
        m_wake.notify_one();
    } else {
        m_idle.notify_all();
    }
    return true;
}

void FrameWriterThread::Flush() {
    std::unique_lock<std::mutex> guard(m_lock);
    m_idle.wait(guard, [this] { return m_queue.empty() && !m_busy && !m_direct; });
}

void FrameWriterThread::DropPending() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_queue.clear();
}

std::size_t FrameWriterThread::Written() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_written;
}

std::size_t FrameWriterThread::Failed() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failed;
}

void FrameWriterThread::Run() {
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_wake.wait(guard, [this] { return (m_stop || !m_queue.empty()) && !m_direct; });
        if (m_queue.empty()) {
            return;  // stopping, nothing left
        }
        std::vector<std::uint8_t> frame = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        guard.unlock();
        const bool ok = m_write && m_write(frame.data(), frame.size());
        guard.lock();
        m_busy = false;
        ++(ok ? m_written : m_failed);
        if (m_queue.empty()) {
            m_idle.notify_all();
        }
    }
}

}  // namespace vanto::host
