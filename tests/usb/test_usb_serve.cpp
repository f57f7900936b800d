// The real program's `serve` over USB: libusb in the child runs against the emulated bus of this
// process (umockdev's preload library and UMOCKDEV_DIR), whose remote is the simulated remote
// behind a pseudo-terminal. Every function byte for byte over --link usb:VID:PID; then an unplug
// in the middle of a download, with the remote chosen in the settings.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "link/device_poll.h"
#include "protocol/frames.h"
#include "tests/pages/page_test_support.h"
#include "tests/usb/emulated_usb_bus.h"
#include "tools/child_process.h"
#include "tools/fault_plan.h"
#include "tools/realtime_remote_runner.h"

namespace vanto {
namespace {

using namespace std::chrono_literals;
using test::EmulatedUsbBus;
using test::EmulatedUsbDevice;

constexpr auto kExchange = 30s;
constexpr char kConnected[] = "status:  DEVICE : CONNECTED";
constexpr char kDisconnected[] = "status:  DEVICE : DISCONNECTED";

long long MsBetween(ChildProcess::Clock::time_point from, ChildProcess::Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

class UsbServeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(EmulatedUsbBus::InMockEnvironment());
        // The child sees the emulated bus, and keeps its settings in the test's folder.
        for (const auto& [name, value] : bus.ChildEnvironment()) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        ::setenv("XDG_CONFIG_HOME", dir.Path("config").c_str(), 1);
        runner = std::make_unique<RealtimeRemoteRunner>(dir.Path("remote"));
        ASSERT_TRUE(runner->Plug());
        // The remote ends no transfer with a zero-length packet: frames of whole packets reach
        // the program through reads that time out holding them.
        bridge = std::make_unique<test::UsbRemoteBridge>(dir.Path("remote"), false);
        ASSERT_TRUE(bridge->Ok());
        PlugRemote();
    }
    void TearDown() override {
        bridge.reset();  // before the bus it relays to
        ::unsetenv("LD_PRELOAD");
    }

    void PlugRemote() {
        EmulatedUsbDevice remote;
        remote.serial = "SN1";
        address = bus.Plug(remote);
        bridge->Attach(bus.Pipes(address));
    }
    void UnplugRemote() {
        bridge->Attach(nullptr);
        bus.Unplug(address);
    }

    void StartServe(std::vector<std::string> args) {
        args.insert(args.begin(), "serve");
        ASSERT_TRUE(serve.Start(VANTO_BINARY, args));
        ASSERT_TRUE(serve.WaitText(ChildProcess::kErr, kConnected, 10s)) << serve.Transcript();
    }

