// Writing a vector page as DefineShape4, DefineFont3, DefineText2 and bitmap tags. Everything is
// defined right before it is placed, one depth per placed object, so drawing order is depth order.
#include "swf/vector_tags.h"

#include "swf/clip_layers.h"
#include "swf/gradients.h"
#include "swf/outline_builder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace pageconv {
namespace {

// An edge's delta fields have at most 17 bits.
constexpr int64_t kMaxEdgeDelta = 65535;
constexpr int64_t kMinEdgeDelta = -65536;
// Far more halvings than any held curve needs before its pieces fit the edge fields.
constexpr int kMaxCurveSplits = 24;
constexpr size_t kMaxGlyphsPerRecord = 255;
constexpr uint32_t kLastId = 0xFFFF;

constexpr uint8_t kSolidFill = 0x00;
constexpr uint8_t kClippedSmoothedBitmapFill = 0x41;
constexpr uint8_t kClippedHardBitmapFill = 0x43;
constexpr uint8_t kLosslessArgb = 5;

int32_t held(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, -kFarthestShapeTwip, kFarthestShapeTwip));
}

TwipPoint held(TwipPoint p) {
    return TwipPoint{held(p.x), held(p.y)};
}

TwipRect held(const TwipRect& r) {
    return TwipRect{held(r.xMin), held(r.xMax), held(r.yMin), held(r.yMax)};
}

Outline heldOutline(const Outline& outline) {
    Outline copy = outline;
    for (Segment& s : copy) {
        s.control = held(s.control);
        s.to = held(s.to);
    }
    return copy;
}

void writeRgba(BitWriter& out, const Rgba& c) {
    for (const uint8_t v : {c.r, c.g, c.b, c.a}) {
        writeU8(out, v);
    }
}

// ---- Shape records ----

struct Pen {
    int64_t x = 0;
    int64_t y = 0;
};

bool fitsEdge(int64_t v) {
    return v >= kMinEdgeDelta && v <= kMaxEdgeDelta;
}

int edgeBits(std::initializer_list<int64_t> deltas) {
    int bits = 2;
    for (const int64_t d : deltas) {
        bits = std::max(bits, signedBitsFor(static_cast<int32_t>(d)));
    }
    return bits;
}

void writeStraightRecord(BitWriter& out, int64_t dx, int64_t dy) {
    const int bits = edgeBits({dx, dy});
    writeBits(out, 0b11, 2);  // edge, straight
    writeBits(out, bits - 2, 4);
    const bool general = dx != 0 && dy != 0;
    writeBits(out, general ? 1 : 0, 1);
    if (general) {
        writeSignedBits(out, static_cast<int32_t>(dx), bits);
        writeSignedBits(out, static_cast<int32_t>(dy), bits);
        return;
    }
    writeBits(out, dx == 0 ? 1 : 0, 1);  // vertical
    writeSignedBits(out, static_cast<int32_t>(dx == 0 ? dy : dx), bits);
}

// Long lines go as equal pieces along the same line.
void writeLine(BitWriter& out, Pen& pen, int64_t x, int64_t y) {
    const int64_t dx = x - pen.x;
    const int64_t dy = y - pen.y;
    const int64_t longest = std::max(std::abs(dx), std::abs(dy));
    const int64_t pieces = std::max<int64_t>(1, (longest + kMaxEdgeDelta - 1) / kMaxEdgeDelta);
    int64_t doneX = 0;
    int64_t doneY = 0;
    for (int64_t i = 1; i <= pieces; ++i) {
        const int64_t toX = dx * i / pieces;
        const int64_t toY = dy * i / pieces;
        if (toX != doneX || toY != doneY) {
            writeStraightRecord(out, toX - doneX, toY - doneY);
        }
        doneX = toX;
        doneY = toY;
    }
    pen = Pen{x, y};
}

void writeCurveRecord(BitWriter& out, int64_t cdx, int64_t cdy, int64_t adx, int64_t ady) {
    const int bits = edgeBits({cdx, cdy, adx, ady});
    writeBits(out, 0b10, 2);  // edge, curved
    writeBits(out, bits - 2, 4);
    for (const int64_t d : {cdx, cdy, adx, ady}) {
        writeSignedBits(out, static_cast<int32_t>(d), bits);
    }
}

