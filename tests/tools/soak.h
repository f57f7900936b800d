#pragma once
// Random exchanges of every kind and size over a link that drops, corrupts, duplicates and delays
// frames. Every exchange must end with exactly the right data delivered, with "Communication
// Timeout!", or with a silent give-up; anything else is a failure, explained.

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
};

struct Counts {
    int downloadsCompleted = 0;
    int uploadsCompleted = 0;
    int timeouts = 0;
    int silentGiveUps = 0;
    int refused = 0;
    std::uint64_t bytesDelivered = 0;
    std::vector<std::string> failures;
    int Total() const {
        return downloadsCompleted + uploadsCompleted + timeouts + silentGiveUps + refused;
    }
};

Counts Run(const Options& options);
std::string Summary(const Counts& counts);

}  // namespace vanto::soak
