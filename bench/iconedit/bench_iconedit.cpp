// How long the editor takes to open a full user icon file (65 icons, every cell's picture decoded
// and turned into the image a cell paints) and to save it again. Targets: under 150 ms to open,
// under 50 ms to save.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <filesystem>
#include <random>
#include <string>

#include "app/iconedit/qimage_codec.h"
#include "formats/posix_file_system.h"
#include "iconedit/icon_edit_cells.h"
#include "iconedit/icon_edit_controller.h"

namespace {

using namespace vanto;
using namespace vanto::iconedit;

// A window that answers the prompts and converts each shown picture as the dialog does.
class BenchUi : public IconEditUi {
public:
    std::string openAnswer;
    std::string saveAnswer;
    int pictures = 0;

    std::optional<std::string> PromptOpenFile(const std::string&, const std::string&) override {
        return openAnswer;
    }
    std::optional<std::string> PromptSaveFile(const std::string&, const std::string&) override {
        return saveAnswer;
    }
    void ShowWarning(const std::string& text, const std::string&) override { lastWarning = text; }
    std::optional<IconMenuCommand> TrackCellMenu(int, const IconMenuState&) override {
        return std::nullopt;
    }
    void ShowEmptyPicture(int) override {}
    void ShowPicture(int, const RgbaImage& picture) override {
        const QImage image = gui::ToQImage(picture);
        benchmark::DoNotOptimize(image.constBits());
        ++pictures;
    }
    void ShowNoPicture(int) override {}

    std::string lastWarning;
};

using SeedCounter = CountingRandomSource;

// An icon with gradients, a frame and some speckle, about the size real artwork encodes to.
std::vector<std::uint8_t> ArtPng(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_ARGB32);
    std::mt19937 gen(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int speckle = static_cast<int>(gen() % 24);
            image.setPixel(
                x, y,
                qRgba((x * 255 / width + speckle) & 0xFF, (y * 255 / height + speckle) & 0xFF,
                      (seed * 40 + speckle) & 0xFF, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

struct Fixture {
    std::filesystem::path dir;
    std::string file;

    Fixture() {
        dir = std::filesystem::temp_directory_path() / "bench_iconedit";
        std::filesystem::create_directories(dir);
        file = (dir / "full.vui").string();
        IconFile set;
        for (const IconCell& cell : AllIconCells()) {
            const auto png = ArtPng(IconPictureWidth(cell.kind), IconPictureHeight(cell.kind),
                                    static_cast<unsigned>(cell.id));
            if (!set.SetIcon(cell.kind, cell.index, png.data(), png.size())) {
                std::abort();
            }
        }
        SeedCounter random;
        if (set.PrepareForSave() != 0 || set.WriteIconFile(DefaultFileSystem(), file, random)) {
            std::abort();
        }
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void BM_OpenFullIconFile(benchmark::State& state) {
    Fixture& fixture = TheFixture();
    gui::QImageCodec codec;
    SeedCounter random;
    for (auto _ : state) {
        BenchUi ui;
        ui.openAnswer = fixture.file;
        IconEditController dialog(ui, codec, random);
        dialog.OnInitDialog({0, 0, 450, 487}, 21);
        if (ui.pictures != kIconCellCount) {
            state.SkipWithError("not every cell was decoded");
            break;
        }
    }
}
BENCHMARK(BM_OpenFullIconFile)->Unit(benchmark::kMillisecond);

void BM_SaveFullIconFile(benchmark::State& state) {
    Fixture& fixture = TheFixture();
    gui::QImageCodec codec;
    SeedCounter random;
    BenchUi ui;
    ui.openAnswer = fixture.file;
    ui.saveAnswer = (fixture.dir / "saved.vui").string();
    IconEditController dialog(ui, codec, random);
    dialog.OnInitDialog({0, 0, 450, 487}, 21);
    for (auto _ : state) {
        if (!dialog.View()->SaveIconFile("")) {
            state.SkipWithError(ui.lastWarning.c_str());
            break;
        }
    }
}
BENCHMARK(BM_SaveFullIconFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
