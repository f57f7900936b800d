// File formats: S-record conversion of a generated 32 MB .s19 (against srec_cat run as a child
// process on the same file), its peak memory, CRC-16 throughput, and reading and writing a full
// user icon file.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "formats/crc16.h"
#include "formats/image_header.h"
#include "formats/posix_file_system.h"
#include "formats/srecord.h"
#include "iconedit/icon_file.h"

extern char** environ;

// Heap bytes in use and their high-water mark, counted by the replaced operator new below.
static std::atomic<std::size_t> g_heapNow{0};
static std::atomic<std::size_t> g_heapPeak{0};

static void* CountedAlloc(std::size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr)
        throw std::bad_alloc();
    const std::size_t now = g_heapNow.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    std::size_t peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

static void CountedFree(void* p) noexcept {
    if (p == nullptr)
        return;
    g_heapNow.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

void* operator new(std::size_t n) {
    return CountedAlloc(n);
}
void* operator new[](std::size_t n) {
    return CountedAlloc(n);
}
void operator delete(void* p) noexcept {
    CountedFree(p);
}
void operator delete[](void* p) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    CountedFree(p);
}

namespace vanto {
namespace {

std::string TempDir() {
    const char* t = std::getenv("TMPDIR");
    return std::string(t != nullptr && *t ? t : "/tmp") + "/";
}

bool g_s19Made = false;

// A 32 MB S-record file: S0, S3 records of 32 data bytes from 0x00100000, S7. Written in pieces
// so that making it does not raise this process's peak memory.
const std::string& S19Path() {
    static const std::string path = [] {
        const std::string p = TempDir() + "bench_formats_" + std::to_string(::getpid()) + ".s19";
        std::FILE* f = std::fopen(p.c_str(), "wb");
        static const char hex[] = "0123456789ABCDEF";
        std::fputs("S0030000FC\n", f);
        const std::size_t target = 32u << 20;
        std::size_t written = 0;
        std::uint32_t offset = 0;
        char line[96];
        while (written < target) {
            std::uint8_t rec[37];
            rec[0] = 37;
            const std::uint32_t a = 0x00100000 + offset;
            rec[1] = static_cast<std::uint8_t>(a >> 24);
            rec[2] = static_cast<std::uint8_t>(a >> 16);
            rec[3] = static_cast<std::uint8_t>(a >> 8);
            rec[4] = static_cast<std::uint8_t>(a);
            for (int i = 0; i < 32; ++i) {
                const std::uint32_t at = offset + static_cast<std::uint32_t>(i);
                std::uint8_t v = static_cast<std::uint8_t>(at * 2654435761u >> 13);
                if (at >= 224 && at < 228)
                    v = static_cast<std::uint8_t>("03CR"[at - 224]);
                if (at >= 500 && at < 504)
                    v = static_cast<std::uint8_t>("RC30"[at - 500]);
                if (at >= 576 && at < 580)
                    v = static_cast<std::uint8_t>(kApplicationMagic >> (8 * (at - 576)));
                rec[5 + i] = v;
            }
            unsigned sum = 0;
            int n = 0;
            line[n++] = 'S';
            line[n++] = '3';
            for (int i = 0; i < 37; ++i) {
                sum += rec[i];
                line[n++] = hex[rec[i] >> 4];
                line[n++] = hex[rec[i] & 15];
            }
            const unsigned cs = ~sum & 0xFF;
            line[n++] = hex[cs >> 4];
            line[n++] = hex[cs & 15];
            line[n++] = '\n';
            std::fwrite(line, 1, static_cast<std::size_t>(n), f);
            written += static_cast<std::size_t>(n);
            offset += 32;
        }
        std::fputs("S70500100000EA\n", f);
        std::fclose(f);
        g_s19Made = true;
        return p;
    }();
    return path;
}

// Peak heap use of one conversion, from the counting operator new below: an upper bound, since
// reserved but untouched capacity counts in full.
double ConversionPeakMb(const std::string& path, double& imageMb) {
    const std::size_t before = g_heapNow.load();
    g_heapPeak.store(before);
    ByteBuffer image;
    const SRecordStatus st = ConvertSRecordFile(DefaultFileSystem(), path, image);
    imageMb = static_cast<double>(image.size()) / (1024.0 * 1024.0);
    if (st != SRecordStatus::Ok)
        return -1;
    return static_cast<double>(g_heapPeak.load() - before) / (1024.0 * 1024.0);
}

void BM_SRecordConvert(benchmark::State& state) {
    const std::string& path = S19Path();
    std::size_t fileSize = 0;
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        fileSize = static_cast<std::size_t>(in.tellg());
    }
    std::size_t imageSize = 0;
    for (auto _ : state) {
        ByteBuffer image;
        const SRecordStatus st = ConvertSRecordFile(DefaultFileSystem(), path, image);
        if (st != SRecordStatus::Ok || !CheckApplicationImage(image.data(), image.size())) {
            state.SkipWithError("conversion failed");
        }
        imageSize = image.size();
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize));
    double imageMb = 0;
    const double peakMb = ConversionPeakMb(path, imageMb);
    state.counters["file_MB"] = static_cast<double>(fileSize) / (1024.0 * 1024.0);
    state.counters["image_MB"] = static_cast<double>(imageSize) / (1024.0 * 1024.0);
    state.counters["peak_rss_MB"] = peakMb;
    state.counters["peak_per_image"] = imageMb > 0 ? peakMb / imageMb : 0;
}
BENCHMARK(BM_SRecordConvert)->Unit(benchmark::kMillisecond)->Iterations(8);

