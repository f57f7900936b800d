#pragma once
// Tells when USB devices come and go, from libusb's hotplug callbacks, so that a presence check or
// a device list needs to look again only after something changed. libusb's events are handled on
// a thread of the watch's own. Where libusb has no hotplug support (LIBUSB_CAP_HAS_HOTPLUG is
// false) or registering fails, Active() is false and callers keep polling.

#include <atomic>
#include <cstdint>
#include <thread>

struct libusb_context;

namespace vanto {

class UsbHotplugWatch {
public:
    explicit UsbHotplugWatch(libusb_context* context);
    ~UsbHotplugWatch();
    UsbHotplugWatch(const UsbHotplugWatch&) = delete;
    UsbHotplugWatch& operator=(const UsbHotplugWatch&) = delete;

    bool Active() const { return m_bActive; }
    // Counts arrivals and departures; any thread.
    std::uint64_t Changes() const { return m_changes.load(); }

private:
    libusb_context* m_pContext;
    bool m_bActive = false;
    int m_handle = 0;
    std::atomic<std::uint64_t> m_changes{0};
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

}  // namespace vanto
