#pragma once
// Random exchanges of every kind and size over a link that drops, corrupts, duplicates and delays
// frames, some of them with a remote that damages one frame and then goes silent. Every exchange
// must end with exactly the right data delivered (a download whose end frame was lost included),
// refused, never accepted (its request was lost), or with "Communication Timeout!"; anything else
// (an accepted exchange that ends silently, wrong data, a parser left inside a frame) is a failure,
// explained.

#include <cstdint>
#include <string>
#include <vector>

namespace vanto::soak {

struct Options {
    std::uint64_t seed = 1;
    int exchanges = 1000;
    int maxBytes = 300 * 1024;
    double drop = 0.01, corrupt = 0.01, duplicate = 0.01, delay = 0.01;
    int maxDelayMs = 1500;
    int latencyMs = 1;  // 0: the sides answer each other synchronously (the engine holds them)
    double damageThenSilence = 0.1;  // share of exchanges whose remote damages a frame, then stops
};

struct Counts {
    int downloadsCompleted = 0;
    int uploadsCompleted = 0;
    int timeouts = 0;
    int refused = 0;
    int neverAccepted = 0;
    int endFrameLost = 0;       // every block acknowledged, the PC's end frame (or its answer) lost
    int damagedThenSilent = 0;  // exchanges with that fault (counted again in their outcome)
    std::uint64_t bytesDelivered = 0;
    std::vector<std::string> failures;
    int Total() const {
        return downloadsCompleted + uploadsCompleted + timeouts + refused + neverAccepted +
               endFrameLost + static_cast<int>(failures.size());
    }
};

Counts Run(const Options& options);
std::string Summary(const Counts& counts);

}  // namespace vanto::soak
