#include "link/link_factory.h"

#include <utility>

#include "link/tty_link.h"

namespace vanto {

bool ParseLinkOption(std::string_view text, LinkOption& option, std::string& error) {
    constexpr std::string_view kUsbPrefix = "usb:";
    constexpr std::string_view kTtyPrefix = "tty:";
    LinkOption parsed;
    if (text == "usb") {
        parsed.kind = LinkOption::Kind::kUsb;
    } else if (text.starts_with(kUsbPrefix)) {
        parsed.kind = LinkOption::Kind::kUsb;
        if (!ParseUsbIdList(text.substr(kUsbPrefix.size()), parsed.usbIds, error)) {
            return false;
        }
    } else if (text.starts_with(kTtyPrefix)) {
        parsed.kind = LinkOption::Kind::kTty;
        parsed.ttyPath = std::string(text.substr(kTtyPrefix.size()));
        if (parsed.ttyPath.empty()) {
            error = "The link 'tty:' names no device: use tty:PATH, like tty:/dev/ttyUSB0";
            return false;
        }
    } else {
        error = "Unknown link '" + std::string(text) +
                "': use usb, usb:VID:PID[,VID:PID...] or tty:PATH";
        return false;
    }
    option = std::move(parsed);
    return true;
}

std::unique_ptr<DeviceLink> MakeDeviceLink(const LinkOption& option, UsbLink::NoticeSink onNotice) {
    if (option.kind == LinkOption::Kind::kTty) {
        return std::make_unique<TtyLink>(option.ttyPath);
    }
    return std::make_unique<UsbLink>(UsbMatch{option.usbIds, option.usbSerial},
                                     std::move(onNotice));
}

}  // namespace vanto
