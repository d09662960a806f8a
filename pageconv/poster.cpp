// The cover poster: the page's size in the viewer's first layout, then MuPDF's rendering of it
// encoded as a JPEG.
#include "poster.h"

#include "pdf/page_drawing.h"

#include "shared/book_names.h"
#include "swf/jpeg_encode.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace pageconv {
namespace {

// The window the poster is sized for, and the viewer's panel and margins within it.
constexpr double kWindowWidth = 1024;
constexpr double kWindowHeight = 768;
constexpr double kPanelHeight = 44;
constexpr double kMargin = 16;

// A poster is seen for a few seconds at most; the pages themselves are encoded more finely.
constexpr int kPosterQuality = 75;

// The viewer's choice: spreads when they show a page at least three quarters as large as a
// single page would be.
bool viewerUsesSpreads(double areaWidth, double areaHeight, double pageWidth, double pageHeight) {
    if (areaWidth <= areaHeight) {
        return false;
    }
    const double spread = std::min(areaWidth / (2 * pageWidth), areaHeight / pageHeight);
    const double single = std::min(areaWidth / pageWidth, areaHeight / pageHeight);
    return spread >= 0.75 * single;
}

}  // namespace

PosterSize posterSize(double pageWidth, double pageHeight) {
    const double areaWidth = kWindowWidth - 2 * kMargin;
    const double areaHeight = kWindowHeight - kPanelHeight - 2 * kMargin;
    const double across =
        viewerUsesSpreads(areaWidth, areaHeight, pageWidth, pageHeight) ? 2 * pageWidth : pageWidth;
    double scale = std::min(areaWidth / across, areaHeight / pageHeight);
    scale = std::min(scale, kMaxPosterSide / std::max(pageWidth, pageHeight));
    return {std::max(1, static_cast<int>(std::lround(pageWidth * scale))),
            std::max(1, static_cast<int>(std::lround(pageHeight * scale)))};
}

std::string posterPath(const std::string& outputPattern) {
    return (std::filesystem::path(outputPattern).parent_path() / shared::kPosterFile).string();
}

std::optional<std::string> previewPath(const std::string& outputPattern, size_t position) {
    if (position == 1) {
        return posterPath(outputPattern);
    }
    if (position < 2 || position > static_cast<size_t>(shared::kPreviewPages)) {
        return std::nullopt;
    }
    const std::string name =
        shared::kPreviewFilePrefix + std::to_string(position) + shared::kPreviewFileSuffix;
    return (std::filesystem::path(outputPattern).parent_path() / name).string();
}

std::optional<Bytes> posterJpeg(PdfSession& session, int pageNumber) {
    std::string ignored;
    const PagePtr page = loadPage(session, pageNumber, ignored);
    Box bounds;
    if (!page || !pageBounds(session, page.get(), bounds, ignored) || !(bounds.x1 > bounds.x0) ||
        !(bounds.y1 > bounds.y0)) {
        return std::nullopt;
    }
    const PosterSize size = posterSize(bounds.x1 - bounds.x0, bounds.y1 - bounds.y0);
    const PixmapPtr pixmap =
        renderPage(session, page.get(), bounds, size.width, size.height, ignored);
    if (!pixmap) {
        return std::nullopt;
    }
    const PagePixels pixels = pixmapPixels(session, pixmap);
    const JpegColour colour = pixels.components == 1 ? JpegColour::Grayscale : JpegColour::Rgb;
    return encodeJpeg(pixels, colour, kPosterQuality);
}

}  // namespace pageconv
