#include "protocol/hold_queue.h"

#include <algorithm>
#include <cstring>

#include "protocol/frames.h"

namespace vanto {

// Twice the bound: held bytes move to the front of the buffer at most once per kMaxBytes pushed.
HoldQueue::HoldQueue() : m_bytes(2 * kMaxBytes) {}

std::size_t HoldQueue::Size() const {
    std::size_t timers = 0;
    for (std::size_t i = 0; i < m_count; ++i)
        if (m_entries[(m_first + i) % kMaxEntries].timer >= 0)
            ++timers;
    return static_cast<std::size_t>(m_tail - m_head) + timers;
}

void HoldQueue::Append(const Entry& e) {
    m_entries[(m_first + m_count) % kMaxEntries] = e;
    ++m_count;
}

void HoldQueue::PopFront() {
    m_first = (m_first + 1) % kMaxEntries;
    --m_count;
}

std::size_t HoldQueue::DropBefore(std::uint64_t to) {
    if (to <= m_head)
        return 0;
    const std::size_t dropped = static_cast<std::size_t>(to - m_head);
    m_head = to;
    // Runs that lie wholly before the new head are gone; timer expiries stay, in their order.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        const Entry e = At(i);
        if (e.timer < 0 && e.end <= m_head)
            continue;
        m_entries[(m_first + kept) % kMaxEntries] = e;
        ++kept;
    }
    m_count = kept;
    return dropped;
}

std::size_t HoldQueue::PushBytes(const std::uint8_t* data, std::size_t n) {
    if (n == 0)
        return 0;
    std::size_t dropped = 0;
    if (n > kMaxBytes) {
        // Only the newest bytes of a run larger than the bound are kept: the others count as
        // held and dropped at once.
        const std::size_t skip = n - kMaxBytes;
        m_tail += skip;
        data += skip;
        n = kMaxBytes;
        dropped += DropBefore(m_tail);
    }
    if (m_tail - m_head + n > kMaxBytes)
        dropped += DropBefore(m_tail + n - kMaxBytes);
    if (m_tail - m_base + n > m_bytes.size()) {
        const auto live = static_cast<std::size_t>(m_tail - m_head);
        std::memmove(m_bytes.data(), m_bytes.data() + (m_head - m_base), live);
        m_base = m_head;
    }
    std::memcpy(m_bytes.data() + (m_tail - m_base), data, n);
    if (m_count > 0 && At(m_count - 1).timer < 0 && At(m_count - 1).end == m_tail) {
        At(m_count - 1).end += n;  // continues the last run
    } else {
        Append(Entry{-1, 0, m_tail, m_tail + n});
    }
    m_tail += n;
    return dropped;
}

void HoldQueue::PushTimer(int id, std::uint32_t generation) {
    for (std::size_t i = 0; i < m_count; ++i) {
        if (At(i).timer == id) {
            At(i).generation = generation;  // the later expiry stands for both
            return;
        }
    }
    if (m_count < kMaxEntries)
        Append(Entry{id, generation, 0, 0});
}

std::size_t HoldQueue::BeginPause() {
    int starts = 0;
    for (std::uint64_t p = m_tail; p > m_head; --p) {
        if (m_bytes[p - 1 - m_base] == FRAME_START && ++starts == kMaxPausedFrames)
            return DropBefore(p - 1);
    }
    return 0;
}

HoldQueue::Event HoldQueue::Front() {
    const Entry& e = At(0);
    Event ev;
    ev.timer = e.timer;
    ev.generation = e.generation;
    if (e.timer < 0) {
        const std::uint64_t from = std::max(e.begin, m_head);
        ev.bytes = m_bytes.data() + (from - m_base);
        ev.length = static_cast<std::size_t>(e.end - from);
    }
    return ev;
}

void HoldQueue::Consume(std::size_t n) {
    Entry& e = At(0);
    if (e.timer >= 0) {
        PopFront();
        return;
    }
    m_head = std::max(e.begin, m_head) + n;
    if (m_head >= e.end)
        PopFront();
    if (m_count == 0) {
        m_base = m_head = m_tail;  // empty: the next bytes go to the front of the buffer
    }
}

}  // namespace vanto