int64_t halfway(int64_t a, int64_t b) {
    return static_cast<int64_t>(std::floor((static_cast<double>(a) + static_cast<double>(b)) / 2));
}

// Too long a curve is halved at t = 0.5 until its pieces fit the edge fields.
void writeCurve(BitWriter& out, Pen& pen, Pen control, Pen to, int splits = 0) {
    const int64_t cdx = control.x - pen.x;
    const int64_t cdy = control.y - pen.y;
    const int64_t adx = to.x - control.x;
    const int64_t ady = to.y - control.y;
    if (fitsEdge(cdx) && fitsEdge(cdy) && fitsEdge(adx) && fitsEdge(ady)) {
        writeCurveRecord(out, cdx, cdy, adx, ady);
        pen = to;
        return;
    }
    if (splits == kMaxCurveSplits) {
        writeLine(out, pen, to.x, to.y);
        return;
    }
    const Pen left{halfway(pen.x, control.x), halfway(pen.y, control.y)};
    const Pen right{halfway(control.x, to.x), halfway(control.y, to.y)};
    const Pen middle{halfway(left.x, right.x), halfway(left.y, right.y)};
    writeCurve(out, pen, left, middle, splits + 1);
    writeCurve(out, pen, right, to, splits + 1);
}

// Which style a shape's edges carry. Fills go on fill style 0, the side glyphs must use: with
// every edge filled on the same side both Flash and Ruffle count crossings (even-odd) or windings
// (non-zero) over the whole outline, whichever way its subpaths run.
struct EdgeStyles {
    bool fill = false;
    bool line = false;
};

void writeMove(BitWriter& out, Pen& pen, TwipPoint to, const EdgeStyles* styles) {
    const bool line = styles && styles->line;
    const bool fill = styles && styles->fill;
    writeBits(out, 0, 2);  // style change record, no new styles
    writeBits(out, line ? 1 : 0, 1);
    writeBits(out, 0, 1);  // fill style 1 unchanged
    writeBits(out, fill ? 1 : 0, 1);
    writeBits(out, 1, 1);  // move to
    const int bits = std::max(signedBitsFor(to.x), signedBitsFor(to.y));
    writeBits(out, bits, 5);
    writeSignedBits(out, to.x, bits);
    writeSignedBits(out, to.y, bits);
    if (fill) {
        writeBits(out, 1, 1);  // fill style 0 is the first style
    }
    if (line) {
        writeBits(out, 1, 1);
    }
    pen = Pen{to.x, to.y};
}

void writeEdge(BitWriter& out, Pen& pen, const Segment& s) {
    if (s.kind == SegmentKind::CurveTo) {
        writeCurve(out, pen, Pen{s.control.x, s.control.y}, Pen{s.to.x, s.to.y});
    } else {
        writeLine(out, pen, s.to.x, s.to.y);
    }
}

// Fills close every subpath, as PDF fills do.
void writeShapeRecords(BitWriter& out, const Outline& outline, EdgeStyles styles) {
    writeBits(out, styles.fill ? 1 : 0, 4);
    writeBits(out, styles.line ? 1 : 0, 4);
    Pen pen;
    TwipPoint start;
    bool first = true;
    for (const Segment& s : outline) {
        if (s.kind == SegmentKind::MoveTo || first) {
            if (styles.fill && !first) {
                writeLine(out, pen, start.x, start.y);
            }
            start = s.kind == SegmentKind::MoveTo ? s.to : TwipPoint{};
            writeMove(out, pen, start, first ? &styles : nullptr);
            first = false;
        }
        if (s.kind != SegmentKind::MoveTo) {
            writeEdge(out, pen, s);
        }
    }
    if (styles.fill && !first) {
        writeLine(out, pen, start.x, start.y);
    }
    writeBits(out, 0, 6);  // end of shape
    alignToByte(out);
}

// ---- DefineShape4 ----

void writeLineStyle(BitWriter& out, const LineStyle& line) {
    writeU16(out, line.width);
    writeBits(out, static_cast<uint32_t>(line.startCap), 2);
    writeBits(out, static_cast<uint32_t>(line.join), 2);
    writeBits(out, 0, 4);  // no fill, scaled both ways, no pixel hinting
    writeBits(out, 0, 5);
    writeBits(out, 0, 1);  // closed subpaths get a join where they close
    writeBits(out, static_cast<uint32_t>(line.endCap), 2);
    if (line.join == LineJoin::Miter) {
        const double limit = std::isfinite(line.miterLimit) ? line.miterLimit : 0;
        writeU16(out, static_cast<uint16_t>(std::lround(std::clamp(limit, 0.0, 255.99) * 256)));
    }
    writeRgba(out, line.colour);
}

