// The converter's only contact with MuPDF: contexts, documents, pages, rendering and links. Each
// call catches MuPDF's errors itself and hands back a plain result and a message.
#pragma once

#include "mupdf_support.h"

#include <memory>
#include <string>
#include <vector>

#include "records.h"

namespace pageconv {

using mu::ContextPtr;
using mu::DisplayListPtr;
using mu::DocumentPtr;
using mu::PagePtr;
using mu::PixmapPtr;

// One worker's view of the PDF; the document is released before its context. The worker's
// pages are rendered one after the other into the same pixel buffer, which saves mapping and
// zeroing fresh memory for every page.
struct PdfSession {
    std::vector<unsigned char> pixelBuffer;
    ContextPtr context;
    DocumentPtr document;
    int pageCount = 0;
};

// Opens the PDF in a context of its own with MuPDF's store capped at `storeBytes`. Fails with a
// message when the file cannot be read or holds no page. MuPDF's own warnings are kept quiet.
std::unique_ptr<PdfSession> openPdf(const std::string& path, size_t storeBytes, std::string& error);

enum class Unlock { Open, NeedsPassword, WrongPassword };
Unlock unlockPdf(PdfSession& session, const std::string* password);

PagePtr loadPage(PdfSession& session, int pageNumber, std::string& error);

// The page as displayed: crop box within the media box, /Rotate applied, top-left origin.
bool pageBounds(PdfSession& session, fz_page* page, Box& bounds, std::string& error);

// Renders the displayed page onto an opaque white bitmap of the given size, held in the
// session's pixel buffer: the pixmap must be dropped before the session renders again. A page
// that draws nothing in colour is rendered in gray (one component), any other in RGB; the
// gray rendering of a gray page has the very values the RGB one would have in each channel.
PixmapPtr renderPage(PdfSession& session, fz_page* page, const Box& bounds, int width, int height,
                     std::string& error);

// The page's drawing, recorded once so that it can be run through several devices.
DisplayListPtr pageDisplayList(PdfSession& session, fz_page* page, std::string& error);

// `renderPage` for a page already recorded.
PixmapPtr renderDisplayList(PdfSession& session, fz_display_list* list, const Box& bounds,
                            int width, int height, std::string& error);

struct RawLink {
    Box rect;  // displayed page space, as `pageBounds`
    std::string uri;
};
bool pageLinks(PdfSession& session, fz_page* page, std::vector<RawLink>& links, std::string& error);

// The 1-based page a "#..." link leads to, or 0 when it leads nowhere in this document.
int linkTargetPage(PdfSession& session, const std::string& uri);

}  // namespace pageconv
