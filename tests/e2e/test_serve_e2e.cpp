// The real program's `serve` against the simulated remote over a pseudo-terminal, in real time:
// every function end to end, refusals, a negative acknowledgement, two rows of the timeout table,
// unplug and replug, Ctrl-C, usage errors.
#include <signal.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <thread>

#include "tests/e2e/e2e_support.h"

namespace vanto::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto kExchange = 20s;  // bound of one exchange; they take well under two seconds
constexpr long long kSlackMs = 300;

// ---------------------------------------------------------------------------------------------
// Downloads: the remote receives the file's data byte for byte and the head values of its header.

struct DownloadCase {
    const char* name;
    const char* function;
    const char* mode;  // null: none given
    std::uint8_t request;
    bool split;  // the remote's bytes arrive cut at random places
};

void PrintTo(const DownloadCase& c, std::ostream* os) {
    *os << c.name;
}

class ServeDownload : public ServeTest, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(ServeDownload, DeliversTheFileByteExactAndEndsOnce) {
    const DownloadCase& c = GetParam();
    ByteBuffer expected;
    HeadInfo head;  // kind 0: a short head information is expected
    head.kind = 0;
    std::string file;
    switch (c.request) {
        case '3': {  // application image from an S-record file
            const ByteBuffer image = test::MakeApplicationImage(2 * 2048 + 904, 11);
            const std::string s19 = test::MakeS19(image, 0x20000);
            file = Path("fw.s19");
            test::WriteFile(file, ByteBuffer(s19.begin(), s19.end()));
            // The conversion fills the header; the `image` command converts the same way.
            ChildProcess convert;
            ASSERT_TRUE(convert.Start(VANTO_BINARY, {"image", file, "-o", Path("fw.img")}));
            ASSERT_EQ(convert.WaitExit(10s), 0) << convert.Transcript();
            expected = test::ReadFile(Path("fw.img"));
            ASSERT_EQ(expected.size(), image.size());
            EXPECT_TRUE(std::equal(image.begin() + 576, image.end(), expected.begin() + 576));
            head.blockCount = 3;
            break;
        }
        case 'P':
            expected = test::MakeDatabase(3 * 2048 + 77, 12);
            file = Path("db.bin");
            test::WriteFile(file, expected);
            head.blockCount = 4;
            head.checksum = XorWordChecksum(expected.data(), expected.size());
            break;
        case 'R':
            expected = test::Pattern(5001, 13);
            file = Path("u.bin");
            test::WriteFile(file,
                            test::Concat(test::MakeHeader({"09VK", "03DU", "UD30", 0x01020304, 0x99,
                                                           5001 + 576, 0xA1B2C3D4, 0x10}),
                                         expected));
            head = {HK_USERDATA, 3,    XorWordChecksum(expected.data(), expected.size()),
                    0x01020304,  5001, 0xA1B2C3D4,
                    {}};
            break;
        case 'T':
            expected = test::Pattern(300, 14);
            file = Path("d.odf");
            test::WriteFile(file, test::Concat(test::MakeHeader({"19VK", "03DD", "DD30", 0x0A0B0C0D,
                                                                 0x0E0F, 876, 0x11223344, 0x10}),
                                               expected));
            head = {HK_ONEDEV, 1, 0, 0x0A0B0C0D, 0x0E0F, 0x11223344, {}};
            break;
        case 'V':
            expected = test::Pattern(4096, 15);
            file = Path("i.vui");
            test::WriteFile(file, test::Concat(test::MakeHeader({"29VK", "03IU", "UI30", 0x77, 0x88,
                                                                 4096 + 576, 0x55667788, 0x10}),
                                               expected));
            head = {HK_ICON, 3, 0, 0, 4096, 0x55667788, {}};
            break;
    }
    std::vector<std::string> args = {"--function", c.function, "--file", file, "--once"};
    if (c.mode) {
        args.insert(args.end(), {"--mode", c.mode});
    }
    if (c.split) {
        runner->SetChunkPause(300us);
        runner->Call([](SimulatedRemote& r) { r.SplitOutput(3, 99); });
    }
    ASSERT_NO_FATAL_FAILURE(StartServe(args));
    runner->Call([&](SimulatedRemote& r) { r.StartDownload(c.request); });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, kExchange))
        << serve.Transcript();
    EXPECT_EQ(serve.WaitExit(10s), 0) << serve.Transcript();

    runner->Call([&](SimulatedRemote& r) {
        ASSERT_EQ(r.Outcome(), RemoteOutcome::kCompleted);
        EXPECT_EQ(test::ByteDiff(r.ReceivedData(), expected), "");
        const HeadInfo& got = r.ReceivedHead();
        EXPECT_EQ(r.ReceivedShortHead(), head.kind == 0);
        EXPECT_EQ(got.kind, head.kind);
        EXPECT_EQ(got.blockCount, head.blockCount);
        if (c.request != '3') {
            EXPECT_EQ(got.checksum, head.checksum);
        }
        EXPECT_EQ(got.value1, head.value1);
        EXPECT_EQ(got.value2, head.value2);
        EXPECT_EQ(got.value3, head.value3);
        if (head.kind != 0) {
            EXPECT_EQ(got.names[0][0], 0x10);
            EXPECT_EQ(got.names[2][15], 0x10 + 47);
        }
    });
    const auto out = serve.Lines(kOut);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[out.size() - 3].text, "DOWNLOAD COMPLETED.") << serve.Transcript();
    EXPECT_EQ(out[out.size() - 2].text, "End of Communication");
    EXPECT_EQ(out.back().text, "Waiting for request...");
    // The reset comes one second after the end frame.
    EXPECT_NEAR(MsBetween(out[out.size() - 2].at, out.back().at), 1000, kSlackMs);
}

