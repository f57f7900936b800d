#include "app/host/engine_host.h"

namespace vanto::host {

using vanto::TransferEngine;

EngineHost::EngineHost(vanto::PageRegistry& pages, vanto::ModalAlert& alert,
                       std::unique_ptr<vanto::DeviceLink> link, QObject* parent)
    : QObject(parent), m_link(std::move(link)) {
    m_timers = std::make_unique<QtTimerHost>([this](int id) { OnExpiry(id); }, this);
    m_bridge = std::make_unique<LinkBridge>(
        [this](const std::uint8_t* data, std::size_t n) { m_engine->OnBytes(data, n); }, this);
    if (m_link) {
        vanto::DeviceLink* link = m_link.get();
        // A link that can write without waiting gets each frame written right here when nothing
        // is queued; the writer thread only takes what would have to wait.
        m_writer = std::make_unique<FrameWriterThread>(
            [link](const std::uint8_t* frame, std::size_t n) { return link->WriteLink(frame, n); },
            [link](const std::uint8_t* frame, std::size_t n) {
                return link->TryWriteLink(frame, n);
            });
    }
    m_bridge->SetWriter([this](const std::uint8_t* frame, std::size_t n) {
        if (m_writeTap) {
            m_writeTap(frame, n);
        }
        if (!m_writer) {
            return false;
        }
        m_writer->Post(frame, n);
        return true;
    });
    m_engine = std::make_unique<TransferEngine>(*m_bridge, *m_timers, pages, alert);
    if (m_link) {
        // The reader thread only copies its bytes into the bridge; the engine parses them here.
        vanto::LinkCallbacks callbacks;
        LinkBridge* bridge = m_bridge.get();
        callbacks.onBytes = [bridge](const std::uint8_t* data, std::size_t n) {
            bridge->PushBytes(data, n);
        };
        // An ended reader needs nothing: the next poll opens the link again, and the engine's
        // timers cover the exchange it interrupted.
        callbacks.onReaderEnd = nullptr;
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

void EngineHost::SetWriteTap(std::function<void(const std::uint8_t*, std::size_t)> tap) {
    m_writeTap = std::move(tap);
}

void EngineHost::Start() {
    m_timers->Arm(TransferEngine::TIMER_INIT_VIEW, 100);
    m_timers->ArmRepeating(TransferEngine::TIMER_DEVICE_POLL, vanto::kDevicePollPeriodMs);
}

void EngineHost::Stop() {
    m_timers->Disarm(TransferEngine::TIMER_DEVICE_POLL);
    if (m_writer) {
        m_writer->DropPending();
        m_writer->Flush();
    }
    if (m_link) {
        // Joins the reader, so no byte reaches the bridge after this.
        m_link->Close();
    }
}

void EngineHost::OnExpiry(int id) {
    if (id == TransferEngine::TIMER_DEVICE_POLL) {
        if (m_poll) {
            m_poll->PollDevice();
        }
        return;
    }
    m_engine->OnTimer(id);
}

}  // namespace vanto::host
