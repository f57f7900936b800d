#pragma once
// The icon editor's pictures through QImage: decoding any format Qt reads, PNG encoding, and the
// shared area-averaging scale. Needs only QtGui; no application object has to exist.

#include <QImage>

#include "iconedit/image_codec.h"

namespace vanto::gui {

class QImageCodec : public iconedit::ImageCodec {
public:
    std::optional<iconedit::RgbaImage> Decode(std::span<const std::uint8_t> bytes) const override;
    iconedit::RgbaImage ScaleAreaAverage(const iconedit::RgbaImage& source, int width,
                                         int height) const override;
    std::optional<std::vector<std::uint8_t>> EncodePng(
        const iconedit::RgbaImage& image) const override;
};

// Conversions between the editor's pixels and QImage (Format_RGBA8888).
QImage ToQImage(const iconedit::RgbaImage& image);
iconedit::RgbaImage FromQImage(const QImage& image);

}  // namespace vanto::gui
