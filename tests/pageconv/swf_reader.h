// A small independent SWF reader for the tests: header, stage, tags, and the records the page
// files carry (shapes with their edges and styles, fonts, texts, placements, bitmaps, button URLs,
// metadata text).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace swftest {

using Bytes = std::vector<uint8_t>;

struct Tag {
    int code = 0;
    bool longHeader = false;
    Bytes body;
};

struct Movie {
    std::string signature;  // "FWS" or "CWS"
    int version = 0;
    uint32_t declaredLength = 0;
    uint32_t actualLength = 0;        // after decompression
    int32_t stage[4] = {0, 0, 0, 0};  // xMin, xMax, yMin, yMax in twips
    int frameCount = 0;
    std::vector<Tag> tags;
};

// Throws std::runtime_error when the bytes are not a well-formed SWF ending in an End tag.
Movie readMovie(const Bytes& file);
Movie readMovieFile(const std::string& path);
Bytes readFileBytes(const std::string& path);

// Width, height and components from a JPEG's start-of-frame marker; zeros when it has none.
std::array<int, 3> jpegFrame(const Bytes& jpeg);

struct ShapeInfo {
    int id = 0;
    int32_t bounds[4] = {0, 0, 0, 0};
    int fillType = 0;
    int bitmapId = 0;
    double scaleX = 1;  // of the bitmap fill matrix
    double scaleY = 1;
    int32_t translateX = 0;  // twips
    int32_t translateY = 0;
    uint32_t solidRgb = 0;  // of a solid fill
};
ShapeInfo readShape(const Tag& tag);

// The URL and window target of a DefineButton2's GetURL action.
std::optional<std::pair<std::string, std::string>> buttonUrl(const Tag& tag);

std::vector<const Tag*> tagsWithCode(const Movie& movie, int code);

// Tags given without a file around them, up to and including an End tag if there is one.
std::vector<Tag> readTags(const Bytes& tags);

struct Matrix {
    double scaleX = 1;
    double scaleY = 1;
    double rotateSkew0 = 0;
    double rotateSkew1 = 0;
    int32_t translateX = 0;
    int32_t translateY = 0;
};

struct Point {
    int64_t x = 0;
    int64_t y = 0;
    bool operator==(const Point&) const = default;
};

// An edge with absolute ends, or a move (isMove) with the styles its record set (-1: unchanged).
struct Edge {
    bool isMove = false;
    bool curved = false;
    Point control;
    Point to;
    int fill0 = -1;
    int fill1 = -1;
    int line = -1;
};

struct GradientRecord {
    int ratio = 0;
    uint32_t rgba = 0;
};

// Solid (rgba), bitmap (bitmapId, matrix) or gradient (matrix and the rest) fill.
struct FillStyle {
    int type = 0;
    uint32_t rgba = 0;
    int bitmapId = 0;
    Matrix matrix;
    int spread = 0;
    int interpolation = 0;
    std::vector<GradientRecord> stops;
    double focalPoint = 0;
};

struct LineStyle2 {
    int width = 0;
    int startCap = 0;
    int join = 0;
    int endCap = 0;
    bool noClose = false;
    double miterLimit = 0;
    uint32_t rgba = 0;
};

// DefineShape4.
struct Shape4 {
    int id = 0;
    int32_t bounds[4] = {0, 0, 0, 0};
    int32_t edgeBounds[4] = {0, 0, 0, 0};
    int flags = 0;
    std::vector<FillStyle> fills;
    std::vector<LineStyle2> lines;
    std::vector<Edge> edges;
};
Shape4 readShape4(const Tag& tag);

struct Placement {
    int flags = 0;
    int depth = 0;
    int id = 0;
    int clipDepth = 0;
};
Placement readPlaceObject2(const Tag& tag);

// DefineFont3.
struct Font3 {
    int id = 0;
    int flags = 0;
    std::string name;
    std::vector<uint32_t> offsets;  // of each glyph shape, then of the code table
    std::vector<std::vector<Edge>> glyphs;
    std::vector<int> glyphFillBits;
    std::vector<int> codes;
    int ascent = 0;
    int descent = 0;
    std::vector<int> advances;
    std::vector<std::array<int32_t, 4>> glyphBounds;
    int kerningCount = 0;
};
Font3 readFont3(const Tag& tag);

// DefineText2, each glyph at the point of text space its record and advances put it.
struct TextGlyph {
    int index = 0;
    int32_t x = 0;
    int32_t y = 0;
    int record = 0;
};
struct Text2 {
    int id = 0;
    int32_t bounds[4] = {0, 0, 0, 0};
    Matrix matrix;
    int glyphBits = 0;
    int advanceBits = 0;
    int fontId = 0;
    int height = 0;
    uint32_t rgba = 0;
    int records = 0;
    std::vector<TextGlyph> glyphs;
};
Text2 readText2(const Tag& tag);

// ExportAssets, or ImportAssets2 with the address it imports from.
struct AssetList {
    std::string url;
    std::vector<std::pair<int, std::string>> assets;  // character id, name
};
AssetList readExportAssets(const Tag& tag);
AssetList readImportAssets2(const Tag& tag);

// DefineBitsJPEG2/3 and DefineBitsLossless2.
struct Bitmap {
    int id = 0;
    Bytes jpeg;
    Bytes alpha;  // inflated
    int format = 0;
    int width = 0;
    int height = 0;
    Bytes pixels;  // inflated
};
Bitmap readBitmap(const Tag& tag);

}  // namespace swftest
