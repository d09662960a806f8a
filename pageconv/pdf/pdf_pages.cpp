// MuPDF calls wrapped one by one. fz_try unwinds with longjmp, which skips C++ destructors, so
// every function keeps its try block free of objects with destructors and converts results
// into C++ values only after the block.
#include "pdf/pdf_pages.h"

#include <mupdf/pdf.h>

#include <algorithm>
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

fz_document* openDocument(fz_context* ctx, const char* path, MessageBuffer& message) {
    fz_document* doc = nullptr;
    fz_var(doc);
    fz_try(ctx) {
        // Only the PDF parser: a file of another kind (HTML, EPUB, images) is not a PDF to
        // convert, and each further parser would be more surface for hostile input.
        doc = &pdf_open_document(ctx, path)->super;
    }
    fz_catch(ctx) {
        keepMessage(ctx, message);
        fz_drop_document(ctx, doc);
        return nullptr;
    }
    return doc;
}

// Deeper page trees are not counted further: real ones are a few levels deep.
constexpr int kMaxPageTreeDepth = 256;

// The pages a page tree holds, counted the way MuPDF finds page N: a leaf is a page, a node is
// walked, and a node met again on its own path (a cycle) counts as many pages as it claims, since
// MuPDF skips it by that claim. Counting stops past `limit`. Only plain values, so that a MuPDF
// error unwinding through it skips no destructor.
struct PageTreeWalk {
    fz_context* ctx = nullptr;
    int limit = 0;
    int count = 0;
    int depth = 0;
    std::array<int, kMaxPageTreeDepth> path{};
};

bool isPageTreeNode(fz_context* ctx, pdf_obj* node) {
    pdf_obj* type = pdf_dict_get(ctx, node, PDF_NAME(Type));
    if (type != nullptr) {
        return pdf_name_eq(ctx, type, PDF_NAME(Pages)) != 0;
    }
    return pdf_dict_get(ctx, node, PDF_NAME(Kids)) != nullptr &&
           pdf_dict_get(ctx, node, PDF_NAME(MediaBox)) == nullptr;
}

bool onWalkPath(const PageTreeWalk& walk, int number) {
    for (int i = 0; i < walk.depth; ++i) {
        if (walk.path[static_cast<size_t>(i)] == number) {
            return true;
        }
    }
    return false;
}

void countTreeNode(PageTreeWalk& walk, pdf_obj* node) {
    const int number = pdf_to_num(walk.ctx, node);
    if (number != 0 && onWalkPath(walk, number)) {
        const int claimed = pdf_dict_get_int(walk.ctx, node, PDF_NAME(Count));
        walk.count += std::clamp(claimed, 0, walk.limit + 1);
        return;
    }
    if (walk.depth == kMaxPageTreeDepth) {
        return;
    }
    walk.path[static_cast<size_t>(walk.depth++)] = number;
    pdf_obj* kids = pdf_dict_get(walk.ctx, node, PDF_NAME(Kids));
    const int kidCount = pdf_array_len(walk.ctx, kids);
    for (int i = 0; i < kidCount && walk.count <= walk.limit; ++i) {
        pdf_obj* kid = pdf_array_get(walk.ctx, kids, i);
        if (isPageTreeNode(walk.ctx, kid)) {
            countTreeNode(walk, kid);
        } else {
            ++walk.count;
        }
    }
    --walk.depth;
}

// The pages the tree holds, at most limit + 1; and the count its root claims.
int countTreePagesRaw(fz_context* ctx, fz_document* doc, int limit, int* claimed) {
    PageTreeWalk walk;
    walk.ctx = ctx;
    walk.limit = limit;
    fz_var(walk);
    *claimed = 0;
    fz_try(ctx) {
        pdf_document* pdf = pdf_document_from_fz_document(ctx, doc);
        pdf_obj* root = pdf_dict_getp(ctx, pdf_trailer(ctx, pdf), "Root/Pages");
        *claimed = pdf_dict_get_int(ctx, root, PDF_NAME(Count));
        if (root != nullptr) {
            countTreeNode(walk, root);
        }
    }
    fz_catch(ctx) {
        // What was counted before the error stands; its pages fail one by one if they must.
    }
    return std::min(walk.count, limit + 1);
}

bool needsPasswordRaw(fz_context* ctx, fz_document* doc) {
    int needs = 1;
    fz_try(ctx) {
        needs = fz_needs_password(ctx, doc);
    }
    fz_catch(ctx) {
        needs = 1;
    }
    return needs != 0;
}

bool isIdentityFilter(fz_context* ctx, pdf_obj* name) {
    return name == nullptr || pdf_name_eq(ctx, name, PDF_NAME(Identity)) != 0;
}

