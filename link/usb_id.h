#pragma once
// USB vendor:product ids that identify the remote, and the text form users give them in
// ("1a2b:3c4d", several separated by commas), as lsusb prints them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vanto {

struct UsbId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;

    bool operator==(const UsbId&) const = default;
};

// Parses "VID:PID[,VID:PID...]", each number 1 to 4 hex digits. Anything else (empty items,
// spaces, signs, "0x", a missing or extra colon) is refused with a message in `error`; `ids` is
// then left unchanged.
bool ParseUsbIdList(std::string_view text, std::vector<UsbId>& ids, std::string& error);

// "1a2b:3c4d": four lower-case hex digits each, the form sysfs and lsusb use.
std::string FormatUsbId(const UsbId& id);

bool MatchesUsbId(const std::vector<UsbId>& ids, std::uint16_t vendor, std::uint16_t product);

}  // namespace vanto
