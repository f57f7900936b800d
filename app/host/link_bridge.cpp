#include "app/host/link_bridge.h"

namespace vanto::host {

LinkBridge::LinkBridge(ByteSink toEngine, QObject* parent)
    : QObject(parent), m_toEngine(std::move(toEngine)) {}

void LinkBridge::SetWriter(FrameSink writer) {
    m_writer = std::move(writer);
}

void LinkBridge::PushBytes(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr || length == 0) {
        return;
    }
    bool post = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_incoming.insert(m_incoming.end(), data, data + length);
        post = !m_drainPosted;
        m_drainPosted = true;
    }
    if (post) {
        PostDrain();
    }
}

void LinkBridge::PostAfterBytes(std::function<void()> call) {
    bool post = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_after.push_back(std::move(call));
        m_afterMark.push_back(m_incoming.size());
        post = !m_drainPosted;
        m_drainPosted = true;
    }
    if (post) {
        PostDrain();
    }
}

void LinkBridge::PostDrain() {
    QMetaObject::invokeMethod(
        this, [this] { Drain(); }, Qt::QueuedConnection);
}

void LinkBridge::Drain() {
    // A modal box opened inside a delivery runs a nested event loop that may call here again;
    // the outer delivery keeps going once the box is closed, so the order stays intact.
    if (m_delivering) {
        return;
    }
    m_delivering = true;
    for (;;) {
        std::vector<std::function<void()>> after;
        std::vector<std::size_t> marks;
        m_batch.clear();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_drainPosted = false;
            m_batch.swap(m_incoming);
            after.swap(m_after);
            marks.swap(m_afterMark);
        }
        if (m_batch.empty() && after.empty()) {
            break;
        }
        std::size_t pos = 0;
        auto deliverUpTo = [&](std::size_t end) {
            if (end > pos && m_toEngine) {
                m_toEngine(m_batch.data() + pos, end - pos);
                m_delivered += end - pos;
            }
            pos = end;
        };
        for (std::size_t i = 0; i < after.size(); ++i) {
            deliverUpTo(marks[i]);
            after[i]();
        }
        deliverUpTo(m_batch.size());
    }
    m_delivering = false;
}

void LinkBridge::WriteFrame(const std::uint8_t* frame, std::size_t length) {
    ++m_framesWritten;
    if (!m_writer || !m_writer(frame, length)) {
        ++m_writeFailures;
    }
}

}  // namespace vanto::host
