#pragma once
// The device link: a byte channel to the remote control. It knows nothing of frames.
//
// Open it, write whole frames without ever waiting, receive bytes on one callback, close it.
//
// Threading contract:
// - IsPresent, OpenLink, WriteLink and Close are called from one thread, the host's (the user
//   interface thread in the window, the main thread in `serve`).
// - onBytes and onReaderEnd run on the link's reader thread. They only hand the event over: the
//   host copies the bytes and moves them to its own thread (a queued call, an event loop post),
//   where the engine parses them. The callbacks must never wait for the host thread, because
//   Close and OpenLink join the reader from that thread.
// - At most one reader runs at a time. After a reader has ended (unplug, hang-up, read error) the
//   next OpenLink releases the old handles and opens new ones with a new reader.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/write_queue.h"

namespace vanto {

// What OpenLink did.
enum class OpenResult : int {
    kStarted = 0,         // channels opened and a reader started
    kAlreadyRunning = 1,  // a reader runs already; nothing was done
    kFailed = -1,         // the channel to the remote could not be opened; the next poll retries
};

struct LinkCallbacks {
    // Received bytes, in the order they arrived. The pointer is valid during the call only.
    std::function<void(const std::uint8_t* bytes, std::size_t length)> onBytes;
    // A read failed and the reader ended. Not called when Close stops the reader.
    std::function<void()> onReaderEnd;
};

class DeviceLink {
public:
    virtual ~DeviceLink() = default;

    // True when the remote is there and can be opened. Cheap enough for a 200 ms poll.
    virtual bool IsPresent() = 0;

    // Opens the channels and starts the reader unless one runs already.
    virtual OpenResult OpenLink(const LinkCallbacks& callbacks) = 0;

    // Queues one whole frame for the link's writer and returns at once: the caller never waits
    // for the link. The link's write queue is bounded; the report says which older frames made
    // room. A frame the link could not write in time is given up without a report: the engine's
    // timers cover it.
    virtual WriteReport WriteLink(const std::uint8_t* bytes, std::size_t length) = 0;

    // Stops the reader and the writer (waiting for both) and releases every handle. Safe to call
    // at any time.
    virtual void Close() = 0;

    // Bytes per second the open link carries, when it is slow enough for a frame to take a while
    // on the line (a serial line); 0 when any frame passes within a moment.
    virtual long LineBytesPerSecond() const { return 0; }
};

}  // namespace vanto