INSTANTIATE_TEST_SUITE_P(
    Functions, ServeDownload,
    ::testing::Values(DownloadCase{"App", "app-download", nullptr, '3', false},
                      DownloadCase{"Database", "db-download", nullptr, 'P', true},
                      DownloadCase{"UserData", "userdata-download", "user-data", 'R', false},
                      DownloadCase{"OneDevice", "userdata-download", "one-device", 'T', false},
                      DownloadCase{"Icons", "icon-download", nullptr, 'V', false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Uploads: the output file holds the header built from the head information and every block.

struct UploadCase {
    const char* name;
    const char* function;
    const char* mode;
    std::uint8_t request;
    std::uint8_t kind;
    bool existing;  // the output file exists already: --yes answers the question with OK
};

void PrintTo(const UploadCase& c, std::ostream* os) {
    *os << c.name;
}

class ServeUpload : public ServeTest, public ::testing::WithParamInterface<UploadCase> {};

TEST_P(ServeUpload, WritesTheFileByteExactAndEndsOnce) {
    const UploadCase& c = GetParam();
    const ByteBuffer payload = test::Pattern(2 * 2048 + 1000, 21);
    const auto len = static_cast<std::uint32_t>(payload.size());
    HeadInfo head;
    ByteBuffer header;
    switch (c.kind) {
        case HK_USERDATA:
            head = UploadHead(HK_USERDATA, 0x1234, len, 0xBEEF0001);
            header =
                UploadHeader("09VK", 0x1234, 0x1234, len + 576, "03DU", 0xBEEF0001, "UD30", true);
            break;
        case HK_ONEDEV:
            // The two values add up to the payload; the file's TotalLength is their sum + 576.
            head = UploadHead(HK_ONEDEV, 0x100, len - 0x100, 0xBEEF0002);
            header = UploadHeader("19VK", 0x100, len - 0x100, len + 576, "03DD", 0xBEEF0002, "DD30",
                                  true);
            break;
        default:
            head = UploadHead(HK_ICON, 0x9999, len, 0xBEEF0003);
            header = UploadHeader("29VK", 0, 0, len + 576, "03IU", 0xBEEF0003, "UI30", true);
            break;
    }
    const std::string file = Path("out.bin");
    std::vector<std::string> args = {"--function", c.function, "--file", file, "--once"};
    if (c.mode) {
        args.insert(args.end(), {"--mode", c.mode});
    }
    if (c.existing) {
        test::WriteFile(file, test::Pattern(100000, 5));
        args.push_back("--yes");
        runner->SetChunkPause(200us);
        runner->Call([](SimulatedRemote& r) { r.SplitOutput(700, 7); });
    }
    ASSERT_NO_FATAL_FAILURE(StartServe(args));
    const auto data = std::make_shared<const ByteBuffer>(payload);
    runner->Call([&](SimulatedRemote& r) { r.StartUpload(c.request, head, data); });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, kExchange))
        << serve.Transcript();
    EXPECT_EQ(serve.WaitExit(10s), 0) << serve.Transcript();
    runner->Call([](SimulatedRemote& r) { EXPECT_EQ(r.Outcome(), RemoteOutcome::kCompleted); });
    EXPECT_EQ(test::ByteDiff(test::ReadFile(file), test::Concat(header, payload)), "");
    if (c.existing) {
        EXPECT_TRUE(serve.WaitText(kErr, "box: File already exists! overwrite? [OK]", 0ms))
            << serve.Transcript();
    }
    const auto out = serve.Lines(kOut);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[out.size() - 2].text, "End of Communication") << serve.Transcript();
    EXPECT_EQ(out.back().text, "Waiting for request...");
    // The reset comes three seconds after the final acknowledgement.
    EXPECT_NEAR(MsBetween(out[out.size() - 2].at, out.back().at), 3000, kSlackMs);
}

