#pragma once
// The loop that runs on a link's reader thread: it reads what arrived within a short wait, hands
// it to onBytes and ends when a read fails. Both link backends use it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>

#include "link/device_link.h"

namespace vanto {

class ReaderThread {
public:
    // Reads up to `capacity` bytes into `buffer`, waiting only briefly (so a stop request is seen
    // within that wait). Returns the count read (0 when nothing came) or a negative value when the
    // channel failed; a failure ends the reader.
    using ReadSome = std::function<long(std::uint8_t* buffer, std::size_t capacity)>;

    ReaderThread() = default;
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;
    ~ReaderThread();

    // Starts a reader. False when one runs already or no thread could be created. A reader that
    // has ended is joined first.
    bool Start(ReadSome readSome, std::size_t capacity, LinkCallbacks callbacks);

    bool IsRunning() const { return m_bRunning.load(); }

    // Asks the reader to end and waits for it. Called on the reader thread itself (from a
    // callback) it only asks; the owner joins later.
    void Stop();

private:
    void Run(ReadSome readSome, std::size_t capacity, LinkCallbacks callbacks);

    std::thread m_thread;
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bStopRequested{false};
};

}  // namespace vanto
