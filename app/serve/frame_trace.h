#pragma once
// The frame trace of `serve --trace`: one stderr line per frame, with the milliseconds since the
// trace started and the direction ("PC>RC" sent to the remote, "RC>PC" received from it):
//   trace: 1234 ms RC>PC 0F 31 50 0E 5E

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/transfer_engine.h"

namespace vanto::serve {

std::string FormatTraceLine(std::int64_t ms, bool sent, const std::uint8_t* frame,
                            std::size_t length);

class FrameTracer final : public FrameTraceSink {
public:
    FrameTracer();

    // A frame the engine writes.
    void OnFrameSent(const std::uint8_t* frame, std::size_t length);
    // A complete frame the engine received.
    void OnFrameReceived(const std::uint8_t* frame, std::size_t length) override;

private:
    std::int64_t ElapsedMs() const;

    std::chrono::steady_clock::time_point m_start;
};

}  // namespace vanto::serve
