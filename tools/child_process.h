#pragma once
// A child program with its stdout and stderr captured line by line, each line stamped with the
// moment it arrived: end-to-end tests and benchmarks run the real binary with it and watch its
// output as it happens.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vanto {

class ChildProcess {
public:
    using Clock = std::chrono::steady_clock;
    enum Stream { kOut = 0, kErr = 1 };
    struct Line {
        std::string text;
        Clock::time_point at;
    };
    struct Usage {
        double cpuSeconds = 0;  // user + system
        double userSeconds = 0;
        long maxRssKb = 0;
    };

    ChildProcess() = default;
    // Kills the child if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `args` (argv[1..]). False when it could not be started.
    bool Start(const std::string& program, const std::vector<std::string>& args);
    pid_t Pid() const { return m_pid; }

    // Waits for the first line of `stream`, from line index `from` on, for which `match` holds.
    std::optional<Line> WaitLine(Stream stream,
                                 const std::function<bool(const std::string&)>& match,
                                 std::chrono::milliseconds timeout, std::size_t from = 0);
    // Shorthand: a line equal to `text`.
    std::optional<Line> WaitText(Stream stream, const std::string& text,
                                 std::chrono::milliseconds timeout, std::size_t from = 0);
    std::vector<Line> Lines(Stream stream);
    // Every line of both streams, for failure messages.
    std::string Transcript();

    void Signal(int signo);
    // The exit status (128 + signal when killed), or nullopt when it has not ended in time.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout);
    // CPU time and peak memory of the ended child (valid after WaitExit returned a status).
    const Usage& ResourceUsage() const { return m_usage; }
    // Peak resident memory of the running child's own program (VmHWM), in KB; -1 when it cannot
    // be read. Unlike the peak an ended child reports, it does not count the pages the child
    // shared with this process before it started its program.
    long PeakRssKb() const;

private:
    void ReadStream(int fd, Stream stream);

    pid_t m_pid = -1;
    std::optional<int> m_status;
    Usage m_usage;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Line> m_lines[2];
    std::thread m_readers[2];
};

}  // namespace vanto
