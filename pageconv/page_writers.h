// The page writers: each turns a recorded page into the bytes of its page file in the same three
// steps (begin the page, draw it, end it) as one bitmap, as vectors, or as text over a bitmap.
// The pipeline chooses a writer and falls back on the bitmap one through this one record; a new
// kind of page is a new writer here.
#pragma once

#include "page_pipeline.h"
#include "pdf/vector_device.h"
#include "swf/bitmap_size.h"

#include <optional>
#include <string>

namespace pageconv {

// What every way of drawing a page needs to know of it.
struct PageFrame {
    int number = 0;
    PagePtr page;
    Box bounds;
    BitmapSize bitmap;
    PageSwfInput swf;  // stage, version and links; no drawing yet
};

// A page being written: what a writer carries from beginning the page to ending it.
struct PageInProgress {
    PdfSession& session;
    const PageJob& job;
    const PageFrame& frame;
    const DisplayListPtr& list;
    PageSwfInput swf;       // the frame's, with the drawing added as it is made
    VectorDrawing drawing;  // the vector writers' shapes before they become the page's
};

// Each step but the first may fail, with a message (of no interest when the page falls back).
struct PageWriter {
    void (*beginPage)(PageInProgress& page);
    bool (*draw)(PageInProgress& page, std::string& error);
    std::optional<Bytes> (*endPage)(PageInProgress& page, std::string& error);
};

extern const PageWriter kBitmapWriter;
extern const PageWriter kVectorWriter;
extern const PageWriter kTextOverBitmapWriter;

// The page file `writer` makes of the recorded page, or nothing and a message.
std::optional<Bytes> writePage(const PageWriter& writer, PdfSession& session, const PageJob& job,
                               const PageFrame& frame, const DisplayListPtr& list,
                               std::string& error);

// Images MuPDF met while recording the page are in its store already and are not decoded ahead:
// a page drawn only as a bitmap has its JPEGs preloaded before it is recorded.
void preloadJpegs(PdfSession& session, const PageJob& job, const PageFrame& frame);

}  // namespace pageconv
