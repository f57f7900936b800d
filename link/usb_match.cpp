#include "link/usb_match.h"

namespace vanto {

std::string DescribeUsbMatch(const UsbMatch& match) {
    std::string text;
    for (const UsbId& id : match.ids) {
        text += (text.empty() ? "" : ",") + FormatUsbId(id);
    }
    if (!match.serial.empty()) {
        text += " serial " + match.serial;
    }
    return text;
}

}  // namespace vanto
