#pragma once
// The link over a character device or pseudo-terminal (a remote behind a serial adapter, or the
// simulated remote). The device is put in raw mode: no echo, no line editing, no translation of
// carriage returns or line feeds, no XON/XOFF, so every byte passes untouched both ways. Its speed
// is set when one is given, else left as the line has it.
//
// The device is opened exclusively (an advisory lock, and TIOCEXCL so that other programs'
// opens fail), so two programs never share one remote: the second one sees the remote as absent
// and is told once why.

#include <functional>
#include <string>

#include "link/device_link.h"
#include "link/reader_thread.h"
#include "link/write_queue.h"

namespace vanto {

class TtyLink final : public DeviceLink {
public:
    // Receives texts for the user that are not the status line (a line held by another program,
    // a path that is not a character device), once per occurrence. Called on the host thread.
    using NoticeSink = std::function<void(const std::string& text)>;

    // Wait of one poll(), so the reader sees a stop request in time.
    static constexpr int kReadWaitMs = 50;
    // Longest time a frame may take to go out at a speed where the line itself is quick.
    static constexpr int kWriteTimeoutMs = 2000;
    // The reader takes up to this much per read: a terminal has no packet size, and a bigger
    // read takes a whole burst (several blocks of an upload) with one wake-up.
    static constexpr std::size_t kReadChunkBytes = 64 * 1024;

    // `baud` 0 leaves the line's speed as it is; otherwise it must be a supported rate.
    explicit TtyLink(std::string path, long baud = 0, NoticeSink onNotice = nullptr);
    TtyLink(const TtyLink&) = delete;
    TtyLink& operator=(const TtyLink&) = delete;
    ~TtyLink() override;

    // The path opens and nobody else holds it. While a reader runs its open descriptor answers
    // (a hang-up ends the reader), so a serial line is not opened and closed on every poll.
    bool IsPresent() override;
    OpenResult OpenLink(const LinkCallbacks& callbacks) override;
    WriteReport WriteLink(const std::uint8_t* bytes, std::size_t length) override;
    void Close() override;
    // The speed the line was opened with (bits per second / 10); 0 before the first open or
    // when the device reports none.
    long LineBytesPerSecond() const override { return m_lineBytesPerSecond; }

    bool IsReaderRunning() const { return m_reader.IsRunning(); }
    const std::string& Path() const { return m_path; }

    // True for the line speeds a serial device can be set to.
    static bool IsSupportedBaud(long baud);
    // The notice of a line that another program holds.
    static std::string BusyText(const std::string& path);

private:
    enum class OpenFailure { kNone, kMissing, kBusy, kNotCharDevice };
    // Opens the device and takes its lock; -1 and the reason when that fails.
    int OpenExclusive(OpenFailure& why) const;
    void Report(OpenFailure why);
    void ReleaseFd();

    std::string m_path;
    long m_baud;
    NoticeSink m_onNotice;
    OpenFailure m_reported = OpenFailure::kNone;
    long m_lineBytesPerSecond = 0;
    int m_fd = -1;  // host thread only; the reader and writer use it until they are stopped
    ReaderThread m_reader;
    WriteQueue m_writer;
};

}  // namespace vanto
