// MuPDF calls wrapped one by one. fz_try unwinds with longjmp, which skips C++ destructors, so
// every function keeps its try block free of objects with destructors and converts results
// into C++ values only after the block.
#include "pdf/pdf_pages.h"

#include <mupdf/pdf.h>

#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace pageconv {
namespace {

using MessageBuffer = std::array<char, 256>;

void keepMessage(fz_context* ctx, MessageBuffer& buffer) {
    std::snprintf(buffer.data(), buffer.size(), "%s", fz_caught_message(ctx));
}

void ignoreMessage(void* /*user*/, const char* /*message*/) {}

// Each block carries its size ahead of it, aligned as malloc aligns, so that freeing and
// growing it can keep the count.
constexpr size_t kBlockHeader = alignof(std::max_align_t);

void* budgetedMalloc(void* user, size_t size) {
    auto* budget = static_cast<MemoryBudget*>(user);
    if (size > budget->limit - budget->used) {
        budget->exceeded = true;
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(std::malloc(size + kBlockHeader));
    if (block == nullptr) {
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    budget->used += size;
    return block + kBlockHeader;
}

void budgetedFree(void* user, void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    unsigned char* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
    size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    static_cast<MemoryBudget*>(user)->used -= size;
    std::free(block);
}

void* budgetedRealloc(void* user, void* pointer, size_t size) {
    if (pointer == nullptr) {
        return budgetedMalloc(user, size);
    }
    auto* budget = static_cast<MemoryBudget*>(user);
    unsigned char* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
    size_t old = 0;
    std::memcpy(&old, block, sizeof old);
    if (size > old && size - old > budget->limit - budget->used) {
        budget->exceeded = true;
        return nullptr;
    }
    auto* grown = static_cast<unsigned char*>(std::realloc(block, size + kBlockHeader));
    if (grown == nullptr) {
        return nullptr;
    }
    std::memcpy(grown, &size, sizeof size);
    budget->used = budget->used - old + size;
    return grown + kBlockHeader;
}

fz_context* newQuietContext(size_t storeBytes, MemoryBudget* budget) {
    const fz_alloc_context allocator{budget, budgetedMalloc, budgetedRealloc, budgetedFree};
    fz_context* ctx = fz_new_context(&allocator, nullptr, storeBytes);
    if (ctx == nullptr) {
        return nullptr;
    }
    fz_set_warning_callback(ctx, ignoreMessage, nullptr);
    fz_set_error_callback(ctx, ignoreMessage, nullptr);
    return ctx;
}

fz_document* openDocument(fz_context* ctx, const char* path, int* pageCount,
                          MessageBuffer& message) {
    fz_document* doc = nullptr;
    fz_var(doc);
    fz_try(ctx) {
        // Only the PDF parser: a file of another kind (HTML, EPUB, images) is not a PDF to
        // convert, and each further parser would be more surface for hostile input.
        doc = &pdf_open_document(ctx, path)->super;
        *pageCount = fz_count_pages(ctx, doc);
    }
    fz_catch(ctx) {
        keepMessage(ctx, message);
        fz_drop_document(ctx, doc);
        return nullptr;
    }
    return doc;
}

// MuPDF walks the page tree for every page it loads unless the tree is cached; a failure to cache
// it (a damaged tree) leaves the walk, which still finds what pages it can.
pdf_document* cachePageTreeRaw(fz_context* ctx, fz_document* doc) {
    pdf_document* cached = nullptr;
    fz_var(cached);
    fz_try(ctx) {
        pdf_load_page_tree(ctx, pdf_document_from_fz_document(ctx, doc));
        cached = pdf_document_from_fz_document(ctx, doc);
    }
    fz_catch(ctx) {
        cached = nullptr;
    }
    return cached;
}

fz_page* loadPageRaw(fz_context* ctx, fz_document* doc, int index, MessageBuffer& message) {
    fz_page* page = nullptr;
    fz_var(page);
    fz_try(ctx) {
        page = fz_load_page(ctx, doc, index);
    }
    fz_catch(ctx) {
        keepMessage(ctx, message);
        return nullptr;
    }
    return page;
}

bool boundPageRaw(fz_context* ctx, fz_page* page, fz_rect* bounds, MessageBuffer& message) {
    fz_try(ctx) {
        *bounds = fz_bound_page(ctx, page);
    }
    fz_catch(ctx) {
        keepMessage(ctx, message);
        return false;
    }
    return true;
}

fz_display_list* listRaw(fz_context* ctx, fz_page* page, fz_cookie* cookie,
                         MessageBuffer& message) {
    fz_display_list* list = nullptr;
    fz_device* device = nullptr;
    fz_var(list);
    fz_var(device);
    fz_try(ctx) {
        list = fz_new_display_list(ctx, fz_bound_page(ctx, page));
        device = fz_new_list_device(ctx, list);
        fz_run_page(ctx, page, device, fz_identity, cookie);
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
    }
    fz_catch(ctx) {
        keepMessage(ctx, message);
        fz_drop_display_list(ctx, list);
        return nullptr;
    }
    return list;
}

// MuPDF's test device without its pixel options: colour images and shadings count as colour
// unseen, so nothing is decoded twice; the pixel check after rendering catches those that turn
// out gray. It stops the list with an error as soon as it has seen colour.
bool mayHaveColourRaw(fz_context* ctx, fz_display_list* list, fz_matrix ctm, fz_cookie* cookie) {
    int colour = 0;
    fz_device* device = nullptr;
    fz_var(device);
    fz_try(ctx) {
        device = fz_new_test_device(ctx, &colour, 0.0F, 0, nullptr);
        fz_run_display_list(ctx, list, device, ctm, fz_infinite_rect, cookie);
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
    }
    fz_catch(ctx) {
        return true;
    }
    return colour != 0;
}

fz_pixmap* drawRaw(fz_context* ctx, fz_display_list* list, fz_matrix ctm, fz_colorspace* space,
                   int width, int height, unsigned char* samples, fz_cookie* cookie,
                   MessageBuffer& message) {
    fz_pixmap* pixmap = nullptr;
    fz_device* device = nullptr;
    fz_var(pixmap);
    fz_var(device);
    fz_try(ctx) {
        pixmap = fz_new_pixmap_with_data(ctx, space, width, height, nullptr, 0,
                                         width * fz_colorspace_n(ctx, space), samples);
        fz_clear_pixmap_with_value(ctx, pixmap, 0xFF);
        device = fz_new_draw_device(ctx, fz_identity, pixmap);
        fz_run_display_list(ctx, list, device, ctm, fz_infinite_rect, cookie);
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
    }
    fz_catch(ctx) {
        keepMessage(ctx, message);
        fz_drop_pixmap(ctx, pixmap);
        return nullptr;
    }
    return pixmap;
}

fz_link* loadLinksRaw(fz_context* ctx, fz_page* page, bool* ok, MessageBuffer& message) {
    fz_link* links = nullptr;
    fz_var(links);
    *ok = true;
    fz_try(ctx) {
        links = fz_load_links(ctx, page);
    }
    fz_catch(ctx) {
        keepMessage(ctx, message);
        *ok = false;
        return nullptr;
    }
    return links;
}

int resolveRaw(fz_context* ctx, fz_document* doc, const char* uri) {
    int pageIndex = -1;
    fz_var(pageIndex);
    fz_try(ctx) {
        const fz_location location = fz_resolve_link(ctx, doc, uri, nullptr, nullptr);
        pageIndex = location.page < 0 ? -1 : fz_page_number_from_location(ctx, doc, location);
    }
    fz_catch(ctx) {
        pageIndex = -1;
    }
    return pageIndex;
}

Box boxOf(const fz_rect& rect) {
    return Box{rect.x0, rect.y0, rect.x1, rect.y1};
}

}  // namespace

std::unique_ptr<PdfSession> openPdf(const std::string& path, size_t storeBytes, std::string& error,
                                    size_t memoryBytes) {
    auto session = std::make_unique<PdfSession>();
    session->memory = std::make_unique<MemoryBudget>();
    session->memory->limit = memoryBytes;
    session->context.reset(newQuietContext(storeBytes, session->memory.get()));
    if (!session->context) {
        error = "cannot start the PDF renderer (out of memory?)";
        return nullptr;
    }
    fz_context* ctx = session->context.get();
    MessageBuffer message{};
    int pageCount = 0;
    session->document = DocumentPtr(openDocument(ctx, path.c_str(), &pageCount, message),
                                    mu::InContextDeleter<fz_document, fz_drop_document>{ctx});
    if (!session->document) {
        error = "cannot read \"" + path + "\" as a PDF: " + message.data();
        return nullptr;
    }
    if (pageCount <= 0) {
        error = "\"" + path + "\" holds no pages";
        return nullptr;
    }
    // Checked before the tree is cached: caching allocates for every page the file claims.
    if (pageCount > kMaxPageCount) {
        error = "\"" + path + "\" has " + std::to_string(pageCount) + " pages, more than " +
                std::to_string(kMaxPageCount) + " (the most pages one document may have)";
        return nullptr;
    }
    session->pageTree = PageTreeCache(cachePageTreeRaw(ctx, session->document.get()),
                                      mu::InContextDeleter<pdf_document, pdf_drop_page_tree>{ctx});
    session->pageCount = pageCount;
    return session;
}

void startPage(PdfSession& session) {
    session.cookie = fz_cookie{};
    session.memory->exceeded = false;
}

PageLimit pageLimitHit(const PdfSession& session) {
    if (session.cookie.abort != 0) {
        return PageLimit::Time;
    }
    return session.memory->exceeded ? PageLimit::Memory : PageLimit::None;
}

Unlock unlockPdf(PdfSession& session, const std::string* password) {
    fz_context* ctx = session.context.get();
    if (fz_needs_password(ctx, session.document.get()) == 0) {
        return Unlock::Open;
    }
    if (password == nullptr) {
        return Unlock::NeedsPassword;
    }
    const int granted = fz_authenticate_password(ctx, session.document.get(), password->c_str());
    return granted != 0 ? Unlock::Open : Unlock::WrongPassword;
}

PagePtr loadPage(PdfSession& session, int pageNumber, std::string& error) {
    fz_context* ctx = session.context.get();
    MessageBuffer message{};
    PagePtr page(loadPageRaw(ctx, session.document.get(), pageNumber - 1, message),
                 mu::InContextDeleter<fz_page, fz_drop_page>{ctx});
    if (!page) {
        error = "page " + std::to_string(pageNumber) + " cannot be read: " + message.data();
    }
    return page;
}

bool pageBounds(PdfSession& session, fz_page* page, Box& bounds, std::string& error) {
    MessageBuffer message{};
    fz_rect rect{};
    if (!boundPageRaw(session.context.get(), page, &rect, message)) {
        error = std::string("page size unreadable: ") + message.data();
        return false;
    }
    bounds = boxOf(rect);
    return true;
}

DisplayListPtr pageDisplayList(PdfSession& session, fz_page* page, std::string& error) {
    fz_context* ctx = session.context.get();
    MessageBuffer message{};
    DisplayListPtr list(listRaw(ctx, page, &session.cookie, message),
                        mu::InContextDeleter<fz_display_list, fz_drop_display_list>{ctx});
    if (session.cookie.abort != 0) {
        list.reset();  // half recorded: drawing it would show half a page
        error = "the page was stopped";
    } else if (!list) {
        error = std::string("the page cannot be read: ") + message.data();
    }
    return list;
}

PixmapPtr renderDisplayList(PdfSession& session, fz_display_list* list, const Box& bounds,
                            int width, int height, std::string& error) {
    fz_context* ctx = session.context.get();
    const fz_matrix ctm =
        fz_concat(fz_translate(static_cast<float>(-bounds.x0), static_cast<float>(-bounds.y0)),
                  fz_scale(static_cast<float>(width / (bounds.x1 - bounds.x0)),
                           static_cast<float>(height / (bounds.y1 - bounds.y0))));
    MessageBuffer message{};
    fz_colorspace* space = mayHaveColourRaw(ctx, list, ctm, &session.cookie) ? fz_device_rgb(ctx)
                                                                             : fz_device_gray(ctx);
    session.pixelBuffer.resize(static_cast<size_t>(width) * height * fz_colorspace_n(ctx, space));
    PixmapPtr pixmap(drawRaw(ctx, list, ctm, space, width, height, session.pixelBuffer.data(),
                             &session.cookie, message),
                     mu::InContextDeleter<fz_pixmap, fz_drop_pixmap>{ctx});
    if (session.cookie.abort != 0) {
        pixmap.reset();
        error = "the page was stopped";
    } else if (!pixmap) {
        error = std::string("rendering failed: ") + message.data();
    }
    return pixmap;
}

PixmapPtr renderPage(PdfSession& session, fz_page* page, const Box& bounds, int width, int height,
                     std::string& error) {
    const DisplayListPtr list = pageDisplayList(session, page, error);
    if (!list) {
        error = "rendering failed: " + error;
        return nullptr;
    }
    return renderDisplayList(session, list.get(), bounds, width, height, error);
}

bool pageLinks(PdfSession& session, fz_page* page, std::vector<RawLink>& links,
               std::string& error) {
    fz_context* ctx = session.context.get();
    MessageBuffer message{};
    bool ok = false;
    fz_link* first = loadLinksRaw(ctx, page, &ok, message);
    for (const fz_link* link = first; link != nullptr; link = link->next) {
        if (link->uri != nullptr) {
            links.push_back(RawLink{boxOf(link->rect), link->uri});
        }
    }
    fz_drop_link(ctx, first);
    if (!ok) {
        error = std::string("links unreadable: ") + message.data();
    }
    return ok;
}

int linkTargetPage(PdfSession& session, const std::string& uri) {
    const int index = resolveRaw(session.context.get(), session.document.get(), uri.c_str());
    return index >= 0 && index < session.pageCount ? index + 1 : 0;
}

}  // namespace pageconv