struct ShapeLook {
    Bytes fillStyle;  // empty for a stroke
    FillRule rule = FillRule::EvenOdd;
    const LineStyle* line = nullptr;
};

Bytes defineShape4(uint16_t id, const Outline& rawOutline, const ShapeLook& look) {
    const Outline outline = heldOutline(rawOutline);
    const TwipRect edges = outlineBounds(outline);
    const bool fill = !look.fillStyle.empty();
    BitWriter out;
    writeU16(out, id);
    writeRect(out, held(look.line ? strokeBounds(outline, *look.line) : edges));
    writeRect(out, edges);
    const bool nonZero = fill && look.rule == FillRule::NonZero;
    writeU8(out, (nonZero ? 0x04 : 0) | (look.line ? 0x01 : 0));  // winding rule, scaling strokes
    writeU8(out, fill ? 1 : 0);
    writeBytes(out, look.fillStyle);
    writeU8(out, look.line ? 1 : 0);
    if (look.line) {
        writeLineStyle(out, *look.line);
    }
    writeShapeRecords(out, outline, EdgeStyles{fill, look.line != nullptr});
    return makeTag(tag::kDefineShape4, out.bytes);
}

Bytes solidFill(const Rgba& colour) {
    BitWriter out;
    writeU8(out, kSolidFill);
    writeRgba(out, colour);
    return out.bytes;
}

Bytes placeClipTag(uint16_t id, uint16_t depth, uint16_t clipDepth) {
    BitWriter out;
    writeU8(out, 0x42);  // has clip depth, has character
    writeU16(out, depth);
    writeU16(out, id);
    writeU16(out, clipDepth);
    return makeTag(tag::kPlaceObject2, out.bytes);
}

// ---- Bitmaps ----

PointF mapped(const SwfMatrix& m, double x, double y) {
    return PointF{x * m.scaleX + y * m.rotateSkew1 + m.translateX,
                  x * m.rotateSkew0 + y * m.scaleY + m.translateY};
}

int32_t roundedTwips(double v) {
    constexpr double kFar = kFarthestShapeTwip;
    return std::isfinite(v) ? static_cast<int32_t>(std::lround(std::clamp(v, -kFar, kFar))) : 0;
}

TwipPoint roundedTwips(PointF p) {
    return TwipPoint{roundedTwips(p.x), roundedTwips(p.y)};
}

Outline bitmapArea(const SwfBitmap& bitmap, const SwfMatrix& placement) {
    const double w = bitmap.width;
    const double h = bitmap.height;
    const TwipPoint corners[4] = {
        roundedTwips(mapped(placement, 0, 0)), roundedTwips(mapped(placement, w, 0)),
        roundedTwips(mapped(placement, w, h)), roundedTwips(mapped(placement, 0, h))};
    Outline area{Segment{SegmentKind::MoveTo, {}, corners[0]}};
    for (const TwipPoint& c : {corners[1], corners[2], corners[3], corners[0]}) {
        area.push_back(Segment{SegmentKind::LineTo, {}, c});
    }
    return area;
}

Bytes bitmapFill(uint16_t bitmapId, const PlacedBitmap& placed) {
    BitWriter out;
    writeU8(out, placed.smoothed ? kClippedSmoothedBitmapFill : kClippedHardBitmapFill);
    writeU16(out, bitmapId);
    writeMatrix(out, placed.placement);
    return out.bytes;
}

