#pragma once
// Wires the protocol engine to the Qt thread of a QCoreApplication or QApplication: its timers on
// QtTimerHost, received bytes moved over from the link's reader thread by LinkBridge, frames
// handed to the link (which queues and writes them without ever holding this thread), and the
// device poll every 200 ms. Used by the window and by the headless `serve` command alike.
//
//   EngineHost host(registry, alert, MakeDeviceLink(option, notice));
//   host.SetStatusSink([](const std::string& text) { ... });
//   host.Start();   // arms TIMER_INIT_VIEW (100 ms) and TIMER_DEVICE_POLL (every 200 ms)
//   ... event loop ...
//   host.Stop();    // before the registry's pages go away

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "app/host/link_bridge.h"
#include "app/host/qt_timer_host.h"
#include "link/device_link.h"
#include "link/device_poll.h"
#include "protocol/transfer_engine.h"

namespace vanto::host {

class EngineHost final : public QObject, private vanto::FrameWriter {
public:
    using StatusSink = std::function<void(const std::string& text)>;

    // `link` may be null: the engine then runs without a device (nothing is polled or written).
    EngineHost(vanto::PageRegistry& pages, vanto::ModalAlert& alert,
               std::unique_ptr<vanto::DeviceLink> link, QObject* parent = nullptr);
    ~EngineHost() override;

    // Receives the status bar text from the poll (only when it changes).
    void SetStatusSink(StatusSink sink) { m_statusSink = std::move(sink); }
    // Sees every frame received and sent, and every drop of a bounded queue on the way.
    void SetTraceSink(vanto::FrameTraceSink* sink);

    void Start();
    // Stops the timers and closes the link, waiting for its reader and writer. Safe to call
    // twice.
    void Stop();

    vanto::TransferEngine& Engine() { return *m_engine; }
    QtTimerHost& Timers() { return *m_timers; }
    LinkBridge& Bridge() { return *m_bridge; }
    vanto::DeviceLink* Link() { return m_link.get(); }
    vanto::DevicePoll* Poll() { return m_poll.get(); }

private:
    // The engine's frames go straight to the link's write queue.
    void WriteFrame(const std::uint8_t* frame, std::size_t length) override;
    void OnExpiry(int id);

    StatusSink m_statusSink;
    vanto::FrameTraceSink* m_trace = nullptr;
    std::unique_ptr<QtTimerHost> m_timers;
    std::unique_ptr<LinkBridge> m_bridge;
    std::unique_ptr<vanto::TransferEngine> m_engine;
    std::unique_ptr<vanto::DeviceLink> m_link;
    std::unique_ptr<vanto::DevicePoll> m_poll;
};

}  // namespace vanto::host
