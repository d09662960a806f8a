// Leaving the blank margins of a rendered page out of its JPEG: the box around everything that is
// not pure white, widened and put on the JPEG block grid so that the encoded part decodes to the
// same pixels the whole page would have given there.
#pragma once

#include "common/records.h"

#include "swf/jpeg_encode.h"

#include <optional>

namespace pageconv {

// The smallest box holding every pixel that is not pure white; nothing for a blank page.
std::optional<PixelBox> inkBounds(const PagePixels& pixels);

// White kept around the ink, so that smoothing at the edge of the encoded part blends white
// with white as it did over the whole page.
constexpr int kWhiteBorderPixels = 4;

// The JPEG's block grid: 8 pixels for one component, 16 for colour with 4:2:0 chroma.
int jpegBlockPixels(JpegColour colour);

// The part of a `width` x `height` bitmap to encode: the ink widened by kWhiteBorderPixels and
// rounded out to whole blocks, within the bitmap. A blank page keeps one block in its corner.
PixelBox encodedPart(const std::optional<PixelBox>& ink, int width, int height, int blockPixels);

// The same samples seen through a window; `part` must lie within the pixels.
PagePixels cropped(const PagePixels& pixels, const PixelBox& part);

}  // namespace pageconv