Bytes bitmapTag(uint16_t id, const SwfBitmap& bitmap) {
    BitWriter out;
    writeU16(out, id);
    switch (bitmap.kind) {
        case BitmapKind::Jpeg:
            writeBytes(out, bitmap.data);
            return makeTag(tag::kDefineBitsJpeg2, out.bytes, true);
        case BitmapKind::JpegWithAlpha:
            writeU32(out, static_cast<uint32_t>(bitmap.data.size()));
            writeBytes(out, bitmap.data);
            writeBytes(out, zlibCompress(bitmap.alpha));
            return makeTag(tag::kDefineBitsJpeg3, out.bytes, true);
        case BitmapKind::Lossless:
            writeU8(out, kLosslessArgb);
            writeU16(out, static_cast<uint16_t>(bitmap.width));
            writeU16(out, static_cast<uint16_t>(bitmap.height));
            writeBytes(out, zlibCompress(bitmap.data));
            return makeTag(tag::kDefineBitsLossless2, out.bytes, true);
    }
    throw std::invalid_argument("unknown bitmap kind");
}

// ---- Fonts ----

struct FontFacts {
    std::vector<TwipRect> glyphBounds;  // font units
    std::vector<bool> glyphInked;
};

FontFacts fontFacts(const SwfFont& font) {
    FontFacts facts;
    for (const Glyph& glyph : font.glyphs) {
        facts.glyphBounds.push_back(outlineBounds(heldOutline(glyph.outline)));
        facts.glyphInked.push_back(edgeCount(glyph.outline) > 0);
    }
    return facts;
}

Bytes glyphShape(const Glyph& glyph) {
    BitWriter out;
    writeShapeRecords(out, heldOutline(glyph.outline), EdgeStyles{true, false});
    return out.bytes;
}

std::string fontName(const std::string& name) {
    size_t length = std::min<size_t>(name.size(), 255);
    while (length > 0 && length < name.size() && (name[length] & 0xC0) == 0x80) {
        --length;  // keep UTF-8 whole
    }
    return name.substr(0, length);
}

int16_t clampSi16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

// Ascent and descent from the glyphs themselves: y grows downwards in font units.
void writeFontLayout(BitWriter& out, const SwfFont& font, const FontFacts& facts) {
    int64_t top = 0;
    int64_t bottom = 0;
    for (size_t i = 0; i < font.glyphs.size(); ++i) {
        if (facts.glyphInked[i]) {
            top = std::min<int64_t>(top, facts.glyphBounds[i].yMin);
            bottom = std::max<int64_t>(bottom, facts.glyphBounds[i].yMax);
        }
    }
    writeU16(out, static_cast<uint16_t>(std::min<int64_t>(-top, 0xFFFF)));
    writeU16(out, static_cast<uint16_t>(std::min<int64_t>(bottom, 0xFFFF)));
    writeU16(out, 0);  // leading
    for (const Glyph& glyph : font.glyphs) {
        writeU16(out, static_cast<uint16_t>(clampSi16(glyph.advance)));
    }
    for (const TwipRect& bounds : facts.glyphBounds) {
        writeRect(out, bounds);
    }
    writeU16(out, 0);  // no kerning pairs
}

void writeOffset(BitWriter& out, size_t offset, bool wide) {
    if (wide) {
        writeU32(out, static_cast<uint32_t>(offset));
    } else {
        writeU16(out, static_cast<uint16_t>(offset));
    }
}

