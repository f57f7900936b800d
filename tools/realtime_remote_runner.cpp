#include "tools/realtime_remote_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vanto {
namespace {

constexpr auto kIdleWait = std::chrono::milliseconds(50);
constexpr int kWriteTimeoutMs = 2000;

}  // namespace

// ---------------------------------------------------------------------------------------------
// SteadyTimerHost

void SteadyTimerHost::Arm(int id, int periodMs) {
    m_due[id] = Clock::now() + std::chrono::milliseconds(periodMs);
}

void SteadyTimerHost::Disarm(int id) {
    m_due.erase(id);
}

std::chrono::milliseconds SteadyTimerHost::Wait(std::chrono::milliseconds cap) const {
    const Clock::time_point now = Clock::now();
    std::chrono::milliseconds wait = cap;
    for (const auto& [id, due] : m_due) {
        if (due <= now) {
            return std::chrono::milliseconds(0);
        }
        // Round up, so the poll does not wake just before the timer is due.
        wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(due - now));
    }
    return wait;
}

std::vector<int> SteadyTimerHost::TakeDue() {
    const Clock::time_point now = Clock::now();
    std::vector<std::pair<Clock::time_point, int>> due;
    for (const auto& [id, at] : m_due) {
        if (at <= now) {
            due.emplace_back(at, id);
        }
    }
    std::sort(due.begin(), due.end());
    std::vector<int> ids;
    for (const auto& [at, id] : due) {
        m_due.erase(id);
        ids.push_back(id);
    }
    return ids;
}

// ---------------------------------------------------------------------------------------------
// RealtimeRemoteRunner

RealtimeRemoteRunner::RealtimeRemoteRunner(std::string linkPath, RemoteConfig config)
    : m_linkPath(std::move(linkPath)), m_config(config) {
    m_remote = std::make_unique<SimulatedRemote>(
        m_timers, [this](const std::uint8_t* data, std::size_t n) { WriteMaster(data, n); },
        m_config);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { Loop(); });
}

RealtimeRemoteRunner::~RealtimeRemoteRunner() {
    Call([this](SimulatedRemote&) { UnplugOnThread(); });
    m_stop = true;
    Wake();
    m_thread.join();
    ::close(m_wakeFd);
}

bool RealtimeRemoteRunner::Plug() {
    bool ok = false;
    Call([&](SimulatedRemote&) { ok = PlugOnThread(); });
    return ok;
}

void RealtimeRemoteRunner::RenewRemote() {
    Call([this](SimulatedRemote&) {
        m_timers.DisarmAll();
        m_remote = std::make_unique<SimulatedRemote>(
            m_timers, [this](const std::uint8_t* data, std::size_t n) { WriteMaster(data, n); },
            m_config);
    });
}

void RealtimeRemoteRunner::Unplug() {
    Call([this](SimulatedRemote&) { UnplugOnThread(); });
}

bool RealtimeRemoteRunner::PlugOnThread() {
    UnplugOnThread();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        return false;
    }
    const char* slaveName = nullptr;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        (slaveName = ::ptsname(master)) == nullptr) {
        ::close(master);
        return false;
    }
    const std::string slavePath = slaveName;
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slave < 0 || ::tcgetattr(slave, &tio) != 0) {
        if (slave >= 0) {
            ::close(slave);
        }
        ::close(master);
        return false;
    }
    // Raw from the start: bytes written before the program opens its side must pass untouched.
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    // Point the path at the new slave in one step.
    const std::string temp = m_linkPath + ".new";
    ::unlink(temp.c_str());
    if (::symlink(slavePath.c_str(), temp.c_str()) != 0 ||
        ::rename(temp.c_str(), m_linkPath.c_str()) != 0) {
        ::close(slave);
        ::close(master);
        return false;
    }
    m_master = master;
    m_heldSlave = slave;
    return true;
}

void RealtimeRemoteRunner::UnplugOnThread() {
    ::unlink(m_linkPath.c_str());
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    if (m_heldSlave >= 0) {
        ::close(m_heldSlave);
        m_heldSlave = -1;
    }
}

void RealtimeRemoteRunner::Call(const std::function<void(SimulatedRemote&)>& fn) {
    if (std::this_thread::get_id() == m_thread.get_id()) {
        fn(*m_remote);
        return;
    }
    std::unique_lock<std::mutex> lock(m_lock);
    const std::uint64_t ticket = ++m_nPosted;
    m_calls.push_back([this, &fn] { fn(*m_remote); });
    lock.unlock();
    Wake();
    lock.lock();
    m_done.wait(lock, [&] { return m_nFinished >= ticket; });
}