int RunSrecCat(const std::string& in, const std::string& out, double& cpuSeconds) {
    std::vector<std::string> args = {"srec_cat", in, "-o", out, "-binary"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "srec_cat", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double ProcessCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Both converters on the same file in the same run; the iteration time is ours, the counters
// give srec_cat's time and the ratio.
void BM_SRecordVsSrecCat(benchmark::State& state) {
    const std::string& path = S19Path();
    const std::string out = path + ".bin";
    double oursMs = 0;
    double theirsMs = 0;
    double oursCpuMs = 0;
    double theirsCpuMs = 0;
    for (auto _ : state) {
        const double c0 = ProcessCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        ByteBuffer image;
        const SRecordStatus st = ConvertSRecordFile(DefaultFileSystem(), path, image);
        benchmark::DoNotOptimize(image.data());
        const auto t1 = std::chrono::steady_clock::now();
        oursCpuMs += (ProcessCpuSeconds() - c0) * 1000;
        double childCpu = 0;
        const int rc = RunSrecCat(path, out, childCpu);
        theirsCpuMs += childCpu * 1000;
        const auto t2 = std::chrono::steady_clock::now();
        if (st != SRecordStatus::Ok || rc != 0) {
            state.SkipWithError("a conversion failed (is srec_cat installed?)");
            break;
        }
        const double ours = std::chrono::duration<double>(t1 - t0).count();
        oursMs += ours * 1000;
        theirsMs += std::chrono::duration<double>(t2 - t1).count() * 1000;
        state.SetIterationTime(ours);
    }
    std::remove(out.c_str());
    const double n = static_cast<double>(state.iterations());
    if (n > 0) {
        state.counters["ours_ms"] = oursMs / n;
        state.counters["srec_cat_ms"] = theirsMs / n;
        state.counters["srec_cat_over_ours"] = oursMs > 0 ? theirsMs / oursMs : 0;
        state.counters["ours_cpu_ms"] = oursCpuMs / n;
        state.counters["srec_cat_cpu_ms"] = theirsCpuMs / n;
        state.counters["cpu_ratio"] = oursCpuMs > 0 ? theirsCpuMs / oursCpuMs : 0;
    }
}
BENCHMARK(BM_SRecordVsSrecCat)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Crc16(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<std::uint8_t>(i * 31 + (i >> 9));
    const auto type = static_cast<std::uint16_t>(state.range(1));
    const CrcSelection crc = CrcSelect(type);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CrcCompute(crc, data.data(), static_cast<std::int32_t>(size)));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Crc16)
    ->Args({1 << 20, 2})
    ->Args({64 << 20, 2})
    ->Args({1 << 20, 3})
    ->Args({64 << 20, 3});

// Seeds 1, 2, 3, ...
class CountingRandom : public CountingRandomSource {
public:
    CountingRandom() : CountingRandomSource(1) {}
};

// Every slot filled with the largest PNG it takes.
IconFile FullSet() {
    IconFile icons;
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        std::vector<std::uint8_t> png(IconMaxPngSize(kind));
        for (std::size_t i = 0; i < png.size(); ++i)
            png[i] = static_cast<std::uint8_t>(i * 7 + kind);
        for (int i = 0; i < IconSlotCount(kind); ++i)
            icons.SetIcon(kind, i, png.data(), png.size());
    }
    return icons;
}

void BM_IconFileReadAndUnscramble(benchmark::State& state) {
    IconFile icons = FullSet();
    icons.PrepareForSave();
    CountingRandom random;
    const std::string path = TempDir() + "bench_formats_" + std::to_string(::getpid()) + ".vui";
    if (icons.WriteIconFile(DefaultFileSystem(), path, random)) {
        state.SkipWithError("write failed");
        return;
    }
    for (auto _ : state) {
        IconFile editor;
        if (editor.ReadIconFile(DefaultFileSystem(), path))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(editor.Payload().data());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_IconFileReadAndUnscramble)->Unit(benchmark::kMillisecond);

void BM_IconFilePrepareAndWrite(benchmark::State& state) {
    IconFile icons = FullSet();
    CountingRandom random;
    const std::string path = TempDir() + "bench_formats_w_" + std::to_string(::getpid()) + ".vui";
    for (auto _ : state) {
        if (icons.PrepareForSave() != 0 || icons.WriteIconFile(DefaultFileSystem(), path, random)) {
            state.SkipWithError("save failed");
        }
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_IconFilePrepareAndWrite)->Unit(benchmark::kMillisecond);

void BM_IconScrambleOnly(benchmark::State& state) {
    std::vector<std::uint8_t> payload(kIconPayloadSize, 0x5A);
    std::uint8_t seed[kIconSeedSize] = {1, 2, 3};
    for (auto _ : state) {
        ScramblePayload(MakeScrambleTable(seed), payload.data());
        benchmark::DoNotOptimize(payload.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kIconPayloadSize));
}
BENCHMARK(BM_IconScrambleOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vanto

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (vanto::g_s19Made)
        std::remove(vanto::S19Path().c_str());
    return 0;
}
