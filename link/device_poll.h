#pragma once
// The device poll: the host's 200 ms timer calls PollDevice, which shows whether the remote is
// there and, when it is and no reader runs, opens the link. It has no thread or timer of its own.

#include <functional>
#include <string>

#include "link/device_link.h"

namespace vanto {

constexpr char kStatusConnected[] = " DEVICE : CONNECTED";
constexpr char kStatusDisconnected[] = " DEVICE : DISCONNECTED";

// Period of TIMER_DEVICE_POLL.
constexpr int kDevicePollPeriodMs = 200;

class DevicePoll {
public:
    // Sets the status bar's information text; called on the host thread, only when the text
    // changes (the first poll always sets it).
    using StatusSink = std::function<void(const std::string& text)>;

    DevicePoll(DeviceLink& link, StatusSink setStatus, LinkCallbacks callbacks);

    // One poll: shows the state and opens the link when the remote is there.
    void PollDevice();

    // OpenLink's outcome at the last poll that found the remote.
    OpenResult LastOpenResult() const { return m_lastOpen; }
    const std::string& StatusText() const { return m_status; }

private:
    DeviceLink& m_link;
    StatusSink m_setStatus;
    LinkCallbacks m_callbacks;
    std::string m_status;
    OpenResult m_lastOpen = OpenResult::kFailed;
};

}  // namespace vanto
