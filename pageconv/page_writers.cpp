// The bitmap, vector and text-over-bitmap writers. A bitmap page is encoded only where it has
// ink; a vector page has its raster regions rendered, its clips flattened or bounded by the
// stage, and its fonts taken from the book's library when the run keeps one.
#include "page_writers.h"

#include "pdf/page_drawing.h"
#include "swf/blank_margins.h"
#include "swf/clip_layers.h"
#include "swf/jpeg_encode.h"
#include "swf/vector_tags.h"

#include <stdexcept>

namespace pageconv {
namespace {

// Only the part of the page with ink is encoded; gray is looked for there too, since the white
// around it is gray anyway.
std::optional<PageImage> encodeInkedPart(const PagePixels& pixels, int quality) {
    const std::optional<PixelBox> ink = inkBounds(pixels);
    const bool gray = !ink || hasOnlyGrays(cropped(pixels, *ink));
    const JpegColour colour = gray ? JpegColour::Grayscale : JpegColour::Rgb;
    const PixelBox part = encodedPart(ink, pixels.width, pixels.height, jpegBlockPixels(colour));
    auto jpeg = encodeJpeg(cropped(pixels, part), colour, quality);
    if (!jpeg) {
        return std::nullopt;
    }
    return PageImage{std::move(*jpeg), pixels.width, pixels.height, part};
}

// Sets the page's bitmap from the pixmap; false when it could not be encoded.
bool encodePageImage(PageInProgress& page, const PixmapPtr& pixmap, std::string& error) {
    page.swf.image =
        encodeInkedPart(pixmapPixels(page.session, pixmap), page.job.options.jpegQuality);
    if (!page.swf.image) {
        error = "JPEG encoding failed";
        return false;
    }
    return true;
}

void beginBitmapPage(PageInProgress& page) {
    preloadJpegs(page.session, page.job, page.frame);
}

bool drawBitmap(PageInProgress& page, std::string& error) {
    const PageFrame& frame = page.frame;
    const PixmapPtr pixmap = renderDisplayList(page.session, page.list, frame.bounds,
                                               frame.bitmap.width, frame.bitmap.height, error);
    return pixmap && encodePageImage(page, pixmap, error);
}

std::optional<Bytes> endBitmapPage(PageInProgress& page, std::string&) {
    return buildPageSwf(page.swf);
}

void beginVectorPage(PageInProgress&) {}

VectorOptions vectorOptionsFor(const PageJob& job, const PageFrame& frame, bool textOnly) {
    const ConvertOptions& options = job.options;
    VectorOptions vector;
    vector.twipsPerPoint = options.zoomDpi / 72.0 * 20.0;
    vector.bitmapPixelsPerTwip = frame.bitmap.width / (frame.swf.stageWidth * 20.0);
    vector.textAsShapes = options.textAsShapes;
    vector.fullFonts = options.fullFonts;
    vector.textOnly = textOnly;
    vector.jpegQuality = options.jpegQuality;
    vector.gradients = job.tuning.gradients;
    return vector;
}

bool withinVectorBounds(const VectorPage& page) {
    const VectorStats stats = vectorStats(page);
    return stats.edges <= kMaxVectorEdges && stats.placedObjects <= kMaxVectorObjects;
}

// False as well when the page is better off as a bitmap.
bool drawVectorShapes(PageInProgress& page, const VectorOptions& vector, std::string& error) {
    if (!drawVectors(page.session, page.list, page.frame.bounds, vector, page.drawing, error)) {
        return false;
    }
    if (!withinVectorBounds(page.drawing.page)) {
        error = "too many edges or objects to play as vectors";
        return false;
    }
    return true;
}

bool drawAsVectors(PageInProgress& page, std::string& error) {
    const VectorOptions vector = vectorOptionsFor(page.job, page.frame, false);
    return drawVectorShapes(page, vector, error) &&
           renderRegions(page.session, page.list, page.frame.bounds, vector, page.drawing, error);
}

// Everything but the text, rendered as the page bitmap the text is drawn over.
bool drawTextOverBitmap(PageInProgress& page, std::string& error) {
    const PageFrame& frame = page.frame;
    if (!drawVectorShapes(page, vectorOptionsFor(page.job, frame, true), error)) {
        return false;
    }
    const PixmapPtr pixmap =
        renderWithout(page.session, page.list, frame.bounds, frame.bitmap.width,
                      frame.bitmap.height, page.drawing.textCalls, error);
    return pixmap && encodePageImage(page, pixmap, error);
}

std::optional<Bytes> endVectorPage(PageInProgress& page, std::string& error) {
    PageSwfInput& swf = page.swf;
    FontLibrary* fonts = page.job.fonts;
    if (page.job.options.flattenClips) {
        flattenClipLayers(page.drawing.page.items,
                          TwipRect{0, toTwips(swf.stageWidth), 0, toTwips(swf.stageHeight)});
    }
    const Box stage{0, 0, static_cast<double>(toTwips(swf.stageWidth)),
                    static_cast<double>(toTwips(swf.stageHeight))};
    clipToStage(page.drawing, stage);
    if (fonts != nullptr) {
        importSharedFonts(page.drawing.page, fonts->address);
    }
    swf.vectors = std::move(page.drawing.page);
    std::optional<Bytes> file;
    try {
        file = buildPageSwf(swf);
    } catch (const std::length_error&) {
        error = "too large for the tags of a vector page";
        return std::nullopt;
    }
    if (fonts != nullptr) {
        addToLibrary(*fonts, page.frame.number, swf.vectors);
    }
    return file;
}

}  // namespace

const PageWriter kBitmapWriter{beginBitmapPage, drawBitmap, endBitmapPage};
const PageWriter kVectorWriter{beginVectorPage, drawAsVectors, endVectorPage};
const PageWriter kTextOverBitmapWriter{beginVectorPage, drawTextOverBitmap, endVectorPage};

std::optional<Bytes> writePage(const PageWriter& writer, PdfSession& session, const PageJob& job,
                               const PageFrame& frame, const DisplayListPtr& list,
                               std::string& error) {
    PageInProgress page{session, job, frame, list, frame.swf, {}};
    writer.beginPage(page);
    if (!writer.draw(page, error)) {
        return std::nullopt;
    }
    return writer.endPage(page, error);
}

void preloadJpegs(PdfSession& session, const PageJob& job, const PageFrame& frame) {
    const BitmapSize& size = frame.bitmap;
    if (job.tuning.preloadJpegs) {
        preloadPageJpegs(session, frame.page, static_cast<long long>(size.width) * size.height,
                         kStoreBytesPerWorker / 2);
    }
}

}  // namespace pageconv
