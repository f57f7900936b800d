#include <gtest/gtest.h>

#include <algorithm>

#include "tools/engine_harness.h"

namespace vanto {
namespace {

ByteBuffer Bytes(std::size_t n, unsigned seed) {
    ByteBuffer b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>((i * 131 + seed * 7) >> 1);
    return b;
}

TEST(SimulatedRemote, ChunkedOutputStillMakesWholeExchanges) {
    EngineHarness h;
    h.Page(FUNC_ICON_UPLOAD).MakeUploadReady();
    h.Show(FUNC_ICON_UPLOAD);
    h.Advance(200);
    h.Remote().SplitOutput(3, 42);
    const ByteBuffer payload = Bytes(5 * 2048 + 9, 1);
    h.Remote().StartUpload('U', HeadInfo{HK_ICON}, std::make_shared<const ByteBuffer>(payload));
    ASSERT_TRUE(h.RunUntilIdle(60000));
    EXPECT_EQ(h.Remote().Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(h.Page(FUNC_ICON_UPLOAD).Received(), payload);
    for (const auto& f : h.FramesFrom(Side::kRemote))
        EXPECT_LE(f.bytes.size(), 3u);
}

TEST(SimulatedRemote, NakPlanMakesThePcResendAndTheExchangeStillCompletes) {
    EngineHarness h;
    const ByteBuffer data = Bytes(3 * 2048 + 5, 2);
    h.Page(FUNC_APP_DOWNLOAD).LoadDownload(data);
    h.Show(FUNC_APP_DOWNLOAD);
    h.Advance(200);
    h.Remote().NakBlock(1, 3);  // three negative acks: the fourth sending is accepted
    h.Remote().StartDownload('3');
    ASSERT_TRUE(h.RunUntilIdle(60000));
    EXPECT_EQ(h.Remote().Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(h.Remote().ReceivedData(), data);
    int sendings = 0;
    for (const auto& f : h.FramesFrom(Side::kPc))
        if (f.bytes[1] == FT_DATA && f.bytes[3] == 1)
            ++sendings;
    EXPECT_EQ(sendings, 4);
}

TEST(SimulatedRemote, FourNegativeAcksEndTheDownloadInATimeoutAndTheRemoteGivesUp) {
    EngineHarness h;
    h.Page(FUNC_APP_DOWNLOAD).LoadDownload(Bytes(3 * 2048, 3));
    h.Show(FUNC_APP_DOWNLOAD);
    h.Advance(200);
    h.Remote().NakBlock(1, 4);
    h.Remote().StartDownload('0');
    ASSERT_TRUE(h.RunUntilIdle(120000));
    EXPECT_EQ(h.Remote().Outcome(), RemoteOutcome::kGaveUp);
    const auto msgs = h.Page(FUNC_APP_DOWNLOAD).Messages();
    EXPECT_EQ(std::count(msgs.begin(), msgs.end(), "Communication Timeout!"), 1);
    EXPECT_EQ(msgs.back(), "Waiting for request...");
}

TEST(SimulatedRemote, DroppedFramesByRuleAreRecovered) {
    EngineHarness h;
    const ByteBuffer data = Bytes(4 * 2048 + 1, 4);
    h.Page(FUNC_DB_DOWNLOAD).LoadDownload(data);
    h.Show(FUNC_DB_DOWNLOAD);
    h.Advance(200);
    // Lose the remote's first start frame and its first acknowledgement of block 2, and the
    // PC's first sending of block 3.
    h.Remote().OutputFaults().SetRule([](const std::uint8_t* f, std::size_t, std::uint64_t i) {
        FrameFault fault;
        fault.drop = (f[1] == FT_START && i == 1) || (f[1] == FT_BLOCK_ACK && f[3] == 2 && i < 6);
        return fault;
    });
    int block3 = 0;
    h.PcToRemoteFaults().SetRule([&](const std::uint8_t* f, std::size_t, std::uint64_t) {
        FrameFault fault;
        fault.drop = f[1] == FT_DATA && f[3] == 3 && block3++ == 0;
        return fault;
    });
    h.Remote().StartDownload('P');
    ASSERT_TRUE(h.RunUntilIdle(120000));
    EXPECT_EQ(h.Remote().Outcome(), RemoteOutcome::kCompleted);
    EXPECT_EQ(h.Remote().ReceivedData(), data);
    EXPECT_EQ(block3, 2);
}

TEST(SimulatedRemote, RefusalIsReported) {
    EngineHarness h;
    h.Show(FUNC_APP_DOWNLOAD);
    h.Advance(200);
    h.Remote().StartDownload('P');
    ASSERT_TRUE(h.RunUntilIdle(60000));
    EXPECT_EQ(h.Remote().Outcome(), RemoteOutcome::kRefused);
}

}  // namespace
}  // namespace vanto
