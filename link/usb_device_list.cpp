#include "link/usb_device_list.h"

#include <libusb.h>

#include <algorithm>
#include <optional>

#include "link/usb_device_info.h"
#include "link/usb_endpoint_choice.h"
#include "link/usb_hotplug.h"

namespace vanto {
namespace {

UsbDeviceState Probe(libusb_device* device, int interfaceNumber) {
    libusb_device_handle* handle = nullptr;
    const int result = libusb_open(device, &handle);
    if (result == LIBUSB_ERROR_ACCESS) {
        return UsbDeviceState::kNoPermission;
    }
    if (result != LIBUSB_SUCCESS) {
        return UsbDeviceState::kNotUsable;
    }
    libusb_close(handle);
    return UsbInterfaceHeldByProgram(device, interfaceNumber) ? UsbDeviceState::kInUse
                                                              : UsbDeviceState::kReady;
}

}  // namespace

const char* UsbDeviceStateText(UsbDeviceState state) {
    switch (state) {
        case UsbDeviceState::kReady:
            return "ready";
        case UsbDeviceState::kNoPermission:
            return "no permission";
        case UsbDeviceState::kInUse:
            return "in use";
        case UsbDeviceState::kNotUsable:
            break;
    }
    return "not usable";
}

UsbMatch MatchFor(const UsbDeviceEntry& entry) {
    return UsbMatch{{entry.id}, entry.serial};
}

bool Matches(const UsbMatch& match, const UsbDeviceEntry& entry) {
    return match.Matches(entry.id.vendor, entry.id.product, entry.serial);
}

std::string DescribeUsbDevice(const UsbDeviceEntry& entry) {
    std::string text = entry.manufacturer;
    if (!entry.product.empty()) {
        text += (text.empty() ? "" : " ") + entry.product;
    }
    if (text.empty()) {
        text = "USB device " + FormatUsbId(entry.id);
    }
    if (!entry.serial.empty()) {
        text += " (serial " + entry.serial + ")";
    }
    return text;
}

std::string FormatUsbDeviceLine(const UsbDeviceEntry& entry) {
    std::string path = entry.path;
    path.resize(std::max<std::size_t>(path.size(), 8), ' ');
    std::string state = UsbDeviceStateText(entry.state);
    state.resize(std::max<std::size_t>(state.size(), 13), ' ');
    return FormatUsbId(entry.id) + "  " + path + "  " + state + "  " + DescribeUsbDevice(entry);
}

std::vector<UsbDeviceEntry> ListUsbDevices(libusb_context* context) {
    std::vector<UsbDeviceEntry> entries;
    if (!context) {
        return entries;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    if (count < 0) {
        return entries;
    }
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = list[i];
        libusb_device_descriptor desc;
        if (libusb_get_device_descriptor(device, &desc) != LIBUSB_SUCCESS ||
            IsNeverTheRemoteClass(desc.bDeviceClass)) {
            continue;
        }
        const std::optional<UsbPipes> pipes = ChooseUsbPipes(ReadConfigInfo(device));
        if (!pipes) {
            continue;
        }
        UsbDeviceEntry entry;
        entry.id = {desc.idVendor, desc.idProduct};
        entry.bus = libusb_get_bus_number(device);
        entry.address = libusb_get_device_address(device);
        entry.path = UsbPortPath(device);
        entry.manufacturer = UsbSysfsAttribute(device, "manufacturer");
        entry.product = UsbSysfsAttribute(device, "product");
        entry.serial = UsbSysfsAttribute(device, "serial");
        entry.state = Probe(device, pipes->interfaceNumber);
        entry.serialAdapter = IsSerialAdapterClass(pipes->interfaceClass);
        entries.push_back(std::move(entry));
    }
    libusb_free_device_list(list, 1);
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        if (a.serialAdapter != b.serialAdapter) {
            return !a.serialAdapter;
        }
        return a.bus != b.bus ? a.bus < b.bus : a.path < b.path;
    });
    return entries;
}

UsbDeviceLister::UsbDeviceLister() {
    const int result = libusb_init(&m_pContext);
    if (result != LIBUSB_SUCCESS) {
        m_pContext = nullptr;
        m_error = std::string("USB access is not available: ") + libusb_strerror(result);
        return;
    }
    m_watch = std::make_unique<UsbHotplugWatch>(m_pContext);
}

UsbDeviceLister::~UsbDeviceLister() {
    m_watch.reset();
    if (m_pContext) {
        libusb_exit(m_pContext);
    }
}

std::vector<UsbDeviceEntry> UsbDeviceLister::List() {
    return ListUsbDevices(m_pContext);
}

bool UsbDeviceLister::WatchesHotplug() const {
    return m_watch && m_watch->Active();
}

std::uint64_t UsbDeviceLister::Changes() const {
    return m_watch ? m_watch->Changes() : 0;
}

}  // namespace vanto
