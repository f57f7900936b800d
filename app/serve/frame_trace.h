#pragma once
// The frame trace of `serve --trace`: one stderr line per frame, with the milliseconds since the
// trace started and the direction ("PC>RC" sent to the remote, "RC>PC" received from it), and one
// line for every drop of a bounded queue:
//   trace: 1234 ms RC>PC 0F 31 50 0E 5E

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/transfer_engine.h"

namespace vanto::serve {

std::string FormatTraceLine(std::int64_t ms, bool sent, const std::uint8_t* frame,
                            std::size_t length);
//   trace: 1234 ms dropped 12 frames (96 bytes) waiting for the link
//   trace: 1234 ms dropped 65536 received bytes waiting for the engine
std::string FormatDropLine(std::int64_t ms, DropSite site, std::size_t frames, std::size_t bytes);

class FrameTracer final : public FrameTraceSink {
public:
    FrameTracer();

    void OnFrameSent(const std::uint8_t* frame, std::size_t length) override;
    void OnFrameReceived(const std::uint8_t* frame, std::size_t length) override;
    // Bytes a bounded queue dropped under a flood.
    void OnDropped(DropSite site, std::size_t frames, std::size_t bytes) override;

private:
    std::int64_t ElapsedMs() const;

    std::chrono::steady_clock::time_point m_start;
};

}  // namespace vanto::serve
