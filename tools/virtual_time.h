#pragma once
// Virtual time for tests and benchmarks: a clock that jumps from event to event, timer hosts that
// implement the engine's TimerHost on it, and scheduling of arbitrary callbacks (link delays).
// Events with the same due time run in the order they were armed or posted.

#include <cstdint>
#include <functional>
#include <vector>

#include "protocol/engine_ports.h"

namespace vanto {

class VirtualTimerHost;

class VirtualClock {
public:
    using Callback = std::function<void()>;

    VirtualClock();
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    std::int64_t NowMs() const { return m_nowMs; }
    // Runs `cb` `delayMs` from now.
    void Post(std::int64_t delayMs, Callback cb);
    // Runs the earliest pending event if it is due at or before `limitMs` (moving the clock to
    // its time). Returns false when nothing was due.
    bool RunNext(std::int64_t limitMs);
    // Runs events until none is left or the next one lies beyond now + maxMs. Returns true when
    // nothing is pending any more.
    bool RunUntilIdle(std::int64_t maxMs);
    // Runs every event due up to now + ms and then sets the clock to that time.
    void Advance(std::int64_t ms);
    bool Idle() const;
    // Time of the earliest pending event, or -1.
    std::int64_t NextDueMs() const;

    std::uint64_t NextSequence() { return m_nextSeq++; }

private:
    friend class VirtualTimerHost;
    struct Posted {
        std::int64_t due;
        std::uint64_t seq;
        Callback cb;
    };
    void Attach(VirtualTimerHost* host) { m_hosts.push_back(host); }
    void Detach(VirtualTimerHost* host);

    std::int64_t m_nowMs = 0;
    std::uint64_t m_nextSeq = 1;
    std::vector<Posted> m_heap;  // min-heap on (due, seq)
    std::vector<VirtualTimerHost*> m_hosts;
};

// Numbered one-shot timers on a VirtualClock: Arm replaces a running timer of that number,
// Disarm of a timer that is not running does nothing. An expiry disarms the timer and then calls
// the expiry callback with its number.
class VirtualTimerHost : public TimerHost {
public:
    using ExpiryFn = std::function<void(int id)>;

    explicit VirtualTimerHost(VirtualClock& clock, ExpiryFn onExpiry = {});
    ~VirtualTimerHost() override;
    VirtualTimerHost(const VirtualTimerHost&) = delete;
    VirtualTimerHost& operator=(const VirtualTimerHost&) = delete;

    void SetExpiry(ExpiryFn onExpiry) { m_onExpiry = std::move(onExpiry); }
    void Arm(int id, int periodMs) override;
    void Disarm(int id) override;

    bool IsArmed(int id) const;
    // Absolute due time of timer `id`, or -1 when it is not armed.
    std::int64_t DueMs(int id) const;
    bool AnyArmed() const { return !m_armed.empty(); }
    // Log of every arming: (virtual time, id, period), when enabled.
    struct ArmRecord {
        std::int64_t atMs;
        int id;
        int periodMs;
    };
    void RecordArms(bool on) { m_recordArms = on; }
    const std::vector<ArmRecord>& Arms() const { return m_arms; }

private:
    friend class VirtualClock;
    struct Armed {
        int id;
        std::int64_t due;
        std::uint64_t seq;
    };
    // The earliest armed timer, or null.
    const Armed* Earliest() const;
    void Fire(int id);

    VirtualClock& m_clock;
    ExpiryFn m_onExpiry;
    std::vector<Armed> m_armed;
    bool m_recordArms = false;
    std::vector<ArmRecord> m_arms;
};

}  // namespace vanto
