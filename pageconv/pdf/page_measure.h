// What a recorded page draws, counted before it is drawn: how much of the page its images cover
// and how many paths, glyphs and shadings it has. The count runs over the display list with a
// device that only counts, so no image is decoded and nothing is drawn.
#pragma once

#include "common/records.h"

#include <mupdf/fitz.h>

#include <cstddef>

namespace pageconv {

struct PageMeasure {
    double imageShare = 0;   // of the page's area under images, within their clips: 0 to 1
    size_t images = 0;       // images and image masks painted
    double imagePixels = 0;  // their own pixels, all images together
    size_t paths = 0;        // paths filled or stroked (clipping paths not counted)
    size_t glyphs = 0;       // glyphs of visible text, filled, stroked or clipping
    size_t shadings = 0;
};

// Counts what the display list paints on the displayed page `bounds` (as `pageBounds`); what a
// soft mask is defined with is not painted and does not count. False when MuPDF cannot run the
// list or `cookie` (which may be null) is aborted.
bool measurePage(fz_context* ctx, fz_display_list* list, fz_cookie* cookie, const Box& bounds,
                 PageMeasure& measure);

}  // namespace pageconv
