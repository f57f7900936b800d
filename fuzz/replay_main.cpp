// Runs a fuzz target without libFuzzer: every file under the given folders (corpus and regression
// inputs), then a seeded batch of random and mutated inputs. Used by the ordinary and sanitizer
// builds so the targets run in every test pass.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::vector<std::vector<std::uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_directory(argv[i], ec))
            continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], ec)) {
            if (!entry.is_regular_file())
                continue;
            auto ext = entry.path().extension().string();
            if (ext == ".txt" || ext == ".cpp" || ext == ".h" ||
                entry.path().filename() == "CMakeLists.txt")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    for (const auto& s : seeds)
        LLVMFuzzerTestOneInput(s.data(), s.size());

    const char* env = std::getenv("VANTO_FUZZ_RUNS");
    const long runs = env ? std::atol(env) : 2000;
    std::mt19937_64 rng(0x5eed);
    std::vector<std::uint8_t> buf;
    for (long r = 0; r < runs; ++r) {
        if (!seeds.empty() && (r % 2 == 0)) {
            buf = seeds[rng() % seeds.size()];
            const int flips = 1 + static_cast<int>(rng() % 8);
            for (int f = 0; f < flips && !buf.empty(); ++f) {
                switch (rng() % 3) {
                    case 0:
                        buf[rng() % buf.size()] = static_cast<std::uint8_t>(rng());
                        break;
                    case 1:
                        buf.erase(buf.begin() + static_cast<long>(rng() % buf.size()));
                        break;
                    default:
                        buf.insert(buf.begin() + static_cast<long>(rng() % (buf.size() + 1)),
                                   static_cast<std::uint8_t>(rng()));
                }
            }
        } else {
            buf.resize(rng() % 4096);
            for (auto& b : buf)
                b = static_cast<std::uint8_t>(rng());
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("%zu seed inputs and %ld generated inputs ran clean\n", seeds.size(), runs);
    return 0;
}
