#include "tools/fault_plan.h"

namespace vanto {

FrameFault FaultPlan::Decide(const std::uint8_t* frame, std::size_t n) {
    FrameFault f;
    const std::uint64_t index = m_index++;
    if (m_rule)
        f = m_rule(frame, n, index);
    if (m_drop > 0 && Uniform() < m_drop)
        f.drop = true;
    if (m_corrupt > 0 && n > 0 && Uniform() < m_corrupt) {
        f.corruptIndex = static_cast<int>(m_rng() % n);
        f.corruptXor = static_cast<std::uint8_t>(1 + m_rng() % 255);
    }
    if (m_duplicate > 0 && Uniform() < m_duplicate)
        f.duplicate = true;
    if (m_delay > 0 && m_maxDelayMs > 0 && Uniform() < m_delay)
        f.extraDelayMs = 1 + static_cast<int>(m_rng() % static_cast<std::uint64_t>(m_maxDelayMs));
    return f;
}

void ApplyCorruption(const FrameFault& fault, std::uint8_t* buf, std::size_t n) {
    if (fault.corruptIndex >= 0 && static_cast<std::size_t>(fault.corruptIndex) < n)
        buf[fault.corruptIndex] ^= fault.corruptXor != 0 ? fault.corruptXor : 0x01;
}

}  // namespace vanto
