#include "app/host/engine_host.h"

namespace vanto::host {

using vanto::TransferEngine;

EngineHost::EngineHost(vanto::PageRegistry& pages, vanto::ModalAlert& alert,
                       std::unique_ptr<vanto::DeviceLink> link, QObject* parent)
    : QObject(parent), m_link(std::move(link)) {
    m_timers = std::make_unique<QtTimerHost>([this](int id) { OnExpiry(id); }, this);
    m_bridge = std::make_unique<LinkBridge>(
        [this](const std::uint8_t* data, std::size_t n) { m_engine->OnBytes(data, n); }, this);
    m_bridge->SetDropSink([this](std::size_t bytes) {
        if (m_trace) {
            m_trace->OnDropped(vanto::DropSite::kIncoming, 0, bytes);
        }
    });
    vanto::FrameWriter& writer = *this;
    m_engine = std::make_unique<TransferEngine>(writer, *m_timers, pages, alert);
    if (m_link) {
        // The reader thread only copies its bytes into the bridge; the engine parses them here.
        // An ended reader needs nothing: the next poll opens the link again, and the engine's
        // timers cover the exchange it interrupted.
        vanto::LinkCallbacks callbacks;
        LinkBridge* bridge = m_bridge.get();
        callbacks.onBytes = [bridge](const std::uint8_t* data, std::size_t n) {
            bridge->PushBytes(data, n);
        };
        m_poll = std::make_unique<vanto::DevicePoll>(
            *m_link,
            [this](const std::string& text) {
                if (m_statusSink) {
                    m_statusSink(text);
                }
            },
            callbacks);
    }
}

EngineHost::~EngineHost() {
    Stop();
}

void EngineHost::SetTraceSink(vanto::FrameTraceSink* sink) {
    m_trace = sink;
    m_engine->SetTraceSink(sink);
}

void EngineHost::Start() {
    m_timers->Arm(TransferEngine::TIMER_INIT_VIEW, 100);
    m_timers->ArmRepeating(TransferEngine::TIMER_DEVICE_POLL, vanto::kDevicePollPeriodMs);
}

void EngineHost::Stop() {
    m_timers->Disarm(TransferEngine::TIMER_DEVICE_POLL);
    if (m_link) {
        // Joins the reader and the writer, so no byte reaches the bridge after this.
        m_link->Close();
    }
}

void EngineHost::WriteFrame(const std::uint8_t* frame, std::size_t length) {
    if (!m_link) {
        return;
    }
    const vanto::WriteReport report = m_link->WriteLink(frame, length);
    if (report.droppedFrames != 0 && m_trace) {
        m_trace->OnDropped(vanto::DropSite::kOutgoing, report.droppedFrames, report.droppedBytes);
    }
}

void EngineHost::OnExpiry(int id) {
    if (id == TransferEngine::TIMER_DEVICE_POLL) {
        if (m_poll) {
            m_poll->PollDevice();
            // A frame may take a while on a slow serial line: the engine's frame watchdog
            // follows the speed the link was opened with.
            m_engine->SetLineSpeed(m_link->LineBytesPerSecond());
        }
        return;
    }
    m_engine->OnTimer(id);
}

}  // namespace vanto::host
