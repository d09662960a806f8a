// One page from PDF to page file: bounds, stage and links, then the choice of a page writer
// (vectors, text over a bitmap, or one bitmap). A page that cannot be vectors, or that would be
// larger or slower to play as vectors, becomes a bitmap; a page of photographs is known for one
// from its display list and drawn only as a bitmap.
#include "page_pipeline.h"

#include "page_writers.h"
#include "pdf/page_drawing.h"

#include <optional>

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

bool drawsBitmapOnly(const ConvertOptions& options) {
    return options.pageMode == PageMode::Bitmap || options.swfVersion < kMinVectorSwfVersion;
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
    if (options.pageMode != PageMode::Vectors || vectorFormAsked(options) ||
        !job.tuning.measurePages) {
        return false;
    }
    const std::optional<PageMeasure> measure = measuredPage(session, list, frame.bounds);
    return measure && isPhotoPage(*measure, frame.bitmap);
}

const PageWriter& vectorWriterFor(const ConvertOptions& options) {
    return options.pageMode == PageMode::TextOverBitmap ? kTextOverBitmapWriter : kVectorWriter;
}

// A large vector page is written as a bitmap as well, and the smaller of the two is kept.
void keepTheSmaller(PdfSession& session, const PageJob& job, const PageFrame& frame,
                    const DisplayListPtr& list, Bytes& file) {
    std::string ignored;  // the vector page stands
    std::optional<Bytes> bitmap = writePage(kBitmapWriter, session, job, frame, list, ignored);
    if (bitmap && bitmap->size() < file.size()) {
        file = std::move(*bitmap);
    }
}

std::optional<Bytes> drawPage(PdfSession& session, const PageJob& job, const PageFrame& frame,
                              DisplayListPtr& list, std::string& error) {
    const ConvertOptions& options = job.options;
    if (drawsBitmapOnly(options)) {
        return writePage(kBitmapWriter, session, job, frame, list, error);
    }
    if (choosesBitmapByMeasure(session, job, frame, list)) {
        if (!recordWithJpegsPreloaded(session, job, frame, list, error)) {
            return std::nullopt;
        }
        return writePage(kBitmapWriter, session, job, frame, list, error);
    }
    std::string ignored;  // a page that cannot be vectors is a bitmap, whatever the reason
    std::optional<Bytes> file =
        writePage(vectorWriterFor(options), session, job, frame, list, ignored);
    if (!file) {
        return writePage(kBitmapWriter, session, job, frame, list, error);
    }
    if (file->size() > kVectorBytesWorthComparing && options.pageMode == PageMode::Vectors &&
        !vectorFormAsked(options)) {
        keepTheSmaller(session, job, frame, list, *file);
    }
    return file;
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

std::optional<Bytes> buildPageFile(PdfSession& session, const PageJob& job, int pageNumber,
                                   PageText* text, std::string& error) {
    PageFrame frame;
    frame.number = pageNumber;
    frame.page = loadPage(session, pageNumber, error);
    if (!frame.page || !pageBounds(session, frame.page, frame.bounds, error) ||
        !framePage(session, job, pageNumber, frame, error)) {
        return std::nullopt;
    }
    if (drawsBitmapOnly(job.options)) {
        preloadJpegs(session, job, frame);
    }
    DisplayListPtr list = pageDisplayList(session, frame.page, error);
    std::optional<Bytes> file;
    if (!list || !(file = drawPage(session, job, frame, list, error)) ||
        (text != nullptr && !collectText(session, job, frame, list, *text, error))) {
        error = "page " + std::to_string(pageNumber) + ": " + error;
        return std::nullopt;
    }
    return file;
}

}  // namespace pageconv
