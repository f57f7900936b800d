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

std::optional<UsbPipes> ChooseUsbPipes(const UsbConfigInfo& config) {
    for (const UsbAltSettingInfo& alt : config) {
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
