// A damaged frame from the remote, the PC's answer to it, then silence: every row checks each
// frame the PC sends from its reference frame on, byte for byte and to the millisecond, and when
// "Communication Timeout!" and "Waiting for request..." follow. Re-sends repeat their frame
// exactly, every wait stays bounded after a negative acknowledgement, and a give-up ends like a
// timeout with nothing more sent.
#include <gtest/gtest.h>

#include "exchange_test_support.h"

namespace vanto {
namespace {

using namespace vanto::testing;

struct Timed {
    std::int64_t atMs;  // after the PC's reference frame
    std::string frame;  // hex, or HEAD / D<n> for the download's head and data frames
};

struct WireFaultCase {
    const char* name;
    char request;                   // 'P' (download) or 'Q' (upload)
    std::vector<std::string> lead;  // the remote's frames up to the PC's reference frame
    std::vector<Timed> remote;      // what the remote sends after it, then nothing
    std::vector<Timed> pc;          // every frame the PC sends from the reference frame on
    std::int64_t timeoutAt;
    std::int64_t resetAt;
};

void PrintTo(const WireFaultCase& c, std::ostream* os) {
    *os << c.name;
}

class WireFault : public ::testing::TestWithParam<WireFaultCase> {
protected:
    WireFault() : m_data(Pattern(3 * 2048 + 100, 17)) {}

    // HEAD: the download's short head; D<n>: its data frame of block n; ACK<n>, NAK<n>: the
    // remote's acknowledgement of block n; UPHEAD: an upload's head information; BAD+token: that
    // frame with a wrong check byte; anything else is hex.
    ByteBuffer Resolve(const std::string& token) const {
        if (token.rfind("BAD", 0) == 0) {
            ByteBuffer f = Resolve(token.substr(3));
            f.back() ^= 0x01;
            return f;
        }
        if (token == "UPHEAD") {
            ByteBuffer f(kHeadFrameLen);
            HeadInfo head;
            head.blockCount = 2;
            BuildHead(f.data(), head);
            return f;
        }
        if (token.size() == 4 && (token.rfind("ACK", 0) == 0 || token.rfind("NAK", 0) == 0))
            return AckFrame(token[3] - '0', token[0] == 'A' ? BLOCK_ACK_OK : BLOCK_ACK_BAD);
        if (token == "HEAD") {
            ByteBuffer f(kHeadShortFrameLen);
            BuildHeadShort(f.data(), 4, XorWordChecksum(m_data.data(), m_data.size()));
            return f;
        }
        if (token.size() == 2 && token[0] == 'D') {
            const int block = token[1] - '0';
            const std::size_t offset = static_cast<std::size_t>(block) * 2048;
            return DataFrame(block, m_data.data() + offset,
                             std::min<std::size_t>(2048, m_data.size() - offset));
        }
        return FromHex(token);
    }

