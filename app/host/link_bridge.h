#pragma once
// Carries received bytes from the link's reader thread to the engine's thread. The reader thread
// only appends to a locked buffer and, when none is pending, posts one queued delivery; the
// engine's thread takes the whole buffer at once and hands it over in arrival order. The reader
// never waits for the engine, and the engine's thread never waits for the reader beyond the
// moment the buffer is swapped.
//
// The buffer is bounded: when the engine's thread falls behind a remote that floods the link,
// the oldest bytes make room for the newest (frames do not exist yet here, only bytes), and the
// drop is reported on the engine's thread with the next delivery. The bound holds more than a
// dozen of the largest frames, while a backlog of short requests it can hold is handled in a
// fraction of a second even when each one costs a message line.

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace vanto::host {

class LinkBridge final : public QObject {
public:
    static constexpr std::size_t kMaxBytes = 32 * 1024;

    // Receives the bytes on the bridge's thread.
    using ByteSink = std::function<void(const std::uint8_t* data, std::size_t length)>;
    // Told on the bridge's thread how many received bytes were dropped.
    using DropSink = std::function<void(std::size_t bytes)>;

    explicit LinkBridge(ByteSink toEngine, QObject* parent = nullptr);

    void SetDropSink(DropSink sink) { m_onDrop = std::move(sink); }

    // Any thread. Must not be called once the bridge is being destroyed: close the link first.
    void PushBytes(const std::uint8_t* data, std::size_t length);

    // Delivers what is buffered now (also done by the queued delivery).
    void Drain();

    std::size_t BytesDelivered() const { return m_delivered; }
    std::size_t BytesDropped() const { return m_droppedTotal; }

private:
    void PostDrain();

    ByteSink m_toEngine;
    DropSink m_onDrop;

    std::mutex m_lock;  // guards the three members below
    std::vector<std::uint8_t> m_incoming;
    std::size_t m_dropped = 0;
    bool m_drainPosted = false;

    std::vector<std::uint8_t> m_batch;  // engine thread only
    bool m_delivering = false;
    std::size_t m_delivered = 0;
    std::size_t m_droppedTotal = 0;
};

}  // namespace vanto::host
