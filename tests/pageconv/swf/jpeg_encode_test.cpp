// The colour check that picks grayscale JPEG, and what the encoder's streams decode to.
#include "swf/jpeg_encode.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <string>

namespace pageconv {
namespace {

// A gray image (value varying with position), as RGB or one-component pixels, whose rows
// carry `padding` spare bytes.
struct TestImage {
    int width = 0;
    int height = 0;
    int components = 3;
    int stride = 0;
    std::vector<uint8_t> bytes;

    TestImage(int w, int h, int padding, int n = 3)
        : width(w), height(h), components(n), stride(n * w + padding) {
        bytes.assign(static_cast<size_t>(stride) * h, 0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const auto value = static_cast<uint8_t>((x * 37 + y * 11) % 256);
                for (int c = 0; c < n; ++c) {
                    at(x, y)[c] = value;
                }
            }
            for (int p = 0; p < padding; ++p) {
                bytes[static_cast<size_t>(y) * stride + static_cast<size_t>(n) * w + p] =
                    static_cast<uint8_t>(p + 1);
            }
        }
    }
    uint8_t* at(int x, int y) {
        return bytes.data() + static_cast<size_t>(y) * stride + static_cast<size_t>(components) * x;
    }
    PagePixels pixels() const {
        return PagePixels{bytes.data(), width, height, stride, components};
    }
};

TEST(JpegEncode, ColourAnywhereInThePageIsFound) {
    struct Case {
        const char* what;
        int width, height, padding;
        int x, y, channel;  // the byte nudged off gray; channel -1 nudges nothing
        bool gray;
    };
    const Case cases[] = {
        {"all gray, one pixel", 1, 1, 0, 0, 0, -1, true},
        {"all gray, whole blocks and a tail", 17, 3, 0, 0, 0, -1, true},
        {"colour bytes in the row padding are not pixels", 9, 4, 5, 0, 0, -1, true},
        {"red of the first pixel", 9, 2, 0, 0, 0, 0, false},
        {"green inside a block", 17, 2, 0, 5, 1, 1, false},
        {"blue inside a block", 17, 2, 0, 2, 1, 2, false},
        {"blue of the eighth pixel of a block", 17, 1, 0, 7, 0, 2, false},
        {"red of the ninth pixel, start of the next block", 17, 1, 0, 8, 0, 0, false},
        {"blue of the last pixel of the last row", 16, 3, 0, 15, 2, 2, false},
        {"blue of the last pixel, tail of exactly eight", 9, 1, 3, 8, 0, 2, false},
    };
    for (const Case& c : cases) {
        TestImage image(c.width, c.height, c.padding);
        if (c.channel >= 0) {
            image.at(c.x, c.y)[c.channel] ^= 1;
        }
        EXPECT_EQ(hasOnlyGrays(image.pixels()), c.gray) << c.what;
    }
}

struct Decoded {
    int components = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // always expanded to RGB
};

Decoded decode(const std::vector<uint8_t>& jpeg) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), jpeg.size());
    jpeg_read_header(&info, TRUE);
    Decoded out{info.num_components,
                static_cast<int>(info.image_width),
                static_cast<int>(info.image_height),
                {}};
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.rgb.data() + static_cast<size_t>(info.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

// A grayscale stream drops only chroma that a gray page does not have: it decodes to exactly
// the pixels of the colour stream of the same page, whatever the size and row padding.
TEST(JpegEncode, GrayscaleStreamDecodesLikeTheColourOne) {
    struct Case {
        int width, height, padding, quality;
    };
    const Case cases[] = {{1, 1, 0, 85}, {33, 17, 3, 85}, {64, 48, 0, 100}, {50, 9, 1, 0}};
    for (const Case& c : cases) {
        const TestImage image(c.width, c.height, c.padding);
        const auto gray = encodeJpeg(image.pixels(), JpegColour::Grayscale, c.quality);
        const auto colour = encodeJpeg(image.pixels(), JpegColour::Rgb, c.quality);
        ASSERT_TRUE(gray && colour) << c.width;
        const Decoded g = decode(*gray);
        const Decoded rgb = decode(*colour);
        EXPECT_EQ(g.components, 1) << c.width;
        EXPECT_EQ(rgb.components, 3) << c.width;
        EXPECT_EQ(g.width, c.width);
        EXPECT_EQ(g.height, c.height);
        EXPECT_TRUE(g.rgb == rgb.rgb) << c.width << "x" << c.height;
        EXPECT_LT(gray->size(), colour->size()) << c.width;
    }
}

// One-component pixels take a path of their own through libjpeg; it must give the very stream
// that RGB pixels of the same grays give, including the blocks cut by the right and bottom edge.
TEST(JpegEncode, GrayPixelsEncodeLikeTheSameGraysInRgb) {
    struct Case {
        int width, height, padding;
    };
    // Whole-block widths are read in place, padded rows included; the others are widened.
    const Case cases[] = {{1, 1, 0},   {8, 8, 0},   {7, 9, 0},   {17, 13, 5},
                          {33, 24, 1}, {100, 3, 0}, {16, 13, 3}, {64, 3, 7}};
    for (const Case& c : cases) {
        const TestImage gray(c.width, c.height, c.padding, 1);
        const TestImage rgb(c.width, c.height, c.padding, 3);
        const auto fromGray = encodeJpeg(gray.pixels(), JpegColour::Grayscale, 85);
        const auto fromRgb = encodeJpeg(rgb.pixels(), JpegColour::Grayscale, 85);
        ASSERT_TRUE(fromGray && fromRgb) << c.width << "x" << c.height;
        EXPECT_TRUE(*fromGray == *fromRgb) << c.width << "x" << c.height;
        EXPECT_TRUE(hasOnlyGrays(gray.pixels()));
    }
}

TEST(JpegEncode, ColourSurvivesEncoding) {
    TestImage image(16, 16, 0);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            image.at(x, y)[0] = 200;
            image.at(x, y)[1] = 30;
            image.at(x, y)[2] = 30;
        }
    }
    const auto jpeg = encodeJpeg(image.pixels(), JpegColour::Rgb, 85);
    ASSERT_TRUE(jpeg);
    const Decoded d = decode(*jpeg);
    EXPECT_NEAR(d.rgb[0], 200, 4);
    EXPECT_NEAR(d.rgb[1], 30, 4);
}

TEST(JpegEncode, AnEmptyImageIsAFailureNotACrash) {
    for (const int components : {1, 3}) {
        const TestImage image(4, 4, 0, components);
        for (const auto colour : {JpegColour::Rgb, JpegColour::Grayscale}) {
            PagePixels noWidth = image.pixels();
            noWidth.width = 0;
            EXPECT_FALSE(encodeJpeg(noWidth, colour, 85));
            PagePixels noHeight = image.pixels();
            noHeight.height = 0;
            EXPECT_FALSE(encodeJpeg(noHeight, colour, 85));
        }
    }
}

}  // namespace
}  // namespace pageconv