INSTANTIATE_TEST_SUITE_P(Functions, ServeUpload,
                         ::testing::Values(UploadCase{"UserData", "userdata-upload", nullptr, 'Q',
                                                      HK_USERDATA, false},
                                           UploadCase{"OneDevice", "userdata-upload", "one-device",
                                                      'S', HK_ONEDEV, false},
                                           UploadCase{"IconsOverExistingFile", "icon-upload",
                                                      nullptr, 'U', HK_ICON, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Requests that are not served, then one that is, with a negative acknowledgement on the way.

class ServeE2e : public ServeTest {};

TEST_F(ServeE2e, DamagedUnknownAndForeignRequestsAreAnsweredWithoutEndingOnce) {
    const ByteBuffer database = test::MakeDatabase(4 * 2048 + 10, 31);
    test::WriteFile(Path("db.bin"), database);
    ASSERT_NO_FATAL_FAILURE(
        StartServe({"--function", "db-download", "--file", Path("db.bin"), "--once", "--trace"}));

    std::uint8_t frame[8];
    BuildRequest(frame, 'P');
    frame[4] ^= 0x01;  // wrong check byte
    runner->Call([&](SimulatedRemote& r) { r.SendRaw(frame, 5); });
    ExpectLine(serve.WaitLine(kErr, TraceStarts("PC>RC", "0F 36 31 31 31 31 0E 38"), 5s), serve,
               "reply 1111 to a damaged request");

    BuildRequest(frame, 'X');
    runner->Call([&](SimulatedRemote& r) { r.SendRaw(frame, 5); });
    ExpectLine(serve.WaitLine(kErr, TraceStarts("PC>RC", "0F 36 30 30 30 30 0E 38"), 5s), serve,
               "reply 0000 to an unknown request");

    runner->Call([](SimulatedRemote& r) {
        r.StartUpload('Q', UploadHead(HK_USERDATA, 1, 1, 1),
                      std::make_shared<const ByteBuffer>(10, 0));
    });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, kExchange));
    runner->Call([](SimulatedRemote& r) { EXPECT_EQ(r.Outcome(), RemoteOutcome::kRefused); });
    ExpectLine(serve.WaitText(kOut, "Invalid Request!", 5s), serve, "Invalid Request!");
    EXPECT_FALSE(serve.WaitExit(300ms).has_value()) << "--once ended on a refused request";

    // Block 1 is refused once: the PC sends the very same frame again.
    runner->Call([](SimulatedRemote& r) {
        r.NakBlock(1, 1);
        r.StartDownload('P');
    });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, kExchange));
    EXPECT_EQ(serve.WaitExit(10s), 0) << serve.Transcript();
    runner->Call([&](SimulatedRemote& r) {
        EXPECT_EQ(r.Outcome(), RemoteOutcome::kCompleted);
        EXPECT_EQ(test::ByteDiff(r.ReceivedData(), database), "");
    });
    std::vector<std::string> block1;
    for (const auto& line : serve.Lines(kErr)) {
        const std::string f = TraceFrame(line.text, "PC>RC");
        if (f.rfind("0F 34 00 01 08 00", 0) == 0) {
            block1.push_back(f);
        }
    }
    ASSERT_EQ(block1.size(), 2u) << serve.Transcript();
    EXPECT_EQ(block1[0], block1[1]);
    EXPECT_EQ(block1[0].size(), 3 * (2048 + 12) - 1);
}

