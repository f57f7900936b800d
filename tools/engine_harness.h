#pragma once
// The engine and a simulated remote joined in-process by a link with latency, all in virtual
// time. Records every frame each side put on the link with its virtual time, and (with the
// built-in pages) every notification each page received.

#include <cstdint>
#include <memory>
#include <vector>

#include "protocol/transfer_engine.h"
#include "tools/engine_inspector.h"
#include "tools/fault_plan.h"
#include "tools/recording_page.h"
#include "tools/simulated_remote.h"
#include "tools/virtual_time.h"

namespace vanto {

enum class Side { kPc, kRemote };

struct SentFrame {
    std::int64_t atMs = 0;
    Side from = Side::kPc;
    ByteBuffer bytes;  // as written (the remote's output as chunked, before link faults)
};

struct HarnessOptions {
    int latencyMs = 1;  // each direction; 0 hands bytes over synchronously
    bool recordFrames = true;
    RemoteConfig remote;
    PageRegistry* pages = nullptr;  // null: the harness's six recording pages
    bool startInitView = true;      // arm TIMER_INIT_VIEW (100 ms) as the main frame does
};

class EngineHarness {
public:
    explicit EngineHarness(HarnessOptions options = {});
    EngineHarness(const EngineHarness&) = delete;
    EngineHarness& operator=(const EngineHarness&) = delete;

    VirtualClock& Clock() { return m_clock; }
    VirtualTimerHost& PcTimers() { return m_pcTimers; }
    VirtualTimerHost& RemoteTimers() { return m_remoteTimers; }
    TransferEngine& Engine() { return *m_engine; }
    EngineInspector Inspect() const { return EngineInspector(*m_engine); }
    SimulatedRemote& Remote() { return *m_remote; }
    RecordingAlert& Alert() { return m_alert; }
    // The built-in pages (valid when options.pages was null).
    RecordingPageRegistry& Pages() { return m_ownPages; }
    RecordingPage& Page(int index) { return m_ownPages.At(index); }
    void Show(int index) { m_ownPages.Show(index); }
    // Faults applied to the PC's frames on their way to the remote.
    FaultPlan& PcToRemoteFaults() { return m_pcFaults; }

    // Runs virtual time until nothing is pending or `maxVirtualMs` has passed. True when idle.
    bool RunUntilIdle(std::int64_t maxVirtualMs) { return m_clock.RunUntilIdle(maxVirtualMs); }
    void Advance(std::int64_t ms) { m_clock.Advance(ms); }
    std::int64_t NowMs() const { return m_clock.NowMs(); }

    // Bytes from the remote's side straight onto the link (malformed or hand-made frames).
    void SendFromRemote(const ByteBuffer& bytes);

    const std::vector<SentFrame>& Frames() const { return m_frames; }
    std::vector<SentFrame> FramesFrom(Side side) const;
    void ClearFrames() { m_frames.clear(); }
    std::uint64_t PcFramesWritten() const { return m_pcFramesWritten; }

private:
    class PcWriter : public FrameWriter {
    public:
        explicit PcWriter(EngineHarness& h) : m_h(h) {}
        void WriteFrame(const std::uint8_t* frame, std::size_t length) override {
            m_h.FromPc(frame, length);
        }

    private:
        EngineHarness& m_h;
    };

    void FromPc(const std::uint8_t* frame, std::size_t n);
    void FromRemote(const std::uint8_t* bytes, std::size_t n);
    void DeliverToRemote(const std::uint8_t* bytes, std::size_t n, int delayMs);
    void Record(Side side, const std::uint8_t* bytes, std::size_t n);

    HarnessOptions m_options;
    VirtualClock m_clock;
    VirtualTimerHost m_pcTimers;
    VirtualTimerHost m_remoteTimers;
    RecordingPageRegistry m_ownPages;
    RecordingAlert m_alert;
    PcWriter m_writer;
    FaultPlan m_pcFaults;
    ByteBuffer m_scratch;
    std::unique_ptr<TransferEngine> m_engine;
    std::unique_ptr<SimulatedRemote> m_remote;
    std::vector<SentFrame> m_frames;
    std::uint64_t m_pcFramesWritten = 0;
};

// Hex of a byte range ("0F 31 50 0E 6F").
std::string Hex(const std::uint8_t* bytes, std::size_t n);
inline std::string Hex(const ByteBuffer& b) {
    return Hex(b.data(), b.size());
}
// Parses "0F 31 50 0E 6F" (blanks optional).
ByteBuffer FromHex(const std::string& hex);
// Empty when equal; otherwise the first differing offset with both sides around it in hex.
std::string HexDiff(const ByteBuffer& expected, const ByteBuffer& actual);

}  // namespace vanto