    test::TempDir dir;
    EmulatedUsbBus bus;
    std::unique_ptr<RealtimeRemoteRunner> runner;
    std::unique_ptr<test::UsbRemoteBridge> bridge;
    int address = 0;
    ChildProcess serve;
};

struct FunctionCase {
    const char* name;
    const char* function;
    std::uint8_t request;
};

void PrintTo(const FunctionCase& c, std::ostream* os) {
    *os << c.name;
}

class UsbServeFunction : public UsbServeTest, public testing::WithParamInterface<FunctionCase> {};

TEST_P(UsbServeFunction, MovesTheFileByteExactOverLinkUsb) {
    const FunctionCase& c = GetParam();
    const std::string file = dir.Path(c.request == '3' ? "fw.s19" : "file.bin");
    ByteBuffer expected;  // a download: what the remote must hold; an upload: the file written
    HeadInfo head;
    SharedBytes payload;
    switch (c.request) {
        case '3': {
            const ByteBuffer image = test::MakeApplicationImage(2 * 2048 + 904, 11);
            const std::string s19 = test::MakeS19(image, 0x20000);
            test::WriteFile(file, ByteBuffer(s19.begin(), s19.end()));
            ChildProcess convert;  // the page converts the same way as `image`
            ASSERT_TRUE(convert.Start(VANTO_BINARY, {"image", file, "-o", dir.Path("fw.img")}));
            ASSERT_EQ(convert.WaitExit(10s), 0) << convert.Transcript();
            expected = test::ReadFile(dir.Path("fw.img"));
            break;
        }
        case 'P':
            expected = test::MakeDatabase(3 * 2048 + 77, 12);
            test::WriteFile(file, expected);
            break;
        case 'R':
            expected = test::Pattern(5001, 13);
            test::WriteFile(file,
                            test::Concat(test::MakeHeader({"09VK", "03DU", "UD30", 0x01020304, 0x99,
                                                           5001 + 576, 0xA1B2C3D4, 0x10}),
                                         expected));
            break;
        case 'V':
            expected = test::Pattern(4096, 15);
            test::WriteFile(file, test::Concat(test::MakeHeader({"29VK", "03IU", "UI30", 0x77, 0x88,
                                                                 4096 + 576, 0x55667788, 0x10}),
                                               expected));
            break;
        case 'Q': {
            const ByteBuffer data = test::Pattern(2 * 2048 + 1000, 21);
            const auto len = static_cast<std::uint32_t>(data.size());
            head = test::UploadHead(HK_USERDATA, 0x1234, len, 0xBEEF0001);
            expected = test::Concat(test::UploadHeader("09VK", 0x1234, 0x1234, len + 576, "03DU",
                                                       0xBEEF0001, "UD30", true),
                                    data);
            payload = std::make_shared<const ByteBuffer>(data);
            break;
        }
        case 'U': {
            const ByteBuffer data = test::Pattern(3 * 2048, 22);  // whole blocks
            const auto len = static_cast<std::uint32_t>(data.size());
            head = test::UploadHead(HK_ICON, 0x9999, len, 0xBEEF0003);
            expected = test::Concat(
                test::UploadHeader("29VK", 0, 0, len + 576, "03IU", 0xBEEF0003, "UI30", true),
                data);
            payload = std::make_shared<const ByteBuffer>(data);
            break;
        }
    }
    ASSERT_NO_FATAL_FAILURE(StartServe(
        {"--function", c.function, "--file", file, "--once", "--link", "usb:1a2b:3c4d"}));
    runner->Call([&](SimulatedRemote& r) {
        if (payload) {
            r.StartUpload(c.request, head, payload);
        } else {
            r.StartDownload(c.request);
        }
    });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, kExchange))
        << serve.Transcript();
    EXPECT_EQ(serve.WaitExit(10s), 0) << serve.Transcript();
    runner->Call([&](SimulatedRemote& r) {
        EXPECT_EQ(r.Outcome(), RemoteOutcome::kCompleted);
        if (!payload) {
            EXPECT_EQ(test::ByteDiff(r.ReceivedData(), expected), "");
        }
    });
    if (payload) {
        EXPECT_EQ(test::ByteDiff(test::ReadFile(file), expected), "");
    }
    // Every frame went out as one OUT transfer, none followed by a zero-length packet.
    for (const auto& transfer : bus.Pipes(address)->OutTransfers()) {
        EXPECT_FALSE(transfer.zeroPacketFlag);
    }
}

INSTANTIATE_TEST_SUITE_P(Functions, UsbServeFunction,
                         testing::Values(FunctionCase{"AppDownload", "app-download", '3'},
                                         FunctionCase{"DbDownload", "db-download", 'P'},
                                         FunctionCase{"UserDataUpload", "userdata-upload", 'Q'},
                                         FunctionCase{"UserDataDownload", "userdata-download", 'R'},
                                         FunctionCase{"IconUpload", "icon-upload", 'U'},
                                         FunctionCase{"IconDownload", "icon-download", 'V'}),
                         [](const auto& info) { return std::string(info.param.name); });