// A file that cannot be served ends serve at once, with status 1, after the page's own text: no
// other file can ever be chosen. Outputs are checked without being created.
TEST_F(ServeE2e, FilesThatCannotBeServedEndAtOnce) {
    test::WriteFile(Path("keep.bin"), test::Pattern(1000, 41));
    test::WriteFile(Path("bad.bin"), test::Pattern(1000, 42));
    struct Case {
        const char* function;
        std::string file;
        ChildProcess::Stream stream;
        const char* text;
    };
    const Case cases[] = {
        {"userdata-upload", Path("keep.bin"), kErr,
         "box: File already exists! overwrite? [Cancel]"},
        {"icon-upload", Path("no/such/folder/x.vui"), kOut, "File could not be opened 3"},
        {"db-download", Path("missing.bin"), kOut, "Select Database!"},
        {"db-download", Path("bad.bin"), kErr, "box: Invalid Database!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " " + c.file);
        ChildProcess child;
        ASSERT_TRUE(child.Start(VANTO_BINARY, {"serve", "--function", c.function, "--file", c.file,
                                               "--once", "--link", "tty:" + Path("remote")}));
        EXPECT_EQ(child.WaitExit(5s), 1) << child.Transcript();
        EXPECT_TRUE(child.WaitText(c.stream, c.text, 0ms)) << child.Transcript();
    }
    EXPECT_EQ(test::ReadFile(Path("keep.bin")), test::Pattern(1000, 41));
    EXPECT_FALSE(std::filesystem::exists(Path("no")));
}

// ---------------------------------------------------------------------------------------------
// Timeouts in real time. Download: a block that is never acknowledged is sent again after 3 s,
// "Communication Timeout!" follows at 6.1 s and the reset at 8.1 s. Here the remote is unplugged
// right after the block was sent; once it is back, the next request is served.

TEST_F(ServeE2e, UnplugMidDownloadTimesOutAndReplugServesTheNextRequest) {
    const ByteBuffer database = test::MakeDatabase(20 * 2048 + 5, 51);
    test::WriteFile(Path("db.bin"), database);
    ASSERT_NO_FATAL_FAILURE(
        StartServe({"--function", "db-download", "--file", Path("db.bin"), "--trace"}));
    runner->Call([](SimulatedRemote& r) {
        r.GoSilentWhen([](const std::uint8_t* f, std::size_t n) {
            return n == 8 && f[1] == FT_BLOCK_ACK && f[2] == 0 && f[3] == 3;
        });
        r.StartDownload('P');
    });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return r.Silent(); }, kExchange));
    runner->Unplug();
    const auto sent = serve.WaitLine(kErr, TraceStarts("PC>RC", "0F 34 00 03"), 5s);
    ASSERT_TRUE(sent) << serve.Transcript();
    ExpectLine(serve.WaitText(kErr, kStatusDisconnected, 5s), serve, "disconnected status");

    const auto resent = serve.WaitLine(
        kErr,
        [&](const std::string& line) {
            return TraceStarts("PC>RC", "0F 34 00 03")(line) &&
                   line != sent->text;  // another trace line (its time differs)
        },
        10s);
    ASSERT_TRUE(resent) << serve.Transcript();
    EXPECT_NEAR(MsBetween(sent->at, resent->at), 3000, kSlackMs);
    const auto timeout = serve.WaitText(kOut, "Communication Timeout!", 10s);
    ASSERT_TRUE(timeout) << serve.Transcript();
    EXPECT_NEAR(MsBetween(sent->at, timeout->at), 6100, kSlackMs);
    const auto reset = serve.WaitText(kOut, "Waiting for request...", 5s);
    ASSERT_TRUE(reset) << serve.Transcript();
    EXPECT_NEAR(MsBetween(sent->at, reset->at), 8100, kSlackMs);

    const std::size_t errSeen = serve.Lines(kErr).size();
    runner->RenewRemote();
    ASSERT_TRUE(runner->Plug());
    ExpectLine(serve.WaitText(kErr, kStatusConnected, 5s, errSeen), serve, "connected again");
    runner->Call([](SimulatedRemote& r) { r.StartDownload('P'); });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, kExchange));
    runner->Call([&](SimulatedRemote& r) {
        EXPECT_EQ(r.Outcome(), RemoteOutcome::kCompleted);
        EXPECT_EQ(test::ByteDiff(r.ReceivedData(), database), "");
    });
    // Stopped while idle: the status tells that an exchange (the first one) failed.
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitExit(5s), 1) << serve.Transcript();
}

