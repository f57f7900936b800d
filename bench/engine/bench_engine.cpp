// Throughput of whole exchanges between the engine and the in-process simulated remote (link
// without latency, virtual time), and heap allocations per frame once the exchange runs. The
// figures cover both sides of the link, so the engine alone is at least this fast.
//
// Floods: a remote that sends the same frames (or random bytes) back to back at ten times the
// speed of full-speed USB for two virtual seconds, while the PC serves the database page. A
// second after the flood's end the remote asks for the database. Reported: how fast the engine
// gets through the flood, the most heap the program (engine and simulated remote) held beyond
// what it held before the flood, how long after the flood's end the PC still sent frames in
// answer to it, and the virtual time the request after it took to be served whole.
#include <malloc.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>

#include "tools/engine_harness.h"
#include "tools/flood_patterns.h"
#include "tools/sample_data.h"

namespace {

std::atomic<std::uint64_t> g_allocations{0};
std::atomic<std::int64_t> g_liveBytes{0};
std::atomic<std::int64_t> g_peakBytes{0};

void Allocated(void* p) {
    const auto n = static_cast<std::int64_t>(malloc_usable_size(p));
    const std::int64_t live = g_liveBytes.fetch_add(n, std::memory_order_relaxed) + n;
    std::int64_t peak = g_peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live)) {
    }
}

void Freed(void* p) {
    if (p != nullptr)
        g_liveBytes.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)),
                              std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

