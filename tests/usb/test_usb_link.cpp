// The libusb link and the device listing against an emulated bus: which devices are listed and
// in which state, which device a match names (again after a replug with a new device number), and
// the read path, byte for byte, including reads that time out while their URB already holds bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/usb_device_list.h"
#include "link/usb_link.h"
#include "tests/usb/emulated_usb_bus.h"

namespace vanto {
namespace {

using namespace std::chrono_literals;
using test::EmulatedUsbBus;
using test::EmulatedUsbDevice;
using Bytes = std::vector<std::uint8_t>;

constexpr UsbId kRemoteId{0x1a2b, 0x3c4d};

// Writes go out on the link's writer thread: waits until the device has taken `count` transfers.
bool WaitOutTransfers(const test::EmulatedBulkPipes& pipes, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (pipes.OutTransfers().size() < count) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

// What a link's reader hands over, collected for the test thread.
class Received {
public:
    LinkCallbacks Callbacks() {
        return {[this](const std::uint8_t* data, std::size_t n) {
                    std::lock_guard<std::mutex> guard(m_lock);
                    m_bytes.insert(m_bytes.end(), data, data + n);
                    m_changed.notify_all();
                },
                [this] {
                    std::lock_guard<std::mutex> guard(m_lock);
                    m_bEnded = true;
                    m_changed.notify_all();
                }};
    }
    bool WaitBytes(std::size_t n, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] { return m_bytes.size() >= n; });
    }
    bool WaitEnded(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] { return m_bEnded; });
    }
    Bytes Take() {
        std::lock_guard<std::mutex> guard(m_lock);
        Bytes out;
        out.swap(m_bytes);
        return out;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    Bytes m_bytes;
    bool m_bEnded = false;
};

class UsbLinkTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(EmulatedUsbBus::InMockEnvironment()); }

    static EmulatedUsbDevice Remote(const std::string& serial, int port) {
        EmulatedUsbDevice device;
        device.serial = serial;
        device.port = port;
        return device;
    }

    EmulatedUsbBus bus;
    std::vector<std::string> notices;
    UsbLink::NoticeSink sink = [this](const std::string& text) { notices.push_back(text); };
};

TEST_F(UsbLinkTest, ListsCandidatesWithTheirStateAndLeavesOthersOut) {
    const int remote = bus.Plug(Remote("SN1", 1));
    EmulatedUsbDevice decoy;  // interrupt endpoint only: never listed
    decoy.kind = EmulatedUsbDevice::Kind::kInterruptOnly;
    decoy.product = 0x3c4e;
    decoy.port = 2;
    bus.Plug(decoy);
    EmulatedUsbDevice disk;  // bulk pair, but mass storage
    disk.kind = EmulatedUsbDevice::Kind::kMassStorage;
    disk.vendor = 0x0781;
    disk.product = 0x5567;
    disk.port = 3;
    bus.Plug(disk);
    const int locked = bus.Plug(Remote("SN2", 4));
    bus.SetNodeReadable(locked, false);

    UsbDeviceLister lister;
    ASSERT_TRUE(lister.Available()) << lister.Error();
    const std::vector<UsbDeviceEntry> list = lister.List();

    struct Expected {
        const char* path;
        const char* serial;
        UsbDeviceState state;
        const char* line;
    };
    const Expected expected[] = {
        {"1-1", "SN1", UsbDeviceState::kReady,
         "1a2b:3c4d  1-1       ready          VANTO Universal Remote (serial SN1)"},
        {"1-4", "SN2", UsbDeviceState::kNoPermission,
         "1a2b:3c4d  1-4       no permission  VANTO Universal Remote (serial SN2)"},
    };
    ASSERT_EQ(list.size(), std::size(expected));
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(expected[i].path);
        EXPECT_EQ(list[i].id, kRemoteId);
        EXPECT_EQ(list[i].path, expected[i].path);
        EXPECT_EQ(list[i].serial, expected[i].serial);
        EXPECT_EQ(list[i].state, expected[i].state);
        EXPECT_EQ(FormatUsbDeviceLine(list[i]), expected[i].line);
    }
    // Listing sent nothing to any device.
    EXPECT_TRUE(bus.Pipes(remote)->OutTransfers().empty());
}