// Upload: a remote that falls silent after block 4 gets negative acknowledgements of block 4 at
// 3 s and 6 s, "Communication Timeout!" at 9.1 s and the reset at 11.1 s. The file keeps its
// pending mark and --once reports the failure.
TEST_F(ServeE2e, SilentRemoteDuringUploadGetsNaksThenTimesOut) {
    ASSERT_NO_FATAL_FAILURE(StartServe(
        {"--function", "userdata-upload", "--file", Path("cut.bin"), "--once", "--trace"}));
    const auto payload = std::make_shared<const ByteBuffer>(test::Pattern(8 * 2048, 61));
    runner->Call([&](SimulatedRemote& r) {
        r.GoSilentWhen([](const std::uint8_t* f, std::size_t n) {
            return n > 4 && f[1] == FT_DATA && f[2] == 0 && f[3] == 5;
        });
        r.StartUpload('Q', UploadHead(HK_USERDATA, 7, 8 * 2048, 9), payload);
    });
    const auto block4 = serve.WaitLine(kErr, TraceStarts("RC>PC", "0F 34 00 04"), kExchange);
    ASSERT_TRUE(block4) << serve.Transcript();
    const auto nak1 = serve.WaitLine(kErr, TraceStarts("PC>RC", "0F 37 00 04 15"), 5s);
    ASSERT_TRUE(nak1) << serve.Transcript();
    EXPECT_NEAR(MsBetween(block4->at, nak1->at), 3000, kSlackMs);
    const auto nak2 = serve.WaitLine(
        kErr,
        [&](const std::string& line) {
            return TraceStarts("PC>RC", "0F 37 00 04 15")(line) && line != nak1->text;
        },
        5s);
    ASSERT_TRUE(nak2) << serve.Transcript();
    EXPECT_NEAR(MsBetween(block4->at, nak2->at), 6000, kSlackMs);
    const auto timeout = serve.WaitText(kOut, "Communication Timeout!", 5s);
    ASSERT_TRUE(timeout) << serve.Transcript();
    EXPECT_NEAR(MsBetween(block4->at, timeout->at), 9100, kSlackMs);
    EXPECT_EQ(serve.WaitExit(5s), 1) << serve.Transcript();
    const auto reset = serve.WaitText(kOut, "Waiting for request...", 0ms);
    ASSERT_TRUE(reset);
    EXPECT_NEAR(MsBetween(block4->at, reset->at), 11100, kSlackMs);

    EXPECT_FALSE(std::filesystem::exists(Path("cut.bin")));
    const ByteBuffer written = test::ReadFile(Path("cut.bin.partial"));
    ASSERT_EQ(written.size(), 576u + 5 * 2048);
    EXPECT_EQ(ByteBuffer(written.begin() + 512, written.begin() + 528), ByteBuffer(16, 0xFF));
    EXPECT_EQ(ByteBuffer(written.begin() + 576, written.end()),
              ByteBuffer(payload->begin(), payload->begin() + 5 * 2048));
}

// Four negative acknowledgements of block 1: the block goes out four times in all, then the
// exchange ends as a timeout does: "Communication Timeout!" 100 ms after the last negative
// acknowledgement, "Waiting for request..." 2 s later, --once reports the failure, and nothing
// more is sent although the remote keeps repeating its negative acknowledgement.
TEST_F(ServeE2e, FourNegativeAcksOfABlockEndInATimeout) {
    test::WriteFile(Path("db.bin"), test::MakeDatabase(4 * 2048 + 10, 81));
    ASSERT_NO_FATAL_FAILURE(
        StartServe({"--function", "db-download", "--file", Path("db.bin"), "--once", "--trace"}));
    runner->Call([](SimulatedRemote& r) {
        r.NakBlock(1, 4);
        r.StartDownload('P');
    });
    const auto timeout = serve.WaitText(kOut, "Communication Timeout!", kExchange);
    ASSERT_TRUE(timeout) << serve.Transcript();
    EXPECT_EQ(serve.WaitExit(10s), 1) << serve.Transcript();
    const auto reset = serve.WaitText(kOut, "Waiting for request...", 0ms);
    ASSERT_TRUE(reset) << serve.Transcript();
    EXPECT_NEAR(MsBetween(timeout->at, reset->at), 2000, kSlackMs);

    std::vector<ChildProcess::Line> block1;
    std::vector<ChildProcess::Line> naks;
    std::optional<ChildProcess::Line> lastSent;
    for (const auto& line : serve.Lines(kErr)) {
        if (TraceStarts("PC>RC", "0F 34 00 01")(line.text)) {
            block1.push_back(line);
        }
        if (TraceStarts("RC>PC", "0F 37 00 01 15")(line.text)) {
            naks.push_back(line);
        }
        if (!TraceFrame(line.text, "PC>RC").empty()) {
            lastSent = line;
        }
    }
    ASSERT_EQ(block1.size(), 4u) << serve.Transcript();
    for (const auto& line : block1) {
        EXPECT_EQ(TraceFrame(line.text, "PC>RC"), TraceFrame(block1[0].text, "PC>RC"));
    }
    ASSERT_GE(naks.size(), 4u) << serve.Transcript();
    EXPECT_NEAR(MsBetween(naks[3].at, timeout->at), 100, kSlackMs);
    EXPECT_EQ(lastSent->text, block1.back().text) << serve.Transcript();
}

