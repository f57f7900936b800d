// Loading and checking through the pages: a 100 MB database (against one plain read of the same
// file) and a 16 MB S-record file. Peak heap is measured by counting every allocation of the
// process while one load runs; the counters report it in MB and as a multiple of the file size.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "formats/posix_file_system.h"
#include "pages/app_dnld_form_view.h"
#include "pages/rdb_dnld_form_view.h"

namespace {

std::atomic<std::int64_t> g_heapNow{0};
std::atomic<std::int64_t> g_heapPeak{0};

void CountAlloc(void* p) {
    if (p) {
        const auto now = g_heapNow += static_cast<std::int64_t>(malloc_usable_size(p));
        std::int64_t peak = g_heapPeak.load();
        while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
        }
    }
}

void* Allocate(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) {
        throw std::bad_alloc();
    }
    CountAlloc(p);
    return p;
}

void Release(void* p) {
    if (p) {
        g_heapNow -= static_cast<std::int64_t>(malloc_usable_size(p));
        std::free(p);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}

namespace vanto {
namespace {

class SilentForm : public PageForm {
public:
    void SetMessageLine(int, const std::string& text) override { last = text; }
    void SetFileText(int, const std::string&) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressStep(int) override {}
    void SetProgressPos(int) override {}
    void ShowMessageBox(const std::string& text) override { last = text; }
    bool AskOkCancel(const std::string&) override { return false; }
    std::string last;
};

char g_benchDir[512];

void RemoveBenchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(g_benchDir, ignored);
}

std::string BenchDir() {
    if (!g_benchDir[0]) {
        const auto dir = std::filesystem::temp_directory_path() /
                         ("vanto-bench-pages-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::snprintf(g_benchDir, sizeof g_benchDir, "%s", dir.c_str());
        std::atexit(RemoveBenchDir);
    }
    return g_benchDir;
}

std::vector<std::uint8_t> Noise(std::size_t size) {
    std::vector<std::uint8_t> out(size);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::size_t i = 0; i < size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(&out[i], &x, std::min<std::size_t>(8, size - i));
    }
    return out;
}

void PutTag(std::vector<std::uint8_t>& b, std::size_t at, const char* tag) {
    std::memcpy(&b[at], tag, 4);
}

const std::string& DatabaseFile() {
    static const std::string path = [] {
        std::vector<std::uint8_t> db = Noise(100u * 1000 * 1000);
        PutTag(db, 208, "81VK");
        PutTag(db, 224, "03CR");
        PutTag(db, 500, "RC30");
        const std::uint8_t magic[4] = {0x42, 0x44, 0xAA, 0x55};
        std::memcpy(&db[576], magic, 4);
        const std::string p = BenchDir() + "/database.bin";
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(db.data()),
                   static_cast<std::streamsize>(db.size()));
        return p;
    }();
    return path;
}

const std::string& S19File() {
    static const std::string path = [] {
        // 16 data bytes per S3 line of 48 characters: 16 MB of text for about 5.6 MB of image.
        const std::size_t imageSize = (16u * 1000 * 1000 / 48) * 16;
        std::vector<std::uint8_t> image = Noise(imageSize);
        PutTag(image, 224, "03CR");
        PutTag(image, 500, "RC30");
        const std::uint8_t magic[4] = {0xC0, 0x00, 0x0C, 0xF1};
        std::memcpy(&image[576], magic, 4);
        std::string text;
        text.reserve(imageSize * 3 + 64);
        char line[64];
        const std::uint32_t base = 0x08000000;
        for (std::size_t at = 0; at < imageSize; at += 16) {
            int n = std::snprintf(line, sizeof line, "S315%08X", static_cast<unsigned>(base + at));
            for (int i = 0; i < 16; ++i) {
                n += std::snprintf(line + n, sizeof line - n, "%02X", image[at + i]);
            }
            std::snprintf(line + n, sizeof line - n, "00\r\n");
            text += line;
        }
        text += "S70508000000F2\r\n";
        const std::string p = BenchDir() + "/application.s19";
        std::ofstream(p, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
        return p;
    }();
    return path;
}

double FileSize(const std::string& path) {
    return static_cast<double>(std::filesystem::file_size(path));
}

void ReportPeak(benchmark::State& state, std::int64_t before, double fileSize) {
    const double peak = static_cast<double>(g_heapPeak.load() - before);
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["peak_x_file"] = peak / fileSize;
    state.counters["file_MB"] = fileSize / 1e6;
}

// The baseline: one plain read of the whole file into a buffer.
void BM_PlainRead100MB(benchmark::State& state) {
    const std::string& path = DatabaseFile();
    std::vector<std::uint8_t> buffer;
    for (auto _ : state) {
        // As for the pages, releasing the previous buffer is not timed.
        state.PauseTiming();
        std::vector<std::uint8_t>().swap(buffer);
        state.ResumeTiming();
        const int fd = ::open(path.c_str(), O_RDONLY);
        struct stat st {};
        ::fstat(fd, &st);
        buffer.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t got = ::read(fd, buffer.data() + done, buffer.size() - done);
            if (got <= 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_PlainRead100MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Times the page's load and check of `path` (what a file selection runs) and reports peak heap.
template <typename Page>
void PageLoad(benchmark::State& state, const std::string& path, const char* readyText) {
    SilentForm form;
    Page page(form, DefaultFileSystem());
    std::int64_t before = 0;
    for (auto _ : state) {
        state.PauseTiming();
        page.m_job.m_pData.reset();
        before = g_heapNow.load();
        g_heapPeak = before;
        state.ResumeTiming();
        page.OnFileTextChanged(path);
    }
    if (form.last != readyText) {
        state.SkipWithError(form.last.c_str());
    }
    ReportPeak(state, before, FileSize(path));
}

void BM_DatabasePageLoad100MB(benchmark::State& state) {
    PageLoad<CRdbDnldFormView>(state, DatabaseFile(), "Database Ready!");
}
BENCHMARK(BM_DatabasePageLoad100MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ApplicationPageLoad16MB(benchmark::State& state) {
    PageLoad<CAppDnldFormView>(state, S19File(), "Application Ready!");
}
BENCHMARK(BM_ApplicationPageLoad16MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace vanto

BENCHMARK_MAIN();
