// The ink box of a rendered page and the part of it that is encoded: blank and full pages, ink at
// each edge, and the widening onto the JPEG block grid.
#include "swf/blank_margins.h"

#include <gtest/gtest.h>

#include <vector>

namespace pageconv {
namespace {

struct Canvas {
    int width;
    int height;
    int components;
    int padding;  // bytes past each row, as in a pixmap with a wider stride
    std::vector<uint8_t> samples;

    Canvas(int w, int h, int n, int pad = 0)
        : width(w),
          height(h),
          components(n),
          padding(pad),
          samples(static_cast<size_t>((w * n + pad) * h), 0xFF) {}

    int stride() const { return width * components + padding; }

    void ink(int x, int y, uint8_t value = 0x00, int component = 0) {
        const int at = y * stride() + x * components + component;
        samples[static_cast<size_t>(at)] = value;
    }

    PagePixels pixels() const {
        return PagePixels{samples.data(), width, height, stride(), components};
    }
};

TEST(BlankMargins, InkBoundsFindsEveryNonWhitePixel) {
    struct Dot {
        int x, y;
        int component;
        uint8_t value;
    };
    struct Case {
        const char* name;
        int width, height, components, padding;
        std::vector<Dot> dots;
        std::optional<PixelBox> expected;
    };
    const Case cases[] = {
        {"blank gray page", 40, 30, 1, 0, {}, std::nullopt},
        {"blank colour page", 40, 30, 3, 5, {}, std::nullopt},
        {"one dot", 40, 30, 1, 0, {{17, 9, 0, 0}}, PixelBox{17, 9, 1, 1}},
        {"top left corner", 40, 30, 3, 0, {{0, 0, 0, 0}}, PixelBox{0, 0, 1, 1}},
        {"bottom right corner", 40, 30, 3, 0, {{39, 29, 2, 0}}, PixelBox{39, 29, 1, 1}},
        {"left and right edges",
         40,
         30,
         1,
         0,
         {{0, 12, 0, 0}, {39, 20, 0, 0}},
         PixelBox{0, 12, 40, 9}},
        {"top and bottom edges",
         40,
         30,
         3,
         0,
         {{5, 0, 1, 0}, {9, 29, 0, 0}},
         PixelBox{5, 0, 5, 30}},
        // Nearly white is ink: only pure white may be left out.
        {"nearly white blue", 40, 30, 3, 0, {{21, 7, 2, 0xFE}}, PixelBox{21, 7, 1, 1}},
        // A row narrower than a machine word, and a width that is no multiple of it.
        {"narrow page", 3, 5, 1, 0, {{2, 4, 0, 0x80}}, PixelBox{2, 4, 1, 1}},
        {"odd width", 37, 3, 3, 0, {{36, 1, 0, 0x10}, {1, 1, 0, 0x10}}, PixelBox{1, 1, 36, 1}},
        // Ink just past a whole word of white from either end, and a row of white in between.
        {"word boundaries", 100, 4, 1, 0, {{8, 1, 0, 0}, {91, 3, 0, 0}}, PixelBox{8, 1, 84, 3}},
        {"colour word boundaries",
         32,
         2,
         3,
         0,
         {{8, 0, 0, 0}, {29, 1, 2, 0}},
         PixelBox{8, 0, 22, 2}},
        // Whatever lies past the row in the stride is not page.
        {"padding ignored", 10, 4, 1, 6, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        Canvas canvas(c.width, c.height, c.components, c.padding);
        if (c.padding > 0) {
            const int pastRow = canvas.width * canvas.components;
            canvas.samples[static_cast<size_t>(pastRow)] = 0;
        }
        for (const Dot& dot : c.dots) {
            canvas.ink(dot.x, dot.y, dot.value, dot.component);
        }
        EXPECT_EQ(inkBounds(canvas.pixels()), c.expected) << c.name;
    }
}

TEST(BlankMargins, EncodedPartIsWidenedOntoTheBlockGridWithinTheBitmap) {
    struct Case {
        const char* name;
        std::optional<PixelBox> ink;
        int width, height, block;
        PixelBox expected;
    };
    const Case cases[] = {
        {"blank page keeps one block", std::nullopt, 1190, 1684, 16, PixelBox{0, 0, 16, 16}},
        {"blank tiny page", std::nullopt, 5, 3, 8, PixelBox{0, 0, 5, 3}},
        {"full page", PixelBox{0, 0, 1190, 1684}, 1190, 1684, 16, PixelBox{0, 0, 1190, 1684}},
        // 100 - 4 = 96 is on the grid; 200 + 4 = 204 rounds up to 208.
        {"gray text block", PixelBox{100, 100, 100, 50}, 1190, 1684, 8, PixelBox{96, 96, 112, 64}},
        // The white border pushes ink that touches a block's edge into the next block.
        {"ink on a block edge", PixelBox{16, 32, 16, 16}, 1190, 1684, 16, PixelBox{0, 16, 48, 48}},
        {"colour grid", PixelBox{37, 41, 10, 10}, 1190, 1684, 16, PixelBox{32, 32, 32, 32}},
        // At the bitmap's edges the part stops there, off the grid if the bitmap is.
        {"ink at the right edge", PixelBox{1180, 10, 10, 10}, 1190, 1684, 16,
         PixelBox{1168, 0, 22, 32}},
        {"ink at the bottom edge", PixelBox{8, 1680, 4, 4}, 1190, 1684, 8,
         PixelBox{0, 1672, 16, 12}},
        {"ink at the top left", PixelBox{0, 0, 3, 3}, 1190, 1684, 8, PixelBox{0, 0, 8, 8}},
    };
    for (const Case& c : cases) {
        const PixelBox part = encodedPart(c.ink, c.width, c.height, c.block);
        EXPECT_EQ(part, c.expected) << c.name;
        EXPECT_EQ(part.left % c.block, 0) << c.name;
        EXPECT_EQ(part.top % c.block, 0) << c.name;
        EXPECT_LE(part.left + part.width, c.width) << c.name;
        EXPECT_LE(part.top + part.height, c.height) << c.name;
    }
}

TEST(BlankMargins, CroppedWindowSeesTheSameSamples) {
    Canvas canvas(20, 10, 3, 2);
    canvas.ink(7, 4, 0x12, 1);
    const PagePixels window = cropped(canvas.pixels(), PixelBox{4, 2, 8, 5});
    EXPECT_EQ(window.width, 8);
    EXPECT_EQ(window.height, 5);
    EXPECT_EQ(window.stride, canvas.stride());
    EXPECT_EQ(window.samples[2 * window.stride + 3 * 3 + 1], 0x12);
    EXPECT_EQ(inkBounds(window), (PixelBox{3, 2, 1, 1}));
}

}  // namespace
}  // namespace pageconv
