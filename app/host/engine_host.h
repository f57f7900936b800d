#pragma once
// Runs the protocol engine on the Qt thread of a QCoreApplication or QApplication: its timers on
// QtTimerHost, received bytes moved over from the link's reader thread by LinkBridge, frames
// written with the link's WriteLink, and the device poll every 200 ms. Used by the window and by
// the headless `serve` command alike.
//
//   EngineHost host(registry, alert, MakeDeviceLink(option, notice));
//   host.SetStatusSink([](const std::string& text) { ... });
//   host.Start();   // arms TIMER_INIT_VIEW (100 ms) and TIMER_DEVICE_POLL (every 200 ms)
//   ... event loop ...
//   host.Stop();    // before the registry's pages go away
//
// Frames are written without waiting on the engine's thread when the link takes them at once
// (a terminal), otherwise on a writer thread of their own (FrameWriterThread), so a stalled link
// never holds the engine's thread; the link's write is safe against that thread by its own lock.

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "app/host/frame_writer_thread.h"
#include "app/host/link_bridge.h"
#include "app/host/qt_timer_host.h"
#include "link/device_link.h"
#include "link/device_poll.h"
#include "protocol/transfer_engine.h"

namespace vanto::host {

class EngineHost final : public QObject {
public:
    using StatusSink = std::function<void(const std::string& text)>;

    // `link` may be null: the engine then runs without a device (nothing is polled or written).
    EngineHost(vanto::PageRegistry& pages, vanto::ModalAlert& alert,
               std::unique_ptr<vanto::DeviceLink> link, QObject* parent = nullptr);
    ~EngineHost() override;

    // Receives the status bar text from the poll (only when it changes).
    void SetStatusSink(StatusSink sink) { m_statusSink = std::move(sink); }
    // Sees every frame the engine writes, before it goes to the link (for a trace).
    void SetWriteTap(std::function<void(const std::uint8_t*, std::size_t)> tap);

    void Start();
    // Stops the timers and closes the link, waiting for its reader. Safe to call twice.
    void Stop();

    vanto::TransferEngine& Engine() { return *m_engine; }
    QtTimerHost& Timers() { return *m_timers; }
    LinkBridge& Bridge() { return *m_bridge; }
    vanto::DeviceLink* Link() { return m_link.get(); }
    vanto::DevicePoll* Poll() { return m_poll.get(); }
    // Frames go out on this thread; Flush() waits until the posted ones are written.
    FrameWriterThread& Writer() { return *m_writer; }

private:
    void OnExpiry(int id);

    StatusSink m_statusSink;
    std::function<void(const std::uint8_t*, std::size_t)> m_writeTap;
    std::unique_ptr<QtTimerHost> m_timers;
    std::unique_ptr<LinkBridge> m_bridge;
    std::unique_ptr<vanto::TransferEngine> m_engine;
    std::unique_ptr<vanto::DeviceLink> m_link;
    std::unique_ptr<vanto::DevicePoll> m_poll;
    // Last: destroyed (joined) first, while the link it writes to still exists.
    std::unique_ptr<FrameWriterThread> m_writer;
};

}  // namespace vanto::host