Bytes defineFont3(uint16_t id, const SwfFont& font, const FontFacts& facts) {
    std::vector<Bytes> shapes;
    size_t shapeBytes = 0;
    for (const Glyph& glyph : font.glyphs) {
        shapes.push_back(glyphShape(glyph));
        shapeBytes += shapes.back().size();
    }
    const size_t count = font.glyphs.size();
    const bool wide = 2 * (count + 1) + shapeBytes > 0xFFFF;
    const size_t tableBytes = (wide ? 4 : 2) * (count + 1);
    const std::string name = fontName(font.name);

    BitWriter out;
    writeU16(out, id);
    writeU8(out, 0x80 | (wide ? 0x08 : 0) | 0x04);  // layout, wide offsets, wide codes
    writeU8(out, 0);                                // no language
    writeU8(out, static_cast<uint8_t>(name.size()));
    writeBytes(out, std::span(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
    writeU16(out, static_cast<uint16_t>(count));
    size_t offset = tableBytes;
    for (const Bytes& shape : shapes) {
        writeOffset(out, offset, wide);
        offset += shape.size();
    }
    writeOffset(out, offset, wide);  // of the code table
    for (const Bytes& shape : shapes) {
        writeBytes(out, shape);
    }
    for (const Glyph& glyph : font.glyphs) {
        writeU16(out, glyph.code);
    }
    writeFontLayout(out, font, facts);
    return makeTag(tag::kDefineFont3, out.bytes, true);
}

// ---- Texts ----

// Glyphs of a text whose offsets from `origin` fit the records' 16-bit fields.
struct TextPiece {
    int32_t originX = 0;
    int32_t originY = 0;
    size_t begin = 0;
    size_t end = 0;
};

bool fitsOffset(int64_t v) {
    return v >= INT16_MIN && v <= INT16_MAX;
}

bool fitsPiece(const GlyphPosition& g, int32_t originX, int32_t originY) {
    return fitsOffset(int64_t{g.x} - originX) && fitsOffset(int64_t{g.y} - originY);
}

std::vector<TextPiece> textPieces(const std::vector<GlyphPosition>& glyphs) {
    std::vector<TextPiece> pieces;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const GlyphPosition& g = glyphs[i];
        if (!pieces.empty() && fitsPiece(g, pieces.back().originX, pieces.back().originY)) {
            pieces.back().end = i + 1;
        } else if (pieces.empty() && fitsPiece(g, 0, 0)) {
            pieces.push_back(TextPiece{0, 0, i, i + 1});
        } else {
            pieces.push_back(TextPiece{g.x, g.y, i, i + 1});
        }
    }
    return pieces;
}

SwfMatrix pieceMatrix(const SwfMatrix& m, const TextPiece& piece) {
    const TwipPoint origin = roundedTwips(mapped(m, piece.originX, piece.originY));
    SwfMatrix moved = m;
    moved.translateX = origin.x;
    moved.translateY = origin.y;
    return moved;
}

// The glyphs' ink mapped onto the character's space, as players cull and redraw by it.
TwipRect pieceBounds(const PlacedText& text, const TextPiece& piece, const FontFacts& facts,
                     const SwfMatrix& matrix) {
    const double scale = static_cast<double>(text.height) / kFontEmUnits;
    double box[4] = {INFINITY, -INFINITY, INFINITY, -INFINITY};
    for (size_t i = piece.begin; i < piece.end; ++i) {
        const GlyphPosition& g = text.glyphs[i];
        const double x = static_cast<double>(g.x) - piece.originX;
        const double y = static_cast<double>(g.y) - piece.originY;
        const TwipRect gb = facts.glyphInked[g.glyph] ? facts.glyphBounds[g.glyph] : TwipRect{};
        for (const double cx : {x + gb.xMin * scale, x + gb.xMax * scale}) {
            for (const double cy : {y + gb.yMin * scale, y + gb.yMax * scale}) {
                const PointF p = mapped(matrix, cx, cy);
                box[0] = std::min(box[0], std::floor(p.x));
                box[1] = std::max(box[1], std::ceil(p.x));
                box[2] = std::min(box[2], std::floor(p.y));
                box[3] = std::max(box[3], std::ceil(p.y));
            }
        }
    }
    const TwipPoint low = roundedTwips(PointF{box[0], box[2]});
    const TwipPoint high = roundedTwips(PointF{box[1], box[3]});
    return TwipRect{low.x, high.x, low.y, high.y};
}

size_t recordEnd(const std::vector<GlyphPosition>& glyphs, size_t begin, size_t end) {
    size_t i = begin + 1;
    while (i < end && i - begin < kMaxGlyphsPerRecord && glyphs[i].y == glyphs[begin].y) {
        ++i;
    }
    return i;
}

// Each glyph advances the pen to the next one's x; the last of a record goes nowhere, since the
// next record sets its own x.
int32_t advanceAt(const std::vector<GlyphPosition>& glyphs, size_t i, size_t recordEnd) {
    return i + 1 < recordEnd ? glyphs[i + 1].x - glyphs[i].x : 0;
}

struct GlyphFieldBits {
    int glyph = 1;
    int advance = 1;
};

struct TextStyle {
    uint16_t fontId = 0;
    const PlacedText* text = nullptr;
    const FontImport* import = nullptr;  // the glyph numbers of an imported font
};

// The glyph's number in the font the text record names: the page's own, or the library's.
uint32_t glyphNumber(const TextStyle& style, const GlyphPosition& g) {
    return style.import != nullptr ? style.import->glyphs[g.glyph] : g.glyph;
}

GlyphFieldBits glyphFieldBits(const TextStyle& style, const TextPiece& piece) {
    const std::vector<GlyphPosition>& glyphs = style.text->glyphs;
    GlyphFieldBits bits;
    for (size_t begin = piece.begin; begin < piece.end;) {
        const size_t end = recordEnd(glyphs, begin, piece.end);
        for (size_t i = begin; i < end; ++i) {
            bits.glyph = std::max(bits.glyph, unsignedBitsFor(glyphNumber(style, glyphs[i])));
            bits.advance = std::max(bits.advance, signedBitsFor(advanceAt(glyphs, i, end)));
        }
        begin = end;
    }
    return bits;
}

void writeTextRecord(BitWriter& out, const TextPiece& piece, size_t begin, size_t end,
                     const TextStyle& style, GlyphFieldBits bits) {
    const std::vector<GlyphPosition>& glyphs = style.text->glyphs;
    const bool first = begin == piece.begin;
    writeU8(out, 0x80 | (first ? 0x0C : 0) | 0x03);  // font and colour once, x and y always
    if (first) {
        writeU16(out, style.fontId);
        writeRgba(out, style.text->colour);
    }
    writeU16(out, static_cast<uint16_t>(glyphs[begin].x - piece.originX));
    writeU16(out, static_cast<uint16_t>(glyphs[begin].y - piece.originY));
    if (first) {
        writeU16(out, style.text->height);
    }
    writeU8(out, static_cast<uint8_t>(end - begin));
    for (size_t i = begin; i < end; ++i) {
        writeBits(out, glyphNumber(style, glyphs[i]), bits.glyph);
        writeSignedBits(out, advanceAt(glyphs, i, end), bits.advance);
    }
    alignToByte(out);
}

Bytes defineText2(uint16_t id, const TextPiece& piece, const TextStyle& style,
                  const FontFacts& facts) {
    const SwfMatrix matrix = pieceMatrix(style.text->matrix, piece);
    const GlyphFieldBits bits = glyphFieldBits(style, piece);
    BitWriter out;
    writeU16(out, id);
    writeRect(out, pieceBounds(*style.text, piece, facts, matrix));
    writeMatrix(out, matrix);
    writeU8(out, static_cast<uint8_t>(bits.glyph));
    writeU8(out, static_cast<uint8_t>(bits.advance));
    for (size_t begin = piece.begin; begin < piece.end;) {
        const size_t end = recordEnd(style.text->glyphs, begin, piece.end);
        writeTextRecord(out, piece, begin, end, style, bits);
        begin = end;
    }
    writeU8(out, 0);  // end of records
    return makeTag(tag::kDefineText2, out.bytes);
}

// ---- The page ----

struct PageWriter {
    const VectorPage& page;
    Bytes tags;
    IdsAndDepths next;
    std::vector<uint16_t> fontIds;
    std::vector<FontFacts> fontFacts;
    std::vector<uint16_t> bitmapIds;
};

uint16_t takeId(PageWriter& w) {
    if (w.next.id > kLastId) {
        throw std::length_error("the page needs more than 65535 character ids");
    }
    return static_cast<uint16_t>(w.next.id++);
}

uint16_t takeDepth(PageWriter& w) {
    if (w.next.depth > kLastId) {
        throw std::length_error("the page needs more than 65535 depths");
    }
    return static_cast<uint16_t>(w.next.depth++);
}

void writeShape(PageWriter& w, const Outline& outline, const ShapeLook& look) {
    const uint16_t id = takeId(w);
    append(w.tags, defineShape4(id, outline, look));
    append(w.tags, placeTag(id, takeDepth(w)));
}

void writeText(PageWriter& w, const PlacedText& text) {
    if (text.glyphs.empty()) {
        return;  // its font need not exist
    }
    const SwfFont& font = w.page.fonts[text.font];
    const TextStyle style{w.fontIds[text.font], &text, font.import ? &*font.import : nullptr};
    for (const TextPiece& piece : textPieces(text.glyphs)) {
        const uint16_t id = takeId(w);
        append(w.tags, defineText2(id, piece, style, w.fontFacts[text.font]));
        append(w.tags, placeTag(id, takeDepth(w)));
    }
}

void writeItem(PageWriter& w, const DrawItem& item);

// The mask is placed before its content is known; its clip depth is filled in after. A layer
// that placed nothing is taken out again.
void writeClipLayer(PageWriter& w, const ClipLayer& layer) {
    const size_t start = w.tags.size();
    const IdsAndDepths before = w.next;
    const uint16_t id = takeId(w);
    const uint16_t depth = takeDepth(w);
    append(w.tags, defineShape4(id, layer.outline, ShapeLook{solidFill(Rgba{}), layer.rule}));
    append(w.tags, placeClipTag(id, depth, 0));
    const size_t clipDepthAt = w.tags.size() - 2;
    for (const DrawItem& inner : layer.content) {
        writeItem(w, inner);
    }
    if (w.next.depth == before.depth + 1) {
        w.tags.resize(start);
        w.next = before;
        return;
    }
    const auto last = static_cast<uint16_t>(w.next.depth - 1);
    w.tags[clipDepthAt] = last & 0xFF;
    w.tags[clipDepthAt + 1] = last >> 8;
}

void writeItem(PageWriter& w, const DrawItem& item) {
    if (const auto* fill = std::get_if<FilledShape>(&item.what)) {
        const Bytes style =
            fill->gradient ? gradientFillStyle(*fill->gradient) : solidFill(fill->colour);
        writeShape(w, fill->outline, ShapeLook{style, fill->rule});
    } else if (const auto* stroke = std::get_if<StrokedShape>(&item.what)) {
        writeShape(w, stroke->outline, ShapeLook{{}, FillRule::EvenOdd, &stroke->line});
    } else if (const auto* placed = std::get_if<PlacedBitmap>(&item.what)) {
        const Bytes fill = bitmapFill(w.bitmapIds[placed->bitmap], *placed);
        writeShape(w, bitmapArea(w.page.bitmaps[placed->bitmap], placed->placement),
                   ShapeLook{fill});
    } else if (const auto* text = std::get_if<PlacedText>(&item.what)) {
        writeText(w, *text);
    } else {
        writeClipLayer(w, std::get<ClipLayer>(item.what));
    }
}

// Characters by id and name, as ExportAssets and ImportAssets2 list them.
void writeAssetList(BitWriter& out, const std::vector<ExportedFont>& fonts) {
    writeU16(out, static_cast<uint16_t>(fonts.size()));
    for (const ExportedFont& font : fonts) {
        writeU16(out, font.id);
        writeString(out, font.name);
    }
}

// One tag for all imported fonts, before the texts that use them.
Bytes importAssets2(const std::string& address, const std::vector<ExportedFont>& fonts) {
    BitWriter out;
    writeString(out, address);
    writeU8(out, 1);  // reserved, as the format asks
    writeU8(out, 0);
    writeAssetList(out, fonts);
    return makeTag(tag::kImportAssets2, out.bytes, true);
}

void writeResources(PageWriter& w) {
    std::vector<ExportedFont> imports;
    Bytes definitions;
    for (const SwfFont& font : w.page.fonts) {
        w.fontFacts.push_back(fontFacts(font));
        w.fontIds.push_back(0);
        if (font.glyphs.empty()) {
            continue;
        }
        w.fontIds.back() = takeId(w);
        if (font.import) {
            imports.push_back(ExportedFont{w.fontIds.back(), font.import->name});
        } else {
            append(definitions, defineFont3(w.fontIds.back(), font, w.fontFacts.back()));
        }
    }
    if (!imports.empty()) {
        append(w.tags, importAssets2(w.page.fontLibrary, imports));
    }
    append(w.tags, definitions);
    for (const SwfBitmap& bitmap : w.page.bitmaps) {
        w.bitmapIds.push_back(takeId(w));
        append(w.tags, bitmapTag(w.bitmapIds.back(), bitmap));
    }
}

// ---- Checks and counts ----

void requireValid(bool ok, const char* what) {
    if (!ok) {
        throw std::invalid_argument(what);
    }
}

void checkBitmap(const SwfBitmap& b) {
    const auto pixels = static_cast<uint64_t>(std::max(b.width, 0)) * std::max(b.height, 0);
    requireValid(b.width > 0 && b.height > 0, "a bitmap without pixels");
    if (b.kind == BitmapKind::JpegWithAlpha) {
        requireValid(b.alpha.size() == pixels, "a bitmap's alpha does not match its size");
    }
    if (b.kind == BitmapKind::Lossless) {
        requireValid(b.width <= 0xFFFF && b.height <= 0xFFFF, "a lossless bitmap over 65535");
        requireValid(b.data.size() == pixels * 4, "a bitmap's pixels do not match its size");
    }
}

void checkItems(const VectorPage& page, const std::vector<DrawItem>& items) {
    for (const DrawItem& item : items) {
        if (const auto* placed = std::get_if<PlacedBitmap>(&item.what)) {
            requireValid(placed->bitmap < page.bitmaps.size(), "a bitmap the page lacks");
        } else if (const auto* text = std::get_if<PlacedText>(&item.what);
                   text && !text->glyphs.empty()) {
            requireValid(text->font < page.fonts.size(), "a font the page lacks");
            const size_t glyphs = page.fonts[text->font].glyphs.size();
            for (const GlyphPosition& g : text->glyphs) {
                requireValid(g.glyph < glyphs, "a glyph its font lacks");
            }
        } else if (const auto* layer = std::get_if<ClipLayer>(&item.what)) {
            checkItems(page, layer->content);
        }
    }
}

void checkPage(const VectorPage& page) {
    for (const SwfFont& font : page.fonts) {
        if (font.glyphs.size() > kLastId) {
            throw std::length_error("a font with more than 65535 glyphs");
        }
        requireValid(!font.import || font.import->glyphs.size() == font.glyphs.size(),
                     "an imported font's glyphs do not match the page's");
        requireValid(!font.import || !page.fontLibrary.empty(), "an import from nowhere");
    }
    for (const SwfBitmap& bitmap : page.bitmaps) {
        checkBitmap(bitmap);
    }
    checkItems(page, page.items);
}

VectorStats& operator+=(VectorStats& a, const VectorStats& b) {
    a.edges += b.edges;
    a.placedObjects += b.placedObjects;
    a.characters += b.characters;
    return a;
}

VectorStats itemStats(const DrawItem& item) {
    if (const auto* fill = std::get_if<FilledShape>(&item.what)) {
        return VectorStats{edgeCount(fill->outline), 1, 1};
    }
    if (const auto* stroke = std::get_if<StrokedShape>(&item.what)) {
        return VectorStats{edgeCount(stroke->outline), 1, 1};
    }
    if (std::holds_alternative<PlacedBitmap>(item.what)) {
        return VectorStats{4, 1, 1};
    }
    if (const auto* text = std::get_if<PlacedText>(&item.what)) {
        const size_t pieces = textPieces(text->glyphs).size();
        return VectorStats{0, pieces, pieces};
    }
    const auto& layer = std::get<ClipLayer>(item.what);
    VectorStats inner;
    for (const DrawItem& content : layer.content) {
        inner += itemStats(content);
    }
    if (inner.placedObjects == 0) {
        return {};
    }
    return inner += VectorStats{edgeCount(layer.outline), 1, 1};
}

}  // namespace

