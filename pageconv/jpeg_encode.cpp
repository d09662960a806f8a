// libjpeg reports errors by calling error_exit, which must not return; it jumps back into the
// encoding function, which therefore holds no C++ objects with destructors. The pages are fed
// to libjpeg straight from the renderer's samples; for a grayscale JPEG libjpeg itself takes
// the luma out of the RGB rows, so no converted copy of the page is ever made.
#include "jpeg_encode.h"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

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

struct JumpingErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jumpBack(j_common_ptr info) {
    auto* manager = reinterpret_cast<JumpingErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

void stayQuiet(j_common_ptr /*info*/) {}

// Fills `output` with a malloc'ed JPEG stream; returns false on failure. The defaults are
// already libjpeg's fastest sound ones: Huffman tables without an optimising pass, 4:2:0 chroma
// and the accurate integer DCT, which with libjpeg-turbo's SIMD is no slower than the fast one.
bool encodeRaw(const RgbPixels& pixels, JpegColour colour, int quality, unsigned char** output,
               unsigned long* size) {
    jpeg_compress_struct info{};
    JumpingErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    errors.base.output_message = stayQuiet;
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
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (colour == JpegColour::Grayscale) {
        jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    }
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(pixels.samples +
                                         static_cast<size_t>(info.next_scanline) * pixels.stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool hasOnlyGrays(const RgbPixels& pixels) {
    for (int y = 0; y < pixels.height; ++y) {
        if (!rowGray(pixels.samples + static_cast<size_t>(y) * pixels.stride, pixels.width)) {
            return false;
        }
    }
    return true;
}

std::optional<std::vector<uint8_t>> encodeJpeg(const RgbPixels& pixels, JpegColour colour,
                                               int quality) {
    unsigned char* output = nullptr;
    unsigned long size = 0;
    if (!encodeRaw(pixels, colour, quality, &output, &size)) {
        return std::nullopt;
    }
    std::vector<uint8_t> jpeg(output, output + size);
    std::free(output);
    return jpeg;
}

}  // namespace pageconv
