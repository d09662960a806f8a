// libjpeg reports errors by calling error_exit, which must not return; it jumps back into the
// encoding function, which therefore holds no C++ objects with destructors.
#include "jpeg_encode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace pageconv {
namespace {

struct JumpingErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jumpBack(j_common_ptr info) {
    auto* manager = reinterpret_cast<JumpingErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

void stayQuiet(j_common_ptr /*info*/) {}

// Fills `output` with a malloc'ed JPEG stream; returns false on failure.
bool encodeRaw(const uint8_t* rgb, int width, int height, int stride, int quality,
               unsigned char** output, unsigned long* size) {
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
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(info.next_scanline) * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> encodeJpeg(const uint8_t* rgb, int width, int height,
                                               int stride, int quality) {
    unsigned char* output = nullptr;
    unsigned long size = 0;
    if (!encodeRaw(rgb, width, height, stride, quality, &output, &size)) {
        return std::nullopt;
    }
    std::vector<uint8_t> jpeg(output, output + size);
    std::free(output);
    return jpeg;
}

}  // namespace pageconv
