// A page as vectors: a MuPDF device whose calls become the shapes, fonts, text and bitmaps of a
// `VectorPage`, in drawing order, with the clip paths as nested clip layers, and axial and radial
// shadings as gradients. What SWF cannot draw the same (other shadings, blend modes, soft masks,
// patterns, clips by strokes or image masks) becomes a raster region: the area is later rendered
// by MuPDF, everything drawn up to that point included, and shown as a bitmap at its place in
// the drawing order.
#pragma once

#include "common/records.h"
#include "swf/vector_page.h"

#include <mupdf/fitz.h>

#include <string>
#include <vector>

namespace pageconv {

struct VectorOptions {
    double twipsPerPoint = 20;         // the stage's scale: zoom / 72 pixels, 20 twips each
    double bitmapPixelsPerTwip = 0.1;  // resolution of images and raster regions
    bool textAsShapes = false;         // -S: glyphs as plain shapes, no fonts
    bool fullFonts = false;            // -f: every glyph of a font, not only those used
    bool textOnly = false;             // -s poly2bitmap: all but text goes to the page bitmap
    bool gradients = true;             // axial and radial shadings as gradients where SWF can
    int jpegQuality = 85;
};

// The area, in page bitmap pixels, to render with everything the device was handed up to and
// including call `lastCall`; the result fills `VectorPage::bitmaps[bitmap]`.
struct RasterRegion {
    size_t lastCall = 0;
    PixelBox pixels;
    size_t bitmap = 0;
};

struct VectorDrawing {
    VectorPage page;
    std::vector<RasterRegion> regions;
    std::vector<size_t> textCalls;  // calls drawn as vector text (for a page bitmap without them)
    bool spillsPastStage = false;   // some content reaches past the stage (the crop box)
};

// More regions than this and the page is better off as one bitmap.
constexpr size_t kMaxRasterRegions = 24;
// One path with more segments than this is drawn as a raster region.
constexpr size_t kMaxPathEdges = 50000;
// Coordinates past this many twips from the stage are outside what SWF records hold safely.
constexpr double kMaxCoordinateTwips = 1 << 26;

// Runs the display list through the vector device. `bounds` is the displayed page (as
// `pageBounds`). Fails with a message when MuPDF cannot interpret the page or `cookie` (which
// may be null) is aborted.
bool drawVectors(fz_context* ctx, fz_display_list* list, fz_cookie* cookie, const Box& bounds,
                 const VectorOptions& options, VectorDrawing& drawing, std::string& error);

// Puts the whole drawing in a clip layer of the stage (twips) when some of it reaches past the
// stage, so nothing shows beyond the page's crop box; once clip layers have been flattened,
// since one over the whole stage looks to that like one that clips nothing.
void clipToStage(VectorDrawing& drawing, const Box& stage);

// The matrix from the displayed page (points) to the stage in units of `perPoint`.
fz_matrix pageMatrix(const Box& bounds, double perPoint);

}  // namespace pageconv
