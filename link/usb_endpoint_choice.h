#pragma once
// Choosing the remote's two channels from its configuration, over plain descriptor values so the
// choice is tested without a device: the first interface (in descriptor order, alternate settings
// in order) that has a bulk IN and a bulk OUT endpoint and is not of a standard class that can
// never be the remote; its first bulk IN plays "PIPE00" (remote to PC) and its first bulk OUT
// "PIPE01" (PC to remote).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vanto {

struct UsbEndpointInfo {
    std::uint8_t address = 0;     // bit 7 set: IN (device to host)
    std::uint8_t attributes = 0;  // bits 0-1: transfer type, 2 = bulk
    std::uint16_t maxPacketSize = 0;
};

struct UsbAltSettingInfo {
    std::uint8_t interfaceNumber = 0;
    std::uint8_t alternateSetting = 0;
    std::vector<UsbEndpointInfo> endpoints;
    // The interface's class, or the device's where the interface names none (class 0).
    std::uint8_t interfaceClass = 0;
};

// One entry per alternate setting of every interface of the active configuration, in
// descriptor order.
using UsbConfigInfo = std::vector<UsbAltSettingInfo>;

struct UsbPipes {
    std::uint8_t interfaceNumber = 0;
    std::uint8_t alternateSetting = 0;
    std::uint8_t readEndpoint = 0;   // "PIPE00", bulk IN
    std::uint8_t writeEndpoint = 0;  // "PIPE01", bulk OUT
    std::uint16_t readPacketSize = 0;
    std::uint16_t writePacketSize = 0;
    std::uint8_t interfaceClass = 0;
};

// The most the reader takes in one read.
constexpr std::size_t kMaxReadBytes = 2080;

// Endpoints with a packet size of 0 are unusable and skipped.
std::optional<UsbPipes> ChooseUsbPipes(const UsbConfigInfo& config);

// Standard classes whose bulk endpoints are never the remote's: audio, HID, printer, mass storage,
// hub, video and wireless controller (Bluetooth adapters).
bool IsNeverTheRemoteClass(std::uint8_t usbClass);
// CDC communication and data: a serial adapter could sit in front of the remote, but an ordinary
// device is more likely it.
bool IsSerialAdapterClass(std::uint8_t usbClass);

// A read length that is a whole number of packets (so the device can never overflow it) and at
// most kMaxReadBytes, but at least one packet.
std::size_t UsbReadLength(std::uint16_t maxPacketSize);

}  // namespace vanto
