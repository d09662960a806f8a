// The calls the page pipeline draws a page with, on handles that pdf/ owns: each takes the worker's
// session, which holds the context and the page's cookie, so the pipeline passes pages, display
// lists and pixmaps along without naming MuPDF.
#pragma once

#include "pdf/book_sources.h"
#include "pdf/image_preload.h"
#include "pdf/page_measure.h"
#include "pdf/pdf_pages.h"
#include "pdf/vector_device.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pageconv {

bool pageBounds(PdfSession& session, const PagePtr& page, Box& bounds, std::string& error);
bool pageLinks(PdfSession& session, const PagePtr& page, std::vector<RawLink>& links,
               std::string& error);
DisplayListPtr pageDisplayList(PdfSession& session, const PagePtr& page, std::string& error);
void preloadPageJpegs(PdfSession& session, const PagePtr& page, long long maxPixels,
                      long long maxBytes);
void reloadPageJpegs(PdfSession& session, const PagePtr& page, long long maxPixels,
                     long long maxBytes);

PixmapPtr renderDisplayList(PdfSession& session, const DisplayListPtr& list, const Box& bounds,
                            int width, int height, std::string& error);
// The whole page on a bitmap of the given size without the calls `droppedCalls` (ascending).
PixmapPtr renderWithout(PdfSession& session, const DisplayListPtr& list, const Box& bounds,
                        int width, int height, std::span<const size_t> droppedCalls,
                        std::string& error);
PagePixels pixmapPixels(PdfSession& session, const PixmapPtr& pixmap);

// What the page paints, counted (as `measurePage`); nothing when it cannot be counted.
std::optional<PageMeasure> measuredPage(PdfSession& session, const DisplayListPtr& list,
                                        const Box& bounds);
bool drawVectors(PdfSession& session, const DisplayListPtr& list, const Box& bounds,
                 const VectorOptions& options, VectorDrawing& drawing, std::string& error);
bool renderRegions(PdfSession& session, const DisplayListPtr& list, const Box& bounds,
                   const VectorOptions& options, VectorDrawing& drawing, std::string& error);
bool pageWords(PdfSession& session, const DisplayListPtr& list, const Box& bounds, double scale,
               std::vector<PageWord>& words);

// True once the page in hand was stopped (its time ran out).
bool pageStopped(const PdfSession& session);

}  // namespace pageconv
