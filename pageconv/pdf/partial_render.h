// Rendering part of a page: the raster regions of a vector page (an area, with everything drawn
// up to a given call) and the bitmap beneath the text of a poly2bitmap page (the whole page
// without the calls drawn as text). Calls are counted with the vector device's own counter
// (pdf/call_count.h).
#pragma once

#include "mupdf_support.h"
#include "pdf/vector_device.h"

#include <span>
#include <string>

namespace pageconv {

struct PartialRender {
    fz_matrix ctm{};                       // the page onto the bitmap's pixel grid
    PixelBox pixels;                       // the part of that grid to render
    size_t lastCall = 0;                   // calls after this one paint nothing
    std::span<const size_t> droppedCalls;  // ascending; these paint nothing either
    bool gray = false;                     // one component, for pages without colour
    fz_cookie* cookie = nullptr;           // the page's, so that a stopped page stops here too
};

// The whole page on a bitmap of the given size, every call drawn.
PartialRender wholePage(const Box& bounds, int width, int height);

// An opaque pixmap of the part, white where nothing is drawn; nothing on failure.
mu::PixmapPtr renderPart(fz_context* ctx, fz_display_list* list, const PartialRender& part,
                         std::string& error);

// Renders every raster region of the drawing and stores it, JPEG-encoded, in its bitmap slot.
bool renderRegions(fz_context* ctx, fz_display_list* list, fz_cookie* cookie, const Box& bounds,
                   const VectorOptions& options, VectorDrawing& drawing, std::string& error);

}  // namespace pageconv
