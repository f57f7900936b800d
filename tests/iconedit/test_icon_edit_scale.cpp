// Area averaging: each target pixel is the exactly weighted mean of what it covers.
#include <gtest/gtest.h>

#include "iconedit/icon_edit_scale.h"

namespace vanto::iconedit {
namespace {

RgbaImage Grey(int width, int height, std::initializer_list<int> values) {
    RgbaImage image{width, height, {}};
    for (int v : values) {
        image.pixels.insert(image.pixels.end(),
                            {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v),
                             static_cast<std::uint8_t>(v), 255});
    }
    return image;
}

TEST(AreaAverageScale, FractionalCoverageIsWeighted) {
    // 3 -> 2 across: the first target pixel is all of pixel 0 and half of pixel 1.
    const RgbaImage out = AreaAverageScale(Grey(3, 1, {0, 90, 240}), 2, 1);
    ASSERT_TRUE(out.IsValid());
    EXPECT_EQ(out.pixels[0], 30);   // (0 + 45) / 1.5
    EXPECT_EQ(out.pixels[4], 190);  // (45 + 240) / 1.5

    // 4 -> 3 down, as 80 -> 60: thirds of rows.
    const RgbaImage rows = AreaAverageScale(Grey(1, 4, {0, 120, 240, 60}), 1, 3);
    EXPECT_EQ(rows.pixels[0], 30);   // (0 + 120/3) / (4/3)
    EXPECT_EQ(rows.pixels[4], 180);  // (2*120/3 + 2*240/3) / (4/3)
    EXPECT_EQ(rows.pixels[8], 105);  // (240/3 + 60) / (4/3)
}

TEST(AreaAverageScale, TransparentPixelsLendNoColour) {
    RgbaImage image{2, 1, {255, 0, 0, 255, 0, 0, 255, 0}};
    const RgbaImage out = AreaAverageScale(image, 1, 1);
    EXPECT_EQ(out.pixels[0], 255);
    EXPECT_EQ(out.pixels[2], 0);
    EXPECT_EQ(out.pixels[3], 128);
}

TEST(AreaAverageScale, BadInputGivesEmptyImage) {
    EXPECT_FALSE(AreaAverageScale(RgbaImage{}, 60, 60).IsValid());
    EXPECT_FALSE(AreaAverageScale(Grey(1, 1, {5}), 0, 60).IsValid());
    RgbaImage short_{2, 2, {1, 2, 3}};
    EXPECT_FALSE(AreaAverageScale(short_, 1, 1).IsValid());
    // Growing works too: every target pixel inside one source pixel takes its value.
    const RgbaImage grown = AreaAverageScale(Grey(1, 1, {77}), 3, 2);
    ASSERT_TRUE(grown.IsValid());
    EXPECT_EQ(grown.pixels[5 * 4], 77);
}

}  // namespace
}  // namespace vanto::iconedit
