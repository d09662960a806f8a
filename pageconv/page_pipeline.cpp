// One page from PDF to page file contents: bounds and stage, the rendered bitmap with its blank
// margins left out, and the page's links.
#include "page_pipeline.h"

#include "pdf/image_preload.h"
#include "swf/bitmap_size.h"
#include "swf/blank_margins.h"
#include "swf/jpeg_encode.h"

namespace pageconv {
namespace {

void collectLinks(PdfSession& session, fz_page* page, const Box& bounds, double scale,
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

bool renderInto(PdfSession& session, fz_page* page, const Box& bounds, const BitmapSize& size,
                int quality, PageImage& image, std::string& error) {
    const PixmapPtr pixmap = renderPage(session, page, bounds, size.width, size.height, error);
    if (!pixmap) {
        return false;
    }
    fz_context* ctx = session.context.get();
    const PagePixels pixels{fz_pixmap_samples(ctx, pixmap.get()), size.width, size.height,
                            fz_pixmap_stride(ctx, pixmap.get()),
                            fz_pixmap_components(ctx, pixmap.get())};
    if (!encodeInkedPart(pixels, quality, image)) {
        error = "JPEG encoding failed";
        return false;
    }
    return true;
}

}  // namespace

bool buildPage(PdfSession& session, const PageJob& job, int pageNumber, PageSwfInput& swf,
               std::string& error) {
    const ConvertOptions& options = job.options;
    const PagePtr page = loadPage(session, pageNumber, error);
    Box bounds;
    if (!page || !pageBounds(session, page.get(), bounds, error)) {
        return false;
    }
    swf.version = static_cast<uint8_t>(options.swfVersion);
    swf.compress = options.compress;
    swf.stageWidth = stagePixels(bounds.x1 - bounds.x0, options.zoomDpi);
    swf.stageHeight = stagePixels(bounds.y1 - bounds.y0, options.zoomDpi);
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
    if (job.tuning.preloadJpegs) {
        preloadPageJpegs(session, page.get(), static_cast<long long>(size->width) * size->height,
                         kStoreBytesPerWorker / 2);
    }
    if (!renderInto(session, page.get(), bounds, *size, options.jpegQuality, swf.image, error)) {
        error = "page " + std::to_string(pageNumber) + ": " + error;
        return false;
    }
    if (options.links) {
        collectLinks(session, page.get(), bounds, options.zoomDpi / 72.0, swf);
    }
    return true;
}

}  // namespace pageconv
