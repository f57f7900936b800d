#include "link/usb_device_info.h"

#include <fcntl.h>
#include <libusb.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vanto {
namespace {

constexpr char kSysfsUsbDevices[] = "/sys/bus/usb/devices/";
constexpr std::size_t kMaxAttributeLength = 256;

// Reads a small sysfs file: opened so it cannot block, and only when it is a regular file.
std::string ReadSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buffer[kMaxAttributeLength];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.assign(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

UsbConfigInfo ReadConfigInfo(libusb_device* device) {
    UsbConfigInfo info;
    libusb_device_descriptor desc;
    if (libusb_get_device_descriptor(device, &desc) != LIBUSB_SUCCESS) {
        return info;
    }
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS || !config) {
        return info;
    }
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& iface = config->interface[i];
        for (int a = 0; a < iface.num_altsetting; ++a) {
            const libusb_interface_descriptor& alt = iface.altsetting[a];
            UsbAltSettingInfo altInfo;
            altInfo.interfaceNumber = alt.bInterfaceNumber;
            altInfo.alternateSetting = alt.bAlternateSetting;
            altInfo.interfaceClass =
                alt.bInterfaceClass != 0 ? alt.bInterfaceClass : desc.bDeviceClass;
            for (int e = 0; e < alt.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& ep = alt.endpoint[e];
                altInfo.endpoints.push_back(
                    {ep.bEndpointAddress, ep.bmAttributes, ep.wMaxPacketSize});
            }
            info.push_back(std::move(altInfo));
        }
    }
    libusb_free_config_descriptor(config);
    return info;
}

std::string UsbPortPath(libusb_device* device) {
    std::uint8_t ports[8];
    const int count = libusb_get_port_numbers(device, ports, sizeof ports);
    const int bus = libusb_get_bus_number(device);
    std::string path = count <= 0 ? "usb" : "";
    path += std::to_string(bus);
    for (int i = 0; i < count; ++i) {
        path += i == 0 ? '-' : '.';
        path += std::to_string(ports[i]);
    }
    return path;
}

std::string UsbSysfsAttribute(libusb_device* device, const char* name) {
    return ReadSmallFile(kSysfsUsbDevices + UsbPortPath(device) + "/" + name);
}

bool UsbInterfaceHeldByProgram(libusb_device* device, int interfaceNumber) {
    int configuration = 1;
    const std::string value = UsbSysfsAttribute(device, "bConfigurationValue");
    if (!value.empty()) {
        configuration = std::atoi(value.c_str());
    }
    const std::string link = std::string(kSysfsUsbDevices) + UsbPortPath(device) + ":" +
                             std::to_string(configuration) + "." + std::to_string(interfaceNumber) +
                             "/driver";
    char target[512];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) {
        return false;
    }
    target[n] = '\0';
    const std::string driver = target;
    const std::size_t slash = driver.rfind('/');
    return driver.substr(slash == std::string::npos ? 0 : slash + 1) == "usbfs";
}

}  // namespace vanto
