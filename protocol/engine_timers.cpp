#include "protocol/engine_timers.h"

namespace vanto {

int EngineTimers::Slot(int id) {
    switch (id) {
        case TIMER_INIT_VIEW:
            return 0;
        case TIMER_TIMEOUT:
            return 1;
        case TIMER_HEAD_REPLY:
            return 2;
        case TIMER_BLOCK_ACK:
            return 3;
        case TIMER_DATA_WAIT:
            return 4;
        case TIMER_FRAME_TYPE:
            return 5;
        case TIMER_RESET:
            return 6;
        case TIMER_ENGINE_FRAME:
            return 7;
        default:
            return -1;
    }
}

void EngineTimers::Arm(int id, int periodMs) {
    const int slot = Slot(id);
    if (slot >= 0) {
        ++m_generation[static_cast<std::size_t>(slot)];
        m_armed[static_cast<std::size_t>(slot)] = true;
    }
    m_host.Arm(id, periodMs);
}

void EngineTimers::Disarm(int id) {
    const int slot = Slot(id);
    if (slot >= 0) {
        ++m_generation[static_cast<std::size_t>(slot)];
        m_armed[static_cast<std::size_t>(slot)] = false;
    }
    m_host.Disarm(id);
}

bool EngineTimers::IsArmed(int id) const {
    const int slot = Slot(id);
    return slot >= 0 && m_armed[static_cast<std::size_t>(slot)];
}

std::uint32_t EngineTimers::Generation(int id) const {
    const int slot = Slot(id);
    return slot >= 0 ? m_generation[static_cast<std::size_t>(slot)] : 0;
}

}  // namespace vanto
