// The plain records the converter's parts hand to each other: byte strings, boxes on the page and
// rendered pixels. They hold no behaviour, so that the SWF writer, the PDF side and the pipeline
// can share them without knowing of each other.
#pragma once

#include <cstdint>
#include <vector>

namespace pageconv {

using Bytes = std::vector<uint8_t>;

// A rectangle with a top-left origin, y growing downwards.
struct Box {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
};

// A part of a bitmap, in its pixels.
struct PixelBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelBox&) const = default;
};

// `height` rows of `width` pixels, `stride` bytes apart: RGB (three bytes a pixel) or gray (one).
struct PagePixels {
    const uint8_t* samples = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    int components = 3;
};

}  // namespace pageconv
