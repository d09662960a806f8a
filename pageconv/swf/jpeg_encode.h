// JPEG encoding of rendered pages with libjpeg-turbo, and the check that lets a page without
// colour be stored as a one-component JPEG.
#pragma once

#include "common/records.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pageconv {

enum class JpegColour { Rgb, Grayscale };

// True when every pixel has r == g == b, so a grayscale JPEG loses nothing a colour one keeps.
bool hasOnlyGrays(const PagePixels& pixels);

// Grayscale keeps the luma a colour JPEG of the same pixels would hold and drops the chroma;
// gray pixels always give a grayscale JPEG. Nothing on failure.
std::optional<std::vector<uint8_t>> encodeJpeg(const PagePixels& pixels, JpegColour colour,
                                               int quality);

}  // namespace pageconv
