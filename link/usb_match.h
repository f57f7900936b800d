#pragma once
// Which USB device is the remote: one of a list of vendor:product ids (from --usb, or the one the
// user chose in the window) and, when a serial number is given, only the device that reports it,
// so that two remotes of the same model can be told apart. An empty match matches nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "link/usb_id.h"

namespace vanto {

struct UsbMatch {
    std::vector<UsbId> ids;
    std::string serial;  // empty: any serial, or none

    bool Empty() const { return ids.empty(); }
    bool MatchesId(std::uint16_t vendor, std::uint16_t product) const {
        return MatchesUsbId(ids, vendor, product);
    }
    bool Matches(std::uint16_t vendor, std::uint16_t product,
                 const std::string& deviceSerial) const {
        return MatchesId(vendor, product) && (serial.empty() || serial == deviceSerial);
    }
    bool operator==(const UsbMatch&) const = default;
};

// "1a2b:3c4d" or "1a2b:3c4d serial ABC123", for the user.
std::string DescribeUsbMatch(const UsbMatch& match);

}  // namespace vanto
