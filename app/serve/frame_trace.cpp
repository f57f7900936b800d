#include "app/serve/frame_trace.h"

#include "app/serve/console_out.h"

namespace vanto::serve {

std::string FormatTraceLine(std::int64_t ms, bool sent, const std::uint8_t* frame,
                            std::size_t length) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line = "trace: " + std::to_string(ms) + " ms " + (sent ? "PC>RC" : "RC>PC");
    line.reserve(line.size() + 3 * length);
    for (std::size_t i = 0; i < length; ++i) {
        line.push_back(' ');
        line.push_back(kHex[frame[i] >> 4]);
        line.push_back(kHex[frame[i] & 0x0F]);
    }
    return line;
}

std::string FormatDropLine(std::int64_t ms, DropSite site, std::size_t frames, std::size_t bytes) {
    std::string line = "trace: " + std::to_string(ms) + " ms dropped ";
    switch (site) {
        case DropSite::kOutgoing:
            return line + std::to_string(frames) + " frames (" + std::to_string(bytes) +
                   " bytes) waiting for the link";
        case DropSite::kIncoming:
            return line + std::to_string(bytes) + " received bytes waiting for the engine";
        case DropSite::kHeld:
            break;
    }
    return line + std::to_string(bytes) + " received bytes held while the engine was busy";
}

FrameTracer::FrameTracer() : m_start(std::chrono::steady_clock::now()) {}

void FrameTracer::OnFrameSent(const std::uint8_t* frame, std::size_t length) {
    PrintErrLine(FormatTraceLine(ElapsedMs(), true, frame, length));
}

void FrameTracer::OnFrameReceived(const std::uint8_t* frame, std::size_t length) {
    PrintErrLine(FormatTraceLine(ElapsedMs(), false, frame, length));
}

void FrameTracer::OnDropped(DropSite site, std::size_t frames, std::size_t bytes) {
    PrintErrLine(FormatDropLine(ElapsedMs(), site, frames, bytes));
}

std::int64_t FrameTracer::ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 m_start)
        .count();
}

}  // namespace vanto::serve
