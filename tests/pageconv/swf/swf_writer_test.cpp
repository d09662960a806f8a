// The hand-written SWF container: bit fields, RECT widths, tag headers, twips, CWS round trip.
#include "swf/swf_writer.h"

#include "swf_reader.h"

#include <gtest/gtest.h>

namespace pageconv {
namespace {

TEST(SwfBits, SignedAndUnsignedWidths) {
    struct Case {
        int32_t value;
        int signedBits;
    };
    for (const Case c :
         {Case{0, 1}, Case{1, 2}, Case{-1, 1}, Case{-2, 2}, Case{63, 7}, Case{-64, 7}, Case{64, 8},
          Case{65535, 17}, Case{-65536, 17}, Case{INT32_MAX, 32}, Case{INT32_MIN, 32}}) {
        EXPECT_EQ(signedBitsFor(c.value), c.signedBits) << c.value;
    }
    EXPECT_EQ(unsignedBitsFor(0), 0);
    EXPECT_EQ(unsignedBitsFor(31), 5);
    EXPECT_EQ(unsignedBitsFor(32), 6);
}

TEST(SwfBits, PacksMostSignificantFirstAndAlignsForBytes) {
    BitWriter out;
    writeBits(out, 0b101, 3);
    writeSignedBits(out, -1, 2);
    writeU8(out, 0xAB);  // starts a fresh byte
    writeU16(out, 0x1234);
    writeString(out, "hi");
    EXPECT_EQ(out.bytes, (Bytes{0b10111000, 0xAB, 0x34, 0x12, 'h', 'i', 0}));
}

TEST(SwfRect, UsesTheWidestFieldAndPadsToBytes) {
    struct Case {
        TwipRect rect;
        Bytes expected;
    };
    const Case cases[] = {
        // 0 needs one signed bit: 5 + 4 bits, padded to two bytes.
        {TwipRect{0, 0, 0, 0}, Bytes{0b00001000, 0b00000000}},
        // The classic 550x400 stage: 11000 and 8000 twips need 15 bits each.
        {TwipRect{0, 11000, 0, 8000}, Bytes{0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00}},
    };
    for (const Case& c : cases) {
        BitWriter out;
        writeRect(out, c.rect);
        EXPECT_EQ(out.bytes, c.expected);
    }
}

TEST(SwfRect, NegativeAndLargeValuesRoundTrip) {
    for (const TwipRect rect : {TwipRect{-20, 20, -1, 1}, TwipRect{0, 163820, 0, 327600},
                                TwipRect{-1000000, 1000000, 5, 7}}) {
        const Bytes tags = makeTag(tag::kEnd, {});
        const auto movie = swftest::readMovie(makeSwfFile(SwfHeader{10, rect}, tags, false));
        EXPECT_EQ(movie.stage[0], rect.xMin);
        EXPECT_EQ(movie.stage[1], rect.xMax);
        EXPECT_EQ(movie.stage[2], rect.yMin);
        EXPECT_EQ(movie.stage[3], rect.yMax);
    }
}

TEST(SwfTag, ShortAndLongHeaders) {
    struct Case {
        size_t length;
        bool forceLong;
        size_t headerBytes;
    };
    for (const Case c : {Case{0, false, 2}, Case{62, false, 2}, Case{63, false, 6},
                         Case{70000, false, 6}, Case{5, true, 6}}) {
        const Bytes body(c.length, 0x5A);
        const Bytes tag = makeTag(tag::kDefineBitsJpeg2, body, c.forceLong);
        ASSERT_EQ(tag.size(), c.headerBytes + c.length) << c.length;
        const unsigned header = tag[0] | (tag[1] << 8);
        EXPECT_EQ(header >> 6, tag::kDefineBitsJpeg2);
        if (c.headerBytes == 2) {
            EXPECT_EQ(header & 0x3F, c.length);
        } else {
            EXPECT_EQ(header & 0x3F, 0x3F);
            EXPECT_EQ(tag[2] | (tag[3] << 8) | (tag[4] << 16) | (tag[5] << 24), c.length);
        }
    }
}

TEST(SwfTwips, RoundsToTheNearestTwip) {
    struct Case {
        double pixels;
        int32_t twips;
    };
    for (const Case c : {Case{0, 0}, Case{595, 11900}, Case{1754.1666, 35083}, Case{0.024, 0},
                         Case{0.026, 1}, Case{-1.5, -30}}) {
        EXPECT_EQ(toTwips(c.pixels), c.twips) << c.pixels;
    }
}

TEST(SwfFile, PlainAndCompressedCarryTheSameMovie) {
    Bytes tags = makeTag(tag::kShowFrame, {});
    const Bytes big(5000, 7);
    const Bytes bigTag = makeTag(tag::kDefineBitsJpeg2, big, true);
    tags.insert(tags.end(), bigTag.begin(), bigTag.end());
    const Bytes end = makeTag(tag::kEnd, {});
    tags.insert(tags.end(), end.begin(), end.end());
    const SwfHeader header{7, TwipRect{0, 11900, 0, 16840}};

    const Bytes plain = makeSwfFile(header, tags, false);
    const Bytes packed = makeSwfFile(header, tags, true);
    const auto a = swftest::readMovie(plain);
    const auto b = swftest::readMovie(packed);
    EXPECT_EQ(a.signature, "FWS");
    EXPECT_EQ(b.signature, "CWS");
    EXPECT_LT(packed.size(), plain.size());
    // The length field counts the uncompressed file in both forms.
    EXPECT_EQ(a.declaredLength, plain.size());
    EXPECT_EQ(b.declaredLength, plain.size());
    EXPECT_EQ(b.actualLength, plain.size());
    EXPECT_EQ(a.version, 7);
    EXPECT_EQ(a.frameCount, 1);
    ASSERT_EQ(b.tags.size(), 3u);
    EXPECT_TRUE(b.tags[1].longHeader);
    EXPECT_EQ(b.tags[1].body, big);
}

TEST(SwfMatrix, RotationAndSkewReadBackAndStayOutWhenZero) {
    BitWriter plain;
    writeMatrix(plain, SwfMatrix{2.0, 0.5, 40, -8});
    BitWriter turned;
    writeMatrix(turned, SwfMatrix{2.0, 0.5, 40, -8, 0.25, -1.5});
    EXPECT_LT(plain.bytes.size(), turned.bytes.size());
    // Scale present, 19 bits; rotation present, 18 bits; translation 7 bits.
    BitWriter expected;
    writeBits(expected, 1, 1);
    writeBits(expected, 19, 5);
    writeSignedBits(expected, 2 << 16, 19);
    writeSignedBits(expected, 1 << 15, 19);
    writeBits(expected, 1, 1);
    writeBits(expected, 18, 5);
    writeSignedBits(expected, 1 << 14, 18);
    writeSignedBits(expected, -(3 << 15), 18);
    writeBits(expected, 7, 5);
    writeSignedBits(expected, 40, 7);
    writeSignedBits(expected, -8, 7);
    EXPECT_EQ(turned.bytes, expected.bytes);
}

}  // namespace
}  // namespace pageconv
