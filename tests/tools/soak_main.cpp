// The full fault-injection soak: 1000 exchanges of 0 to 300 KB over a faulty link, a tenth of
// them with a remote that damages a frame and then goes silent.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "soak.h"

namespace vanto {
namespace {

TEST(SoakFull, ThousandExchangesOverAFaultyLink) {
    soak::Options o;
    o.seed = 7;
    o.exchanges = 1000;
    o.maxBytes = 300 * 1024;
    o.drop = o.corrupt = o.duplicate = o.delay = 0.02;
    // Other seeds and fault rates for exploring by hand.
    if (const char* s = std::getenv("VANTO_SOAK_SEED"))
        o.seed = std::strtoull(s, nullptr, 10);
    if (const char* s = std::getenv("VANTO_SOAK_LATENCY"))
        o.latencyMs = std::atoi(s);
    if (const char* s = std::getenv("VANTO_SOAK_RATE"))
        o.drop = o.corrupt = o.duplicate = o.delay = std::atof(s);
    if (const char* s = std::getenv("VANTO_SOAK_DAMAGE"))
        o.damageThenSilence = std::atof(s);
    const soak::Counts c = soak::Run(o);
    std::printf("soak (%d exchanges up to %d bytes): %s\n", o.exchanges, o.maxBytes,
                soak::Summary(c).c_str());
    for (const auto& f : c.failures)
        ADD_FAILURE() << f;
    EXPECT_EQ(c.Total(), o.exchanges);
}

}  // namespace
}  // namespace vanto