// One remote, one program: a second `serve` on the same line shows the remote disconnected and
// says once why; when the first one ends, the second takes the line.
TEST_F(ServeE2e, SecondServeOnTheSameLineStaysDisconnected) {
    test::WriteFile(Path("db.bin"), test::MakeDatabase(2048, 83));
    ASSERT_NO_FATAL_FAILURE(StartServe({"--function", "db-download", "--file", Path("db.bin")}));
    ChildProcess second;
    ASSERT_TRUE(second.Start(VANTO_BINARY, {"serve", "--function", "db-download", "--file",
                                            Path("db.bin"), "--link", "tty:" + Path("remote")}));
    ExpectLine(second.WaitText(kErr, kStatusDisconnected, 10s), second, "disconnected");
    const auto notice = second.WaitLine(
        kErr,
        [](const std::string& l) {
            return l.find("in use by another program") != std::string::npos;
        },
        5s);
    ExpectLine(notice, second, "the notice");
    std::this_thread::sleep_for(600ms);  // three more polls: still one notice, no connection
    int notices = 0;
    for (const auto& line : second.Lines(kErr)) {
        notices += line.text.find("in use by another program") != std::string::npos;
        EXPECT_NE(line.text, kStatusConnected);
    }
    EXPECT_EQ(notices, 1);
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitExit(5s), 0);
    ExpectLine(second.WaitText(kErr, kStatusConnected, 5s), second, "connected once free");
    second.Signal(SIGTERM);
    EXPECT_EQ(second.WaitExit(5s), 0);
}

// A signal in the middle of an upload ends serve promptly with 128 + the signal: the older file
// stays whole and the blocks that arrived are kept in FILE.partial, without the completion mark.
class ServeSignal : public ServeTest, public ::testing::WithParamInterface<int> {};

TEST_P(ServeSignal, MidUploadKeepsTheOlderFileAndThePartialAndFails) {
    const int signo = GetParam();
    const ByteBuffer older = test::Pattern(3000, 70);
    test::WriteFile(Path("part.bin"), older);
    ASSERT_NO_FATAL_FAILURE(StartServe({"--function", "userdata-upload", "--file", Path("part.bin"),
                                        "--once", "--yes", "--trace"}));
    const auto payload = std::make_shared<const ByteBuffer>(test::Pattern(8 * 2048, 71));
    runner->Call([&](SimulatedRemote& r) {
        r.GoSilentWhen([](const std::uint8_t* f, std::size_t n) {
            return n > 4 && f[1] == FT_DATA && f[2] == 0 && f[3] == 4;
        });
        r.StartUpload('Q', UploadHead(HK_USERDATA, 7, 8 * 2048, 9), payload);
    });
    const auto ack3 = serve.WaitLine(kErr, TraceStarts("PC>RC", "0F 37 00 03 06"), kExchange);
    ASSERT_TRUE(ack3) << serve.Transcript();

    const auto interruptedAt = Clock::now();
    serve.Signal(signo);
    EXPECT_EQ(serve.WaitExit(2s), 128 + signo) << serve.Transcript();
    EXPECT_LT(MsBetween(interruptedAt, Clock::now()), 1000);
    EXPECT_TRUE(serve.WaitText(kErr, "serve: interrupted", 0ms));
    EXPECT_FALSE(serve.WaitText(kOut, "End of Communication", 0ms));

    EXPECT_EQ(test::ReadFile(Path("part.bin")), older);
    const ByteBuffer written = test::ReadFile(Path("part.bin.partial"));
    ASSERT_EQ(written.size(), 576u + 4 * 2048);
    EXPECT_EQ(ByteBuffer(written.begin() + 512, written.begin() + 528), ByteBuffer(16, 0xFF));
    EXPECT_EQ(ByteBuffer(written.begin() + 576, written.end()),
              ByteBuffer(payload->begin(), payload->begin() + 4 * 2048));
}

