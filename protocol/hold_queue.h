#pragma once
// What reaches the engine while it may not act on it: received bytes and timer expiries that come
// during the 100 ms pause after an accepted request or start frame, or while a page's
// notification or the modal box runs. They wait here and are handed back in arrival order once
// the engine is free again.
//
// The queue is bounded, so a remote that floods the link cannot make it grow:
// - at most kMaxBytes received bytes are held; more make room by dropping the oldest;
// - when a pause begins, at most kMaxPausedFrames frames stay held (counted by their start
//   bytes); the older bytes are dropped. Every pause holds the engine 100 ms, so a flood of
//   requests that are each accepted cannot leave a backlog that keeps the engine busy long after
//   the flood ends, while the newest frames (a request that came after the flood) stay. A remote
//   that keeps to the protocol waits for the PC's answer after a frame that pauses the engine, so
//   no more than its next frame is ever held then;
// - timer expiries are never dropped (they belong to the exchange in progress); each timer
//   expires at most once while the engine is held, and a later expiry of the same timer replaces
//   an earlier one, so at most one per timer waits here.
// Nothing is allocated after construction.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vanto {

class HoldQueue {
public:
    static constexpr std::size_t kMaxBytes = 16 * 1024;
    static constexpr int kMaxPausedFrames = 2;

    // The oldest held event: a run of bytes (timer < 0) or a timer expiry of the given arming
    // generation.
    struct Event {
        int timer = -1;
        std::uint32_t generation = 0;
        const std::uint8_t* bytes = nullptr;  // valid until the next push or consume
        std::size_t length = 0;
    };

    HoldQueue();

    bool Empty() const { return m_count == 0; }
    // Held bytes plus held timer expiries.
    std::size_t Size() const;

    // Each returns how many held bytes it dropped to stay within the bounds.
    std::size_t PushBytes(const std::uint8_t* data, std::size_t n);
    void PushTimer(int id, std::uint32_t generation);
    // A pause of the engine begins.
    std::size_t BeginPause();

    // The oldest event; Empty() must be false.
    Event Front();
    // Marks `n` bytes of the front run handled, or the front timer expiry when it is one.
    void Consume(std::size_t n);

private:
    struct Entry {
        int timer;  // -1: bytes [begin, end) of the held stream
        std::uint32_t generation;
        std::uint64_t begin;
        std::uint64_t end;
    };
    // One byte run between each two timer expiries at most, and one expiry per engine timer.
    static constexpr std::size_t kMaxEntries = 32;

    Entry& At(std::size_t i) { return m_entries[(m_first + i) % kMaxEntries]; }
    void Append(const Entry& e);
    void PopFront();
    // Drops held bytes before stream offset `to`.
    std::size_t DropBefore(std::uint64_t to);

    // Held bytes are positions [m_head, m_tail) of the stream of every byte ever held; position p
    // is stored at m_bytes[p - m_base].
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_base = 0;
    std::uint64_t m_head = 0;
    std::uint64_t m_tail = 0;
    std::array<Entry, kMaxEntries> m_entries{};
    std::size_t m_first = 0;
    std::size_t m_count = 0;
};

}  // namespace vanto
