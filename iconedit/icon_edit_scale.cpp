#include "iconedit/icon_edit_scale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vanto::iconedit {
namespace {

// One target pixel along an axis covers source pixels [first, first + weights.size()) with these
// weights, in units where a whole source pixel weighs `targetLength`. Measured in those units the
// target pixel t spans [t * sourceLength, (t + 1) * sourceLength) and source pixel s spans
// [s * targetLength, (s + 1) * targetLength), so every overlap is an exact integer.
struct AxisSpan {
    int first = 0;
    std::vector<long long> weights;
};

std::vector<AxisSpan> AxisSpans(int sourceLength, int targetLength) {
    std::vector<AxisSpan> spans(static_cast<std::size_t>(targetLength));
    for (int t = 0; t < targetLength; ++t) {
        const long long begin = static_cast<long long>(t) * sourceLength;
        const long long end = begin + sourceLength;
        const int first = static_cast<int>(begin / targetLength);
        const int last = static_cast<int>((end - 1) / targetLength);
        AxisSpan& span = spans[static_cast<std::size_t>(t)];
        span.first = first;
        for (int s = first; s <= last; ++s) {
            const long long sBegin = static_cast<long long>(s) * targetLength;
            const long long sEnd = sBegin + targetLength;
            span.weights.push_back(std::min(end, sEnd) - std::max(begin, sBegin));
        }
    }
    return spans;
}

std::uint8_t ToByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

RgbaImage AreaAverageScale(const RgbaImage& source, int width, int height) {
    RgbaImage target;
    if (!source.IsValid() || width < 1 || height < 1) {
        return target;
    }
    target.width = width;
    target.height = height;
    target.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);

    const std::vector<AxisSpan> columns = AxisSpans(source.width, width);
    const std::vector<AxisSpan> rows = AxisSpans(source.height, height);
    const double area = static_cast<double>(source.width) * source.height;

    for (int ty = 0; ty < height; ++ty) {
        const AxisSpan& row = rows[static_cast<std::size_t>(ty)];
        for (int tx = 0; tx < width; ++tx) {
            const AxisSpan& column = columns[static_cast<std::size_t>(tx)];
            // Sums of alpha-weighted colour and of alpha, in exact integer weight units.
            double red = 0;
            double green = 0;
            double blue = 0;
            double alpha = 0;
            for (std::size_t dy = 0; dy < row.weights.size(); ++dy) {
                const int sy = row.first + static_cast<int>(dy);
                for (std::size_t dx = 0; dx < column.weights.size(); ++dx) {
                    const int sx = column.first + static_cast<int>(dx);
                    const double weight = static_cast<double>(row.weights[dy] * column.weights[dx]);
                    const std::uint8_t* p =
                        &source.pixels[(static_cast<std::size_t>(sy) * source.width + sx) * 4];
                    const double a = weight * p[3];
                    red += a * p[0];
                    green += a * p[1];
                    blue += a * p[2];
                    alpha += a;
                }
            }
            std::uint8_t* out = &target.pixels[(static_cast<std::size_t>(ty) * width + tx) * 4];
            if (alpha > 0) {
                out[0] = ToByte(red / alpha);
                out[1] = ToByte(green / alpha);
                out[2] = ToByte(blue / alpha);
            }
            // The weights of one target pixel add up to the source area in weight units.
            out[3] = ToByte(alpha / area);
        }
    }
    return target;
}

}  // namespace vanto::iconedit
