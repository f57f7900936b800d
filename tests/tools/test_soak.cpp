#include <gtest/gtest.h>

#include <cstdio>

#include "soak.h"

namespace vanto {
namespace {

// Small enough for the sanitizer run; the full soak is its own executable (label "slow").
TEST(Soak, FaultyLinkNeverDeliversWrongDataNorHangs) {
    soak::Options o;
    o.seed = 20261209;
    o.exchanges = 250;
    o.maxBytes = 64 * 1024;
    const soak::Counts c = soak::Run(o);
    std::printf("soak (%d exchanges up to %d bytes): %s\n", o.exchanges, o.maxBytes,
                soak::Summary(c).c_str());
    for (const auto& f : c.failures)
        ADD_FAILURE() << f;
    EXPECT_EQ(c.Total(), o.exchanges);
    EXPECT_GT(c.downloadsCompleted, 0);
    EXPECT_GT(c.uploadsCompleted, 0);
}

TEST(Soak, SynchronousLinkGoesThroughTheEnginesHoldQueue) {
    soak::Options o;
    o.seed = 99;
    o.exchanges = 150;
    o.maxBytes = 64 * 1024;
    o.latencyMs = 0;
    const soak::Counts c = soak::Run(o);
    std::printf("soak, synchronous link (%d exchanges): %s\n", o.exchanges,
                soak::Summary(c).c_str());
    for (const auto& f : c.failures)
        ADD_FAILURE() << f;
    EXPECT_EQ(c.Total(), o.exchanges);
    EXPECT_GT(c.downloadsCompleted + c.uploadsCompleted, o.exchanges / 2);
}

}  // namespace
}  // namespace vanto
