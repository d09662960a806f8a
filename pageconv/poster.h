// The cover poster: the first converted page as a small JPEG that the book's index.html shows
// while the player starts, at about the size the viewer first draws that page.
#pragma once

#include "pdf/pdf_pages.h"
#include "records.h"

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

// The page rendered and encoded; nothing when any step fails, since a book without a poster is
// still a whole book.
std::optional<Bytes> posterJpeg(PdfSession& session, int pageNumber);

}  // namespace pageconv
