#include "app/host/frame_writer_thread.h"

namespace vanto::host {

FrameWriterThread::FrameWriterThread(Write write)
    : m_write(std::move(write)), m_thread([this] { Run(); }) {}

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
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_queue.emplace_back(frame, frame + length);
    }
    m_wake.notify_one();
}

void FrameWriterThread::Flush() {
    std::unique_lock<std::mutex> guard(m_lock);
    m_idle.wait(guard, [this] { return m_queue.empty() && !m_busy; });
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
        m_wake.wait(guard, [this] { return m_stop || !m_queue.empty(); });
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