TEST_F(UsbLinkTest, AMatchNamesOnlyItsDevice) {
    const int remote = bus.Plug(Remote("SN1", 1));
    struct Case {
        const char* name;
        UsbMatch match;
        bool present;
    };
    const Case cases[] = {
        {"id", {{kRemoteId}, ""}, true},
        {"id in a list", {{{0x0001, 0x0001}, kRemoteId}, ""}, true},
        {"id and serial", {{kRemoteId}, "SN1"}, true},
        {"other serial", {{kRemoteId}, "SN9"}, false},
        {"other product", {{{0x1a2b, 0x3c4e}}, ""}, false},
        {"nothing chosen", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UsbLink link(c.match, sink);
        EXPECT_EQ(link.IsPresent(), c.present);
        Received received;
        EXPECT_EQ(link.OpenLink(received.Callbacks()),
                  c.present ? OpenResult::kStarted : OpenResult::kFailed);
        const std::uint8_t frame[] = {0x0F, 0x41, 0x0E};
        const std::size_t before = bus.Pipes(remote)->OutTransfers().size();
        EXPECT_EQ(static_cast<bool>(link.WriteLink(frame, sizeof frame)), c.present);
        if (c.present) {
            EXPECT_TRUE(WaitOutTransfers(*bus.Pipes(remote), before + 1));
        }
        link.Close();
    }
    // Only the matching links wrote, each one frame.
    EXPECT_EQ(bus.Pipes(remote)->OutTransfers().size(), 3u);
    EXPECT_TRUE(notices.empty());
}

TEST_F(UsbLinkTest, ChosenRemoteIsFoundAgainAfterReplugWithANewDeviceNumber) {
    const int first = bus.Plug(Remote("SN1", 1));
    const int other = bus.Plug(Remote("SN2", 2));  // the same model: the serial tells them apart
    UsbLink link(UsbMatch{{kRemoteId}, "SN1"}, sink);
    Received received;
    ASSERT_TRUE(link.IsPresent());
    ASSERT_EQ(link.OpenLink(received.Callbacks()), OpenResult::kStarted);

    bus.Unplug(first);
    EXPECT_TRUE(received.WaitEnded(2s));  // the reader's URB came back with ENODEV
    EXPECT_FALSE(link.IsPresent());

    const int again = bus.Plug(Remote("SN1", 1));
    EXPECT_NE(again, first);
    std::this_thread::sleep_for(50ms);  // the hotplug event reaches the watch
    ASSERT_TRUE(link.IsPresent());
    ASSERT_EQ(link.OpenLink(received.Callbacks()), OpenResult::kStarted);
    const Bytes frame = Pattern(20, 3);
    bus.Pipes(again)->SendIn(frame.data(), frame.size(), false);
    ASSERT_TRUE(received.WaitBytes(frame.size(), 2s));
    EXPECT_EQ(received.Take(), frame);
    EXPECT_TRUE(bus.Pipes(other)->OutTransfers().empty());  // SN2 was never written to
}

TEST_F(UsbLinkTest, ReadsLoseNoByteAndWritesSendNoZeroLengthPacket) {
    const int address = bus.Plug(Remote("SN1", 1));
    test::EmulatedBulkPipes& pipes = *bus.Pipes(address);
    UsbLink link(UsbMatch{{kRemoteId}, ""}, sink);
    Received received;
    ASSERT_TRUE(link.IsPresent());
    ASSERT_EQ(link.OpenLink(received.Callbacks()), OpenResult::kStarted);

    struct Case {
        const char* name;
        std::size_t length;
        bool zlp;
        bool heldUntilTimeout;  // whole packets, no end: the read's URB times out holding them
    };
    const Case cases[] = {
        {"one byte", 1, false, false},
        {"short packet", 63, false, false},
        {"one packet and a zero-length packet", 64, true, false},
        {"two packets, no end", 128, false, true},
        {"longer than a read", 3000, false, false},
        {"a whole read", 2048, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t discardedBefore = pipes.InUrbsDiscarded();
        const Bytes sent = Pattern(c.length, static_cast<std::uint8_t>(c.length));
        pipes.SendIn(sent.data(), sent.size(), c.zlp);
        ASSERT_TRUE(received.WaitBytes(sent.size(), 2s));
        EXPECT_EQ(received.Take(), sent);
        if (c.heldUntilTimeout) {
            EXPECT_GT(pipes.InUrbsDiscarded(), discardedBefore);
        }
    }

    // Frames carry their own length: one whose length is a multiple of 64 goes without a
    // zero-length packet.
    for (std::size_t length : {3u, 64u, 2048u + 9u, 128u}) {
        const Bytes frame = Pattern(length, 9);
        ASSERT_TRUE(link.WriteLink(frame.data(), frame.size()));
    }
    ASSERT_TRUE(WaitOutTransfers(pipes, 4));
    const auto out = pipes.OutTransfers();
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[1].bytes, Pattern(64, 9));
    EXPECT_EQ(out[2].bytes, Pattern(2048 + 9, 9));
    for (const auto& transfer : out) {
        EXPECT_FALSE(transfer.zeroPacketFlag);
    }
}

}  // namespace
}  // namespace vanto
