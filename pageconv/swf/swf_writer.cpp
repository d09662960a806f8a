// Bit packing and framing of SWF files. zlib does the CWS compression.
#include "swf/swf_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace pageconv {

void writeBits(BitWriter& out, uint32_t value, int count) {
    for (int bit = count - 1; bit >= 0; --bit) {
        if (out.bitsUsed == 0) {
            out.bytes.push_back(0);
        }
        if ((value >> bit) & 1U) {
            out.bytes.back() |= static_cast<uint8_t>(0x80U >> out.bitsUsed);
        }
        out.bitsUsed = (out.bitsUsed + 1) % 8;
    }
}

void writeSignedBits(BitWriter& out, int32_t value, int count) {
    writeBits(out, static_cast<uint32_t>(value) & (count >= 32 ? ~0U : ((1U << count) - 1)), count);
}

void alignToByte(BitWriter& out) {
    out.bitsUsed = 0;
}

void writeU8(BitWriter& out, uint8_t value) {
    alignToByte(out);
    out.bytes.push_back(value);
}

void writeU16(BitWriter& out, uint16_t value) {
    writeU8(out, value & 0xFF);
    writeU8(out, value >> 8);
}

void writeU32(BitWriter& out, uint32_t value) {
    writeU16(out, value & 0xFFFF);
    writeU16(out, value >> 16);
}

void writeBytes(BitWriter& out, std::span<const uint8_t> data) {
    alignToByte(out);
    out.bytes.insert(out.bytes.end(), data.begin(), data.end());
}

void writeString(BitWriter& out, std::string_view text) {
    alignToByte(out);
    out.bytes.insert(out.bytes.end(), text.begin(), text.end());
    out.bytes.push_back(0);
}

int signedBitsFor(int32_t value) {
    const auto magnitude = static_cast<uint32_t>(value < 0 ? ~value : value);
    return unsignedBitsFor(magnitude) + 1;
}

int unsignedBitsFor(uint32_t value) {
    int bits = 0;
    while (value != 0) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

void writeRect(BitWriter& out, const TwipRect& rect) {
    int bits = 1;
    for (const int32_t v : {rect.xMin, rect.xMax, rect.yMin, rect.yMax}) {
        bits = std::max(bits, signedBitsFor(v));
    }
    alignToByte(out);
    writeBits(out, bits, 5);
    for (const int32_t v : {rect.xMin, rect.xMax, rect.yMin, rect.yMax}) {
        writeSignedBits(out, v, bits);
    }
    alignToByte(out);
}

namespace {

int32_t fixed16(double factor) {
    if (!std::isfinite(factor)) {
        return 0;
    }
    return static_cast<int32_t>(
        std::lround(std::clamp(factor, -kMaxMatrixScale, kMaxMatrixScale) * 65536.0));
}

// A pair of 16.16 factors behind a presence bit, left out when both equal `absent`.
void writeFactorPair(BitWriter& out, double first, double second, double absent) {
    const bool present = first != absent || second != absent;
    writeBits(out, present ? 1 : 0, 1);
    if (present) {
        const int32_t a = fixed16(first);
        const int32_t b = fixed16(second);
        const int bits = std::max(signedBitsFor(a), signedBitsFor(b));
        writeBits(out, bits, 5);
        writeSignedBits(out, a, bits);
        writeSignedBits(out, b, bits);
    }
}

}  // namespace

void writeMatrix(BitWriter& out, const SwfMatrix& matrix) {
    alignToByte(out);
    writeFactorPair(out, matrix.scaleX, matrix.scaleY, 1.0);
    writeFactorPair(out, matrix.rotateSkew0, matrix.rotateSkew1, 0.0);
    // The field width has 5 bits, so a translation is held to 31 signed bits.
    constexpr int32_t kFarthest = (1 << 30) - 1;
    const int32_t tx = std::clamp(matrix.translateX, -kFarthest, kFarthest);
    const int32_t ty = std::clamp(matrix.translateY, -kFarthest, kFarthest);
    const int bits = (tx == 0 && ty == 0) ? 0 : std::max(signedBitsFor(tx), signedBitsFor(ty));
    writeBits(out, bits, 5);
    writeSignedBits(out, tx, bits);
    writeSignedBits(out, ty, bits);
    alignToByte(out);
}

int32_t toTwips(double pixels) {
    return static_cast<int32_t>(std::lround(pixels * 20.0));
}

void writeTagHeader(BitWriter& out, uint16_t code, size_t bodySize, bool longHeader) {
    if (!longHeader && bodySize < 0x3F) {
        writeU16(out, static_cast<uint16_t>((code << 6) | bodySize));
    } else {
        writeU16(out, static_cast<uint16_t>((code << 6) | 0x3F));
        writeU32(out, static_cast<uint32_t>(bodySize));
    }
}

Bytes makeTag(uint16_t code, std::span<const uint8_t> body, bool longHeader) {
    BitWriter out;
    out.bytes.reserve(6 + body.size());
    writeTagHeader(out, code, body.size(), longHeader);
    writeBytes(out, body);
    return out.bytes;
}

Bytes placeTag(uint16_t id, uint16_t depth) {
    BitWriter out;
    writeU8(out, 0x02);  // has character
    writeU16(out, depth);
    writeU16(out, id);
    return makeTag(tag::kPlaceObject2, out.bytes);
}

void append(Bytes& to, const Bytes& from) {
    to.insert(to.end(), from.begin(), from.end());
}

Bytes zlibCompress(std::span<const uint8_t> data) {
    uLongf size = compressBound(data.size());
    Bytes packed(size);
    if (compress2(packed.data(), &size, data.data(), data.size(), Z_DEFAULT_COMPRESSION) != Z_OK) {
        throw std::runtime_error("zlib could not compress");
    }
    packed.resize(size);
    return packed;
}

// The page's bitmap makes up most of a file: the tags are copied once, straight after the
// header fields, into a buffer of the right size.
Bytes makeSwfFile(const SwfHeader& header, std::span<const uint8_t> tags, bool compress) {
    BitWriter fields;
    writeRect(fields, header.stage);
    writeU16(fields, header.frameRate);
    writeU16(fields, header.frameCount);
    const size_t length = 8 + fields.bytes.size() + tags.size();

    BitWriter file;
    file.bytes.reserve(compress ? 8 : length);
    writeBytes(file, std::span<const uint8_t>(
                         reinterpret_cast<const uint8_t*>(compress ? "CWS" : "FWS"), 3));
    writeU8(file, header.version);
    writeU32(file, static_cast<uint32_t>(length));
    if (compress) {
        writeBytes(fields, tags);
        writeBytes(file, zlibCompress(fields.bytes));
    } else {
        writeBytes(file, fields.bytes);
        writeBytes(file, tags);
    }
    return file.bytes;
}

}  // namespace pageconv