    ByteBuffer m_data;
};

TEST_P(WireFault, FramesAndTimeoutToTheMillisecond) {
    const WireFaultCase& c = GetParam();
    EngineHarness h;
    const int index = c.request == 'P' ? FUNC_DB_DOWNLOAD : FUNC_USERDATA_UPLOAD;
    RecordingPage& page = h.Page(index);
    if (c.request == 'P') {
        page.LoadDownload(m_data);
    } else {
        page.MakeUploadReady();
    }
    h.Show(index);
    h.Advance(200);
    std::uint8_t request[kRequestFrameLen];
    BuildRequest(request, static_cast<std::uint8_t>(c.request));
    h.SendFromRemote(ByteBuffer(request, request + kRequestFrameLen));
    h.Advance(150);
    for (const std::string& frame : c.lead) {
        h.SendFromRemote(Resolve(frame));
        h.Advance(150);
    }
    const std::int64_t t0 = h.FramesFrom(Side::kPc).back().atMs;
    const std::size_t first = h.FramesFrom(Side::kPc).size() - 1;
    for (const Timed& r : c.remote) {
        h.Advance(t0 + r.atMs - 1 - h.NowMs());  // one millisecond on the link
        h.SendFromRemote(Resolve(r.frame));
    }
    ASSERT_TRUE(h.RunUntilIdle(120000));

    const auto pc = h.FramesFrom(Side::kPc);
    ASSERT_EQ(pc.size() - first, c.pc.size()) << c.name;
    for (std::size_t i = 0; i < c.pc.size(); ++i) {
        const SentFrame& got = pc[first + i];
        EXPECT_EQ(got.atMs - t0, c.pc[i].atMs) << c.name << " frame " << i;
        ExpectFrame(Resolve(c.pc[i].frame), got,
                    std::string(c.name) + " frame " + std::to_string(i));
    }
    EXPECT_EQ(TimeOf(page, "SET Communication Timeout!") - t0, c.timeoutAt);
    EXPECT_EQ(TimeOf(page, "SET Waiting for request...") - t0, c.resetAt);
    EXPECT_EQ(page.Messages().back(), "Waiting for request...");
}

constexpr const char* kNak = "0F 15 0E 1B";
constexpr const char* kEcho = "0F 31 51 0E 6E";
constexpr const char* kStart = "0F 33 0E 3D";
constexpr const char* kBadStart = "0F 33 0E 3C";
constexpr const char* kBadEnd = "0F 35 0E 3A";

// The negative acknowledgement counts as a retry of the wait it arrives in, so the wait's timer
// re-sends once more before it gives up.
const WireFaultCase kWireFaults[] = {
    // A re-send repeats the head information, not the negative acknowledgement built after it.
    {"DownloadDamagedEndWhileWaitingForStart",
     'P',
     {},
     {{500, kBadEnd}},
     {{0, "HEAD"}, {500, kNak}, {2000, "HEAD"}},
     4100,
     6100},
    {"UploadDamagedEndWhileWaitingForHead",
     'Q',
     {},
     {{500, kBadEnd}},
     {{0, kEcho}, {500, kNak}, {5000, kEcho}},
     7100,
     9100},
    // The damaged frame stopped the timer of its wait; the timer comes back with its period.
    {"DownloadDamagedStart",
     'P',
     {},
     {{500, kBadStart}},
     {{0, "HEAD"}, {500, kNak}, {2500, "HEAD"}},
     4600,
     6600},
    {"UploadDamagedHead",
     'Q',
     {},
     {{500, "BADUPHEAD"}},
     {{0, kEcho}, {500, kNak}, {5500, kEcho}},
     7600,
     9600},
    {"UploadDamagedEndBeforeAnyData",
     'Q',
     {"UPHEAD"},
     {{500, kBadEnd}},
     {{0, kStart}, {500, kNak}, {5500, kStart}},
     8600,
     10600},
    {"DownloadDamagedAckThenSilence",
     'P',
     {kStart, "ACK0"},
     {{500, "BADACK1"}},
     {{0, "D1"}, {500, kNak}, {3500, "D1"}},
     6600,
     8600},
    // Four negative acknowledgements of one block: four sendings, then a timeout, not silence.
    {"DownloadFourNegativeAcksOfABlock",
     'P',
     {kStart},
     {{500, "NAK0"}, {1000, "NAK0"}, {1500, "NAK0"}, {2000, "NAK0"}},
     {{0, "D0"}, {500, "D0"}, {1000, "D0"}, {1500, "D0"}},
     2100,
     4100},
    // Four damaged frames in a row: the fourth negative acknowledgement is the last frame.
    {"DownloadFourDamagedStarts",
     'P',
     {},
     {{500, kBadStart}, {1000, kBadStart}, {1500, kBadStart}, {2000, kBadStart}},
     {{0, "HEAD"}, {500, kNak}, {1000, kNak}, {1500, kNak}, {2000, kNak}},
     2100,
     4100},
    // Only an upload ends with the remote's end frame: in a download it is dropped, and the
    // block timer re-sends and times out as on silence, never "End of Communication".
    {"DownloadEndFrameFromTheRemoteIsDropped",
     'P',
     {kStart},
     {{500, "0F 35 0E 3B"}},
     {{0, "D0"}, {5000, "D0"}},
     10100,
     12100},
    // A damaged request leaves the download waiting for the request again, and the stray
    // acknowledgement after it stops the block timer: the exchange times out 3 s later.
    {"DownloadDamagedRequestThenStrayAck",
     'P',
     {kStart},
     {{500, "BAD0F 31 50 0E 6F"}, {1000, "ACK0"}},
     {{0, "D0"}, {500, "0F 36 31 31 31 31 0E 38"}},
     4000,
     6000},
};

INSTANTIATE_TEST_SUITE_P(Rows, WireFault, ::testing::ValuesIn(kWireFaults),
                         [](const ::testing::TestParamInfo<WireFaultCase>& i) {
                             return std::string(i.param.name);
                         });

}  // namespace
}  // namespace vanto
