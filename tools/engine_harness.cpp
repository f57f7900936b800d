#include "tools/engine_harness.h"

#include <algorithm>
#include <cstdio>

namespace vanto {

EngineHarness::EngineHarness(HarnessOptions options)
    : m_options(options),
      m_pcTimers(m_clock),
      m_remoteTimers(m_clock),
      m_ownPages(&m_clock),
      m_writer(*this) {
    m_scratch.reserve(4200);
    PageRegistry& pages = m_options.pages != nullptr ? *m_options.pages : m_ownPages;
    m_engine = std::make_unique<TransferEngine>(m_writer, m_pcTimers, pages, m_alert);
    m_remote = std::make_unique<SimulatedRemote>(
        m_remoteTimers, [this](const std::uint8_t* b, std::size_t n) { FromRemote(b, n); },
        m_options.remote);
    m_pcTimers.SetExpiry([this](int id) { m_engine->OnTimer(id); });
    m_remoteTimers.SetExpiry([this](int id) { m_remote->OnTimer(id); });
    if (m_options.startInitView)
        m_pcTimers.Arm(TransferEngine::TIMER_INIT_VIEW, 100);
}

void EngineHarness::Record(Side side, const std::uint8_t* bytes, std::size_t n) {
    if (m_options.recordFrames)
        m_frames.push_back(SentFrame{m_clock.NowMs(), side, ByteBuffer(bytes, bytes + n)});
}

void EngineHarness::FromPc(const std::uint8_t* frame, std::size_t n) {
    ++m_pcFramesWritten;
    Record(Side::kPc, frame, n);
    if (!m_pcFaults.Active()) {
        DeliverToRemote(frame, n, m_options.latencyMs);
        return;
    }
    const FrameFault fault = m_pcFaults.Decide(frame, n);
    if (fault.drop)
        return;
    m_scratch.assign(frame, frame + n);
    ApplyCorruption(fault, m_scratch.data(), n);
    const ByteBuffer copy = m_scratch;
    DeliverToRemote(copy.data(), n, m_options.latencyMs + fault.extraDelayMs);
    if (fault.duplicate)
        DeliverToRemote(copy.data(), n, m_options.latencyMs + fault.extraDelayMs);
}

void EngineHarness::DeliverToRemote(const std::uint8_t* bytes, std::size_t n, int delayMs) {
    if (delayMs <= 0) {
        m_remote->OnBytesFromPc(bytes, n);
        return;
    }
    m_clock.Post(delayMs, [this, copy = ByteBuffer(bytes, bytes + n)] {
        m_remote->OnBytesFromPc(copy.data(), copy.size());
    });
}

void EngineHarness::FromRemote(const std::uint8_t* bytes, std::size_t n) {
    Record(Side::kRemote, bytes, n);
    if (m_options.latencyMs <= 0) {
        m_engine->OnBytes(bytes, n);
        return;
    }
    m_clock.Post(m_options.latencyMs, [this, copy = ByteBuffer(bytes, bytes + n)] {
        m_engine->OnBytes(copy.data(), copy.size());
    });
}

void EngineHarness::SendFromRemote(const ByteBuffer& bytes) {
    m_remote->SendRaw(bytes.data(), bytes.size());
}

std::vector<SentFrame> EngineHarness::FramesFrom(Side side) const {
    std::vector<SentFrame> out;
    for (const auto& f : m_frames)
        if (f.from == side)
            out.push_back(f);
    return out;
}

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        if (i != 0)
            s += ' ';
        s += buf;
    }
    return s;
}

ByteBuffer FromHex(const std::string& hex) {
    ByteBuffer out;
    int nibble = -1;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(nibble * 16 + v));
            nibble = -1;
        }
    }
    return out;
}

std::string HexDiff(const ByteBuffer& expected, const ByteBuffer& actual) {
    if (expected == actual)
        return {};
    std::size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        ++i;
    const std::size_t from = i > 8 ? i - 8 : 0;
    auto window = [from](const ByteBuffer& b) {
        const std::size_t to = std::min(b.size(), from + 24);
        return from < to ? Hex(b.data() + from, to - from) : std::string("(end)");
    };
    return "first difference at offset " + std::to_string(i) + " (sizes " +
           std::to_string(expected.size()) + " / " + std::to_string(actual.size()) +
           ")\n  expected from " + std::to_string(from) + ": " + window(expected) +
           "\n  actual   from " + std::to_string(from) + ": " + window(actual);
}

}  // namespace vanto
