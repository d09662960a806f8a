// Synthetic pictures for the documents: photo-like landscapes, a test card, JPEG encoding.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf_builder.h"

namespace pdfgen {

// A landscape (sky, sun, clouds, hills, lake, meadow) with film grain; the seed picks the light
// and the shapes, and the same seed always gives the same pixels.
RgbPixels makeLandscape(int width, int height, uint32_t seed);

// Colour bars over a grey ramp: easy to check by eye for orientation and colour.
RgbPixels makeTestCard(int width, int height);

std::vector<unsigned char> encodeJpeg(const RgbPixels& pixels, int quality);

}  // namespace pdfgen
