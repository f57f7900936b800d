#include "link/link_factory.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "link/tty_link.h"

namespace vanto {
namespace {

// "PATH@BAUD" gives the line a speed; a path may hold '@' itself, so only a last '@' followed by
// digits alone counts.
bool SplitBaud(std::string& path, long& baud, std::string& error) {
    const std::size_t at = path.rfind('@');
    if (at == std::string::npos || at + 1 == path.size() ||
        !std::all_of(path.begin() + static_cast<std::ptrdiff_t>(at) + 1, path.end(),
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return true;
    }
    const std::string digits = path.substr(at + 1);
    baud = digits.size() <= 9 ? std::stol(digits) : 0;
    if (!TtyLink::IsSupportedBaud(baud)) {
        error = "The line speed '" + digits +
                "' is not one a serial line takes: use tty:PATH@BAUD with a rate such as 9600, "
                "19200, 38400, 57600 or 115200";
        return false;
    }
    path.resize(at);
    return true;
}

// A path that exists must be a character device; one that does not exist yet is a remote that
// is not there (a serial adapter not plugged in).
bool CheckTtyPath(const std::string& path, std::string& error) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return true;
    }
    if (!S_ISCHR(st.st_mode)) {
        error = "'" + path +
                "' is not a character device: tty:PATH names a serial line or a pseudo-terminal";
        return false;
    }
    return true;
}

}  // namespace

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
        if (!SplitBaud(parsed.ttyPath, parsed.ttyBaud, error)) {
            return false;
        }
        if (parsed.ttyPath.empty()) {
            error = "The link 'tty:' names no device: use tty:PATH, like tty:/dev/ttyUSB0";
            return false;
        }
        if (!CheckTtyPath(parsed.ttyPath, error)) {
            return false;
        }
    } else {
        error = "Unknown link '" + std::string(text) +
                "': use usb, usb:VID:PID[,VID:PID...] or tty:PATH[@BAUD]";
        return false;
    }
    option = std::move(parsed);
    return true;
}

bool AddUsbIdOptions(const std::vector<std::string>& values, LinkOption& option,
                     std::string& error) {
    if (values.empty()) {
        return true;
    }
    if (option.kind != LinkOption::Kind::kUsb) {
        error = "--usb goes with --link usb, not with a tty link";
        return false;
    }
    std::vector<UsbId> all = option.usbIds;
    for (const std::string& value : values) {
        std::vector<UsbId> ids;
        if (!ParseUsbIdList(value, ids, error)) {
            return false;
        }
        all.insert(all.end(), ids.begin(), ids.end());
    }
    option.usbIds = std::move(all);
    return true;
}

std::unique_ptr<DeviceLink> MakeDeviceLink(const LinkOption& option, UsbLink::NoticeSink onNotice) {
    if (option.kind == LinkOption::Kind::kTty) {
        return std::make_unique<TtyLink>(option.ttyPath, option.ttyBaud, std::move(onNotice));
    }
    return std::make_unique<UsbLink>(UsbMatch{option.usbIds, option.usbSerial},
                                     std::move(onNotice));
}

}  // namespace vanto
