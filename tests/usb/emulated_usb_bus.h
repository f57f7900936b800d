#pragma once
// A USB bus for tests, emulated with umockdev. Devices appear in a private sysfs and /dev tree
// that libusb sees as the real one: in this process (the test executable links umockdev's
// preload library) and in children started with EmulatedUsbBus::ChildEnvironment().
//
// Each device node is a FIFO: the emulation keeps it full while no URB can be reaped and empties
// it when one can, so libusb's poll for POLLOUT wakes exactly as it does on a usbfs node instead
// of spinning on a file that is always ready. The usbfs calls libusb makes on the node (claim,
// release, SUBMITURB, REAPURB/REAPURBNDELAY, DISCARDURB, ...) go to an ioctl handler that plays
// a full-speed device with bulk IN 0x81 and bulk OUT 0x01 endpoints of 64-byte packets.
//
//   EmulatedUsbBus bus;
//   const int address = bus.Plug(EmulatedUsbDevice{});   // 1a2b:3c4d on port 1
//   bus.Pipes(address)->SendIn(bytes, n, false);           // the device sends a transfer
//   bus.Unplug(address);                                   // pending URBs end with -ENODEV

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vanto::test {

struct EmulatedUsbDevice {
    enum class Kind {
        kRemote,         // vendor-specific interface: bulk IN 0x81, bulk OUT 0x01
        kInterruptOnly,  // vendor-specific interface with one interrupt IN endpoint
        kMassStorage,    // mass storage interface with bulk IN and OUT
    };
    Kind kind = Kind::kRemote;
    std::uint16_t vendor = 0x1a2b;
    std::uint16_t product = 0x3c4d;
    std::string manufacturer = "VANTO";
    std::string productName = "Universal Remote";
    std::string serial;  // empty: the device has none
    int port = 1;        // the hub port on bus 1: the device's path is "1-PORT"
};

// The bulk endpoints of one plugged device, as its firmware sees them. Thread-safe.
class EmulatedBulkPipes {
public:
    struct OutTransfer {
        std::vector<std::uint8_t> bytes;
        bool zeroPacketFlag = false;  // the host asked for a zero-length packet after it
    };
    // Receives the bytes of every OUT transfer, on umockdev's worker thread.
    using OutSink = std::function<void(const std::uint8_t* bytes, std::size_t length)>;

    virtual ~EmulatedBulkPipes() = default;

    // One transfer of the device on bulk IN: 64-byte packets, the last one short. When the length
    // is a multiple of 64 a zero-length packet ends it only if `zeroLengthPacket`; otherwise the
    // host's URB stays open for more.
    virtual void SendIn(const std::uint8_t* bytes, std::size_t length, bool zeroLengthPacket) = 0;
    virtual void SetOutSink(OutSink sink) = 0;
    virtual std::vector<OutTransfer> OutTransfers() const = 0;
    // IN URBs the host has submitted and not yet got back, and the bytes they hold so far.
    virtual std::size_t InUrbsInFlight() const = 0;
    virtual std::size_t BytesHeldInUrbs() const = 0;
    virtual std::size_t InUrbsDiscarded() const = 0;
};

class EmulatedUsbBus {
public:
    EmulatedUsbBus();
    ~EmulatedUsbBus();
    EmulatedUsbBus(const EmulatedUsbBus&) = delete;
    EmulatedUsbBus& operator=(const EmulatedUsbBus&) = delete;

    // Plugs a device in at the next device number on bus 1 (numbers are not reused, as on a real
    // bus) and returns that number.
    int Plug(const EmulatedUsbDevice& device);
    // Pulls the device out: its URBs end with -ENODEV, later calls on its open handles fail
    // with ENODEV, and its sysfs entry and node go away.
    void Unplug(int address);
    // Makes the device node unreadable (mode 000) or readable again (mode 666).
    void SetNodeReadable(int address, bool readable);
    // The bulk endpoints of a plugged kRemote device; null otherwise.
    EmulatedBulkPipes* Pipes(int address);

    // Variables a child process needs to see this bus: LD_PRELOAD and UMOCKDEV_DIR.
    std::vector<std::pair<std::string, std::string>> ChildEnvironment() const;
    const std::string& RootDir() const { return m_rootDir; }

    // True when this process runs with umockdev's preload library (the tests link it). Ask only
    // once a bus exists: umockdev answers from /sys and keeps its first answer.
    static bool InMockEnvironment();
    // Lets file permissions hold for this process even when it runs as root, so an unreadable
    // node is refused as it would be for a desktop user. Call before any thread starts.
    static void DropFileAccessOverride();

private:
    struct Device;

    void* m_testbed = nullptr;  // UMockdevTestbed
    std::string m_rootDir;
    int m_nextAddress = 2;  // 1 is the root hub's
    std::map<int, std::unique_ptr<Device>> m_devices;
};

// Relays bytes between a remote's bulk pipes and a pseudo-terminal, so the simulated remote of
// RealtimeRemoteRunner (behind `ttyPath`) plays the device's firmware: what the host writes on OUT
// goes to the remote, and each chunk the remote writes becomes one IN transfer.
class UsbRemoteBridge {
public:
    UsbRemoteBridge(const std::string& ttyPath, bool zeroLengthPackets);
    ~UsbRemoteBridge();
    UsbRemoteBridge(const UsbRemoteBridge&) = delete;
    UsbRemoteBridge& operator=(const UsbRemoteBridge&) = delete;

    bool Ok() const { return m_fd >= 0; }
    // The pipes the bytes go to and come from now (null: none, the remote is unplugged).
    void Attach(EmulatedBulkPipes* pipes);

private:
    struct State;
    int m_fd = -1;
    std::shared_ptr<State> m_state;
};

}  // namespace vanto::test
