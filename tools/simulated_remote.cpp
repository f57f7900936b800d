#include "tools/simulated_remote.h"

#include <algorithm>
#include <cstring>

namespace vanto {

namespace {
constexpr std::size_t kFrameBuf = 4200;

bool ValidShape(const std::uint8_t* f, std::size_t n) {
    return n >= 4 && f[0] == FRAME_START && f[n - 2] == FRAME_END &&
           XorBytes(f + 1, n - 2) == f[n - 1];
}
}  // namespace

const char* RemoteOutcomeName(RemoteOutcome outcome) {
    switch (outcome) {
        case RemoteOutcome::kIdle:
            return "idle";
        case RemoteOutcome::kRunning:
            return "running";
        case RemoteOutcome::kCompleted:
            return "completed";
        case RemoteOutcome::kRefused:
            return "refused";
        case RemoteOutcome::kGaveUp:
            return "gave up";
    }
    return "?";
}

SimulatedRemote::SimulatedRemote(TimerHost& timers, Sink sink, RemoteConfig config)
    : m_timers(timers), m_sink(std::move(sink)), m_config(config) {
    m_rx.reserve(16384);
    m_last.reserve(kFrameBuf);
    m_frame.resize(kFrameBuf);
    m_scratch.reserve(kFrameBuf);
    m_rxPending.reserve(16384);
}

// ---------------------------------------------------------------------------------------------
// Starting exchanges

void SimulatedRemote::StartDownload(std::uint8_t code) {
    m_code = code;
    m_received.clear();
    m_head = HeadInfo{};
    m_head.kind = 0;
    m_shortHead = false;
    m_blockCount = 0;
    m_nextBlock = 0;
    m_prematureEnds = 0;
    m_retries = 0;
    m_rx.clear();
    m_rxHead = 0;
    m_outcome = RemoteOutcome::kRunning;
    m_phase = Phase::kDlWaitHead;
    SendTracked(m_frame.data(), BuildRequest(m_frame.data(), code));
}

void SimulatedRemote::StartUpload(std::uint8_t code, const HeadInfo& head, SharedBytes payload,
                                  bool keepHeadCount) {
    m_code = code;
    m_payload = std::move(payload);
    const std::size_t size = m_payload ? m_payload->size() : 0;
    m_upBlocks = static_cast<int>((size + kBlockSize - 1) / kBlockSize);
    m_upHead = head;
    if (!keepHeadCount)
        m_upHead.blockCount = static_cast<std::uint16_t>(m_upBlocks);
    m_current = 0;
    m_retries = 0;
    m_rx.clear();
    m_rxHead = 0;
    m_outcome = RemoteOutcome::kRunning;
    m_phase = Phase::kUlWaitEcho;
    SendTracked(m_frame.data(), BuildRequest(m_frame.data(), code));
}

void SimulatedRemote::SendRaw(const std::uint8_t* data, std::size_t n) {
    if (n != 0)
        m_sink(data, n);
}

void SimulatedRemote::Finish(RemoteOutcome outcome) {
    m_outcome = outcome;
    m_phase = Phase::kIdle;
    m_timers.Disarm(kReplyTimer);
}

// ---------------------------------------------------------------------------------------------
// Output

void SimulatedRemote::ArmReply() {
    if (!m_silent)
        m_timers.Arm(kReplyTimer, m_config.replyTimeoutMs);
}

void SimulatedRemote::SendTracked(const std::uint8_t* f, std::size_t n) {
    m_last.assign(f, f + n);
    Emit(f, n);
    ArmReply();
}

void SimulatedRemote::Emit(const std::uint8_t* f, std::size_t n) {
    if (!m_silent && m_silenceWhen && m_silenceWhen(f, n))
        m_silent = true;
    if (!m_silent && n > 0 && m_damageWhen && m_damageWhen(f, n)) {
        m_scratch.assign(f, f + n);
        m_scratch[n - 1] ^= 0x01;
        ++m_framesSent;
        EmitNow(m_scratch.data(), n);
        m_silent = true;
    }
    if (m_silent) {
        m_timers.Disarm(kReplyTimer);
        return;
    }
    ++m_framesSent;
    if (!m_faults.Active()) {
        EmitNow(f, n);
        return;
    }
    const FrameFault fault = m_faults.Decide(f, n);
    if (fault.drop)
        return;
    const std::uint8_t* out = f;
    if (fault.corruptIndex >= 0) {
        m_scratch.assign(f, f + n);
        ApplyCorruption(fault, m_scratch.data(), n);
        out = m_scratch.data();
    }
    const int copies = fault.duplicate ? 2 : 1;
    for (int i = 0; i < copies; ++i) {
        if (fault.extraDelayMs > 0) {
            const int id = m_nextDelayId++;
            m_delayed.emplace(id, ByteBuffer(out, out + n));
            m_timers.Arm(id, fault.extraDelayMs);
        } else {
            EmitNow(out, n);
        }
    }
}

void SimulatedRemote::EmitNow(const std::uint8_t* f, std::size_t n) {
    if (m_maxChunk <= 0) {
        m_sink(f, n);
        return;
    }
    std::size_t pos = 0;
    while (pos < n) {
        const std::size_t chunk = std::min<std::size_t>(
            n - pos, 1 + m_chunkRng() % static_cast<std::uint64_t>(m_maxChunk));
        m_sink(f + pos, chunk);
        pos += chunk;
    }
}

void SimulatedRemote::OnTimer(int id) {
    if (id >= kDelayTimerBase) {
        auto it = m_delayed.find(id);
        if (it == m_delayed.end())
            return;
        ByteBuffer bytes = std::move(it->second);
        m_delayed.erase(it);
        if (!m_silent)
            EmitNow(bytes.data(), bytes.size());
        return;
    }
    if (id != kReplyTimer || m_phase == Phase::kIdle || m_silent)
        return;
    // Whatever partial frame is pending will not complete: start looking afresh.
    m_rx.clear();
    m_rxHead = 0;
    if (++m_retries > m_config.maxRetries) {
        Finish(RemoteOutcome::kGaveUp);
        return;
    }
    Emit(m_last.data(), m_last.size());
    ArmReply();
}

// ---------------------------------------------------------------------------------------------
// Input

void SimulatedRemote::OnBytesFromPc(const std::uint8_t* data, std::size_t n) {
    if (m_silent)
        return;
    if (m_inParse) {
        // Our own output reached the PC, which answered at once: take it after this frame.
        m_rxPending.insert(m_rxPending.end(), data, data + n);
        return;
    }
    m_rx.insert(m_rx.end(), data, data + n);
    m_inParse = true;
    Parse();
    while (!m_rxPending.empty() && !m_silent) {
        m_rx.insert(m_rx.end(), m_rxPending.begin(), m_rxPending.end());
        m_rxPending.clear();
        Parse();
    }
    m_rxPending.clear();
    m_inParse = false;
}

long SimulatedRemote::FrameLength() const {
    const std::size_t avail = m_rx.size() - m_rxHead;
    if (avail < 2)
        return -1;
    const std::uint8_t* f = m_rx.data() + m_rxHead;
    if (f[1] != FT_DATA)
        return static_cast<long>(vanto::FrameLength(f[1]));  // 0: a type this side does not know
    if (avail < 6)
        return -1;
    const std::size_t len = ReadBe16(f + 4);
    if (len > kMaxReceivedDataLen)
        return 0;
    return static_cast<long>(len + kDataFrameOverhead);
}

void SimulatedRemote::Parse() {
    for (;;) {
        while (m_rxHead < m_rx.size() && m_rx[m_rxHead] != FRAME_START)
            ++m_rxHead;
        const long len = FrameLength();
        if (len < 0)
            break;
        if (len == 0) {
            ++m_rxHead;
            continue;
        }
        if (m_rx.size() - m_rxHead < static_cast<std::size_t>(len))
            break;
        const std::uint8_t* f = m_rx.data() + m_rxHead;
        const bool data = f[1] == FT_DATA;
        if (data || ValidShape(f, static_cast<std::size_t>(len))) {
            m_rxHead += static_cast<std::size_t>(len);
            HandleFrame(f, static_cast<std::size_t>(len));
        } else {
            ++m_rxHead;  // not a frame after all: resynchronise on the next start byte
        }
        if (m_silent)
            break;
    }
    if (m_rxHead >= m_rx.size()) {
        m_rx.clear();
        m_rxHead = 0;
    } else if (m_rxHead > 8192) {
        m_rx.erase(m_rx.begin(), m_rx.begin() + static_cast<std::ptrdiff_t>(m_rxHead));
        m_rxHead = 0;
    }
}

void SimulatedRemote::HandleFrame(const std::uint8_t* f, std::size_t n) {
    switch (f[1]) {
        case FT_REPLY:
            if (m_phase != Phase::kDlWaitHead && m_phase != Phase::kUlWaitEcho)
                return;
            if (f[2] == '1') {
                Emit(m_last.data(), m_last.size());  // the PC saw a damaged request
                ArmReply();
            } else {
                Finish(RemoteOutcome::kRefused);
            }
            return;
        case FT_HEAD_SHORT:
        case FT_HEAD:
            // A head again while nothing arrived yet means our start frame was lost.
            if (m_phase != Phase::kDlWaitHead &&
                !(m_phase == Phase::kDlWaitBlock && m_nextBlock == 0))
                return;
            m_shortHead = f[1] == FT_HEAD_SHORT;
            if (m_shortHead) {
                m_head = HeadInfo{};
                m_head.kind = 0;
                m_head.blockCount = ReadBe16(f + 2);
                m_head.checksum = ReadBe16(f + 4);
            } else {
                m_head = ParseHead(f + 1);
            }
            m_blockCount = m_head.blockCount;
            m_received.clear();
            m_received.reserve(static_cast<std::size_t>(m_blockCount) * kBlockSize);
            m_nextBlock = 0;
            m_retries = 0;
            m_phase = m_blockCount == 0 ? Phase::kDlWaitEnd : Phase::kDlWaitBlock;
            SendTracked(m_frame.data(), BuildStart(m_frame.data()));
            return;
        case FT_DATA:
            HandleDataFrame(f, n);
            return;
        case FT_END:
            if (m_phase == Phase::kDlWaitEnd) {
                Emit(m_frame.data(), BuildFinalAck(m_frame.data()));
                Finish(RemoteOutcome::kCompleted);
            } else if (m_phase == Phase::kDlWaitBlock) {
                ++m_prematureEnds;
            }
            return;
        case FT_REQUEST:
            // The PC's head-information request echoes our upload request.
            if (f[2] != m_code)
                return;
            if (m_phase == Phase::kUlWaitEcho || m_phase == Phase::kUlWaitStart) {
                m_phase = Phase::kUlWaitStart;
                m_retries = 0;
                SendTracked(m_frame.data(), BuildHead(m_frame.data(), m_upHead));
            }
            return;
        case FT_START:
            if (m_phase == Phase::kUlWaitStart ||
                (m_phase == Phase::kUlWaitAck && m_current == 0)) {
                m_current = 0;
                m_retries = 0;
                SendUploadBlock();
            }
            return;
        case FT_BLOCK_ACK:
            HandleBlockAck(f);
            return;
        case FT_ACK:
            if (m_phase == Phase::kUlWaitFinal)
                Finish(RemoteOutcome::kCompleted);
            return;
        case FT_NAK:
            // The PC could not use our last frame: send it again.
            if (m_phase != Phase::kIdle)
                Emit(m_last.data(), m_last.size());
            return;
        default:
            return;
    }
}

void SimulatedRemote::HandleDataFrame(const std::uint8_t* f, std::size_t n) {
    if (m_phase != Phase::kDlWaitBlock && m_phase != Phase::kDlWaitEnd)
        return;
    const int block = ReadBe16(f + 2);
    if (!CheckData(f + 1, n - 1) || f[n - 2] != FRAME_END || f[n - 3] != DATA_SEP) {
        SendTracked(m_frame.data(), BuildBlockAck(m_frame.data(), static_cast<std::uint16_t>(block),
                                                  BLOCK_ACK_BAD));
        return;
    }
    const std::size_t len = ReadBe16(f + 4);
    if (block == m_nextBlock && m_phase == Phase::kDlWaitBlock) {
        auto nak = m_nakPlan.find(block);
        if (nak != m_nakPlan.end() && nak->second > 0) {
            --nak->second;
            SendTracked(
                m_frame.data(),
                BuildBlockAck(m_frame.data(), static_cast<std::uint16_t>(block), BLOCK_ACK_BAD));
            return;
        }
        const bool last = block == m_blockCount - 1;
        if ((!last && len != kBlockSize) || (last && len >= kBlockSize)) {
            SendTracked(
                m_frame.data(),
                BuildBlockAck(m_frame.data(), static_cast<std::uint16_t>(block), BLOCK_ACK_BAD));
            return;
        }
        m_received.insert(m_received.end(), f + 9, f + 9 + len);
        ++m_nextBlock;
        m_retries = 0;
        if (m_nextBlock == m_blockCount)
            m_phase = Phase::kDlWaitEnd;
        SendTracked(m_frame.data(),
                    BuildBlockAck(m_frame.data(), static_cast<std::uint16_t>(block), BLOCK_ACK_OK));
        return;
    }
    // A block we hold already (our acknowledgement was lost) or one too far ahead: name the last
    // block we hold so the PC continues after it.
    if (m_nextBlock == 0)
        return;
    SendTracked(
        m_frame.data(),
        BuildBlockAck(m_frame.data(), static_cast<std::uint16_t>(m_nextBlock - 1), BLOCK_ACK_OK));
}

void SimulatedRemote::HandleBlockAck(const std::uint8_t* f) {
    const int block = ReadBe16(f + 2);
    const bool good = f[4] == BLOCK_ACK_OK;
    if (m_phase == Phase::kUlWaitAck) {
        if (!good) {
            Emit(m_last.data(), m_last.size());
            ArmReply();
        } else if (block == m_current) {
            ++m_current;
            m_retries = 0;
            SendUploadBlock();
        }
    } else if (m_phase == Phase::kUlWaitFinal && !good) {
        Emit(m_last.data(), m_last.size());  // the PC is still waiting: our end frame was lost
        ArmReply();
    }
}

void SimulatedRemote::SendUploadBlock() {
    if (m_current >= m_upBlocks) {
        m_phase = Phase::kUlWaitFinal;
        SendTracked(m_frame.data(), BuildEnd(m_frame.data()));
        return;
    }
    m_phase = Phase::kUlWaitAck;
    const std::size_t offset = static_cast<std::size_t>(m_current) * kBlockSize;
    const std::size_t len = std::min<std::size_t>(kBlockSize, m_payload->size() - offset);
    SendTracked(m_frame.data(), BuildData(m_frame.data(), static_cast<std::uint16_t>(m_current),
                                          m_payload->data() + offset, len));
}

}  // namespace vanto
