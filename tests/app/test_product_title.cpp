#include <gtest/gtest.h>

#include "app/core/product_title.h"

namespace vanto {
namespace {

TEST(ProductTitle, VersionIsCutBeforeItsLastDot) {
    EXPECT_EQ(MakeProductTitle("VANTO Remote Manager", "1.3.1.0"), "VANTO Remote Manager V1.3.1");
    EXPECT_EQ(CutVersion("7"), "7");
    EXPECT_EQ(CutVersion(".5"), ".5");
    EXPECT_EQ(CutVersion("2.0"), "2");
    EXPECT_EQ(MakeProductTitle("", ""), " V");
}

}  // namespace
}  // namespace vanto
