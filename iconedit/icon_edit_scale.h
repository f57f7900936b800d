#pragma once
// Area-averaging scale: every target pixel is the mean of the source area it covers, each source
// pixel weighted by the exact fraction of it that falls inside. Colours are averaged weighted by
// their alpha, so transparent pixels lend no colour to their neighbours.

#include "iconedit/image_codec.h"

namespace vanto::iconedit {

// `source` scaled to width x height. An invalid source or a size below 1 gives an empty image.
RgbaImage AreaAverageScale(const RgbaImage& source, int width, int height);

}  // namespace vanto::iconedit
