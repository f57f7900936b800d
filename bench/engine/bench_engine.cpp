// Throughput of whole exchanges between the engine and the in-process simulated remote (link
// without latency, virtual time), and heap allocations per frame once the exchange runs. The
// figures cover both sides of the link, so the engine alone is at least this fast.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "tools/engine_harness.h"

namespace {

std::atomic<std::uint64_t> g_allocations{0};

}  // namespace

// Every allocation of the program goes through these.
void* operator new(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n != 0 ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
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

BENCHMARK(BM_Download128MB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Upload128MB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