bool RealtimeRemoteRunner::WaitUntil(const std::function<bool(SimulatedRemote&)>& done,
                                     std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        bool met = false;
        Call([&](SimulatedRemote& remote) { met = done(remote); });
        if (met) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void RealtimeRemoteRunner::KeepLog(bool on) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bKeepLog = on;
}

std::vector<std::uint8_t> RealtimeRemoteRunner::Log() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_log;
}

void RealtimeRemoteRunner::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void RealtimeRemoteRunner::Flood(std::vector<std::uint8_t> pattern,
                                 std::chrono::milliseconds duration) {
    Call([&](SimulatedRemote&) {
        // A pattern of at least 64 KiB, so each write takes as much as the terminal does.
        m_flood.clear();
        while (!pattern.empty() && m_flood.size() < 65536) {
            m_flood.insert(m_flood.end(), pattern.begin(), pattern.end());
        }
        m_floodPos = 0;
        m_floodUntil = std::chrono::steady_clock::now() + duration;
        std::lock_guard<std::mutex> guard(m_lock);
        m_floodEnded.reset();
    });
}

std::optional<std::chrono::steady_clock::time_point> RealtimeRemoteRunner::FloodEnded() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_floodEnded;
}

void RealtimeRemoteRunner::WriteFlood() {
    if (m_flood.empty() || m_master < 0) {
        return;
    }
    if (std::chrono::steady_clock::now() >= m_floodUntil && m_floodPos == 0) {
        m_flood.clear();
        std::lock_guard<std::mutex> guard(m_lock);
        m_floodEnded = std::chrono::steady_clock::now();
        return;
    }
    const ssize_t done =
        ::write(m_master, m_flood.data() + m_floodPos, m_flood.size() - m_floodPos);
    if (done > 0) {
        m_bytesFlooded += static_cast<std::uint64_t>(done);
        m_floodPos = (m_floodPos + static_cast<std::size_t>(done)) % m_flood.size();
    }
}

void RealtimeRemoteRunner::Loop() {
    while (!m_stop) {
        const bool flooding = !m_flood.empty() && m_master >= 0;
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0},
                         {m_master, static_cast<short>(POLLIN | (flooding ? POLLOUT : 0)), 0}};
        const nfds_t count = m_master >= 0 ? 2 : 1;
        const int wait = flooding && std::chrono::steady_clock::now() >= m_floodUntil
                             ? 0
                             : static_cast<int>(m_timers.Wait(kIdleWait).count());
        const int ready = ::poll(fds, count, wait);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            std::uint64_t value = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &value, sizeof value);
        }
        RunCalls();
        if (count == 2 && m_master >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            ReadMaster();
        }
        if (flooding && (fds[1].revents & POLLOUT) != 0) {
            WriteFlood();
        } else if (flooding && std::chrono::steady_clock::now() >= m_floodUntil) {
            WriteFlood();  // may only end the flood
        }
        for (const int id : m_timers.TakeDue()) {
            m_remote->OnTimer(id);
        }
    }
    RunCalls();
}

void RealtimeRemoteRunner::RunCalls() {
    std::vector<std::function<void()>> calls;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        calls.swap(m_calls);
    }
    for (auto& call : calls) {
        call();
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_nFinished;
    }
    if (!calls.empty()) {
        m_done.notify_all();
    }
}

void RealtimeRemoteRunner::ReadMaster() {
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EIO) {
                // No slave side open at the moment: nothing to read until the program opens it.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return;
        }
        const auto n = static_cast<std::size_t>(got);
        m_bytesFromPc += n;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_bKeepLog) {
                m_log.insert(m_log.end(), buffer, buffer + n);
            }
        }
        m_remote->OnBytesFromPc(buffer, n);
        if (m_master < 0) {
            return;
        }
    }
}

void RealtimeRemoteRunner::WriteMaster(const std::uint8_t* data, std::size_t n) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    std::size_t sent = 0;
    while (sent < n && m_master >= 0) {
        const ssize_t done = ::write(m_master, data + sent, n - sent);
        if (done > 0) {
            sent += static_cast<std::size_t>(done);
            continue;
        }
        if (done < 0 && errno != EAGAIN && errno != EINTR) {
            return;  // the pty is gone: the bytes are lost, as on a pulled cable
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return;
        }
        pollfd pfd{m_master, POLLOUT, 0};
        ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left.count(), 50)));
    }
    const long long pause = m_chunkPauseUs;
    if (pause > 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause));
    }
}

}  // namespace vanto
