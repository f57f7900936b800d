#include "tools/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

extern char** environ;

namespace vanto {

ChildProcess::~ChildProcess() {
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGKILL);
        WaitExit(std::chrono::milliseconds(5000));
    }
    for (auto& reader : m_readers) {
        if (reader.joinable()) {
            reader.join();
        }
    }
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        return false;
    }
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<std::string> argStrings;
    argStrings.push_back(program);
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argStrings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (rc != 0) {
        m_pid = -1;
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return false;
    }
    m_readers[kOut] = std::thread([this, fd = outPipe[0]] { ReadStream(fd, kOut); });
    m_readers[kErr] = std::thread([this, fd = errPipe[0]] { ReadStream(fd, kErr); });
    return true;
}

void ChildProcess::ReadStream(int fd, Stream stream) {
    std::string pending;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        const Clock::time_point now = Clock::now();
        pending.append(buffer, static_cast<std::size_t>(got));
        std::size_t start = 0;
        std::size_t end;
        bool added = false;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            while ((end = pending.find('\n', start)) != std::string::npos) {
                m_lines[stream].push_back({pending.substr(start, end - start), now});
                start = end + 1;
                added = true;
            }
        }
        pending.erase(0, start);
        if (added) {
            m_changed.notify_all();
        }
    }
    ::close(fd);
    if (!pending.empty()) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines[stream].push_back({pending, Clock::now()});
    }
    m_changed.notify_all();
}

std::optional<ChildProcess::Line> ChildProcess::WaitLine(
    Stream stream, const std::function<bool(const std::string&)>& match,
    std::chrono::milliseconds timeout, std::size_t from) {
    const Clock::time_point deadline = Clock::now() + timeout;
    std::unique_lock<std::mutex> lock(m_lock);
    std::size_t next = from;
    for (;;) {
        const auto& lines = m_lines[stream];
        for (; next < lines.size(); ++next) {
            if (match(lines[next].text)) {
                return lines[next];
            }
        }
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            for (; next < m_lines[stream].size(); ++next) {
                if (match(m_lines[stream][next].text)) {
                    return m_lines[stream][next];
                }
            }
            return std::nullopt;
        }
    }
}

std::optional<ChildProcess::Line> ChildProcess::WaitText(Stream stream, const std::string& text,
                                                         std::chrono::milliseconds timeout,
                                                         std::size_t from) {
    return WaitLine(
        stream, [&text](const std::string& line) { return line == text; }, timeout, from);
}

std::vector<ChildProcess::Line> ChildProcess::Lines(Stream stream) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines[stream];
}

std::string ChildProcess::Transcript() {
    std::lock_guard<std::mutex> guard(m_lock);
    std::string all = "--- stdout\n";
    for (const Line& line : m_lines[kOut]) {
        all += line.text + "\n";
    }
    all += "--- stderr\n";
    for (const Line& line : m_lines[kErr]) {
        // Data frames make long trace lines; their start is enough to follow the exchange.
        all += line.text.substr(0, 120) + (line.text.size() > 120 ? " ...\n" : "\n");
    }
    return all;
}

long ChildProcess::PeakRssKb() const {
    if (m_pid <= 0) {
        return -1;
    }
    std::FILE* f = std::fopen(("/proc/" + std::to_string(m_pid) + "/status").c_str(), "r");
    if (f == nullptr) {
        return -1;
    }
    long kb = -1;
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) {
            break;
        }
    }
    std::fclose(f);
    return kb;
}

void ChildProcess::Signal(int signo) {
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, signo);
    }
}

std::optional<int> ChildProcess::WaitExit(std::chrono::milliseconds timeout) {
    if (m_status || m_pid <= 0) {
        return m_status;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        rusage usage{};
        const pid_t done = ::wait4(m_pid, &status, WNOHANG, &usage);
        if (done == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            const auto seconds = [](const timeval& t) {
                return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
            };
            m_usage.userSeconds = seconds(usage.ru_utime);
            m_usage.cpuSeconds = m_usage.userSeconds + seconds(usage.ru_stime);
            m_usage.maxRssKb = usage.ru_maxrss;
            for (auto& reader : m_readers) {
                if (reader.joinable()) {
                    reader.join();
                }
            }
            return m_status;
        }
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace vanto
