#pragma once
// The one door through which the icon editor reaches pictures: decoding bytes into pixels,
// shrinking a picture by area averaging, and encoding pixels as PNG. The editor's logic holds no
// image library of its own; the front end supplies one (QImage) and tests may supply another.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vanto::iconedit {

// A decoded picture: width x height pixels, each four bytes R, G, B, A (not premultiplied), rows
// top to bottom without padding.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool IsValid() const {
        return width > 0 && height > 0 &&
               pixels.size() ==
                   static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    }
};

class ImageCodec {
public:
    virtual ~ImageCodec() = default;

    // The picture held by `bytes` (PNG or any other format the codec knows), or nothing when the
    // bytes are no picture.
    virtual std::optional<RgbaImage> Decode(std::span<const std::uint8_t> bytes) const = 0;

    // The whole of `source` scaled to width x height, each target pixel the area-weighted mean of
    // the source pixels it covers. The aspect ratio is not kept.
    virtual RgbaImage ScaleAreaAverage(const RgbaImage& source, int width, int height) const = 0;

    // `image` as PNG file bytes, or nothing when it cannot be encoded.
    virtual std::optional<std::vector<std::uint8_t>> EncodePng(const RgbaImage& image) const = 0;
};

}  // namespace vanto::iconedit
