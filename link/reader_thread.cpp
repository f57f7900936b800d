#include "link/reader_thread.h"

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

namespace vanto {

ReaderThread::~ReaderThread() {
    Stop();
}

bool ReaderThread::Start(ReadSome readSome, std::size_t capacity, LinkCallbacks callbacks) {
    if (m_bRunning.load()) {
        return false;
    }
    Stop();  // joins a reader that ended by itself
    m_bStopRequested = false;
    m_bRunning = true;
    try {
        m_thread = std::thread(&ReaderThread::Run, this, std::move(readSome), capacity,
                               std::move(callbacks));
    } catch (const std::system_error&) {
        m_bRunning = false;
        return false;
    }
    return true;
}

void ReaderThread::Stop() {
    m_bStopRequested = true;
    if (!m_thread.joinable()) {
        return;
    }
    if (m_thread.get_id() == std::this_thread::get_id()) {
        return;
    }
    m_thread.join();
}

void ReaderThread::Run(ReadSome readSome, std::size_t capacity, LinkCallbacks callbacks) {
    std::vector<std::uint8_t> buffer(capacity);
    bool failed = false;
    while (!m_bStopRequested.load()) {
        const long got = readSome(buffer.data(), buffer.size());
        if (got < 0) {
            failed = true;
            break;
        }
        if (got > 0 && callbacks.onBytes) {
            const std::size_t count = std::min(static_cast<std::size_t>(got), buffer.size());
            callbacks.onBytes(buffer.data(), count);
        }
    }
    m_bRunning = false;
    if (failed && callbacks.onReaderEnd) {
        callbacks.onReaderEnd();
    }
}

}  // namespace vanto
