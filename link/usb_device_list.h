#pragma once
// The USB devices that could be the remote, for the window's chooser and the `devices` command:
// every attached device with an interface that has a bulk IN and a bulk OUT endpoint, leaving out
// standard classes that can never be the remote (ChooseUsbPipes' rule, the same one the link
// uses); CDC serial adapters come after the others. Listing opens a device only to learn whether
// this user may use it: it never claims an interface, never detaches a kernel driver and never
// sends anything to a device.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/usb_id.h"
#include "link/usb_match.h"

struct libusb_context;

namespace vanto {

enum class UsbDeviceState {
    kReady,         // this user may open it and no other program holds it
    kNoPermission,  // opening it is refused for lack of permission
    kInUse,         // another program holds its interface
    kNotUsable,     // opening it fails otherwise
};

// "ready", "no permission", "in use", "not usable".
const char* UsbDeviceStateText(UsbDeviceState state);

struct UsbDeviceEntry {
    UsbId id;
    int bus = 0;
    int address = 0;
    std::string path;  // "1-1.4"
    std::string manufacturer;
    std::string product;
    std::string serial;
    UsbDeviceState state = UsbDeviceState::kNotUsable;
    bool serialAdapter = false;
};

// What choosing this device stores: its vendor:product and its serial, if it has one.
UsbMatch MatchFor(const UsbDeviceEntry& entry);
bool Matches(const UsbMatch& match, const UsbDeviceEntry& entry);

// "1a2b:3c4d  1-1.4  ready  VANTO Universal Remote (serial SN1)": id, path, state, strings.
std::string FormatUsbDeviceLine(const UsbDeviceEntry& entry);
// "VANTO Universal Remote (serial SN1)", or the id where the device names nothing.
std::string DescribeUsbDevice(const UsbDeviceEntry& entry);

// The list, on a context of the caller's.
std::vector<UsbDeviceEntry> ListUsbDevices(libusb_context* context);

class UsbHotplugWatch;

// A libusb context of its own for listing, with a hotplug watch where libusb offers one, so a
// live list looks again only when a device came or went.
class UsbDeviceLister {
public:
    UsbDeviceLister();
    ~UsbDeviceLister();
    UsbDeviceLister(const UsbDeviceLister&) = delete;
    UsbDeviceLister& operator=(const UsbDeviceLister&) = delete;

    // False when libusb cannot be used at all; Error() says why.
    bool Available() const { return m_pContext != nullptr; }
    const std::string& Error() const { return m_error; }

    std::vector<UsbDeviceEntry> List();

    // True when Changes() follows hotplug events; otherwise callers list again on a timer.
    bool WatchesHotplug() const;
    std::uint64_t Changes() const;

private:
    libusb_context* m_pContext = nullptr;
    std::string m_error;
    std::unique_ptr<UsbHotplugWatch> m_watch;
};

}  // namespace vanto
