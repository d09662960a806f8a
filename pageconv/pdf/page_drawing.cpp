// The pipeline's calls on pdf/'s handles, each the call of the same name on MuPDF's pointers.
#include "pdf/page_drawing.h"

#include "pdf/partial_render.h"

#include <limits>

namespace pageconv {

bool pageBounds(PdfSession& session, const PagePtr& page, Box& bounds, std::string& error) {
    return pageBounds(session, page.get(), bounds, error);
}

bool pageLinks(PdfSession& session, const PagePtr& page, std::vector<RawLink>& links,
               std::string& error) {
    return pageLinks(session, page.get(), links, error);
}

DisplayListPtr pageDisplayList(PdfSession& session, const PagePtr& page, std::string& error) {
    return pageDisplayList(session, page.get(), error);
}

void preloadPageJpegs(PdfSession& session, const PagePtr& page, long long maxPixels,
                      long long maxBytes) {
    preloadPageJpegs(session, page.get(), maxPixels, maxBytes);
}

void reloadPageJpegs(PdfSession& session, const PagePtr& page, long long maxPixels,
                     long long maxBytes) {
    reloadPageJpegs(session, page.get(), maxPixels, maxBytes);
}

PixmapPtr renderDisplayList(PdfSession& session, const DisplayListPtr& list, const Box& bounds,
                            int width, int height, std::string& error) {
    return renderDisplayList(session, list.get(), bounds, width, height, error);
}

PixmapPtr renderWithout(PdfSession& session, const DisplayListPtr& list, const Box& bounds,
                        int width, int height, std::span<const size_t> droppedCalls,
                        std::string& error) {
    PartialRender part = wholePage(bounds, width, height);
    part.lastCall = std::numeric_limits<size_t>::max();
    part.droppedCalls = droppedCalls;
    part.cookie = &session.cookie;
    return renderPart(session.context.get(), list.get(), part, error);
}

PagePixels pixmapPixels(PdfSession& session, const PixmapPtr& pixmap) {
    return pixmapPixels(session.context.get(), pixmap.get());
}

std::optional<PageMeasure> measuredPage(PdfSession& session, const DisplayListPtr& list,
                                        const Box& bounds) {
    PageMeasure measure;
    if (!measurePage(session.context.get(), list.get(), &session.cookie, bounds, measure)) {
        return std::nullopt;
    }
    return measure;
}

bool drawVectors(PdfSession& session, const DisplayListPtr& list, const Box& bounds,
                 const VectorOptions& options, VectorDrawing& drawing, std::string& error) {
    return drawVectors(session.context.get(), list.get(), &session.cookie, bounds, options, drawing,
                       error);
}

bool renderRegions(PdfSession& session, const DisplayListPtr& list, const Box& bounds,
                   const VectorOptions& options, VectorDrawing& drawing, std::string& error) {
    return renderRegions(session.context.get(), list.get(), &session.cookie, bounds, options,
                         drawing, error);
}

bool pageWords(PdfSession& session, const DisplayListPtr& list, const Box& bounds, double scale,
               std::vector<PageWord>& words) {
    return pageWords(session, list.get(), bounds, scale, words);
}

bool pageStopped(const PdfSession& session) {
    return session.cookie.abort != 0;
}

}  // namespace pageconv