Bytes fontTag(uint16_t id, const SwfFont& font) {
    return defineFont3(id, font, fontFacts(font));
}

Bytes exportAssets(const std::vector<ExportedFont>& fonts) {
    BitWriter out;
    writeAssetList(out, fonts);
    return makeTag(tag::kExportAssets, out.bytes, true);
}

VectorStats vectorStats(const VectorPage& page) {
    VectorStats stats;
    for (const SwfFont& font : page.fonts) {
        for (const Glyph& glyph : font.glyphs) {
            stats.edges += edgeCount(glyph.outline);
        }
        stats.characters += font.glyphs.empty() ? 0 : 1;
    }
    stats.characters += page.bitmaps.size();
    for (const DrawItem& item : page.items) {
        stats += itemStats(item);
    }
    return stats;
}

IdsAndDepths appendVectorTags(Bytes& tags, const VectorPage& page, IdsAndDepths first) {
    checkPage(page);
    const VectorStats stats = vectorStats(page);
    if (first.id + stats.characters > kLastId + 1 ||
        first.depth + stats.placedObjects > kLastId + 1) {
        throw std::length_error("the page has more objects than a SWF file can hold");
    }
    PageWriter w{page, {}, first, {}, {}, {}};
    writeResources(w);
    for (const DrawItem& item : page.items) {
        writeItem(w, item);
    }
    append(tags, w.tags);
    return w.next;
}

}  // namespace pageconv