// `devices` in the real program: one line per candidate, and a plain statement with status 0
// when there is none.
TEST_F(UsbServeTest, DevicesListsTheRemoteAndSaysWhenThereIsNone) {
    struct Case {
        const char* name;
        bool plugged;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"plugged",
         true,
         {"1a2b:3c4d  1-1       ready          VANTO Universal Remote (serial SN1)"}},
        {"unplugged", false, {"No USB device that could be the remote is attached."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.plugged) {
            UnplugRemote();
        }
        ChildProcess devices;
        ASSERT_TRUE(devices.Start(VANTO_BINARY, {"devices"}));
        EXPECT_EQ(devices.WaitExit(10s), 0) << devices.Transcript();
        std::vector<std::string> lines;
        for (const auto& line : devices.Lines(ChildProcess::kOut)) {
            lines.push_back(line.text);
        }
        EXPECT_EQ(lines, c.lines) << devices.Transcript();
    }
}

// Unplugged while blocks go out: the status turns within a poll, the engine gives up with
// "Communication Timeout!", and once the remote is back (with a new device number) the next
// request is served. serve finds the remote through the choice in the settings (with its serial).
TEST_F(UsbServeTest, UnplugDuringATransferThenReplugServesTheNextRequest) {
    const std::string config = dir.Path("config/vanto-remote-manager");
    std::filesystem::create_directories(config);
    const std::string settings = "[Remote]\nUsbId=1a2b:3c4d\nSerial=SN1\n";
    test::WriteFile(config + "/vanto-remote-manager.conf",
                    ByteBuffer(settings.begin(), settings.end()));
    const ByteBuffer database = test::MakeDatabase(40 * 2048 + 5, 51);
    test::WriteFile(dir.Path("db.bin"), database);
    ASSERT_NO_FATAL_FAILURE(
        StartServe({"--function", "db-download", "--file", dir.Path("db.bin")}));

    // Each frame of the remote comes 20 ms late, so the download is still going when the cable
    // is pulled.
    runner->Call([](SimulatedRemote& r) {
        r.OutputFaults().SetRule([](const std::uint8_t*, std::size_t, std::uint64_t) {
            FrameFault fault;
            fault.extraDelayMs = 20;
            return fault;
        });
        r.StartDownload('P');
    });
    ASSERT_TRUE(
        runner->WaitUntil([](SimulatedRemote& r) { return r.BlocksReceived() >= 5; }, kExchange))
        << serve.Transcript();
    const auto pulled = ChildProcess::Clock::now();
    UnplugRemote();
    const auto gone = serve.WaitText(ChildProcess::kErr, kDisconnected, 5s);
    ASSERT_TRUE(gone) << serve.Transcript();
    // Within one poll, with room for a loaded machine.
    EXPECT_LE(MsBetween(pulled, gone->at), kDevicePollPeriodMs + 300);
    ASSERT_TRUE(serve.WaitText(ChildProcess::kOut, "Communication Timeout!", 15s))
        << serve.Transcript();
    ASSERT_TRUE(serve.WaitText(ChildProcess::kOut, "Waiting for request...", 5s))
        << serve.Transcript();

    const std::size_t errSeen = serve.Lines(ChildProcess::kErr).size();
    runner->RenewRemote();
    const int before = address;
    PlugRemote();
    EXPECT_NE(address, before);
    ASSERT_TRUE(serve.WaitText(ChildProcess::kErr, kConnected, 5s, errSeen)) << serve.Transcript();
    runner->Call([](SimulatedRemote& r) { r.StartDownload('P'); });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, kExchange))
        << serve.Transcript();
    runner->Call([&](SimulatedRemote& r) {
        EXPECT_EQ(r.Outcome(), RemoteOutcome::kCompleted);
        EXPECT_EQ(test::ByteDiff(r.ReceivedData(), database), "");
    });
    // Stopped between exchanges, after one of them ended in a timeout: a failure was seen.
    serve.Signal(SIGINT);
    EXPECT_EQ(serve.WaitExit(10s), 1) << serve.Transcript();
}

}  // namespace
}  // namespace vanto