// Crypt filters (version 4 on) can leave strings and streams as they are and encrypt only the
// attached files: the pages then read without any password.
bool onlyAttachmentsEncryptedRaw(fz_context* ctx, fz_document* doc) {
    int onlyAttachments = 0;
    fz_try(ctx) {
        pdf_document* pdf = pdf_document_from_fz_document(ctx, doc);
        pdf_obj* encrypt = pdf_dict_get(ctx, pdf_trailer(ctx, pdf), PDF_NAME(Encrypt));
        onlyAttachments = encrypt != nullptr && pdf_dict_get_int(ctx, encrypt, PDF_NAME(V)) >= 4 &&
                          isIdentityFilter(ctx, pdf_dict_get(ctx, encrypt, PDF_NAME(StmF))) &&
                          isIdentityFilter(ctx, pdf_dict_get(ctx, encrypt, PDF_NAME(StrF)));
    }
    fz_catch(ctx) {
        onlyAttachments = 0;
    }
    return onlyAttachments != 0;
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

// Form XObjects nest; real ones a few levels deep.
constexpr int kMaxFormDepth = 8;

bool isSizelessImage(fz_context* ctx, pdf_obj* xobject) {
    return pdf_name_eq(ctx, pdf_dict_get(ctx, xobject, PDF_NAME(Subtype)), PDF_NAME(Image)) &&
           (pdf_dict_get_int(ctx, xobject, PDF_NAME(Width)) <= 0 ||
            pdf_dict_get_int(ctx, xobject, PDF_NAME(Height)) <= 0);
}

// Removes images of no width or height from the resources and those of the forms in them, and
// counts them. MuPDF fails the whole page on such an image; without it, the page draws all
// else and only skips the `Do` that named it.
void dropSizelessImages(fz_context* ctx, pdf_obj* resources, int depth, int* dropped) {
    pdf_obj* xobjects = pdf_dict_get(ctx, resources, PDF_NAME(XObject));
    for (int i = pdf_dict_len(ctx, xobjects) - 1; i >= 0; --i) {
        pdf_obj* xobject = pdf_dict_get_val(ctx, xobjects, i);
        if (isSizelessImage(ctx, xobject)) {
            pdf_dict_del(ctx, xobjects, pdf_dict_get_key(ctx, xobjects, i));
            ++*dropped;
        } else if (depth < kMaxFormDepth &&
                   pdf_name_eq(ctx, pdf_dict_get(ctx, xobject, PDF_NAME(Subtype)),
                               PDF_NAME(Form))) {
            dropSizelessImages(ctx, pdf_dict_get(ctx, xobject, PDF_NAME(Resources)), depth + 1,
                               dropped);
        }
    }
}

int dropSizelessImagesRaw(fz_context* ctx, fz_page* page) {
    int dropped = 0;
    fz_var(dropped);
    fz_try(ctx) {
        pdf_obj* object = pdf_page_from_fz_page(ctx, page)->obj;
        dropSizelessImages(ctx, pdf_dict_get_inheritable(ctx, object, PDF_NAME(Resources)), 0,
                           &dropped);
    }
    fz_catch(ctx) {
        // What was dropped is dropped; the rest is drawn as MuPDF can.
    }
    return dropped;
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
    session->document = DocumentPtr(openDocument(ctx, path.c_str(), message),
                                    mu::InContextDeleter<fz_document, fz_drop_document>{ctx});
    if (!session->document) {
        error = "cannot read \"" + path + "\" as a PDF: " + message.data();
        return nullptr;
    }
    return session;
}

bool countPages(PdfSession& session, const std::string& path, std::string& error) {
    fz_context* ctx = session.context.get();
    int claimed = 0;
    const int held = countTreePagesRaw(ctx, session.document.get(), kMaxPageCount, &claimed);
    // MuPDF loads no page past the count the root claims, whatever the tree holds.
    const int pageCount = std::min(held, claimed);
    if (pageCount <= 0) {
        // An encrypted page tree reads as no tree at all until the password is given.
        error = needsPasswordRaw(ctx, session.document.get())
                    ? "\"" + path + "\" is encrypted: give its password with -P"
                    : "\"" + path + "\" holds no pages";
        return false;
    }
    if (pageCount > kMaxPageCount) {
        error = "\"" + path + "\" has more than " + std::to_string(kMaxPageCount) +
                " pages (the most pages one document may have)";
        return false;
    }
    // Caching allocates for every page the root claims: a tree that holds fewer is walked.
    if (claimed == pageCount) {
        session.pageTree =
            PageTreeCache(cachePageTreeRaw(ctx, session.document.get()),
                          mu::InContextDeleter<pdf_document, pdf_drop_page_tree>{ctx});
    }
    session.pageCount = pageCount;
    return true;
}

void startPage(PdfSession& session) {
    session.cookie = fz_cookie{};
    session.warnings.clear();
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
    if (!needsPasswordRaw(ctx, session.document.get()) ||
        onlyAttachmentsEncryptedRaw(ctx, session.document.get())) {
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
        return page;
    }
    if (const int dropped = dropSizelessImagesRaw(ctx, page.get()); dropped > 0) {
        session.warnings.push_back(
            "page " + std::to_string(pageNumber) + ": " +
            (dropped == 1 ? std::string("an image") : std::to_string(dropped) + " images") +
            " of no width or height left out");
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

PagePixels pixmapPixels(fz_context* ctx, fz_pixmap* pixmap) {
    return PagePixels{fz_pixmap_samples(ctx, pixmap), fz_pixmap_width(ctx, pixmap),
                      fz_pixmap_height(ctx, pixmap), fz_pixmap_stride(ctx, pixmap),
                      fz_pixmap_components(ctx, pixmap)};
}

}  // namespace pageconv
