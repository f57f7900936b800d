#include "tools/virtual_time.h"

#include <algorithm>

namespace vanto {

namespace {
bool Later(std::int64_t dueA, std::uint64_t seqA, std::int64_t dueB, std::uint64_t seqB) {
    return dueA != dueB ? dueA > dueB : seqA > seqB;
}
}  // namespace

VirtualClock::VirtualClock() {
    m_heap.reserve(256);
    m_hosts.reserve(8);
}

void VirtualClock::Post(std::int64_t delayMs, Callback cb) {
    m_heap.push_back(
        Posted{m_nowMs + std::max<std::int64_t>(delayMs, 0), NextSequence(), std::move(cb)});
    std::push_heap(m_heap.begin(), m_heap.end(), [](const Posted& a, const Posted& b) {
        return Later(a.due, a.seq, b.due, b.seq);
    });
}

void VirtualClock::Detach(VirtualTimerHost* host) {
    m_hosts.erase(std::remove(m_hosts.begin(), m_hosts.end(), host), m_hosts.end());
}

std::int64_t VirtualClock::NextDueMs() const {
    std::int64_t due = m_heap.empty() ? -1 : m_heap.front().due;
    for (const VirtualTimerHost* h : m_hosts) {
        const auto* t = h->Earliest();
        if (t != nullptr && (due < 0 || t->due < due))
            due = t->due;
    }
    return due;
}

bool VirtualClock::Idle() const {
    return NextDueMs() < 0;
}

bool VirtualClock::RunNext(std::int64_t limitMs) {
    // Pick the earliest among posted callbacks and armed timers; ties go to the older arming.
    VirtualTimerHost* bestHost = nullptr;
    const VirtualTimerHost::Armed* bestTimer = nullptr;
    for (VirtualTimerHost* h : m_hosts) {
        const auto* t = h->Earliest();
        if (t != nullptr &&
            (bestTimer == nullptr || Later(bestTimer->due, bestTimer->seq, t->due, t->seq))) {
            bestTimer = t;
            bestHost = h;
        }
    }
    const bool postedFirst =
        !m_heap.empty() && (bestTimer == nullptr || Later(bestTimer->due, bestTimer->seq,
                                                          m_heap.front().due, m_heap.front().seq));
    if (postedFirst) {
        if (m_heap.front().due > limitMs)
            return false;
        std::pop_heap(m_heap.begin(), m_heap.end(), [](const Posted& a, const Posted& b) {
            return Later(a.due, a.seq, b.due, b.seq);
        });
        Posted ev = std::move(m_heap.back());
        m_heap.pop_back();
        m_nowMs = std::max(m_nowMs, ev.due);
        ev.cb();
        return true;
    }
    if (bestTimer == nullptr || bestTimer->due > limitMs)
        return false;
    m_nowMs = std::max(m_nowMs, bestTimer->due);
    bestHost->Fire(bestTimer->id);
    return true;
}

bool VirtualClock::RunUntilIdle(std::int64_t maxMs) {
    const std::int64_t limit = m_nowMs + maxMs;
    while (RunNext(limit)) {
    }
    return Idle();
}

void VirtualClock::Advance(std::int64_t ms) {
    const std::int64_t limit = m_nowMs + ms;
    while (RunNext(limit)) {
    }
    m_nowMs = std::max(m_nowMs, limit);
}

VirtualTimerHost::VirtualTimerHost(VirtualClock& clock, ExpiryFn onExpiry)
    : m_clock(clock), m_onExpiry(std::move(onExpiry)) {
    m_armed.reserve(32);
    m_clock.Attach(this);
}

VirtualTimerHost::~VirtualTimerHost() {
    m_clock.Detach(this);
}

void VirtualTimerHost::Arm(int id, int periodMs) {
    const std::int64_t due = m_clock.NowMs() + std::max(periodMs, 0);
    const std::uint64_t seq = m_clock.NextSequence();
    if (m_recordArms)
        m_arms.push_back(ArmRecord{m_clock.NowMs(), id, periodMs});
    for (Armed& a : m_armed) {
        if (a.id == id) {
            a.due = due;
            a.seq = seq;
            return;
        }
    }
    m_armed.push_back(Armed{id, due, seq});
}

void VirtualTimerHost::Disarm(int id) {
    for (std::size_t i = 0; i < m_armed.size(); ++i) {
        if (m_armed[i].id == id) {
            m_armed[i] = m_armed.back();
            m_armed.pop_back();
            return;
        }
    }
}

bool VirtualTimerHost::IsArmed(int id) const {
    return DueMs(id) >= 0;
}

std::int64_t VirtualTimerHost::DueMs(int id) const {
    for (const Armed& a : m_armed)
        if (a.id == id)
            return a.due;
    return -1;
}

const VirtualTimerHost::Armed* VirtualTimerHost::Earliest() const {
    const Armed* best = nullptr;
    for (const Armed& a : m_armed)
        if (best == nullptr || Later(best->due, best->seq, a.due, a.seq))
            best = &a;
    return best;
}

void VirtualTimerHost::Fire(int id) {
    Disarm(id);
    if (m_onExpiry)
        m_onExpiry(id);
}

}  // namespace vanto
