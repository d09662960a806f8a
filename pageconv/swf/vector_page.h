// A page as SWF vectors: outlines in stage twips, the fonts and bitmaps the page uses, and its
// drawing order with clip layers nested as they were in the source. The PDF side builds it; the
// page file writer turns it into tags. Nothing here knows where the drawing came from.
#pragma once

#include "common/records.h"
#include "swf/swf_writer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pageconv {

struct TwipPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const TwipPoint&) const = default;
};

enum class SegmentKind : uint8_t { MoveTo, LineTo, CurveTo };

// Absolute coordinates; `control` is only read for quadratic curves. Every subpath starts with
// a MoveTo, and a closed subpath ends on the point it started from.
struct Segment {
    SegmentKind kind = SegmentKind::MoveTo;
    TwipPoint control;
    TwipPoint to;
    bool operator==(const Segment&) const = default;
};
using Outline = std::vector<Segment>;

struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
    bool operator==(const Rgba&) const = default;
};

enum class FillRule : uint8_t { NonZero, EvenOdd };

// In the order of SWF's cap and join fields.
enum class LineCap : uint8_t { Round, Butt, Square };
enum class LineJoin : uint8_t { Round, Bevel, Miter };

struct LineStyle {
    uint16_t width = 20;  // twips
    Rgba colour;
    LineCap startCap = LineCap::Butt;
    LineCap endCap = LineCap::Butt;
    LineJoin join = LineJoin::Miter;
    double miterLimit = 10;  // as PDF states it: the miter's length over the line's width
};

struct GradientStop {
    uint8_t ratio = 0;
    Rgba colour;
    bool operator==(const GradientStop&) const = default;
};

enum class GradientKind : uint8_t { Linear, Radial, Focal };

// Where ratios 0 to 255 fall on the stage: the gradient square (-16384 to 16384 twips either
// way) mapped by `matrix`. A focal gradient's ratio 0 lies at `focalPoint` (-1 to 1, in 1/256)
// of the way from the circle's centre to its edge along the square's x axis.
struct GradientPlacement {
    GradientKind kind = GradientKind::Linear;
    SwfMatrix matrix;
    double focalPoint = 0;
};

// A gradient fill, ready to write: spread pad, interpolated in sRGB.
struct GradientFill {
    GradientPlacement placement;
    std::vector<GradientStop> stops;
};

// Painted with `colour`, or with `gradient` where there is one.
struct FilledShape {
    Outline outline;
    FillRule rule = FillRule::NonZero;
    Rgba colour;
    std::optional<GradientFill> gradient = std::nullopt;
};

struct StrokedShape {
    Outline outline;
    LineStyle line;
};

// A bitmap of `VectorPage::bitmaps`, drawn over the parallelogram its pixels span once mapped by
// `placement` (bitmap pixels to stage twips, rotation and skew allowed).
struct PlacedBitmap {
    size_t bitmap = 0;
    SwfMatrix placement;
    bool smoothed = true;
};

// A glyph of the text's font at a point of text space (twips before `PlacedText::matrix`).
struct GlyphPosition {
    uint16_t glyph = 0;  // index into the font's glyphs
    int32_t x = 0;
    int32_t y = 0;
};

// Glyphs of one font in one size and colour. The font's em square is drawn `height` twips tall
// in text space, which `matrix` maps onto the stage.
struct PlacedText {
    size_t font = 0;
    SwfMatrix matrix;
    uint16_t height = 0;
    Rgba colour;
    std::vector<GlyphPosition> glyphs;
};

struct DrawItem;

// Everything in `content` is seen only inside the outline.
struct ClipLayer {
    Outline outline;
    FillRule rule = FillRule::NonZero;
    std::vector<DrawItem> content;
};

struct DrawItem {
    std::variant<FilledShape, StrokedShape, PlacedBitmap, PlacedText, ClipLayer> what;
};

// DefineFont3's em square.
constexpr int32_t kFontEmUnits = 20480;

// A glyph in font units: y grows downwards, the origin lies on the baseline.
struct Glyph {
    Outline outline;
    int32_t advance = 0;
    uint16_t code = 0;       // the character it stands for where known, else a private code
    int32_t fontGlyph = -1;  // its number in the source font, where it has one
};

// A font the page takes from the book's font library instead of defining it: imported by `name`,
// the page's glyph i being the library font's glyph `glyphs[i]`. The page keeps its own copy of
// the glyphs only to measure its texts.
struct FontImport {
    std::string name;
    std::vector<uint16_t> glyphs;
};

struct SwfFont {
    std::string name;
    std::vector<Glyph> glyphs;
    std::string key;  // the same source font has the same key on every page; empty when unknown
    std::optional<FontImport> import = std::nullopt;
};

enum class BitmapKind : uint8_t {
    Jpeg,           // `data` is a complete JPEG stream
    JpegWithAlpha,  // a JPEG stream and `alpha`, one byte a pixel, row by row
    Lossless,       // `data` is premultiplied ARGB, four bytes a pixel, row by row
};

struct SwfBitmap {
    BitmapKind kind = BitmapKind::Jpeg;
    Bytes data;
    Bytes alpha;
    int width = 0;
    int height = 0;
};

struct VectorPage {
    std::vector<SwfFont> fonts;
    std::string fontLibrary;  // the address imported fonts come from, as the player resolves it
    std::vector<SwfBitmap> bitmaps;
    std::vector<DrawItem> items;  // bottom first
};

}  // namespace pageconv
