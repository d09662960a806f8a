// The scan for a page's ink and the choice of the part of the bitmap that is encoded. The scan
// reads each blank row once in whole words and, on rows with ink, only the bytes outside the
// columns already known to hold ink, so it costs a fraction of the JPEG encoding it saves.
#include "swf/blank_margins.h"

#include <algorithm>
#include <cstring>

namespace pageconv {
namespace {

constexpr uint8_t kWhite = 0xFF;

bool bytesWhite(const uint8_t* from, size_t count) {
    uint64_t all = ~uint64_t{0};
    size_t i = 0;
    for (; i + sizeof all <= count; i += sizeof all) {
        uint64_t word = 0;
        std::memcpy(&word, from + i, sizeof word);
        all &= word;
    }
    uint8_t tail = kWhite;
    for (; i < count; ++i) {
        tail &= from[i];
    }
    return all == ~uint64_t{0} && tail == kWhite;
}

const uint8_t* rowAt(const PagePixels& pixels, int y) {
    return pixels.samples + static_cast<size_t>(y) * pixels.stride;
}

size_t rowBytes(const PagePixels& pixels) {
    return static_cast<size_t>(pixels.width) * pixels.components;
}

constexpr size_t kWord = sizeof(uint64_t);

// The first byte before `end` that is not white, or `end`.
size_t firstNonWhite(const uint8_t* row, size_t end) {
    size_t x = 0;
    while (x + kWord <= end && bytesWhite(row + x, kWord)) {
        x += kWord;
    }
    for (; x < end; ++x) {
        if (row[x] != kWhite) {
            return x;
        }
    }
    return end;
}

// The last byte after `start` (and before `count`) that is not white, or `start`.
size_t lastNonWhite(const uint8_t* row, size_t start, size_t count) {
    size_t x = count;
    while (x >= start + 1 + kWord && bytesWhite(row + x - kWord, kWord)) {
        x -= kWord;
    }
    while (x > start + 1) {
        --x;
        if (row[x] != kWhite) {
            return x;
        }
    }
    return start;
}

// Byte columns [first, last] of rows top..bottom hold all the ink; only the bytes outside them
// are looked at, so each row with ink usually costs a few words at each end.
void widenToInkColumns(const PagePixels& pixels, int top, int bottom, size_t& first, size_t& last) {
    for (int y = top; y <= bottom; ++y) {
        const uint8_t* row = rowAt(pixels, y);
        first = firstNonWhite(row, first);
        last = lastNonWhite(row, last, rowBytes(pixels));
    }
}

int roundDown(int value, int step) {
    return value / step * step;
}

int roundUp(int value, int step) {
    return (value + step - 1) / step * step;
}

}  // namespace

std::optional<PixelBox> inkBounds(const PagePixels& pixels) {
    const size_t bytes = rowBytes(pixels);
    int top = 0;
    while (top < pixels.height && bytesWhite(rowAt(pixels, top), bytes)) {
        ++top;
    }
    if (top == pixels.height) {
        return std::nullopt;
    }
    int bottom = pixels.height - 1;
    while (bytesWhite(rowAt(pixels, bottom), bytes)) {
        --bottom;
    }
    size_t first = bytes;
    size_t last = 0;
    widenToInkColumns(pixels, top, bottom, first, last);
    const int left = static_cast<int>(first) / pixels.components;
    const int right = static_cast<int>(last) / pixels.components;
    return PixelBox{left, top, right - left + 1, bottom - top + 1};
}

int jpegBlockPixels(JpegColour colour) {
    return colour == JpegColour::Grayscale ? 8 : 16;
}

PixelBox encodedPart(const std::optional<PixelBox>& ink, int width, int height, int blockPixels) {
    if (!ink) {
        return PixelBox{0, 0, std::min(blockPixels, width), std::min(blockPixels, height)};
    }
    const int left = roundDown(std::max(ink->left - kWhiteBorderPixels, 0), blockPixels);
    const int top = roundDown(std::max(ink->top - kWhiteBorderPixels, 0), blockPixels);
    const int right =
        std::min(roundUp(ink->left + ink->width + kWhiteBorderPixels, blockPixels), width);
    const int bottom =
        std::min(roundUp(ink->top + ink->height + kWhiteBorderPixels, blockPixels), height);
    return PixelBox{left, top, right - left, bottom - top};
}

PagePixels cropped(const PagePixels& pixels, const PixelBox& part) {
    PagePixels window = pixels;
    window.samples = rowAt(pixels, part.top) + static_cast<size_t>(part.left) * pixels.components;
    window.width = part.width;
    window.height = part.height;
    return window;
}

}  // namespace pageconv
