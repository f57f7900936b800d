#pragma once
// The remote control's side of every exchange, over a byte stream: it starts downloads
// ('0'-'9', 'P', 'R', 'T', 'V') and reassembles what the PC sends, and starts uploads ('Q', 'S',
// 'U') and sends a head information and a payload in 2048-byte blocks. Its own waits and re-sends
// run on an injected timer host. Faults on its output: a FaultPlan (drop, corrupt, duplicate,
// delay), negative acknowledgements of chosen blocks, silence, and splitting into chunks.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <vector>

#include "protocol/engine_ports.h"
#include "protocol/frames.h"
#include "protocol/transfer_job.h"
#include "tools/fault_plan.h"

namespace vanto {

enum class RemoteOutcome {
    kIdle,  // nothing started yet
    kRunning,
    kCompleted,  // download: all blocks and the end frame; upload: the PC's final acknowledgement
    kRefused,    // the PC answered "0000"
    kGaveUp,     // the remote's own retries ran out, or it went silent
};

const char* RemoteOutcomeName(RemoteOutcome outcome);

struct RemoteConfig {
    int replyTimeoutMs = 1500;  // wait for the PC before sending the last frame again
    int maxRetries = 6;         // re-sends of one frame before giving up
};

class SimulatedRemote {
public:
    using Sink = std::function<void(const std::uint8_t* bytes, std::size_t n)>;
    static constexpr int kReplyTimer = 1;
    static constexpr int kDelayTimerBase = 1000;

    SimulatedRemote(TimerHost& timers, Sink sink, RemoteConfig config = {});

    // The PC's bytes, in any chunking.
    void OnBytesFromPc(const std::uint8_t* data, std::size_t n);
    // Expiry of one of the remote's timers.
    void OnTimer(int id);

    // Exchanges. A new one abandons whatever ran before.
    void StartDownload(std::uint8_t code);
    // Payload goes in 2048-byte blocks (a last shorter one); the head's block count is the
    // number of blocks unless `keepHeadCount`.
    void StartUpload(std::uint8_t code, const HeadInfo& head, SharedBytes payload,
                     bool keepHeadCount = false);
    // Puts raw bytes on the link at once (tests of malformed input).
    void SendRaw(const std::uint8_t* data, std::size_t n);

    RemoteOutcome Outcome() const { return m_outcome; }
    bool Busy() const { return m_outcome == RemoteOutcome::kRunning; }

    // What a download delivered.
    const ByteBuffer& ReceivedData() const { return m_received; }
    bool ReceivedShortHead() const { return m_shortHead; }
    const HeadInfo& ReceivedHead() const { return m_head; }  // kind 0 for a short head
    int BlocksReceived() const { return m_nextBlock; }
    // End frames that came before every announced block had arrived.
    int PrematureEnds() const { return m_prematureEnds; }

    // Faults.
    FaultPlan& OutputFaults() { return m_faults; }
    // Answer the next `times` good arrivals of download block `block` with a negative ack.
    void NakBlock(int block, int times) { m_nakPlan[block] += times; }
    // Stop sending anything (and stop re-sending) from now on.
    void GoSilent() { m_silent = true; }
    // Go silent just before sending the first frame for which `when` returns true.
    void GoSilentWhen(std::function<bool(const std::uint8_t*, std::size_t)> when) {
        m_silenceWhen = std::move(when);
    }
    // Send a copy with a wrong check byte of the first frame for which `when` returns true, then
    // go silent.
    void DamageThenGoSilentWhen(std::function<bool(const std::uint8_t*, std::size_t)> when) {
        m_damageWhen = std::move(when);
    }
    bool Silent() const { return m_silent; }
    // Speaks again, with no silence or damage pending.
    void EndSilence() {
        m_silent = false;
        m_silenceWhen = nullptr;
        m_damageWhen = nullptr;
    }
    // Split every output frame into chunks of 1..maxChunk bytes (0: whole frames).
    void SplitOutput(int maxChunk, std::uint64_t seed) {
        m_maxChunk = maxChunk;
        m_chunkRng.seed(seed);
    }

    std::uint64_t FramesSent() const { return m_framesSent; }

private:
    enum class Phase {
        kIdle,
        kDlWaitHead,   // request sent, waiting for the head information
        kDlWaitBlock,  // start frame sent, blocks coming
        kDlWaitEnd,    // every block held, waiting for the end frame
        kUlWaitEcho,   // request sent, waiting for the head-information request
        kUlWaitStart,  // head information sent
        kUlWaitAck,    // block m_current sent
        kUlWaitFinal,  // end frame sent
    };

    void Parse();
    // Length of the frame at the front of the receive buffer: 0 when not a frame start this
    // side understands, -1 when more bytes are needed.
    long FrameLength() const;
    void HandleFrame(const std::uint8_t* f, std::size_t n);
    void HandleDataFrame(const std::uint8_t* f, std::size_t n);
    void HandleBlockAck(const std::uint8_t* f);
    void SendUploadBlock();

    // Sends a frame and remembers it for re-sending.
    void SendTracked(const std::uint8_t* f, std::size_t n);
    void Emit(const std::uint8_t* f, std::size_t n);
    void EmitNow(const std::uint8_t* f, std::size_t n);
    void ArmReply();
    void Finish(RemoteOutcome outcome);

    TimerHost& m_timers;
    Sink m_sink;
    RemoteConfig m_config;

    Phase m_phase = Phase::kIdle;
    RemoteOutcome m_outcome = RemoteOutcome::kIdle;
    std::uint8_t m_code = 0;
    int m_retries = 0;

    ByteBuffer m_rx;
    std::size_t m_rxHead = 0;
    ByteBuffer m_rxPending;
    bool m_inParse = false;
    ByteBuffer m_last;   // the frame to send again on silence or NAK
    ByteBuffer m_frame;  // build buffer

    // Download.
    ByteBuffer m_received;
    HeadInfo m_head;
    bool m_shortHead = false;
    int m_blockCount = 0;
    int m_nextBlock = 0;
    int m_prematureEnds = 0;
    std::map<int, int> m_nakPlan;

    // Upload.
    HeadInfo m_upHead;
    SharedBytes m_payload;
    int m_upBlocks = 0;
    int m_current = 0;

    // Faults.
    FaultPlan m_faults;
    bool m_silent = false;
    std::function<bool(const std::uint8_t*, std::size_t)> m_silenceWhen;
    std::function<bool(const std::uint8_t*, std::size_t)> m_damageWhen;
    int m_maxChunk = 0;
    std::mt19937_64 m_chunkRng{7};
    int m_nextDelayId = kDelayTimerBase;
    std::map<int, ByteBuffer> m_delayed;
    ByteBuffer m_scratch;
    std::uint64_t m_framesSent = 0;
};

}  // namespace vanto
