// Whole exchanges without errors, frame by frame, and what the engine does when the remote stops
// answering at each wait, to the millisecond.
#include <gtest/gtest.h>

#include "exchange_test_support.h"

namespace vanto {
namespace {

using namespace vanto::testing;
using E = TransferEngine;

TEST(ExchangeTable, Download4096BytesFrameByFrame) {
    EngineHarness h;
    const ByteBuffer data = Pattern(4096, 1);
    h.Page(FUNC_DB_DOWNLOAD).LoadDownload(data);
    h.Show(FUNC_DB_DOWNLOAD);
    h.Advance(200);
    h.Remote().StartDownload('P');
    ASSERT_TRUE(h.RunUntilIdle(60000));

    ASSERT_EQ(h.Remote().Outcome(), RemoteOutcome::kCompleted);
    EXPECT_TRUE(HexDiff(data, h.Remote().ReceivedData()).empty())
        << HexDiff(data, h.Remote().ReceivedData());

    const auto pc = h.FramesFrom(Side::kPc);
    const auto remote = h.FramesFrom(Side::kRemote);
    ASSERT_EQ(pc.size(), 5u);
    ASSERT_EQ(remote.size(), 6u);
    ExpectFrame("0F 31 50 0E 6F", remote[0], "request");
    const std::uint16_t sum = XorWordChecksum(data.data(), data.size());
    ByteBuffer head(8);
    BuildHeadShort(head.data(), 3, sum);
    ExpectFrame(head, pc[0], "short head");
    ExpectFrame("0F 33 0E 3D", remote[1], "start");
    ExpectFrame(DataFrame(0, data.data(), 2048), pc[1], "block 0");
    ExpectFrame(AckFrame(0), remote[2], "ack 0");
    ExpectFrame(DataFrame(1, data.data() + 2048, 2048), pc[2], "block 1");
    ExpectFrame(AckFrame(1), remote[3], "ack 1");
    ExpectFrame("0F 34 00 02 00 00 00 00 1C 1C 0E 38", pc[3], "empty block 2");
    ExpectFrame(AckFrame(2), remote[4], "ack 2");
    ExpectFrame("0F 35 0E 3B", pc[4], "end");
    ExpectFrame("0F 06 0E 08", remote[5], "final ack");

    // The pauses: the head 100 ms after the request arrived, block 0 100 ms after the start.
    EXPECT_EQ(pc[0].atMs - remote[0].atMs, 1 + 100);
    EXPECT_EQ(pc[1].atMs - remote[1].atMs, 1 + 100);

    const std::vector<std::string> expected = {
        "RELOAD",
        "SET Communication started...",
        "RANGE",
        "POS 0",
        "SET Head Information Send",
        "POS 34",
        "SET  34% PROCESSING...",
        "POS 67",
        "SET  67% PROCESSING...",
        "POS 100",
        "SET DOWNLOAD COMPLETED.",
        "SET End of Communication",
        "END",
        "END",
        "POS 0",
        "SET Waiting for request...",
    };
    const auto& page = h.Page(FUNC_DB_DOWNLOAD);
    EXPECT_EQ(Describe(page.Notes()), expected);
    EXPECT_EQ(TimeOf(page, "SET Waiting for request...") - pc[4].atMs, 1000);
    EXPECT_EQ(page.TransferEnds(), 2);
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_IDLE);
    EXPECT_EQ(h.Inspect().RxState(), E::RX_WAIT_START);
    EXPECT_FALSE(h.Inspect().HoldsDownloadData());
}

TEST(ExchangeTable, UploadOfTenBlocksFrameByFrame) {
    EngineHarness h;
    auto& page = h.Page(FUNC_USERDATA_UPLOAD);
    page.MakeUploadReady();
    h.Show(FUNC_USERDATA_UPLOAD);
    h.Advance(200);
    const ByteBuffer payload = Pattern(10 * 2048, 2);
    HeadInfo head;
    head.kind = HK_USERDATA;
    head.checksum = XorWordChecksum(payload.data(), payload.size());
    head.value1 = 0x01020304;
    head.value2 = 0xA0B0C0D0;
    head.value3 = 7;
    head.names[0].fill('N');
    h.Remote().StartUpload('Q', head, std::make_shared<const ByteBuffer>(payload));
    ASSERT_TRUE(h.RunUntilIdle(60000));

    ASSERT_EQ(h.Remote().Outcome(), RemoteOutcome::kCompleted);
    const auto pc = h.FramesFrom(Side::kPc);
    const auto remote = h.FramesFrom(Side::kRemote);
    ASSERT_EQ(pc.size(), 13u);
    ASSERT_EQ(remote.size(), 13u);
    ExpectFrame("0F 31 51 0E 6E", remote[0], "request");
    ExpectFrame("0F 31 51 0E 6E", pc[0], "head-information request");
    EXPECT_EQ(pc[0].atMs - remote[0].atMs, 1 + 100);
    ExpectFrame("0F 33 0E 3D", pc[1], "start");
    for (int b = 0; b < 10; ++b) {
        ExpectFrame(DataFrame(b, payload.data() + b * 2048, 2048), remote[2 + b],
                    "data " + std::to_string(b));
        ExpectFrame(AckFrame(b), pc[2 + b], "ack " + std::to_string(b));
    }
    ExpectFrame("0F 35 0E 3B", remote[12], "end");
    ExpectFrame("0F 06 0E 08", pc[12], "final ack");

    std::vector<std::string> expected = {
        "SET Communication started...", "SET Head Info Request Send", "RANGE", "POS 0", "HEAD",
        "SET Communication Start!"};
    for (int b = 0; b < 10; ++b) {
        const int p = (b + 1) * 10;
        char text[32];
        std::snprintf(text, sizeof text, "SET %3d%% PROCESSING...", p);
        expected.push_back("POS " + std::to_string(p));
        expected.push_back(text);
        expected.push_back("BLOCK " + std::to_string(b));
    }
    for (const char* s : {"VERIFY", "SET End of Communication", "COMPLETE", "END", "END", "POS 0",
                          "SET Waiting for request..."})
        expected.push_back(s);
    EXPECT_EQ(Describe(page.Notes()), expected);
    EXPECT_EQ(TimeOf(page, "SET Waiting for request...") - pc[12].atMs, 3000);
    EXPECT_TRUE(HexDiff(payload, page.Received()).empty()) << HexDiff(payload, page.Received());

    const TransferJob& job = page.m_job;
    EXPECT_EQ(job.m_nBlockCount, 10);
    EXPECT_EQ(job.m_nProgressBlocks, 10);
    EXPECT_EQ(job.m_wChecksum, head.checksum);
    EXPECT_EQ(job.m_dwHeadParam1, 0x01020304u);
    EXPECT_EQ(job.m_dwHeadParam2, 0xA0B0C0D0u);
    EXPECT_EQ(job.m_dwHeadParam3, 7u);
    EXPECT_EQ(job.m_szHeadName, head.names);
}

// ---------------------------------------------------------------------------------------------
// No answer from the remote at each wait.

struct SilenceCase {
    const char* name;
    bool upload;
    // The remote goes silent instead of sending this frame.
    bool (*silentAt)(const std::uint8_t* f, std::size_t n);
    // Which PC frame counts as the first one (time 0): the first frame of this type and block.
    std::uint8_t firstType;
    int firstBlock;                    // -1 any
    std::vector<std::int64_t> sentAt;  // sendings of that frame (type and block) after time 0
    std::int64_t timeoutAt;
    std::int64_t resetAt;
};

void PrintTo(const SilenceCase& c, std::ostream* os) {
    *os << c.name;
}

int FrameBlock(const ByteBuffer& f) {
    return f.size() >= 4 ? (f[2] << 8) | f[3] : -1;
}

class SilentRemote : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(SilentRemote, TimersGiveUpOnSchedule) {
    const SilenceCase& c = GetParam();
    EngineHarness h;
    int pageIndex;
    if (c.upload) {
        pageIndex = FUNC_USERDATA_UPLOAD;
        h.Page(pageIndex).MakeUploadReady();
    } else {
        pageIndex = FUNC_DB_DOWNLOAD;
        h.Page(pageIndex).LoadDownload(Pattern(20 * 2048 + 100, 3));
    }
    h.Show(pageIndex);
    h.Advance(200);
    h.Remote().GoSilentWhen(c.silentAt);
    if (c.upload) {
        h.Remote().StartUpload('Q', HeadInfo{},
                               std::make_shared<const ByteBuffer>(Pattern(12 * 2048, 4)));
    } else {
        h.Remote().StartDownload('P');
    }
    ASSERT_TRUE(h.RunUntilIdle(120000));
    ASSERT_TRUE(h.Remote().Silent());

