#include "app/iconedit/qimage_codec.h"

#include <QBuffer>
#include <QByteArray>
#include <climits>
#include <cstring>

#include "iconedit/icon_edit_scale.h"

namespace vanto::gui {

QImage ToQImage(const iconedit::RgbaImage& image) {
    if (!image.IsValid()) {
        return {};
    }
    QImage out(image.width, image.height, QImage::Format_RGBA8888);
    if (out.isNull()) {
        return {};
    }
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(out.scanLine(y), &image.pixels[static_cast<std::size_t>(y) * rowBytes],
                    rowBytes);
    }
    return out;
}

iconedit::RgbaImage FromQImage(const QImage& image) {
    iconedit::RgbaImage out;
    if (image.isNull()) {
        return out;
    }
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull()) {
        return out;
    }
    out.width = rgba.width();
    out.height = rgba.height();
    const std::size_t rowBytes = static_cast<std::size_t>(out.width) * 4;
    out.pixels.resize(rowBytes * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y) {
        std::memcpy(&out.pixels[static_cast<std::size_t>(y) * rowBytes], rgba.constScanLine(y),
                    rowBytes);
    }
    return out;
}

std::optional<iconedit::RgbaImage> QImageCodec::Decode(std::span<const std::uint8_t> bytes) const {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    QImage image;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) {
        return std::nullopt;
    }
    iconedit::RgbaImage out = FromQImage(image);
    if (!out.IsValid()) {
        return std::nullopt;
    }
    return out;
}

iconedit::RgbaImage QImageCodec::ScaleAreaAverage(const iconedit::RgbaImage& source, int width,
                                                  int height) const {
    return iconedit::AreaAverageScale(source, width, height);
}

std::optional<std::vector<std::uint8_t>> QImageCodec::EncodePng(
    const iconedit::RgbaImage& image) const {
    QImage picture = ToQImage(image);
    if (picture.isNull()) {
        return std::nullopt;
    }
    // An opaque picture is written without its alpha channel: fewer bytes for the same pixels.
    bool opaque = true;
    for (std::size_t i = 3; i < image.pixels.size() && opaque; i += 4) {
        opaque = image.pixels[i] == 0xFF;
    }
    if (opaque) {
        picture = picture.convertToFormat(QImage::Format_RGB32);
    }
    QByteArray encoded;
    QBuffer buffer(&encoded);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(encoded.begin(), encoded.end());
}

}  // namespace vanto::gui
