// What the vector device keeps while a page runs through it, shared by its path, text and image
// parts. MuPDF calls the device from C; nothing here may let a C++ exception or a MuPDF error
// escape into MuPDF's frames, so every part reports trouble through `failed` or by turning the
// element into a raster region.
#pragma once

#include "mupdf_support.h"
#include "pdf/call_count.h"
#include "pdf/vector_device.h"
#include "swf/outline_builder.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pageconv {

// What a push on MuPDF's clip and group stack became, so that its pop can undo it.
enum class FrameKind : uint8_t {
    ClipLayer,    // a clip layer; content goes into it until the pop
    PassThrough,  // a group SWF draws the same without it
    Scope,        // the start of a raster region that ends with the pop
    InsideScope,  // a push within a raster region: nothing of its own
    ImageMasked,  // a clip by an image mask: its one image becomes a bitmap with alpha
};

struct Frame {
    FrameKind kind = FrameKind::PassThrough;
    Box clip;  // stage twips: what content can reach, within the page
    // An image-mask clip holding exactly one image drawn in the same place becomes one bitmap
    // with the mask as alpha; anything else within it makes it a raster region.
    mu::ImagePtr mask;
    fz_matrix maskMatrix{};
    mu::ImagePtr image;
    float imageAlpha = 1;
    bool mixed = false;
    // For a raster region: where its content paints, so that a group or soft mask declared over
    // the whole page renders only there. Unknown once something of unknown extent is drawn in it;
    // what defines a soft mask paints nothing.
    std::optional<Box> painted;
    bool paintedUnknown = false;
    bool definingMask = false;
};

struct FontSlot {
    size_t index = 0;                 // into VectorPage::fonts
    std::map<int, uint16_t> glyphOf;  // MuPDF glyph id to the SWF font's glyph index
    bool broken = false;              // MuPDF cannot outline its glyphs
};

struct VectorState {
    fz_context* ctx = nullptr;
    VectorOptions options;
    fz_matrix toTwips{};  // the page's matrix the display list is run with
    Box stage;            // twips
    VectorDrawing drawing;
    std::vector<std::vector<DrawItem>*> targets;  // innermost last
    std::vector<Frame> frames;
    int scopeDepth = 0;  // > 0 while inside a raster region
    Box scopeBox;        // the outermost open region's area
    CallCount calls;
    bool insideGlyph = false;         // a Type 3 glyph's own drawing, not the page's calls
    std::optional<Rgba> glyphColour;  // the text colour for uncoloured Type 3 glyphs
    std::map<fz_font*, FontSlot> fonts;
    fz_device* device = nullptr;  // for Type 3 glyphs, which draw through it
    bool failed = false;
    std::string failure;
};

std::vector<DrawItem>& currentTarget(VectorState& state);
Box currentClip(const VectorState& state);
Box intersect(const Box& a, const Box& b);
bool isEmpty(const Box& box);
Box boxOf(const fz_rect& rect);

// An element drawn as a bitmap of the area, rendered with everything up to the current call.
void addRasterRegion(VectorState& state, const Box& twips);
// Opens a raster region that ends when its frame is popped.
void openScope(VectorState& state, FrameKind kind, const Box& area);

Rgba rgbaOf(fz_context* ctx, fz_colorspace* space, const float* colour, float alpha,
            fz_color_params params);

// The path in stage twips (or the units `ctm` maps to, curves kept within `tolerance` of
// them); nothing when it is too long or too far out for SWF.
std::optional<Outline> outlineOf(fz_context* ctx, const fz_path* path, fz_matrix ctm,
                                 double tolerance = kCurveToleranceTwips);
// The same flattened to straight lines, one line a subpath, for dashing.
std::optional<std::vector<Polyline>> polylinesOf(fz_context* ctx, const fz_path* path,
                                                 fz_matrix ctm);

void fillText(VectorState& state, const fz_text* text, fz_matrix ctm, Rgba colour);
std::optional<Outline> textOutline(VectorState& state, const fz_text* text, fz_matrix ctm);

void fillImage(VectorState& state, fz_image* image, fz_matrix ctm, float alpha);
void fillImageMask(VectorState& state, fz_image* image, fz_matrix ctm, Rgba colour);
void fillMaskedImage(VectorState& state, const Frame& frame);

// An axial or radial shading as a gradient fill; false when SWF cannot draw it the same, for the
// caller to make it a raster region.
bool fillShading(VectorState& state, fz_shade* shade, fz_matrix ctm, float alpha,
                 fz_color_params params);

}  // namespace pageconv
