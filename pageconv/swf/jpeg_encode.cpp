// libjpeg reports errors by calling error_exit, which must not return; it jumps back into the
// encoding function, which therefore holds no C++ objects with destructors. The pages are fed
// to libjpeg straight from the renderer's samples; for a grayscale JPEG of RGB pixels libjpeg
// itself takes the luma out of the rows, so no converted copy of the page is ever made.
#include "swf/jpeg_encode.h"

#include "common/jpeg_errors.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pageconv {
namespace {

uint64_t load64(const uint8_t* at) {
    uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// XOR of each byte with the next one: zero at every r and g byte of a gray pixel. The masks
// keep those bytes of three consecutive words (eight pixels) and drop each pixel's b byte,
// which would be compared with the red of the pixel after it.
bool eightPixelsGray(const uint8_t* at) {
    const uint64_t d0 = (load64(at) ^ load64(at + 1)) & 0xFFFF00FFFF00FFFFULL;
    const uint64_t d1 = (load64(at + 8) ^ load64(at + 9)) & 0xFF00FFFF00FFFF00ULL;
    const uint64_t d2 = (load64(at + 16) ^ load64(at + 17)) & 0x00FFFF00FFFF00FFULL;
    return (d0 | d1 | d2) == 0;
}

bool pixelGray(const uint8_t* at) {
    return at[0] == at[1] && at[0] == at[2];
}

bool rowGray(const uint8_t* row, int width) {
    int x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Each block reads one byte past its eighth pixel, so it stops while a pixel follows.
        for (; x + 8 < width; x += 8) {
            if (!eightPixelsGray(row + 3 * static_cast<size_t>(x))) {
                return false;
            }
        }
    }
    for (; x < width; ++x) {
        if (!pixelGray(row + 3 * static_cast<size_t>(x))) {
            return false;
        }
    }
    return true;
}

void writeScanlines(jpeg_compress_struct& info, const PagePixels& pixels) {
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(pixels.samples +
                                         static_cast<size_t>(info.next_scanline) * pixels.stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
}

// Points `rows` at the eight rows from `top`, each whole blocks wide; the rows and columns past
// the page repeat its last row and column, as libjpeg's own input stage does. Rows that are
// already whole blocks wide (as a page cut on the block grid is) are read in place; narrower
// ones are widened in the strip.
void pointAtStrip(const PagePixels& pixels, int top, uint8_t* strip, int stripWidth,
                  std::array<JSAMPROW, DCTSIZE>& rows) {
    for (int r = 0; r < DCTSIZE; ++r) {
        const int y = std::min(top + r, pixels.height - 1);
        const uint8_t* from = pixels.samples + static_cast<size_t>(y) * pixels.stride;
        if (pixels.width == stripWidth) {
            rows[r] = const_cast<JSAMPROW>(from);
            continue;
        }
        uint8_t* to = strip + static_cast<size_t>(r) * stripWidth;
        std::memcpy(to, from, static_cast<size_t>(pixels.width));
        std::memset(to + pixels.width, from[pixels.width - 1],
                    static_cast<size_t>(stripWidth - pixels.width));
        rows[r] = to;
    }
}

// Gray pixels are already the samples of a grayscale JPEG's one component, so they go in as
// raw data: libjpeg's input stage would otherwise convert them one byte at a time.
void writeGrayStrips(jpeg_compress_struct& info, const PagePixels& pixels, uint8_t* strip,
                     int stripWidth) {
    std::array<JSAMPROW, DCTSIZE> rows{};
    JSAMPARRAY planes[1] = {rows.data()};
    while (info.next_scanline < info.image_height) {
        pointAtStrip(pixels, static_cast<int>(info.next_scanline), strip, stripWidth, rows);
        jpeg_write_raw_data(&info, planes, DCTSIZE);
    }
}

// Fills `output` with a malloc'ed JPEG stream; returns false on failure. The defaults are
// already libjpeg's fastest sound ones: Huffman tables without an optimising pass, 4:2:0 chroma
// and the accurate integer DCT, which with libjpeg-turbo's SIMD is no slower than the fast one.
// `strip` has room for eight rows of `stripWidth` samples, used for gray rows narrower than that.
bool encodeRaw(const PagePixels& pixels, JpegColour colour, int quality, uint8_t* strip,
               int stripWidth, unsigned char** output, unsigned long* size) {
    jpeg_compress_struct info{};
    JumpingErrorManager errors{};
    info.err = jumpingErrors(errors);
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&info);
        std::free(*output);
        *output = nullptr;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, output, size);
    info.image_width = static_cast<JDIMENSION>(pixels.width);
    info.image_height = static_cast<JDIMENSION>(pixels.height);
    const bool grayInput = pixels.components == 1;
    info.input_components = grayInput ? 1 : 3;
    info.in_color_space = grayInput ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    if (colour == JpegColour::Grayscale && !grayInput) {
        jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    }
    jpeg_set_quality(&info, quality, TRUE);
    info.raw_data_in = grayInput ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    if (grayInput) {
        writeGrayStrips(info, pixels, strip, stripWidth);
    } else {
        writeScanlines(info, pixels);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool hasOnlyGrays(const PagePixels& pixels) {
    if (pixels.components == 1) {
        return true;
    }
    for (int y = 0; y < pixels.height; ++y) {
        if (!rowGray(pixels.samples + static_cast<size_t>(y) * pixels.stride, pixels.width)) {
            return false;
        }
    }
    return true;
}

std::optional<std::vector<uint8_t>> encodeJpeg(const PagePixels& pixels, JpegColour colour,
                                               int quality) {
    if (pixels.width <= 0 || pixels.height <= 0) {
        return std::nullopt;
    }
    const int stripWidth = (pixels.width + DCTSIZE - 1) / DCTSIZE * DCTSIZE;
    const bool needsStrip = pixels.components == 1 && stripWidth != pixels.width;
    std::vector<uint8_t> strip(needsStrip ? static_cast<size_t>(stripWidth) * DCTSIZE : 0);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    if (!encodeRaw(pixels, colour, quality, strip.data(), stripWidth, &output, &size)) {
        return std::nullopt;
    }
    std::vector<uint8_t> jpeg(output, output + size);
    std::free(output);
    return jpeg;
}

}  // namespace pageconv
