#include "link/usb_id.h"

#include <algorithm>
#include <cstdio>

namespace vanto {
namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ParseHex16(std::string_view text, std::uint16_t& value) {
    if (text.empty() || text.size() > 4) {
        return false;
    }
    unsigned result = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return false;
        }
        result = result * 16 + static_cast<unsigned>(digit);
    }
    value = static_cast<std::uint16_t>(result);
    return true;
}

bool ParseOne(std::string_view item, UsbId& id) {
    const std::size_t colon = item.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    return ParseHex16(item.substr(0, colon), id.vendor) &&
           ParseHex16(item.substr(colon + 1), id.product);
}

}  // namespace

bool ParseUsbIdList(std::string_view text, std::vector<UsbId>& ids, std::string& error) {
    std::vector<UsbId> parsed;
    std::string_view rest = text;
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        UsbId id;
        if (!ParseOne(item, id)) {
            error = "Bad USB id '" + std::string(item) + "' in '" + std::string(text) +
                    "': expected VID:PID in hex, like 1a2b:3c4d (several separated by commas)";
            return false;
        }
        parsed.push_back(id);
        if (comma == std::string_view::npos) {
            break;
        }
        rest = rest.substr(comma + 1);
    }
    ids = std::move(parsed);
    return true;
}

std::string FormatUsbId(const UsbId& id) {
    char text[10];
    std::snprintf(text, sizeof text, "%04x:%04x", static_cast<unsigned>(id.vendor),
                  static_cast<unsigned>(id.product));
    return text;
}

bool MatchesUsbId(const std::vector<UsbId>& ids, std::uint16_t vendor, std::uint16_t product) {
    return std::any_of(ids.begin(), ids.end(), [&](const UsbId& id) {
        return id.vendor == vendor && id.product == product;
    });
}

}  // namespace vanto
