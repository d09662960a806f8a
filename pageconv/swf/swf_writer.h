// The SWF container, written by hand: bit-packed records (RECT, MATRIX), tags and the file header,
// plain (FWS) or zlib-compressed (CWS).
#pragma once

#include "common/records.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace pageconv {

// Bits are packed most significant first; byte-aligned writes flush a partial byte first.
struct BitWriter {
    Bytes bytes;
    int bitsUsed = 0;  // in the last byte, 0 when aligned
};

void writeBits(BitWriter& out, uint32_t value, int count);
void writeSignedBits(BitWriter& out, int32_t value, int count);
void alignToByte(BitWriter& out);
void writeU8(BitWriter& out, uint8_t value);
void writeU16(BitWriter& out, uint16_t value);
void writeU32(BitWriter& out, uint32_t value);
void writeBytes(BitWriter& out, std::span<const uint8_t> data);
void writeString(BitWriter& out, std::string_view text);  // NUL-terminated

// Smallest field width that holds the value as a signed / unsigned bit field.
int signedBitsFor(int32_t value);
int unsignedBitsFor(uint32_t value);

struct TwipRect {
    int32_t xMin = 0;
    int32_t xMax = 0;
    int32_t yMin = 0;
    int32_t yMax = 0;
};

// x' = x * scaleX + y * rotateSkew1 + translateX, y' = x * rotateSkew0 + y * scaleY + translateY.
// The four factors go in 16.16 fixed point, the translation in twips.
struct SwfMatrix {
    double scaleX = 1.0;
    double scaleY = 1.0;
    int32_t translateX = 0;
    int32_t translateY = 0;
    double rotateSkew0 = 0.0;
    double rotateSkew1 = 0.0;
};

void writeRect(BitWriter& out, const TwipRect& rect);
void writeMatrix(BitWriter& out, const SwfMatrix& matrix);

int32_t toTwips(double pixels);

// One tag: the short header for bodies under 63 bytes unless a long one is asked for.
void writeTagHeader(BitWriter& out, uint16_t code, size_t bodySize, bool longHeader = false);
Bytes makeTag(uint16_t code, std::span<const uint8_t> body, bool longHeader = false);

// PlaceObject2 putting character `id` at `depth`, untransformed.
Bytes placeTag(uint16_t id, uint16_t depth);

struct SwfHeader {
    uint8_t version = 10;
    TwipRect stage;
    uint16_t frameRate = 12 << 8;  // 8.8 fixed point
    uint16_t frameCount = 1;
};

// The whole file: header, then the given tags (which must end with an End tag).
Bytes makeSwfFile(const SwfHeader& header, std::span<const uint8_t> tags, bool compress);

// Tags and records are built apart and laid one after the other.
void append(Bytes& to, const Bytes& from);

// zlib's stream format, as bitmap tags carry their pixels.
Bytes zlibCompress(std::span<const uint8_t> data);

// The longest value of a 16.16 fixed scale factor in a MATRIX field (31 signed bits).
constexpr double kMaxMatrixScale = 16383.0;

namespace tag {
constexpr uint16_t kEnd = 0;
constexpr uint16_t kShowFrame = 1;
constexpr uint16_t kDefineShape = 2;
constexpr uint16_t kSetBackgroundColor = 9;
constexpr uint16_t kDefineBitsJpeg2 = 21;
constexpr uint16_t kPlaceObject2 = 26;
constexpr uint16_t kDefineText2 = 33;
constexpr uint16_t kDefineButton2 = 34;
constexpr uint16_t kExportAssets = 56;
constexpr uint16_t kDefineBitsJpeg3 = 35;
constexpr uint16_t kDefineBitsLossless2 = 36;
constexpr uint16_t kFileAttributes = 69;
constexpr uint16_t kImportAssets2 = 71;
constexpr uint16_t kDefineFont3 = 75;
constexpr uint16_t kMetadata = 77;
constexpr uint16_t kDefineShape4 = 83;
}  // namespace tag

}  // namespace pageconv
