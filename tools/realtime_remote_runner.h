#pragma once
// The simulated remote in real time behind a pseudo-terminal, for end-to-end tests and benchmarks
// of the real program: a thread runs SimulatedRemote with wall-clock timers on the master side of
// a pty, and a fixed path (a symbolic link) names the slave side, so the program under test opens
// it as `--link tty:PATH`. Unplug closes the master (the program's reads fail, the path goes
// away); Plug makes a new pty and points the path at it, as a replugged serial adapter would.
//
// The remote lives on the runner's thread: touch it only inside Call.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/engine_ports.h"
#include "tools/simulated_remote.h"

namespace vanto {

// Numbered one-shot timers on the steady clock, for one polling thread.
class SteadyTimerHost final : public TimerHost {
public:
    using Clock = std::chrono::steady_clock;

    void Arm(int id, int periodMs) override;
    void Disarm(int id) override;
    void DisarmAll() { m_due.clear(); }
    // Time until the earliest timer is due (zero when overdue), capped at `cap`.
    std::chrono::milliseconds Wait(std::chrono::milliseconds cap) const;
    // Removes and returns the timers that are due now, earliest first.
    std::vector<int> TakeDue();

private:
    std::map<int, Clock::time_point> m_due;
};

class RealtimeRemoteRunner {
public:
    // `linkPath` is where the slave side appears; it must not exist yet.
    explicit RealtimeRemoteRunner(std::string linkPath, RemoteConfig config = {});
    ~RealtimeRemoteRunner();
    RealtimeRemoteRunner(const RealtimeRemoteRunner&) = delete;
    RealtimeRemoteRunner& operator=(const RealtimeRemoteRunner&) = delete;

    // A new pty with the path pointing at its slave. False when it could not be made.
    bool Plug();
    // Closes the pty and removes the path.
    void Unplug();
    const std::string& LinkPath() const { return m_linkPath; }
    // Replaces the remote by a fresh one (its timers and faults gone), as after a power cycle.
    void RenewRemote();

    // Runs `fn` with the remote on the runner's thread and waits for it.
    void Call(const std::function<void(SimulatedRemote&)>& fn);
    // Polls `done` (on the runner's thread) until it holds or `timeout` passes.
    bool WaitUntil(const std::function<bool(SimulatedRemote&)>& done,
                   std::chrono::milliseconds timeout);

    // Pauses after every chunk the remote writes, so that split frames reach the program in
    // separate reads.
    void SetChunkPause(std::chrono::microseconds pause) { m_chunkPauseUs = pause.count(); }
    // Writes `pattern` again and again, as fast as the program takes it, for `duration` (the
    // remote itself stays quiet meanwhile, but keeps reading). The flood ends on a whole repeat of
    // the pattern. Returns at once; FloodEnded() tells when it is over.
    void Flood(std::vector<std::uint8_t> pattern, std::chrono::milliseconds duration);
    // When the last flood ended, or nullopt while one runs (or none ran).
    std::optional<std::chrono::steady_clock::time_point> FloodEnded();
    std::uint64_t BytesFlooded() const { return m_bytesFlooded; }

    // Keeps every byte received from the program (off by default).
    void KeepLog(bool on);
    std::vector<std::uint8_t> Log();
    std::uint64_t BytesFromPc() const { return m_bytesFromPc; }

private:
    void Loop();
    void RunCalls();
    void ReadMaster();
    void WriteMaster(const std::uint8_t* data, std::size_t n);
    void WriteFlood();
    void Wake();
    bool PlugOnThread();
    void UnplugOnThread();

    std::string m_linkPath;
    RemoteConfig m_config;
    SteadyTimerHost m_timers;
    std::unique_ptr<SimulatedRemote> m_remote;

    int m_master = -1;
    int m_heldSlave = -1;  // keeps the pty up while the program has no side open
    int m_wakeFd = -1;
    std::atomic<long long> m_chunkPauseUs{0};
    std::atomic<std::uint64_t> m_bytesFromPc{0};
    std::atomic<std::uint64_t> m_bytesFlooded{0};
    // The runner's thread only, but for m_floodEnded (under m_lock).
    std::vector<std::uint8_t> m_flood;
    std::size_t m_floodPos = 0;
    std::chrono::steady_clock::time_point m_floodUntil;
    std::optional<std::chrono::steady_clock::time_point> m_floodEnded;

    std::mutex m_lock;
    std::condition_variable m_done;
    std::vector<std::function<void()>> m_calls;
    std::uint64_t m_nPosted = 0;
    std::uint64_t m_nFinished = 0;
    bool m_bKeepLog = false;
    std::vector<std::uint8_t> m_log;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;  // last: starts once everything above exists
};

}  // namespace vanto
