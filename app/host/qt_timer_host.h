#pragma once
// Numbered timers on the Qt event loop: one single-shot QTimer per id, replaced on re-arm. Expiries
// arrive on the thread that owns the host (the engine's thread); arming or disarming from another
// thread is forwarded to it in call order.

#include <QObject>
#include <functional>
#include <map>
#include <memory>

#include "protocol/engine_ports.h"

class QTimer;

namespace vanto::host {

class QtTimerHost final : public QObject, public vanto::TimerHost {
public:
    using ExpiryHandler = std::function<void(int id)>;

    explicit QtTimerHost(ExpiryHandler onExpiry, QObject* parent = nullptr);
    ~QtTimerHost() override;

    // Expires once after periodMs; a running timer of this id starts its period again.
    void Arm(int id, int periodMs) override;
    void Disarm(int id) override;
    // Expires every periodMs until disarmed (the device poll).
    void ArmRepeating(int id, int periodMs);

    bool IsArmed(int id) const;
    // Period the timer was last armed with, or -1 when it is not running.
    int ArmedPeriod(int id) const;

private:
    void Start(int id, int periodMs, bool singleShot);
    QTimer& TimerFor(int id);

    ExpiryHandler m_onExpiry;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
};

}  // namespace vanto::host
