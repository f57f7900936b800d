#include "app/host/qt_timer_host.h"

#include <QThread>
#include <QTimer>

namespace vanto::host {

QtTimerHost::QtTimerHost(ExpiryHandler onExpiry, QObject* parent)
    : QObject(parent), m_onExpiry(std::move(onExpiry)) {}

QtTimerHost::~QtTimerHost() = default;

void QtTimerHost::Arm(int id, int periodMs) {
    Start(id, periodMs, true);
}

void QtTimerHost::ArmRepeating(int id, int periodMs) {
    Start(id, periodMs, false);
}

void QtTimerHost::Start(int id, int periodMs, bool singleShot) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, id, periodMs, singleShot] { Start(id, periodMs, singleShot); },
            Qt::QueuedConnection);
        return;
    }
    QTimer& timer = TimerFor(id);
    timer.setSingleShot(singleShot);
    // start() on a running timer stops it first, so a re-arm never leaves a stale expiry behind.
    timer.start(periodMs < 0 ? 0 : periodMs);
}

void QtTimerHost::Disarm(int id) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, id] { Disarm(id); }, Qt::QueuedConnection);
        return;
    }
    const auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        it->second->stop();
    }
}

bool QtTimerHost::IsArmed(int id) const {
    const auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

int QtTimerHost::ArmedPeriod(int id) const {
    return IsArmed(id) ? m_timers.find(id)->second->interval() : -1;
}

QTimer& QtTimerHost::TimerFor(int id) {
    auto& slot = m_timers[id];
    if (!slot) {
        slot = std::make_unique<QTimer>();
        slot->setTimerType(Qt::PreciseTimer);
        QObject::connect(slot.get(), &QTimer::timeout, this, [this, id] {
            if (m_onExpiry) {
                m_onExpiry(id);
            }
        });
    }
    return *slot;
}

}  // namespace vanto::host
