#include "link/device_poll.h"

#include <utility>

namespace vanto {

DevicePoll::DevicePoll(DeviceLink& link, StatusSink setStatus, LinkCallbacks callbacks)
    : m_link(link), m_setStatus(std::move(setStatus)), m_callbacks(std::move(callbacks)) {}

void DevicePoll::PollDevice() {
    const bool present = m_link.IsPresent();
    const char* text = present ? kStatusConnected : kStatusDisconnected;
    if (m_status != text) {
        m_status = text;
        if (m_setStatus) {
            m_setStatus(m_status);
        }
    }
    if (present) {
        // Returns at once while a reader runs; after a failed open the next poll tries again.
        m_lastOpen = m_link.OpenLink(m_callbacks);
    }
}

}  // namespace vanto