    std::vector<std::int64_t> times;
    std::int64_t t0 = -1;
    for (const auto& f : h.FramesFrom(Side::kPc)) {
        if (f.bytes[1] != c.firstType || (c.firstBlock >= 0 && FrameBlock(f.bytes) != c.firstBlock))
            continue;
        if (t0 < 0)
            t0 = f.atMs;
        times.push_back(f.atMs - t0);
    }
    ASSERT_GE(t0, 0);
    EXPECT_EQ(times, c.sentAt);
    const auto& page = h.Page(pageIndex);
    EXPECT_EQ(TimeOf(page, "SET Communication Timeout!") - t0, c.timeoutAt);
    EXPECT_EQ(TimeOf(page, "SET Waiting for request...") - t0, c.resetAt);
    EXPECT_EQ(h.Inspect().SendStep(), E::SS_IDLE);
}

bool IsType(const std::uint8_t* f, std::uint8_t type) {
    return f[1] == type;
}

const SilenceCase kSilenceCases[] = {
    {"StartAfterHead",
     false,
     [](const std::uint8_t* f, std::size_t) { return IsType(f, FT_START); },
     FT_HEAD_SHORT,
     -1,
     {0, 2000, 4000},
     6100,
     8100},
    {"HeadAfterHeadRequest",
     true,
     [](const std::uint8_t* f, std::size_t) { return IsType(f, FT_HEAD); },
     FT_REQUEST,
     -1,
     {0, 5000, 7000},
     9100,
     11100},
    {"AckOfBlock0",
     false,
     [](const std::uint8_t* f, std::size_t) { return IsType(f, FT_BLOCK_ACK); },
     FT_DATA,
     0,
     {0, 5000},
     10100,
     12100},
    {"AckOfLaterBlock",
     false,
     [](const std::uint8_t* f, std::size_t) { return IsType(f, FT_BLOCK_ACK) && f[3] == 3; },
     FT_DATA,
     3,
     {0, 3000},
     6100,
     8100},
    {"FirstDataAfterStart",
     true,
     [](const std::uint8_t* f, std::size_t) { return IsType(f, FT_DATA); },
     FT_START,
     -1,
     {0, 5000, 8000},
     11100,
     13100},
    // Silent after block 4: the PC names block 4 in its acknowledgement and both negative ones.
    {"NextDataAfterBlock4",
     true,
     [](const std::uint8_t* f, std::size_t) { return IsType(f, FT_DATA) && f[3] == 5; },
     FT_BLOCK_ACK,
     4,
     {0, 3000, 6000},
     9100,
     11100},
};

INSTANTIATE_TEST_SUITE_P(Rows, SilentRemote, ::testing::ValuesIn(kSilenceCases),
                         [](const ::testing::TestParamInfo<SilenceCase>& i) {
                             return std::string(i.param.name);
                         });

TEST(SilentRemote, RequestWhoseLastBytesNeverCome) {
    EngineHarness h;
    h.Page(FUNC_DB_DOWNLOAD).LoadDownload(Pattern(100, 5));
    h.Show(FUNC_DB_DOWNLOAD);
    h.Advance(200);
    const std::int64_t t0 = h.NowMs() + 1;  // arrival of the type byte
    h.SendFromRemote(FromHex("0F 31"));
    ASSERT_TRUE(h.RunUntilIdle(60000));
    const auto& page = h.Page(FUNC_DB_DOWNLOAD);
    EXPECT_EQ(TimeOf(page, "SET Communication Timeout!") - t0, 3000);
    EXPECT_EQ(TimeOf(page, "SET Waiting for request...") - t0, 5000);
    EXPECT_TRUE(h.FramesFrom(Side::kPc).empty());
}

TEST(SilentRemote, NegativeAcksOfLastBlockNameIt) {
    // The NAK acknowledgements after silence carry the block of the last good data frame.
    EngineHarness h;
    h.Page(FUNC_USERDATA_UPLOAD).MakeUploadReady();
    h.Show(FUNC_USERDATA_UPLOAD);
    h.Advance(200);
    h.Remote().GoSilentWhen(
        [](const std::uint8_t* f, std::size_t) { return f[1] == FT_DATA && f[3] == 5; });
    h.Remote().StartUpload('Q', HeadInfo{},
                           std::make_shared<const ByteBuffer>(Pattern(8 * 2048, 6)));
    ASSERT_TRUE(h.RunUntilIdle(60000));
    const auto pc = h.FramesFrom(Side::kPc);
    ASSERT_GE(pc.size(), 3u);
    ExpectFrame(AckFrame(4, BLOCK_ACK_BAD), pc[pc.size() - 1], "second negative ack");
    ExpectFrame(AckFrame(4, BLOCK_ACK_BAD), pc[pc.size() - 2], "first negative ack");
}

}  // namespace
}  // namespace vanto
