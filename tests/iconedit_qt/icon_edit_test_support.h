#pragma once
// Shared pieces of the icon editor tests: a scripted window, a fixed seed source, PNG pictures
// made with QImage, and temporary files.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "iconedit/icon_edit_ui.h"
#include "iconedit/icon_file.h"

namespace vanto::iconedit::test {

// Records everything the logic shows and answers prompts from queues. An empty queue answers
// "cancelled".
class ScriptedUi : public IconEditUi {
public:
    struct Prompt {
        std::string filter;
        std::string proposedName;
    };
    enum class Shown { Empty, Picture, Nothing };
    struct Cell {
        Shown shown = Shown::Empty;
        int width = 0;
        int height = 0;
    };

    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<std::optional<IconMenuCommand>> menuAnswers;

    std::vector<Prompt> openPrompts;
    std::vector<Prompt> savePrompts;
    std::vector<IconMessage> warnings;
    std::vector<IconMenuState> menus;
    std::map<int, Cell> cells;
    int repaints = 0;

    std::optional<std::string> PromptOpenFile(const std::string& filter,
                                              const std::string& proposedName) override {
        openPrompts.push_back({filter, proposedName});
        return Next(openAnswers);
    }
    std::optional<std::string> PromptSaveFile(const std::string& filter,
                                              const std::string& proposedName) override {
        savePrompts.push_back({filter, proposedName});
        return Next(saveAnswers);
    }
    void ShowWarning(const std::string& text, const std::string& caption) override {
        warnings.push_back({text, caption});
    }
    std::optional<IconMenuCommand> TrackCellMenu(int, const IconMenuState& state) override {
        menus.push_back(state);
        return Next(menuAnswers);
    }
    void ShowEmptyPicture(int cellId) override {
        cells[cellId] = {Shown::Empty, 0, 0};
        ++repaints;
    }
    void ShowPicture(int cellId, const RgbaImage& picture) override {
        cells[cellId] = {Shown::Picture, picture.width, picture.height};
        ++repaints;
    }
    void ShowNoPicture(int cellId) override {
        cells[cellId] = {Shown::Nothing, 0, 0};
        ++repaints;
    }

private:
    template <typename T>
    static std::optional<T> Next(std::deque<std::optional<T>>& queue) {
        if (queue.empty()) {
            return std::nullopt;
        }
        std::optional<T> answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

class FixedRandom : public CountingRandomSource {
public:
    FixedRandom() : CountingRandomSource(11, 37) {}
};

inline std::vector<std::uint8_t> ToBytes(const QByteArray& data) {
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

inline std::vector<std::uint8_t> EncodeQImage(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ToBytes(data);
}

// A flat-coloured PNG of width x height; `shade` tells pictures apart.
inline std::vector<std::uint8_t> FlatPng(int width, int height, int shade) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(shade & 0xFF, (shade * 7) & 0xFF, (shade * 13) & 0xFF));
    return EncodeQImage(image);
}

// A 120x80 PNG of random noise in pairs of equal pixels across: the pairs let it compress to fit
// a device slot, while its 60x60 area average is plain noise that does not fit a selection slot.
inline std::vector<std::uint8_t> PairedNoisePng(unsigned seed) {
    QImage image(120, 80, QImage::Format_RGB32);
    std::mt19937 gen(seed);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 120; x += 2) {
            const QRgb colour = gen() & 0xFFFFFF;
            image.setPixel(x, y, colour);
            image.setPixel(x + 1, y, colour);
        }
    }
    return EncodeQImage(image);
}

// A PNG padded behind its end with zero bytes to exactly `size` bytes; decoders stop at the end
// chunk, so it still decodes to the same picture.
inline std::vector<std::uint8_t> PaddedPng(int width, int height, std::size_t size) {
    std::vector<std::uint8_t> png = FlatPng(width, height, 90);
    if (png.size() < size) {
        png.resize(size, 0);
    }
    return png;
}

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() /
                 ("iconedit-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (m_path / name).string(); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const std::string path = File(name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::uint8_t> SpanBytes(std::span<const std::uint8_t> bytes) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace vanto::iconedit::test
