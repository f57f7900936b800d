#include "link/write_queue.h"

#include <algorithm>
#include <chrono>

namespace vanto {

WriteQueue::~WriteQueue() {
    Stop();
}

void WriteQueue::Start(WriteSome writeSome, bool direct, int frameTimeoutMs) {
    Stop();
    std::lock_guard<std::mutex> guard(m_lock);
    m_writeSome = std::move(writeSome);
    m_direct = direct;
    m_frameTimeoutMs = frameTimeoutMs;
    m_stop = false;
    m_open = true;
    m_thread = std::thread([this] { Run(); });
}

void WriteQueue::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
        m_open = false;
        m_queue.clear();
        m_queuedBytes = 0;
        m_frontBegun = false;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_idle.notify_all();
}

WriteReport WriteQueue::Push(const std::uint8_t* frame, std::size_t length) {
    WriteReport report;
    if (frame == nullptr || length == 0) {
        return report;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) {
            return report;
        }
    }
    report.queued = true;
    if (m_direct && PushDirect(frame, length)) {
        return report;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) {
            report.queued = false;
            return report;
        }
        // The front frame may be the rest of a direct write already begun: it stays.
        const std::size_t keep = m_frontBegun ? 1 : 0;
        while (m_queue.size() > keep &&
               (m_queue.size() + 1 > kMaxFrames || m_queuedBytes + length > kMaxBytes)) {
            const auto oldest = m_queue.begin() + static_cast<std::ptrdiff_t>(keep);
            ++report.droppedFrames;
            report.droppedBytes += oldest->size();
            m_queuedBytes -= oldest->size();
            m_queue.erase(oldest);
        }
        m_queue.emplace_back(frame, frame + length);
        m_queuedBytes += length;
    }
    m_wake.notify_one();
    return report;
}

bool WriteQueue::PushDirect(const std::uint8_t* frame, std::size_t length) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // Anything queued or being written goes first; so does another direct write.
        if (!m_queue.empty() || m_busy || m_directBusy || m_stop) {
            return false;
        }
        m_directBusy = true;
    }
    const long taken = m_writeSome(frame, length, 0);
    const std::size_t done = taken > 0 ? std::min(static_cast<std::size_t>(taken), length) : 0;
    bool queued = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_directBusy = false;
        if (taken < 0) {
            ++m_failed;
        } else if (done == length) {
            ++m_written;
        } else {
            // The rest goes ahead of whatever other threads pushed meanwhile.
            m_queue.emplace_front(frame + done, frame + length);
            m_queuedBytes += length - done;
            m_frontBegun = done != 0;
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

void WriteQueue::Flush() {
    std::unique_lock<std::mutex> guard(m_lock);
    m_idle.wait(guard, [this] { return m_queue.empty() && !m_busy && !m_directBusy; });
}

std::size_t WriteQueue::Written() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_written;
}

std::size_t WriteQueue::Failed() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failed;
}

void WriteQueue::Run() {
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_wake.wait(guard, [this] { return m_stop || (!m_queue.empty() && !m_directBusy); });
        if (m_stop) {
            return;
        }
        std::vector<std::uint8_t> frame = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= frame.size();
        m_frontBegun = false;
        m_busy = true;
        guard.unlock();
        const bool ok = WriteFrame(frame);
        guard.lock();
        m_busy = false;
        ++(ok ? m_written : m_failed);
        if (m_queue.empty()) {
            m_idle.notify_all();
        }
    }
}

bool WriteQueue::WriteFrame(const std::vector<std::uint8_t>& frame) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_frameTimeoutMs);
    std::size_t sent = 0;
    while (sent < frame.size()) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_stop) {
                return false;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        const int wait = static_cast<int>(std::min<long long>(left, kWaitSliceMs));
        const long got = m_writeSome(frame.data() + sent, frame.size() - sent, wait);
        if (got < 0) {
            return false;
        }
        sent += std::min(static_cast<std::size_t>(got), frame.size() - sent);
    }
    return true;
}

}  // namespace vanto
