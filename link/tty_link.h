#pragma once
// The link over a character device or pseudo-terminal (a remote behind a serial adapter, or the
// simulated remote). The device is put in raw mode: no echo, no line editing, no translation of
// carriage returns or line feeds, no XON/XOFF, so every byte passes untouched both ways.

#include <mutex>
#include <string>

#include "link/device_link.h"
#include "link/reader_thread.h"

namespace vanto {

class TtyLink final : public DeviceLink {
public:
    // Wait of one poll(), so the reader sees a stop request in time.
    static constexpr int kReadWaitMs = 50;
    static constexpr int kWriteTimeoutMs = 2000;
    // The reader takes up to this much per read: a terminal has no packet size, and a bigger
    // read takes a whole burst (several blocks of an upload) with one wake-up.
    static constexpr std::size_t kReadChunkBytes = 64 * 1024;

    explicit TtyLink(std::string path);
    TtyLink(const TtyLink&) = delete;
    TtyLink& operator=(const TtyLink&) = delete;
    ~TtyLink() override;

    // The path opens. While a reader runs its open descriptor answers (a hang-up ends the reader),
    // so a serial line is not opened and closed again on every poll.
    bool IsPresent() override;
    OpenResult OpenLink(const LinkCallbacks& callbacks) override;
    bool WriteLink(const std::uint8_t* bytes, std::size_t length) override;
    std::optional<std::size_t> TryWriteLink(const std::uint8_t* bytes, std::size_t length) override;
    bool IsReaderRunning() const override { return m_reader.IsRunning(); }
    void Close() override;

    const std::string& Path() const { return m_path; }

private:
    void ReleaseFd();

    std::string m_path;
    std::mutex m_fdMutex;  // guards m_fd against a write from another thread
    int m_fd = -1;
    ReaderThread m_reader;
};

}  // namespace vanto
