#include "link/usb_hotplug.h"

#include <libusb.h>

namespace vanto {

UsbHotplugWatch::UsbHotplugWatch(libusb_context* context) : m_pContext(context) {
    if (!m_pContext || !libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        return;
    }
    libusb_hotplug_callback_handle handle = 0;
    const int result = libusb_hotplug_register_callback(
        m_pContext,
        static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                          LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        static_cast<libusb_hotplug_flag>(0), LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
        LIBUSB_HOTPLUG_MATCH_ANY,
        [](libusb_context*, libusb_device*, libusb_hotplug_event, void* self) {
            static_cast<UsbHotplugWatch*>(self)->m_changes.fetch_add(1);
            return 0;  // stay registered
        },
        this, &handle);
    if (result != LIBUSB_SUCCESS) {
        return;
    }
    m_handle = handle;
    m_bActive = true;
    m_thread = std::thread([this] {
        // A bounded wait per turn: the stop flag is seen even if no event wakes the loop.
        timeval wait{0, 200 * 1000};
        while (!m_bStop.load()) {
            libusb_handle_events_timeout_completed(m_pContext, &wait, nullptr);
        }
    });
}

UsbHotplugWatch::~UsbHotplugWatch() {
    if (!m_bActive) {
        return;
    }
    m_bStop = true;
    libusb_hotplug_deregister_callback(m_pContext, m_handle);
    libusb_interrupt_event_handler(m_pContext);
    m_thread.join();
}

}  // namespace vanto
