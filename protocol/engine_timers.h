#pragma once
// The engine's numbered timers and their periods, and the bookkeeping of which ones run: every
// wait of the protocol is bounded by one of them, and every re-send, timeout and return to idle
// happens when one expires.

#include <array>
#include <cstdint>

#include "protocol/engine_ports.h"

namespace vanto {

enum EngineTimer : int {
    TIMER_INIT_VIEW = 1,      // the first job page, 100 ms after start
    TIMER_DEVICE_POLL = 100,  // the device poll, every 200 ms (the host's, not the engine's)
    TIMER_TIMEOUT = 110,      // "Communication Timeout!"
    TIMER_HEAD_REPLY = 120,   // no start frame, or no head information, yet
    TIMER_BLOCK_ACK = 130,    // no acknowledgement of the data frame sent
    TIMER_DATA_WAIT = 140,    // no data frame or end frame from the remote
    TIMER_FRAME_TYPE = 150,   // a start byte without a known type byte after it
    TIMER_RESET = 190,        // back to idle and "Waiting for request..."
    // The engine's own: the 100 ms pause, and the watchdog of a frame body (a frame that has
    // not completed this long after its type byte is dropped, so a damaged length can never keep
    // the parser inside a frame while no protocol timer runs).
    TIMER_ENGINE_PAUSE = 200,
    TIMER_ENGINE_FRAME = 201,
};

// Periods, in milliseconds.
constexpr int kInitViewMs = 100;
constexpr int kPauseMs = 100;
constexpr int kFrameTypeMs = 1000;
constexpr int kRequestTimeoutMs = 3000;    // the rest of a request after its type byte
constexpr int kGiveUpTimeoutMs = 100;      // from a give-up to "Communication Timeout!"
constexpr int kHeadReplyMs = 2000;         // after the head information, and every re-send
constexpr int kHeadRequestReplyMs = 5000;  // after the head-information request
constexpr int kFirstBlockAckMs = 5000;     // after block 0
constexpr int kBlockAckMs = 3000;          // after any later block
constexpr int kFirstDataWaitMs = 5000;     // after the start frame of an upload
constexpr int kDataWaitMs = 3000;          // after every data frame, and every retry
constexpr int kResetAfterDownloadMs = 1000;
constexpr int kResetAfterUploadMs = 3000;
constexpr int kResetAfterTimeoutMs = 2000;
constexpr int kFrameWatchdogMs = 2000;  // at least; longer on a slow serial line

// Arms and disarms the engine's timers on a TimerHost, remembering for each whether it runs and
// how often it was armed or disarmed (its generation), so that an expiry made stale by a later
// arm or disarm can be told from a current one. Timers that are not the engine's (the pause, the
// device poll) pass through without bookkeeping.
class EngineTimers {
public:
    explicit EngineTimers(TimerHost& host) : m_host(host) {}

    void Arm(int id, int periodMs);
    void Disarm(int id);
    bool IsArmed(int id) const;
    // The current generation of timer `id`; an expiry is current when it carries it.
    std::uint32_t Generation(int id) const;
    // True for the engine's protocol timers, the init view and the frame watchdog.
    static bool Owns(int id) { return Slot(id) >= 0; }

private:
    static int Slot(int id);

    TimerHost& m_host;
    std::array<std::uint32_t, 8> m_generation{};
    std::array<bool, 8> m_armed{};
};

}  // namespace vanto