// Every allocation of the program goes through these.
void* operator new(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n != 0 ? n : 1)) {
        Allocated(p);
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void operator delete(void* p) noexcept {
    Freed(p);
}
void operator delete[](void* p) noexcept {
    Freed(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Freed(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Freed(p);
}

namespace {

using namespace vanto;

constexpr std::size_t kBytes = 128'000'000;  // 62,500 blocks (a job holds at most 65,535)
constexpr std::uint64_t kWarmFrames = 100;

ByteBuffer Payload() {
    ByteBuffer b(kBytes);
    std::uint64_t x = 88172645463325252ULL;
    for (auto& v : b) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        v = static_cast<std::uint8_t>(x);
    }
    return b;
}

const ByteBuffer& SharedPayload() {
    static const ByteBuffer payload = Payload();
    return payload;
}

// Counts allocations between the PC's 100th received frame and its last-but-100th: the
// exchange's steady state.
class SteadyStateProbe : public FrameTraceSink {
public:
    explicit SteadyStateProbe(std::uint64_t frames)
        : m_last(frames > kWarmFrames ? frames - kWarmFrames : 0) {}
    void OnFrameReceived(const std::uint8_t*, std::size_t) override {
        ++m_seen;
        if (m_seen == kWarmFrames)
            m_from = g_allocations.load();
        if (m_seen == m_last)
            m_to = g_allocations.load();
    }
    double PerFrame() const {
        const std::uint64_t frames = m_last - kWarmFrames;
        return frames != 0 ? static_cast<double>(m_to - m_from) / static_cast<double>(frames) : 0.0;
    }
    std::uint64_t Allocations() const { return m_to - m_from; }

private:
    std::uint64_t m_seen = 0;
    std::uint64_t m_last;
    std::uint64_t m_from = 0;
    std::uint64_t m_to = 0;
};

HarnessOptions Direct() {
    HarnessOptions o;
    o.latencyMs = 0;
    o.recordFrames = false;
    return o;
}

void ReportCounters(benchmark::State& state, double perFrame, std::uint64_t steadyAllocs) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(kBytes) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
    state.counters["allocs/frame"] = perFrame;
    state.counters["steady_allocs"] = static_cast<double>(steadyAllocs);
}

void BM_Download128MB(benchmark::State& state) {
    const ByteBuffer& payload = SharedPayload();
    const std::uint64_t blocks = kBytes / kBlockSize + 1;
    double perFrame = 0;
    std::uint64_t steadyAllocs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto h = std::make_unique<EngineHarness>(Direct());
        RecordingPage& page = h->Page(FUNC_DB_DOWNLOAD);
        page.record = false;
        page.LoadDownload(payload);
        h->Show(FUNC_DB_DOWNLOAD);
        h->Advance(200);
        SteadyStateProbe probe(blocks + 1);  // acks, the start frame and the final ack
        h->Engine().SetTraceSink(&probe);
        state.ResumeTiming();

        h->Remote().StartDownload('P');
        h->RunUntilIdle(1'000'000'000);

        state.PauseTiming();
        if (h->Remote().Outcome() != RemoteOutcome::kCompleted ||
            h->Remote().ReceivedData() != payload)
            state.SkipWithError("download did not deliver the data");
        perFrame = probe.PerFrame();
        steadyAllocs = probe.Allocations();
        h.reset();
        state.ResumeTiming();
    }
    ReportCounters(state, perFrame, steadyAllocs);
}

void BM_Upload128MB(benchmark::State& state) {
    const auto payload = std::make_shared<const ByteBuffer>(SharedPayload());
    const std::uint64_t blocks = (kBytes + kBlockSize - 1) / kBlockSize;
    double perFrame = 0;
    std::uint64_t steadyAllocs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto h = std::make_unique<EngineHarness>(Direct());
        RecordingPage& page = h->Page(FUNC_USERDATA_UPLOAD);
        page.record = false;
        page.MakeUploadReady();
        page.ReserveReceive(kBytes);
        h->Show(FUNC_USERDATA_UPLOAD);
        h->Advance(200);
        SteadyStateProbe probe(blocks + 3);  // request, head, blocks, end
        h->Engine().SetTraceSink(&probe);
        HeadInfo head;
        head.kind = HK_USERDATA;
        state.ResumeTiming();

        h->Remote().StartUpload('Q', head, payload);
        h->RunUntilIdle(1'000'000'000);

        state.PauseTiming();
        if (h->Remote().Outcome() != RemoteOutcome::kCompleted || page.Received() != *payload)
            state.SkipWithError("upload did not deliver the data");
        perFrame = probe.PerFrame();
        steadyAllocs = probe.Allocations();
        h.reset();
        state.ResumeTiming();
    }
    ReportCounters(state, perFrame, steadyAllocs);
}

// Full-speed USB carries 12 Mbit/s: 1.5 bytes per microsecond. Ten times that, per millisecond.
constexpr std::size_t kFloodBytesPerMs = 15'000;
constexpr int kFloodMs = 2000;

// The virtual time of the last frame the PC sent.
class LastSent : public FrameTraceSink {
public:
    explicit LastSent(const VirtualClock& clock) : m_clock(clock) {}
    void OnFrameReceived(const std::uint8_t*, std::size_t) override {}
    void OnFrameSent(const std::uint8_t*, std::size_t) override { atMs = m_clock.NowMs(); }
    std::int64_t atMs = 0;

private:
    const VirtualClock& m_clock;
};

void BM_Flood(benchmark::State& state) {
    const auto kind = static_cast<FloodKind>(state.range(0));
    state.SetLabel(FloodName(kind));
    const ByteBuffer pattern = FloodPattern(kind);
    // One millisecond of flood: whole repeats of the pattern (whole frames).
    ByteBuffer chunk;
    while (chunk.size() < kFloodBytesPerMs)
        chunk.insert(chunk.end(), pattern.begin(), pattern.end());
    const ByteBuffer database = Pattern(6 * kBlockSize + 33, 5);
    double peakMB = 0;
    std::int64_t quietMs = 0;
    std::int64_t serveMs = 0;
    double floodSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        HarnessOptions o;
        o.recordFrames = false;
        auto h = std::make_unique<EngineHarness>(o);
        for (int i = 0; i < FUNC_COUNT; ++i)
            h->Page(i).record = false;
        h->Page(FUNC_DB_DOWNLOAD).LoadDownload(database);
        h->Show(FUNC_DB_DOWNLOAD);
        h->Advance(200);
        LastSent lastSent(h->Clock());
        h->Engine().SetTraceSink(&lastSent);
        const std::int64_t before = g_liveBytes.load();
        g_peakBytes.store(before);
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        for (int ms = 0; ms < kFloodMs; ++ms) {
            h->Engine().OnBytes(chunk.data(), chunk.size());
            h->Advance(1);
        }
        floodSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        state.PauseTiming();
        const std::int64_t floodEnd = h->NowMs();
        h->Advance(1000);
        quietMs = std::max<std::int64_t>(lastSent.atMs - floodEnd, 0);
        const std::int64_t asked = h->NowMs();
        h->Remote().StartDownload(REQ_DB_DOWNLOAD);
        while (h->Remote().Busy() && h->NowMs() < asked + 60'000)
            h->Advance(1);
        if (h->Remote().Outcome() != RemoteOutcome::kCompleted ||
            h->Remote().ReceivedData() != database)
            state.SkipWithError("the request after the flood was not served whole");
        serveMs = h->NowMs() - asked;
        peakMB = static_cast<double>(g_peakBytes.load() - before) / 1e6;
        h.reset();
        state.ResumeTiming();
    }
    const double floodBytes = static_cast<double>(chunk.size()) * kFloodMs;
    state.counters["flood_MB_per_s"] =
        floodBytes * static_cast<double>(state.iterations()) / 1e6 / std::max(floodSeconds, 1e-9);
    state.counters["flood_peak_heap_MB"] = peakMB;
    state.counters["answers_ms_after_flood"] = static_cast<double>(quietMs);
    state.counters["serve_ms_1s_after"] = static_cast<double>(serveMs);
}

BENCHMARK(BM_Download128MB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Upload128MB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Flood)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
