// The cover poster and the previews: the first converted pages as small JPEGs that the book's
// index.html shows, and lets the reader turn through, while the player starts, at about the size
// the viewer first draws a page.
#pragma once

#include "common/records.h"
#include "pdf/pdf_pages.h"

#include <optional>
#include <string>

namespace pageconv {

struct PosterSize {
    int width = 0;
    int height = 0;
};

// The page as the viewer lays it out in a typical desktop window: alone on one half of a spread
// or alone in the middle, fitted to the window less the viewer's panel and margins. No side is
// longer than kMaxPosterSide, so a poster stays a few tens of KiB.
inline constexpr int kMaxPosterSide = 800;
PosterSize posterSize(double pageWidth, double pageHeight);

// The poster's path: beside the page files the output pattern names.
std::string posterPath(const std::string& outputPattern);

// The image of the book's page at `position` (1-based): the poster for the first, a preview for the
// next up to shared::kPreviewPages (the first three spreads), nothing after that.
std::optional<std::string> previewPath(const std::string& outputPattern, size_t position);

// The page rendered and encoded at the poster's size and quality; nothing when any step fails,
// since a book without a poster or previews is still a whole book.
std::optional<Bytes> posterJpeg(PdfSession& session, int pageNumber);

}  // namespace pageconv
