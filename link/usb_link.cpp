#include "link/usb_link.h"

#include <libusb.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "link/udev_rule.h"
#include "link/usb_device_info.h"
#include "link/usb_hotplug.h"

namespace vanto {
namespace {

int DeviceKey(libusb_device* device) {
    return (libusb_get_bus_number(device) << 8) | libusb_get_device_address(device);
}

// Opens and claims the remote's pipes on a matched device; nullptr when that fails.
libusb_device_handle* OpenPipes(libusb_device* device, UsbPipes& pipes) {
    const std::optional<UsbPipes> chosen = ChooseUsbPipes(ReadConfigInfo(device));
    if (!chosen) {
        return nullptr;
    }
    libusb_device_handle* handle = nullptr;
    if (libusb_open(device, &handle) != LIBUSB_SUCCESS) {
        return nullptr;
    }
    // Only this matched device's interface is taken from a kernel driver, only when one is bound
    // to it, and it is given back when the interface is released.
    if (libusb_kernel_driver_active(handle, chosen->interfaceNumber) == 1) {
        libusb_set_auto_detach_kernel_driver(handle, 1);
    }
    if (libusb_claim_interface(handle, chosen->interfaceNumber) != LIBUSB_SUCCESS) {
        libusb_close(handle);
        return nullptr;
    }
    if (chosen->alternateSetting != 0 &&
        libusb_set_interface_alt_setting(handle, chosen->interfaceNumber,
                                         chosen->alternateSetting) != LIBUSB_SUCCESS) {
        libusb_release_interface(handle, chosen->interfaceNumber);
        libusb_close(handle);
        return nullptr;
    }
    pipes = *chosen;
    return handle;
}

}  // namespace

UsbLink::UsbLink(std::vector<UsbId> ids, NoticeSink onNotice)
    : UsbLink(UsbMatch{std::move(ids), {}}, std::move(onNotice)) {}

UsbLink::UsbLink(UsbMatch match, NoticeSink onNotice)
    : m_match(std::move(match)), m_onNotice(std::move(onNotice)) {
    const int result = libusb_init(&m_pContext);
    if (result != LIBUSB_SUCCESS) {
        m_pContext = nullptr;
        m_initError = std::string("USB access is not available: ") + libusb_strerror(result);
        return;
    }
    m_hotplug = std::make_unique<UsbHotplugWatch>(m_pContext);
}

UsbLink::~UsbLink() {
    Close();
    m_hotplug.reset();
    if (m_pContext) {
        libusb_exit(m_pContext);
    }
}

std::string UsbLink::PermissionText(const UsbId& id, int bus, int address) {
    char where[64];
    std::snprintf(where, sizeof where, " on bus %03d device %03d", bus, address);
    return "The remote control (USB " + FormatUsbId(id) + where +
           ") is plugged in but this user may not open it.\n"
           "Give the user access with this udev rule:\n\n" +
           MakeUdevRules({id}) + "\nThe command 'vanto-remote-manager --print-udev-rules " +
           FormatUsbId(id) + "' prints the same rule.";
}

void UsbLink::Notice(const std::string& text) {
    if (m_onNotice) {
        m_onNotice(text);
    }
}

void UsbLink::SetMatch(UsbMatch match) {
    if (match == m_match) {
        return;
    }
    m_match = std::move(match);
    Close();
    m_deniedReported.clear();
    m_bScanned = false;
}

bool UsbLink::DeviceMatches(libusb_device* device, std::uint16_t vendor,
                            std::uint16_t product) const {
    if (!m_match.MatchesId(vendor, product)) {
        return false;
    }
    // The serial is read only for devices whose ids match, from what the kernel keeps.
    return m_match.serial.empty() || UsbSysfsAttribute(device, "serial") == m_match.serial;
}

bool UsbLink::IsPresent() {
    if (!m_pContext) {
        if (!m_bInitReported) {
            m_bInitReported = true;
            Notice(m_initError);
        }
        return false;
    }
    if (m_hotplug && m_hotplug->Active()) {
        // Nothing came or went since the last look: the answer stands while it was "absent" or
        // "present with a running reader". A remote that is there but not open (refused, or its
        // channels failed) is looked at on every poll, as without hotplug.
        const std::uint64_t changes = m_hotplug->Changes();
        const bool settled = !m_bLastPresent || m_reader.IsRunning();
        if (m_bScanned && !m_bRecheck && changes == m_lastChanges && settled &&
            m_deniedReported.empty()) {
            return m_bLastPresent;
        }
        m_lastChanges = changes;
    }
    m_bRecheck = false;
    m_bLastPresent = ScanPresence();
    m_bScanned = true;
    return m_bLastPresent;
}

bool UsbLink::ScanPresence() {
    if (m_match.Empty()) {
        m_deniedReported.clear();
        return false;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(m_pContext, &list);
    if (count < 0) {
        return false;
    }
    libusb_device* openDevice = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        if (m_pDevice) {
            openDevice = libusb_get_device(m_pDevice);
        }
    }
    bool present = false;
    std::set<int> stillDenied;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = list[i];
        libusb_device_descriptor desc;
        if (libusb_get_device_descriptor(device, &desc) != LIBUSB_SUCCESS ||
            !DeviceMatches(device, desc.idVendor, desc.idProduct)) {
            continue;
        }
        const int key = DeviceKey(device);
        if (present) {
            if (m_deniedReported.count(key) != 0) {
                stillDenied.insert(key);
            }
            continue;
        }
        if (device == openDevice) {
            present = true;  // our handle is open on it; no second open needed
            continue;
        }
        libusb_device_handle* handle = nullptr;
        const int result = libusb_open(device, &handle);
        if (result == LIBUSB_SUCCESS) {
            libusb_close(handle);
            present = true;
        } else if (result == LIBUSB_ERROR_ACCESS) {
            stillDenied.insert(key);
            if (m_deniedReported.count(key) == 0 && m_bPermissionNotices) {
                Notice(PermissionText({desc.idVendor, desc.idProduct},
                                      libusb_get_bus_number(device),
                                      libusb_get_device_address(device)));
            }
        }
    }
    libusb_free_device_list(list, 1);
    m_deniedReported = std::move(stillDenied);
    return present;
}

