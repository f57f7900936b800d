#pragma once
// Decides what happens to each frame a side puts on a simulated link: delivered as sent, dropped,
// corrupted (one byte XORed with a nonzero value), duplicated or delayed. Faults come from a rule
// (a predicate over the frame and its running number) and from seeded random rates.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>

namespace vanto {

struct FrameFault {
    bool drop = false;
    bool duplicate = false;
    int corruptIndex = -1;  // byte to damage, -1 for none
    std::uint8_t corruptXor = 0x01;
    int extraDelayMs = 0;
};

class FaultPlan {
public:
    // frame, its length, and the number of frames this plan has seen before it.
    using Rule =
        std::function<FrameFault(const std::uint8_t* frame, std::size_t n, std::uint64_t index)>;

    void SetRule(Rule rule) { m_rule = std::move(rule); }
    void SetRates(double drop, double corrupt, double duplicate, double delay, int maxDelayMs) {
        m_drop = drop;
        m_corrupt = corrupt;
        m_duplicate = duplicate;
        m_delay = delay;
        m_maxDelayMs = maxDelayMs;
    }
    void Seed(std::uint64_t seed) { m_rng.seed(seed); }
    bool Active() const {
        return m_rule || m_drop > 0 || m_corrupt > 0 || m_duplicate > 0 || m_delay > 0;
    }

    FrameFault Decide(const std::uint8_t* frame, std::size_t n);

    std::uint64_t FramesSeen() const { return m_index; }

private:
    double Uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng); }

    Rule m_rule;
    double m_drop = 0, m_corrupt = 0, m_duplicate = 0, m_delay = 0;
    int m_maxDelayMs = 0;
    std::mt19937_64 m_rng{1};
    std::uint64_t m_index = 0;
};

// Applies a decided fault to a copy of the frame in `buf` (which must hold n bytes).
void ApplyCorruption(const FrameFault& fault, std::uint8_t* buf, std::size_t n);

}  // namespace vanto
