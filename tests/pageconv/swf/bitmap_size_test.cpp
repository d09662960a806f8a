// The page bitmap's size: oversampling within the players' bitmap limits and the fill's stretch.
#include "swf/bitmap_size.h"

#include <gtest/gtest.h>

namespace pageconv {
namespace {

TEST(BitmapSize, OversamplesWithinTheLimits) {
    struct Case {
        double width, height, oversample;
        int version;
        int expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {595, 842, 2, 10, 1190, 1684},
        {595, 842, 1, 10, 595, 842},
        {1754.17, 1240.63, 2, 10, 3508, 2481},
        // 8191 pixels a side: an 8000-pixel-wide banner is not oversampled at all.
        {8000, 100, 2, 10, 8191, 102},
        // The pixel budget (16,777,215) binds before the side limit.
        {4000, 4000, 2, 10, 4095, 4096},
        {6000, 3000, 2, 10, 5793, 2896},
        // Older players take 2880 pixels a side.
        {2000, 1000, 2, 9, 2880, 1440},
        {1500, 3000, 2, 6, 1440, 2880},
        // Tiny pages still get a pixel.
        {0.1, 0.1, 2, 10, 1, 1},
    };
    for (const Case& c : cases) {
        const auto size = bitmapSizeFor(c.width, c.height, c.oversample, c.version);
        ASSERT_TRUE(size.has_value()) << c.width << "x" << c.height;
        EXPECT_EQ(size->width, c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(size->height, c.expectedHeight) << c.width << "x" << c.height;
        const BitmapLimits limits = bitmapLimitsFor(c.version);
        EXPECT_LE(static_cast<long long>(size->width) * size->height, limits.maxPixels);
    }
}

TEST(BitmapSize, DefaultOversamplingReachesTheSharpResolutionAndNoMore) {
    struct Case {
        int zoom;
        double factor;
    };
    const Case cases[] = {{72, 2.0},  {36, 4.0},  {96, 1.5},  {100, 1.44}, {143, 144.0 / 143},
                          {144, 1.0}, {150, 1.0}, {300, 1.0}, {0, 1.0}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(defaultOversample(c.zoom), c.factor) << "zoom " << c.zoom;
    }
    // An A4 page at zoom 150 gets a bitmap of 150 dpi, one at zoom 72 one of 144 dpi.
    const auto at150 =
        bitmapSizeFor(595 * 150 / 72.0, 842 * 150 / 72.0, defaultOversample(150), 10);
    ASSERT_TRUE(at150);
    EXPECT_EQ(at150->width, 1240);
    EXPECT_EQ(at150->height, 1754);
}

TEST(BitmapSize, RefusesStagesTheFillCannotStretchOver) {
    // 8191 bitmap pixels stretched at most 16383 twips each: about 6.7 million stage pixels.
    EXPECT_TRUE(bitmapSizeFor(6'000'000, 100, 2, 10).has_value());
    EXPECT_FALSE(bitmapSizeFor(7'000'000, 100, 2, 10).has_value());
    EXPECT_FALSE(bitmapSizeFor(3'000'000, 100, 2, 6).has_value());
}

}  // namespace
}  // namespace pageconv