INSTANTIATE_TEST_SUITE_P(Signals, ServeSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// The window, offscreen, ended by a signal once it serves: it ends as when closed (its
// single-instance socket is taken down, which a killed process leaves behind), with 128 + the
// signal, and leaves no folder of its own in $TMPDIR. A settings file that is a FIFO does not
// hang the start: it is not used.
TEST_F(ServeE2e, WindowEndsCleanlyOnSignalsAndLeavesNothingBehind) {
    const std::string tmp = Path("tmp");
    const std::string run = Path("run");
    std::filesystem::create_directory(tmp);
    std::filesystem::create_directory(run);
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string settings = Path("config/vanto-remote-manager/vanto-remote-manager.conf");
    for (const int signo : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sigabbrev_np(signo));
        if (signo == SIGINT) {
            std::filesystem::create_directories(Path("config/vanto-remote-manager"));
            std::filesystem::remove(settings);
            ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
        }
        ChildProcess window;
        ASSERT_TRUE(window.Start(VANTO_BINARY, {"--link", "tty:" + Path("remote")}));
        // Serving: a request to the first page (no file chosen) is answered, so the event loop
        // runs.
        runner->Call([](SimulatedRemote& r) { r.StartDownload('3'); });
        ASSERT_TRUE(runner->WaitUntil(
            [](SimulatedRemote& r) { return !r.Busy() && r.Outcome() == RemoteOutcome::kRefused; },
            kExchange))
            << window.Transcript();
        EXPECT_TRUE(std::filesystem::exists(run + "/vanto-remote-manager.instance"));
        window.Signal(signo);
        EXPECT_EQ(window.WaitExit(5s), 128 + signo) << window.Transcript();
        EXPECT_FALSE(std::filesystem::exists(run + "/vanto-remote-manager.instance"));
        EXPECT_TRUE(std::filesystem::is_empty(tmp));
        EXPECT_EQ(window
                      .WaitText(kErr,
                                "The settings file " + settings +
                                    " is not a regular file; it was renamed to " + settings +
                                    ".bad and the defaults are used.",
                                0ms)
                      .has_value(),
                  signo == SIGINT)
            << window.Transcript();
        runner->RenewRemote();
    }
    for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"}) {
        ::unsetenv(name);
    }
}

// ---------------------------------------------------------------------------------------------

TEST(ServeUsage, BadFunctionModeOrLinkIsAUsageError) {
    const std::vector<std::vector<std::string>> cases = {
        {"serve", "--function", "firmware", "--file", "x"},
        {"serve", "--function", "db-download", "--file", "x", "--mode", "one-device"},
        {"serve", "--function", "userdata-upload", "--file", "x", "--mode", "half"},
        {"serve", "--function", "db-download", "--file", "x", "--link", "serial:/dev/x"},
        {"serve", "--function", "db-download", "--file", "x", "--link", "usb"},
        {"serve", "--function", "db-download", "--link", "tty:/dev/null"},
        // An existing path that is not a character device is never written to.
        {"serve", "--function", "db-download", "--file", "x", "--link", "tty:/proc/self/status"},
        {"serve", "--function", "db-download", "--file", "x", "--link", "tty:/dev/null@1234"},
    };
    for (const auto& args : cases) {
        ChildProcess child;
        ASSERT_TRUE(child.Start(VANTO_BINARY, args));
        EXPECT_EQ(child.WaitExit(10s), 2) << child.Transcript();
        EXPECT_TRUE(child.Lines(kOut).empty()) << child.Transcript();
    }
    ChildProcess child;
    ASSERT_TRUE(child.Start(VANTO_BINARY, {"serve", "--function", "db-download", "--file", "x"}));
    EXPECT_EQ(child.WaitExit(10s), 2);
    EXPECT_TRUE(child.WaitLine(
        kErr, [](const std::string& l) { return l.find("--usb VID:PID") != std::string::npos; },
        0ms))
        << child.Transcript();
}

}  // namespace
}  // namespace vanto::e2e
