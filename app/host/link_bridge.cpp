#include "app/host/link_bridge.h"

namespace vanto::host {

LinkBridge::LinkBridge(ByteSink toEngine, QObject* parent)
    : QObject(parent), m_toEngine(std::move(toEngine)) {}

void LinkBridge::PushBytes(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr || length == 0) {
        return;
    }
    bool post = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (length > kMaxBytes) {
            m_dropped += length - kMaxBytes;
            data += length - kMaxBytes;
            length = kMaxBytes;
        }
        if (m_incoming.size() + length > kMaxBytes) {
            const std::size_t excess = m_incoming.size() + length - kMaxBytes;
            m_dropped += excess;
            m_incoming.erase(m_incoming.begin(),
                             m_incoming.begin() + static_cast<std::ptrdiff_t>(excess));
        }
        m_incoming.insert(m_incoming.end(), data, data + length);
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
        std::size_t dropped = 0;
        m_batch.clear();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_drainPosted = false;
            m_batch.swap(m_incoming);
            dropped = m_dropped;
            m_dropped = 0;
        }
        if (dropped != 0) {
            m_droppedTotal += dropped;
            if (m_onDrop) {
                m_onDrop(dropped);
            }
        }
        if (m_batch.empty()) {
            break;
        }
        if (m_toEngine) {
            m_toEngine(m_batch.data(), m_batch.size());
        }
        m_delivered += m_batch.size();
    }
    m_delivering = false;
}

}  // namespace vanto::host
