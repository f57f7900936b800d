#pragma once
// The small interfaces through which the protocol engine reaches the world: the link, the timer
// host and the modal alert. Tests implement them in virtual time; the window and `serve` with
// real timers and a real link.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vanto {

class FrameWriter {
public:
    virtual ~FrameWriter() = default;
    // Writes one whole frame to the link. The engine ignores the outcome: a lost frame is
    // covered by its timers.
    virtual void WriteFrame(const std::uint8_t* frame, std::size_t length) = 0;
};

class TimerHost {
public:
    virtual ~TimerHost() = default;
    // Arms timer `id` to expire once after `periodMs`, replacing a running timer of that id.
    virtual void Arm(int id, int periodMs) = 0;
    // Disarms timer `id`; disarming a timer that is not running does nothing.
    virtual void Disarm(int id) = 0;
};

class ModalAlert {
public:
    virtual ~ModalAlert() = default;
    // Shows a modal message with an OK button and returns when it is closed.
    virtual void ShowModal(const std::string& text) = 0;
};

}  // namespace vanto