OpenResult UsbLink::OpenLink(const LinkCallbacks& callbacks) {
    if (m_reader.IsRunning()) {
        return OpenResult::kAlreadyRunning;
    }
    // A reader that ended leaves its handle behind; it is never used again.
    m_reader.Stop();
    m_writer.Stop();
    ReleaseDevice();
    if (!m_pContext) {
        return OpenResult::kFailed;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(m_pContext, &list);
    if (count < 0) {
        return OpenResult::kFailed;
    }
    libusb_device_handle* handle = nullptr;
    UsbPipes pipes;
    for (ssize_t i = 0; i < count && !handle; ++i) {
        libusb_device_descriptor desc;
        if (libusb_get_device_descriptor(list[i], &desc) == LIBUSB_SUCCESS &&
            DeviceMatches(list[i], desc.idVendor, desc.idProduct)) {
            handle = OpenPipes(list[i], pipes);
        }
    }
    libusb_free_device_list(list, 1);
    if (!handle) {
        return OpenResult::kFailed;
    }
    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        m_pDevice = handle;
        m_pipes = pipes;
    }
    // The handle stays valid for the reader's whole life: it is released only after the reader
    // has been joined.
    const std::uint8_t endpoint = pipes.readEndpoint;
    auto readSome = [handle, endpoint](std::uint8_t* buffer, std::size_t capacity) -> long {
        int got = 0;
        const int result = libusb_bulk_transfer(handle, endpoint, buffer,
                                                static_cast<int>(capacity), &got, kReadWaitMs);
        if (result == LIBUSB_SUCCESS || result == LIBUSB_ERROR_TIMEOUT ||
            result == LIBUSB_ERROR_INTERRUPTED) {
            return got;  // a timeout may still have brought bytes
        }
        return -1;
    };
    if (!m_reader.Start(readSome, UsbReadLength(pipes.readPacketSize), callbacks)) {
        ReleaseDevice();
        return OpenResult::kFailed;
    }
    // A synchronous transfer cannot be tried without waiting: every frame goes out on the
    // writer thread, in slices that let it see a stop request.
    const std::uint8_t out = pipes.writeEndpoint;
    auto writeSome = [handle, out](const std::uint8_t* bytes, std::size_t length,
                                   int waitMs) -> long {
        int done = 0;
        // libusb takes a non-const buffer for both directions; an OUT transfer only reads it.
        const int result = libusb_bulk_transfer(handle, out, const_cast<std::uint8_t*>(bytes),
                                                static_cast<int>(length), &done,
                                                static_cast<unsigned>(std::max(waitMs, 1)));
        if (result == LIBUSB_SUCCESS || result == LIBUSB_ERROR_TIMEOUT ||
            result == LIBUSB_ERROR_INTERRUPTED) {
            return done;
        }
        return -1;
    };
    m_writer.Start(writeSome, false, kWriteTimeoutMs);
    return OpenResult::kStarted;
}

WriteReport UsbLink::WriteLink(const std::uint8_t* bytes, std::size_t length) {
    return m_writer.Push(bytes, length);
}

void UsbLink::Close() {
    m_reader.Stop();
    m_writer.Stop();
    ReleaseDevice();
}

void UsbLink::ReleaseDevice() {
    std::lock_guard<std::mutex> lock(m_deviceMutex);
    if (!m_pDevice) {
        return;
    }
    // Fails harmlessly when the device is gone; the kernel driver comes back if one was detached.
    libusb_release_interface(m_pDevice, m_pipes.interfaceNumber);
    libusb_close(m_pDevice);
    m_pDevice = nullptr;
}

}  // namespace vanto
