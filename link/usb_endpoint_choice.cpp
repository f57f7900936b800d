#include "link/usb_endpoint_choice.h"

namespace vanto {
namespace {

constexpr std::uint8_t kEndpointDirIn = 0x80;
constexpr std::uint8_t kTransferTypeMask = 0x03;
constexpr std::uint8_t kTransferTypeBulk = 0x02;
// Bits 11-12 of wMaxPacketSize count extra transactions of high-bandwidth endpoints.
constexpr std::uint16_t kPacketSizeMask = 0x07FF;

bool IsUsableBulk(const UsbEndpointInfo& ep) {
    return (ep.attributes & kTransferTypeMask) == kTransferTypeBulk &&
           (ep.maxPacketSize & kPacketSizeMask) != 0;
}

}  // namespace

bool IsNeverTheRemoteClass(std::uint8_t usbClass) {
    switch (usbClass) {
        case 0x01:  // audio
        case 0x03:  // HID
        case 0x07:  // printer
        case 0x08:  // mass storage
        case 0x09:  // hub
        case 0x0E:  // video
        case 0xE0:  // wireless controller
            return true;
        default:
            return false;
    }
}

bool IsSerialAdapterClass(std::uint8_t usbClass) {
    return usbClass == 0x02 || usbClass == 0x0A;
}

std::optional<UsbPipes> ChooseUsbPipes(const UsbConfigInfo& config) {
    for (const UsbAltSettingInfo& alt : config) {
        if (IsNeverTheRemoteClass(alt.interfaceClass)) {
            continue;
        }
        const UsbEndpointInfo* in = nullptr;
        const UsbEndpointInfo* out = nullptr;
        for (const UsbEndpointInfo& ep : alt.endpoints) {
            if (!IsUsableBulk(ep)) {
                continue;
            }
            if ((ep.address & kEndpointDirIn) != 0) {
                in = in ? in : &ep;
            } else {
                out = out ? out : &ep;
            }
        }
        if (in && out) {
            UsbPipes pipes;
            pipes.interfaceNumber = alt.interfaceNumber;
            pipes.alternateSetting = alt.alternateSetting;
            pipes.readEndpoint = in->address;
            pipes.writeEndpoint = out->address;
            pipes.readPacketSize = in->maxPacketSize & kPacketSizeMask;
            pipes.writePacketSize = out->maxPacketSize & kPacketSizeMask;
            pipes.interfaceClass = alt.interfaceClass;
            return pipes;
        }
    }
    return std::nullopt;
}

std::size_t UsbReadLength(std::uint16_t maxPacketSize) {
    const std::size_t packet = maxPacketSize & kPacketSizeMask;
    if (packet == 0) {
        return kMaxReadBytes;
    }
    const std::size_t packets = kMaxReadBytes / packet;
    return packet * (packets == 0 ? 1 : packets);
}

}  // namespace vanto
