// One page from PDF to page file: bounds and stage, then the page drawn as vectors, as text over
// a bitmap, or as one bitmap with its blank margins left out, and the page's links. A page that
// cannot be vectors, or that would be larger or slower to play as vectors, becomes a bitmap; a
// page of photographs is known for one from its display list and drawn only as a bitmap.
#include "page_pipeline.h"

#include "pdf/page_drawing.h"
#include "swf/bitmap_size.h"
#include "swf/blank_margins.h"
#include "swf/clip_layers.h"
#include "swf/jpeg_encode.h"
#include "swf/vector_tags.h"

#include <stdexcept>

namespace pageconv {
namespace {

void collectLinks(PdfSession& session, const PagePtr& page, const Box& bounds, double scale,
                  PageSwfInput& swf) {
    std::vector<RawLink> links;
    std::string ignored;
    pageLinks(session, page, links, ignored);  // a page with unreadable links still converts
    for (const RawLink& link : links) {
        const auto onStage = linkOnStage(link.rect, bounds, scale);
        const LinkKind kind = classifyLinkUri(link.uri);
        if (!onStage || kind == LinkKind::Ignored) {
            continue;
        }
        if (kind == LinkKind::WebAddress && link.uri.size() <= kMaxUrlBytes &&
            swf.urlLinks.size() < kMaxLinksPerPage) {
            swf.urlLinks.push_back(UrlLink{*onStage, link.uri});
        } else if (kind == LinkKind::PageInDocument && swf.pageLinks.size() < kMaxLinksPerPage) {
            if (const int target = linkTargetPage(session, link.uri); target > 0) {
                swf.pageLinks.push_back(PageLink{*onStage, target});
            }
        }
    }
}

// Only the part of the page with ink is encoded; gray is looked for there too, since the white
// around it is gray anyway.
bool encodeInkedPart(const PagePixels& pixels, int quality, PageImage& image) {
    const std::optional<PixelBox> ink = inkBounds(pixels);
    const bool gray = !ink || hasOnlyGrays(cropped(pixels, *ink));
    const JpegColour colour = gray ? JpegColour::Grayscale : JpegColour::Rgb;
    const PixelBox part = encodedPart(ink, pixels.width, pixels.height, jpegBlockPixels(colour));
    auto jpeg = encodeJpeg(cropped(pixels, part), colour, quality);
    if (!jpeg) {
        return false;
    }
    image = PageImage{std::move(*jpeg), pixels.width, pixels.height, part};
    return true;
}

bool encodePixmap(PdfSession& session, const PixmapPtr& pixmap, int quality, PageImage& image,
                  std::string& error) {
    const PagePixels pixels = pixmapPixels(session, pixmap);
    if (!encodeInkedPart(pixels, quality, image)) {
        error = "JPEG encoding failed";
        return false;
    }
    return true;
}

// What every way of drawing a page needs to know of it.
struct PageFrame {
    int number = 0;
    PagePtr page;
    Box bounds;
    BitmapSize bitmap;
    PageSwfInput swf;  // stage, version and links; no drawing yet
};

// Images MuPDF met while recording the page are in its store already and are not decoded ahead:
// a page drawn only as a bitmap has its JPEGs preloaded before it is recorded.
void preloadJpegs(PdfSession& session, const PageJob& job, const PageFrame& frame) {
    const BitmapSize& size = frame.bitmap;
    if (job.tuning.preloadJpegs) {
        preloadPageJpegs(session, frame.page, static_cast<long long>(size.width) * size.height,
                         kStoreBytesPerWorker / 2);
    }
}

// A page found to be photographs after it was recorded is recorded again with its JPEGs
// decoded ahead, so that it is drawn as fast as with -s bitmap.
bool recordWithJpegsPreloaded(PdfSession& session, const PageJob& job, const PageFrame& frame,
                              DisplayListPtr& list, std::string& error) {
    if (!job.tuning.preloadJpegs) {
        return true;
    }
    list.reset();
    const BitmapSize& size = frame.bitmap;
    reloadPageJpegs(session, frame.page, static_cast<long long>(size.width) * size.height,
                    kStoreBytesPerWorker / 2);
    list = pageDisplayList(session, frame.page, error);
    return list != nullptr;
}

bool drawsBitmapOnly(const ConvertOptions& options) {
    return options.pageMode == PageMode::Bitmap || options.swfVersion < kMinVectorSwfVersion;
}

bool bitmapFile(PdfSession& session, const PageJob& job, const PageFrame& frame,
                const DisplayListPtr& list, Bytes& file, std::string& error) {
    const BitmapSize& size = frame.bitmap;
    preloadJpegs(session, job, frame);
    const PixmapPtr pixmap =
        renderDisplayList(session, list, frame.bounds, size.width, size.height, error);
    PageSwfInput swf = frame.swf;
    swf.image.emplace();
    if (!pixmap || !encodePixmap(session, pixmap, job.options.jpegQuality, *swf.image, error)) {
        return false;
    }
    file = buildPageSwf(swf);
    return true;
}

VectorOptions vectorOptionsFor(const ConvertOptions& options, const PageFrame& frame) {
    VectorOptions vector;
    vector.twipsPerPoint = options.zoomDpi / 72.0 * 20.0;
    vector.bitmapPixelsPerTwip = frame.bitmap.width / (frame.swf.stageWidth * 20.0);
    vector.textAsShapes = options.textAsShapes;
    vector.fullFonts = options.fullFonts;
    vector.textOnly = options.pageMode == PageMode::TextOverBitmap;
    vector.jpegQuality = options.jpegQuality;
    return vector;
}

// Everything but the text, rendered as the page bitmap the text is drawn over.
bool underlay(PdfSession& session, const DisplayListPtr& list, const PageFrame& frame,
              const VectorDrawing& drawing, int quality, PageImage& image, std::string& error) {
    const PixmapPtr pixmap = renderWithout(session, list, frame.bounds, frame.bitmap.width,
                                           frame.bitmap.height, drawing.textCalls, error);
    return pixmap && encodePixmap(session, pixmap, quality, image, error);
}

bool withinVectorBounds(const VectorPage& page) {
    const VectorStats stats = vectorStats(page);
    return stats.edges <= kMaxVectorEdges && stats.placedObjects <= kMaxVectorObjects;
}

// False when the page is better off as a bitmap (the reason is then of no interest).
bool vectorFile(PdfSession& session, const PageJob& job, const PageFrame& frame,
                const DisplayListPtr& list, Bytes& file) {
    const ConvertOptions& options = job.options;
    VectorOptions vector = vectorOptionsFor(options, frame);
    vector.gradients = job.tuning.gradients;
    VectorDrawing drawing;
    std::string ignored;
    if (!drawVectors(session, list, frame.bounds, vector, drawing, ignored) ||
        !withinVectorBounds(drawing.page)) {
        return false;
    }
    PageSwfInput swf = frame.swf;
    if (vector.textOnly) {
        swf.image.emplace();
        if (!underlay(session, list, frame, drawing, options.jpegQuality, *swf.image, ignored)) {
            return false;
        }
    } else if (!renderRegions(session, list, frame.bounds, vector, drawing, ignored)) {
        return false;
    }
    if (options.flattenClips) {
        flattenClipLayers(drawing.page.items,
                          TwipRect{0, toTwips(swf.stageWidth), 0, toTwips(swf.stageHeight)});
    }
    clipToStage(drawing, Box{0, 0, toTwips(swf.stageWidth), toTwips(swf.stageHeight)});
    if (job.fonts != nullptr) {
        importSharedFonts(drawing.page, job.fonts->address);
    }
    swf.vectors = std::move(drawing.page);
    try {
        file = buildPageSwf(swf);
    } catch (const std::length_error&) {
        return false;
    }
    if (job.fonts != nullptr) {
        addToLibrary(*job.fonts, frame.number, swf.vectors);
    }
    return true;
}

// Below this size a vector page is taken as it is; above it the bitmap page is made as well
// and the smaller of the two is kept.
constexpr size_t kVectorBytesWorthComparing = size_t{96} * 1024;

// A page of photographs: images cover most of it, with detail at the page bitmap's resolution
// or finer, and little else is drawn (a caption, a title, a band under them). As vectors such a
// page holds about as many pixels as its bitmap and weighs about the same (on photobook.pdf the
// bitmap page is from 0.1% smaller to 7% larger, its caption no longer sharp at zoom), so drawing
// it both ways costs time for little. Low-resolution images stretched over a page (scans of few
// colours, test patterns) stay vectors: their pixels are far fewer than the bitmap's.
constexpr double kPhotoPageImageShare = 0.65;
constexpr double kPhotoPageImagePixels = 0.5;  // of the page bitmap's pixels
constexpr size_t kPhotoPageGlyphs = 120;
constexpr size_t kPhotoPageShapes = 8;  // paths and shadings

bool isPhotoPage(const PageMeasure& measure, const BitmapSize& bitmap) {
    const double bitmapPixels = static_cast<double>(bitmap.width) * bitmap.height;
    return measure.imageShare >= kPhotoPageImageShare &&
           measure.imagePixels >= kPhotoPageImagePixels * bitmapPixels &&
           measure.glyphs <= kPhotoPageGlyphs &&
           measure.paths + measure.shadings <= kPhotoPageShapes;
}

// Whole fonts or glyphs as shapes were asked for by name: the page keeps them.
bool vectorFormAsked(const ConvertOptions& options) {
    return options.fullFonts || options.textAsShapes;
}

bool choosesBitmapByMeasure(PdfSession& session, const PageJob& job, const PageFrame& frame,
                            const DisplayListPtr& list) {
    const ConvertOptions& options = job.options;
    PageMeasure measure;
    return options.pageMode == PageMode::Vectors && !vectorFormAsked(options) &&
           job.tuning.measurePages && measurePage(session, list, frame.bounds, measure) &&
           isPhotoPage(measure, frame.bitmap);
}

bool drawPage(PdfSession& session, const PageJob& job, const PageFrame& frame, DisplayListPtr& list,
              Bytes& file, std::string& error) {
    const ConvertOptions& options = job.options;
    if (drawsBitmapOnly(options)) {
        return bitmapFile(session, job, frame, list, file, error);
    }
    if (choosesBitmapByMeasure(session, job, frame, list)) {
        return recordWithJpegsPreloaded(session, job, frame, list, error) &&
               bitmapFile(session, job, frame, list, file, error);
    }
    if (!vectorFile(session, job, frame, list, file)) {
        return bitmapFile(session, job, frame, list, file, error);
    }
    if (file.size() > kVectorBytesWorthComparing && options.pageMode == PageMode::Vectors &&
        !vectorFormAsked(options)) {
        Bytes bitmap;
        if (bitmapFile(session, job, frame, list, bitmap, error) && bitmap.size() < file.size()) {
            file = std::move(bitmap);
        }
    }
    return true;
}

// The words come from the display list the page was drawn from, so the page is read once.
bool collectText(PdfSession& session, const PageJob& job, const PageFrame& frame,
                 const DisplayListPtr& list, PageText& text, std::string& error) {
    text.width = frame.swf.stageWidth;
    text.height = frame.swf.stageHeight;
    if (!pageWords(session, list, frame.bounds, job.options.zoomDpi / 72.0, text.words) &&
        pageStopped(session)) {
        error = "the page was stopped";
        return false;
    }
    return true;  // unreadable text leaves the page without words, nothing worse
}

bool framePage(PdfSession& session, const PageJob& job, int pageNumber, PageFrame& frame,
               std::string& error) {
    const ConvertOptions& options = job.options;
    PageSwfInput& swf = frame.swf;
    swf.version = static_cast<uint8_t>(options.swfVersion);
    swf.compress = options.compress;
    swf.stageWidth = stagePixels(frame.bounds.x1 - frame.bounds.x0, options.zoomDpi);
    swf.stageHeight = stagePixels(frame.bounds.y1 - frame.bounds.y0, options.zoomDpi);
    if (!(swf.stageWidth >= 0.05 && swf.stageHeight >= 0.05)) {
        error = "page " + std::to_string(pageNumber) + " has no area at this zoom";
        return false;
    }
    const double oversample =
        job.tuning.oversample > 0 ? job.tuning.oversample : defaultOversample(options.zoomDpi);
    const auto size =
        bitmapSizeFor(swf.stageWidth, swf.stageHeight, oversample, options.swfVersion);
    if (!size) {
        error = "page " + std::to_string(pageNumber) + " is too large for a SWF stage at zoom " +
                std::to_string(options.zoomDpi);
        return false;
    }
    frame.bitmap = *size;
    if (options.links) {
        collectLinks(session, frame.page, frame.bounds, options.zoomDpi / 72.0, swf);
    }
    return true;
}

}  // namespace

bool buildPageFile(PdfSession& session, const PageJob& job, int pageNumber, Bytes& file,
                   PageText* text, std::string& error) {
    PageFrame frame;
    frame.number = pageNumber;
    frame.page = loadPage(session, pageNumber, error);
    if (!frame.page || !pageBounds(session, frame.page, frame.bounds, error) ||
        !framePage(session, job, pageNumber, frame, error)) {
        return false;
    }
    if (drawsBitmapOnly(job.options)) {
        preloadJpegs(session, job, frame);
    }
    DisplayListPtr list = pageDisplayList(session, frame.page, error);
    if (!list || !drawPage(session, job, frame, list, file, error) ||
        (text != nullptr && !collectText(session, job, frame, list, *text, error))) {
        error = "page " + std::to_string(pageNumber) + ": " + error;
        return false;
    }
    return true;
}

}  // namespace pageconv
