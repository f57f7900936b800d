#pragma once
// Carries received bytes from the link's reader thread to the engine's thread, and frames from
// the engine to the link. The reader thread only appends to a locked buffer and, when none is
// pending, posts one queued delivery; the engine's thread takes the whole buffer at once and
// hands it over in arrival order. The reader never waits for the engine, and the engine's thread
// never waits for the reader beyond the moment the buffer is swapped.

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "protocol/engine_ports.h"

namespace vanto::host {

class LinkBridge final : public QObject, public vanto::FrameWriter {
public:
    // Receives the bytes on the bridge's thread.
    using ByteSink = std::function<void(const std::uint8_t* data, std::size_t length)>;
    // Writes one whole frame to the link; returns false when the write failed.
    using FrameSink = std::function<bool(const std::uint8_t* frame, std::size_t length)>;

    explicit LinkBridge(ByteSink toEngine, QObject* parent = nullptr);

    // The link's write function; without one, frames are dropped.
    void SetWriter(FrameSink writer);

    // Any thread. Must not be called once the bridge is being destroyed: close the link first.
    void PushBytes(const std::uint8_t* data, std::size_t length);
    // Any thread: runs `call` on the bridge's thread after the bytes pushed before it.
    void PostAfterBytes(std::function<void()> call);

    // FrameWriter, on the bridge's thread.
    void WriteFrame(const std::uint8_t* frame, std::size_t length) override;

    // Delivers what is buffered now (also done by the queued delivery).
    void Drain();

    std::size_t BytesDelivered() const { return m_delivered; }
    std::size_t FramesWritten() const { return m_framesWritten; }
    std::size_t WriteFailures() const { return m_writeFailures; }

private:
    void PostDrain();

    ByteSink m_toEngine;
    FrameSink m_writer;

    std::mutex m_lock;  // guards the three members below
    std::vector<std::uint8_t> m_incoming;
    std::vector<std::function<void()>> m_after;  // run after the bytes at their mark
    std::vector<std::size_t> m_afterMark;
    bool m_drainPosted = false;

    std::vector<std::uint8_t> m_batch;  // engine thread only
    bool m_delivering = false;
    std::size_t m_delivered = 0;
    std::size_t m_framesWritten = 0;
    std::size_t m_writeFailures = 0;
};

}  // namespace vanto::host
