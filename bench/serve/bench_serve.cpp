// Whole exchanges through the real program's `serve --once` over a pseudo-terminal, the simulated
// remote on the other side in real time. Reported per run:
//   MB_per_s     payload over the time from "Communication started..." to "End of Communication"
//   cpu_ms_per_MB  user + system time of the serving process (start-up included) per MB
//   user_ms_per_MB the user-space part of it
//   peak_rss_MB  the serving process's peak resident memory
// A download page holds its whole file in memory, so a download's peak grows with the file; an
// upload writes each block as it arrives and stays flat.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "protocol/frames.h"
#include "tools/child_process.h"
#include "tools/realtime_remote_runner.h"
#include "tools/sample_data.h"

namespace {

using namespace vanto;
using namespace std::chrono_literals;

// A folder of its own under the system's temporary folder, removed with what it holds.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "bench-serve-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_dir = pattern;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

void WriteFile(const std::string& path, const ByteBuffer& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

ByteBuffer ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteBuffer(std::istreambuf_iterator<char>(in), {});
}

struct RunResult {
    bool ok = false;
    double exchangeSeconds = 0;
    ChildProcess::Usage usage;
    std::string error;
};

// Starts serve on `function`/`file`, lets `start` begin the exchange and waits for its end.
RunResult Serve(TempDir& dir, RealtimeRemoteRunner& runner, const char* function,
                const std::string& file, const std::function<void(SimulatedRemote&)>& start) {
    RunResult result;
    ChildProcess serve;
    if (!serve.Start(VANTO_BINARY, {"serve", "--function", function, "--file", file, "--once",
                                    "--link", "tty:" + dir.Path("remote")})) {
        result.error = "serve did not start";
        return result;
    }
    if (!serve.WaitText(ChildProcess::kErr, "status:  DEVICE : CONNECTED", 10s)) {
        result.error = "no device\n" + serve.Transcript();
        return result;
    }
    runner.Call(start);
    const auto started = serve.WaitText(ChildProcess::kOut, "Communication started...", 10s);
    const auto ended = serve.WaitText(ChildProcess::kOut, "End of Communication", 600s);
    const auto status = serve.WaitExit(30s);
    if (!started || !ended || status != 0) {
        result.error = "exchange failed\n" + serve.Transcript();
        return result;
    }
    result.ok = true;
    result.exchangeSeconds = std::chrono::duration<double>(ended->at - started->at).count();
    result.usage = serve.ResourceUsage();
    return result;
}

void Report(benchmark::State& state, const RunResult& run, std::size_t bytes) {
    const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.SetIterationTime(run.exchangeSeconds);
    state.counters["MB"] = mb;
    state.counters["MB_per_s"] = mb / run.exchangeSeconds;
    state.counters["cpu_ms_per_MB"] = run.usage.cpuSeconds * 1000.0 / mb;
    state.counters["user_ms_per_MB"] = run.usage.userSeconds * 1000.0 / mb;
    state.counters["peak_rss_MB"] = static_cast<double>(run.usage.maxRssKb) / 1024.0;
}

void BM_ServeDatabaseDownload(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0)) * 1024 * 1024;
    TempDir dir;
    ByteBuffer database = Pattern(bytes, 7);
    StampDatabaseHeader(database);
    WriteFile(dir.Path("db.bin"), database);
    for (auto _ : state) {
        RealtimeRemoteRunner runner(dir.Path("remote"));
        if (!runner.Plug()) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        const RunResult run = Serve(dir, runner, "db-download", dir.Path("db.bin"),
                                    [](SimulatedRemote& r) { r.StartDownload('P'); });
        bool exact = false;
        runner.Call([&](SimulatedRemote& r) { exact = r.ReceivedData() == database; });
        if (!run.ok || !exact) {
            state.SkipWithError(run.ok ? "data differ" : run.error.c_str());
            return;
        }
        Report(state, run, bytes);
    }
}

void BM_ServeUserDataUpload(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0)) * 1024 * 1024;
    TempDir dir;
    const auto payload = std::make_shared<const ByteBuffer>(Pattern(bytes, 9));
    HeadInfo head;
    head.kind = HK_USERDATA;
    head.value1 = 1;
    head.value2 = static_cast<std::uint32_t>(bytes);
    for (auto _ : state) {
        RealtimeRemoteRunner runner(dir.Path("remote"));
        if (!runner.Plug()) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        const std::string out = dir.Path("up-" + std::to_string(state.range(0)) + ".bin");
        std::remove(out.c_str());
        const RunResult run = Serve(dir, runner, "userdata-upload", out,
                                    [&](SimulatedRemote& r) { r.StartUpload('Q', head, payload); });
        const ByteBuffer written = run.ok ? ReadFile(out) : ByteBuffer();
        const bool exact = written.size() == bytes + 576 &&
                           std::equal(payload->begin(), payload->end(), written.begin() + 576);
        if (!run.ok || !exact) {
            state.SkipWithError(run.ok ? "file differs" : run.error.c_str());
            return;
        }
        Report(state, run, bytes);
    }
}

}  // namespace

BENCHMARK(BM_ServeDatabaseDownload)
    ->Arg(4)
    ->Arg(16)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServeUserDataUpload)
    ->Arg(4)
    ->Arg(16)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
