#pragma once
// The link option of the command line and the settings: "usb", "usb:VID:PID[,VID:PID...]" or
// "tty:PATH[@BAUD]", and the link it names.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/device_link.h"
#include "link/usb_id.h"
#include "link/usb_link.h"

namespace vanto {

struct LinkOption {
    enum class Kind { kUsb, kTty };
    Kind kind = Kind::kUsb;
    // For kUsb: the ids given with the option; empty for plain "usb", where the caller supplies
    // the ids from its setting or --usb.
    std::vector<UsbId> usbIds;
    // For kUsb: when not empty, only the device with this serial number is the remote.
    std::string usbSerial;
    std::string ttyPath;  // for kTty, never empty
    long ttyBaud = 0;     // for kTty: the line speed to set, 0 to leave it as it is
};

// Refuses anything else with a message in `error`; `option` is then left unchanged. A tty path
// that exists must be a character device.
bool ParseLinkOption(std::string_view text, LinkOption& option, std::string& error);

// Adds the ids of every `--usb` value to a usb link, after those the link names itself. With a tty
// link any `--usb` is refused. False with a message in `error`; `option` is then unchanged.
bool AddUsbIdOptions(const std::vector<std::string>& values, LinkOption& option,
                     std::string& error);

// The link for a parsed option. `onNotice` receives the link's texts for the user that are not
// the status line (see UsbLink::NoticeSink and TtyLink::NoticeSink).
std::unique_ptr<DeviceLink> MakeDeviceLink(const LinkOption& option, UsbLink::NoticeSink onNotice);

}  // namespace vanto
