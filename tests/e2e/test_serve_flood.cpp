// A remote that floods the link with requests for another page, damaged requests, requests that
// are each accepted, or random bytes: `serve` keeps its memory small while the flood lasts, and a
// second after the flood's end it serves a normal request whole.
#include <signal.h>

#include <cstdio>
#include <thread>

#include "tests/e2e/e2e_support.h"
#include "tools/flood_patterns.h"

namespace vanto::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto kFloodTime = 2s;
constexpr long kMaxRssKb = 64 * 1024;

class ServeFlood : public ServeTest, public ::testing::WithParamInterface<FloodKind> {};

TEST_P(ServeFlood, StaysSmallAndServesTheNextRequestWhole) {
    const FloodKind kind = GetParam();
    const std::string name = FloodName(kind);
    const ByteBuffer database = test::MakeDatabase(6 * 2048 + 33, 91);
    test::WriteFile(Path("db.bin"), database);
    ASSERT_NO_FATAL_FAILURE(StartServe({"--function", "db-download", "--file", Path("db.bin")}));

    runner->Flood(FloodPattern(kind), kFloodTime);
    std::optional<Clock::time_point> ended;
    for (int i = 0; i < 200 && !(ended = runner->FloodEnded()); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(ended) << "the flood did not end";
    std::this_thread::sleep_for(1s - (Clock::now() - *ended));

    const auto asked = Clock::now();
    runner->Call([](SimulatedRemote& r) { r.StartDownload(REQ_DB_DOWNLOAD); });
    ASSERT_TRUE(runner->WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, 20s));
    const auto served = Clock::now();
    runner->Call([&](SimulatedRemote& r) {
        EXPECT_EQ(r.Outcome(), RemoteOutcome::kCompleted);
        EXPECT_EQ(test::ByteDiff(r.ReceivedData(), database), "");
    });
    // One try of the remote, no repeat after its 1.5 s reply wait.
    EXPECT_LT(MsBetween(asked, served), 1500);

    const long rssKb = serve.PeakRssKb();
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.WaitExit(10s), 0);
    std::printf("%s: %.1f MB flooded in %lld ms, peak RSS %.1f MB, request served in %lld ms\n",
                name.c_str(), static_cast<double>(runner->BytesFlooded()) / 1e6,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(kFloodTime).count()),
                static_cast<double>(rssKb) / 1024.0, MsBetween(asked, served));
    EXPECT_GT(rssKb, 0);
#if !defined(__SANITIZE_ADDRESS__)
    // Under AddressSanitizer its own shadow memory and quarantine dwarf the program's.
    EXPECT_LT(rssKb, kMaxRssKb);
#endif
    EXPECT_GT(runner->BytesFlooded(), 1'000'000u) << "too little flood to tell anything";
}

INSTANTIATE_TEST_SUITE_P(Kinds, ServeFlood,
                         ::testing::Values(FloodKind::kRequestsForAnotherPage,
                                           FloodKind::kDamagedRequests,
                                           FloodKind::kAcceptedRequests, FloodKind::kRandomBytes),
                         [](const auto& info) { return FloodName(info.param); });

}  // namespace
}  // namespace vanto::e2e
