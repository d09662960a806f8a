// JPEG encoding of rendered pages with libjpeg-turbo.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace pageconv {

// `rgb` holds `height` rows of `width` RGB pixels, `stride` bytes apart. Nothing on failure.
std::optional<std::vector<uint8_t>> encodeJpeg(const uint8_t* rgb, int width, int height,
                                               int stride, int quality);

}  // namespace pageconv
