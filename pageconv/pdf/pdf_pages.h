// The converter's only contact with MuPDF: contexts, documents, pages, rendering and links. Each
// call catches MuPDF's errors itself and hands back a plain result and a message.
#pragma once

#include "mupdf_support.h"

#include <memory>
#include <string>
#include <vector>

#include "common/records.h"
#include "run_limits.h"

namespace pageconv {

using mu::ContextPtr;
using mu::DisplayListPtr;
using mu::DocumentPtr;
using mu::PagePtr;
using mu::PixmapPtr;

// What a worker's MuPDF holds, counted by the context's allocator: an allocation past `limit`
// fails, MuPDF throws, and the page in hand fails instead of the machine running out of memory.
struct MemoryBudget {
    size_t limit = kWorkerMemoryBudget;
    size_t used = 0;
    bool exceeded = false;  // since the last `startPage`
};

// Kept from opening to closing, so that finding page N is a look-up, not a walk of the tree.
using PageTreeCache = mu::InContextPtr<pdf_document, pdf_drop_page_tree>;

// One worker's view of the PDF; released in reverse order, the budget after the context that
// allocates from it. The worker's pages are rendered one after the other into the same pixel
// buffer, which saves mapping and zeroing fresh memory for every page.
struct PdfSession {
    std::unique_ptr<MemoryBudget> memory;
    std::vector<unsigned char> pixelBuffer;
    ContextPtr context;
    DocumentPtr document;
    PageTreeCache pageTree;
    int pageCount = 0;
    // Every run of the page in hand takes it; a watchdog thread sets its abort flag when the page
    // has run past its time.
    fz_cookie cookie{};
    // What was left out of the page in hand so that the rest could be drawn, one line each.
    std::vector<std::string> warnings;
};

// Opens the PDF in a context of its own with MuPDF's store capped at `storeBytes` and all its
// memory at `memoryBytes`. Fails with a message when the file cannot be read. MuPDF's own
// warnings are kept quiet. Its pages are counted by `countPages`, once it is unlocked.
std::unique_ptr<PdfSession> openPdf(const std::string& path, size_t storeBytes, std::string& error,
                                    size_t memoryBytes = kWorkerMemoryBudget);

// Sets the session's page count from the pages its page tree holds, not the count the file
// claims; fails with a message (naming `path`) when it holds none or more than kMaxPageCount.
// An encrypted page tree can only be read after `unlockPdf`.
bool countPages(PdfSession& session, const std::string& path, std::string& error);

// Clears the cookie, the memory flag and the warnings before a page is drawn.
void startPage(PdfSession& session);

// The limit that made the page in hand fail, if one did.
PageLimit pageLimitHit(const PdfSession& session);

// A document whose only encrypted parts are its attachments is open without a password.
enum class Unlock { Open, NeedsPassword, WrongPassword };
Unlock unlockPdf(PdfSession& session, const std::string* password);

// Images of no width or height are taken out of the page first, each noted in the warnings.
PagePtr loadPage(PdfSession& session, int pageNumber, std::string& error);

// The page as displayed: crop box within the media box, /Rotate applied, top-left origin.
bool pageBounds(PdfSession& session, fz_page* page, Box& bounds, std::string& error);

// Renders the displayed page onto an opaque white bitmap of the given size, held in the
// session's pixel buffer: the pixmap must be dropped before the session renders again. A page
// that draws nothing in colour is rendered in gray (one component), any other in RGB; the
// gray rendering of a gray page has the very values the RGB one would have in each channel.
PixmapPtr renderPage(PdfSession& session, fz_page* page, const Box& bounds, int width, int height,
                     std::string& error);

// The samples of a rendered pixmap, for encoders that know nothing of MuPDF; valid while the
// pixmap lives.
PagePixels pixmapPixels(fz_context* ctx, fz_pixmap* pixmap);

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
