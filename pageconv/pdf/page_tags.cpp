// The structure tree walked once for the document, and a page's content run once more through a
// device that notes in which marked content each glyph is drawn. MuPDF 1.21 hands no structure to
// its devices, so the run processor's marked-content operators are wrapped here.
#include "pdf/page_tags.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace pageconv {
namespace {

using mu::guarded;

template <typename Body>
auto guardedValue(fz_context* ctx, Body&& body) {
    decltype(body()) value{};
    guarded(ctx, [&] { value = body(); });
    return value;
}

// Hostile trees must not make the walk endless or the index huge.
constexpr int kMaxStructDepth = 64;
constexpr size_t kMaxStructNodes = 200000;
constexpr size_t kMaxAltBytes = 2000;
constexpr size_t kMaxGlyphMarks = 200000;

struct Role {
    bool block = false;
    PageTag tag;
};

std::string_view nameOf(fz_context* ctx, pdf_obj* obj) {
    const char* name = guardedValue(ctx, [&] { return pdf_to_name(ctx, obj); });
    return name != nullptr ? name : "";
}

// Standard structure types by name; a custom type is looked up in the role map first.
Role roleNamed(fz_context* ctx, pdf_obj* roleMap, pdf_obj* type) {
    std::string_view name = nameOf(ctx, type);
    for (int hop = 0; hop < 3; ++hop) {
        pdf_obj* mapped = guardedValue(ctx, [&] { return pdf_dict_get(ctx, roleMap, type); });
        if (mapped == nullptr || nameOf(ctx, mapped).empty() || nameOf(ctx, mapped) == name) {
            break;
        }
        type = mapped;
        name = nameOf(ctx, mapped);
    }
    Role role;
    if (name == "H" || (name.size() == 2 && name[0] == 'H' && name[1] >= '1' && name[1] <= '6')) {
        role = {true, {TagKind::Heading, name.size() == 2 ? name[1] - '0' : 1, ""}};
    } else if (name == "LI") {
        role = {true, {TagKind::ListItem, 1, ""}};
    } else if (name == "Figure" || name == "Formula") {
        role = {true, {TagKind::Figure, 1, ""}};
    } else if (name == "P" || name == "Caption" || name == "BlockQuote" || name == "Note" ||
               name == "TOCI" || name == "Quote" || name == "Code") {
        role = {true, {TagKind::Paragraph, 1, ""}};
    }
    return role;
}

// An element of block type: its tag on each page it has content on, made when first needed.
struct Block {
    PageTag tag;
    std::vector<std::pair<int, int>> tagOnPage;
};

struct Walk {
    fz_context* ctx = nullptr;
    pdf_document* doc = nullptr;
    pdf_obj* roleMap = nullptr;
    std::vector<PageStructure>& pages;
    size_t nodes = 0;
};

int tagOn(Walk& walk, Block& block, int page) {
    for (const auto& [on, tag] : block.tagOnPage) {
        if (on == page) {
            return tag;
        }
    }
    std::vector<PageTag>& tags = walk.pages[static_cast<size_t>(page)].tags;
    tags.push_back(block.tag);
    block.tagOnPage.emplace_back(page, static_cast<int>(tags.size()) - 1);
    return static_cast<int>(tags.size()) - 1;
}

int pageIndexOf(Walk& walk, pdf_obj* pageObject, int fallback) {
    if (pageObject == nullptr) {
        return fallback;
    }
    const int index = guardedValue(
        walk.ctx, [&] { return pdf_lookup_page_number(walk.ctx, walk.doc, pageObject); });
    return index >= 0 && index < static_cast<int>(walk.pages.size()) ? index : -1;
}

void addMarkedContent(Walk& walk, Block* block, int page, int mcid) {
    if (block != nullptr && page >= 0 && mcid >= 0) {
        walk.pages[static_cast<size_t>(page)].tagOfMcid.emplace(mcid, tagOn(walk, *block, page));
    }
}

void visitElement(Walk& walk, pdf_obj* element, int page, Block* block, int depth);

void visitKids(Walk& walk, pdf_obj* kids, int page, Block* block, int depth) {
    fz_context* ctx = walk.ctx;
    if (guardedValue(ctx, [&] { return pdf_is_int(ctx, kids); })) {
        addMarkedContent(walk, block, page,
                         guardedValue(ctx, [&] { return pdf_to_int(ctx, kids); }));
        return;
    }
    if (guardedValue(ctx, [&] { return pdf_is_array(ctx, kids); })) {
        const int count = guardedValue(ctx, [&] { return pdf_array_len(ctx, kids); });
        for (int i = 0; i < count && walk.nodes < kMaxStructNodes; ++i) {
            visitKids(walk, guardedValue(ctx, [&] { return pdf_array_get(ctx, kids, i); }), page,
                      block, depth);
        }
        return;
    }
    if (!guardedValue(ctx, [&] { return pdf_is_dict(ctx, kids); })) {
        return;
    }
    const std::string_view type =
        nameOf(ctx, guardedValue(ctx, [&] { return pdf_dict_get(ctx, kids, PDF_NAME(Type)); }));
    if (type == "MCR") {
        pdf_obj* on = guardedValue(ctx, [&] { return pdf_dict_gets(ctx, kids, "Pg"); });
        const int mcid =
            guardedValue(ctx, [&] { return pdf_dict_get_int(ctx, kids, PDF_NAME(MCID)); });
        addMarkedContent(walk, block, pageIndexOf(walk, on, page), mcid);
    } else if (type != "OBJR") {
        visitElement(walk, kids, page, block, depth + 1);
    }
}

std::string altText(fz_context* ctx, pdf_obj* element) {
    const char* alt = guardedValue(
        ctx, [&] { return pdf_to_text_string(ctx, pdf_dict_get(ctx, element, PDF_NAME(Alt))); });
    std::string text = alt != nullptr ? alt : "";
    if (text.size() > kMaxAltBytes) {
        text.resize(kMaxAltBytes);  // the HTML writer mends a cut character
    }
    return text;
}

void visitElement(Walk& walk, pdf_obj* element, int page, Block* block, int depth) {
    fz_context* ctx = walk.ctx;
    if (depth > kMaxStructDepth || ++walk.nodes > kMaxStructNodes ||
        guardedValue(ctx, [&] { return pdf_mark_obj(ctx, element); }) != 0) {
        return;  // too deep, too large, or a cycle back to an element being walked
    }
    pdf_obj* on = guardedValue(ctx, [&] { return pdf_dict_gets(ctx, element, "Pg"); });
    page = pageIndexOf(walk, on, page);
    const Role role =
        roleNamed(ctx, walk.roleMap,
                  guardedValue(ctx, [&] { return pdf_dict_get(ctx, element, PDF_NAME(S)); }));
    // Whatever lies inside a list item belongs to it, its paragraphs included.
    const bool ownBlock = role.block && (block == nullptr || block->tag.kind != TagKind::ListItem);
    Block own{role.tag, {}};
    if (ownBlock && role.tag.kind == TagKind::Figure) {
        own.tag.alt = altText(ctx, element);
        if (!own.tag.alt.empty() && page >= 0) {
            tagOn(walk, own, page);
        }
    }
    pdf_obj* kids = guardedValue(ctx, [&] { return pdf_dict_get(ctx, element, PDF_NAME(K)); });
    try {
        visitKids(walk, kids, page, ownBlock ? &own : block, depth);
    } catch (...) {
        pdf_unmark_obj(ctx, element);
        throw;
    }
    pdf_unmark_obj(ctx, element);
}

// ---- marked content on the page -----------------------------------------------------------------

struct GlyphMark {
    fz_point centre;
    int mcid = -1;
};

// The run processor's own operators, and the marked content open at this point of the page.
struct MarkedRun {
    std::vector<int> open;  // MCIDs, -1 for marked content without one (it inherits)
    std::vector<GlyphMark> marks;
    void (*bdc)(fz_context*, pdf_processor*, const char*, pdf_obj*, pdf_obj*) = nullptr;
    void (*bmc)(fz_context*, pdf_processor*, const char*) = nullptr;
    void (*emc)(fz_context*, pdf_processor*) = nullptr;
    void (*et)(fz_context*, pdf_processor*) = nullptr;

    int current() const {
        for (auto it = open.rbegin(); it != open.rend(); ++it) {
            if (*it >= 0) {
                return *it;
            }
        }
        return -1;
    }
};

// The callbacks receive only the processor, so the run in progress on this thread is found here;
// each worker runs one page at a time.
thread_local MarkedRun* markedRun = nullptr;

// The run processor gathers a text object's glyphs and hands them to the device at its end; its
// end operator only hands them over, so calling it at each change of marked content gives every
// glyph to the device while the content it belongs to is still open.
void markedBDC(fz_context* ctx, pdf_processor* proc, const char* tag, pdf_obj* raw,
               pdf_obj* cooked) {
    markedRun->et(ctx, proc);
    pdf_obj* properties = cooked != nullptr ? cooked : raw;
    const int mcid = pdf_is_dict(ctx, properties) && pdf_dict_get(ctx, properties, PDF_NAME(MCID))
                         ? pdf_dict_get_int(ctx, properties, PDF_NAME(MCID))
                         : -1;
    markedRun->open.push_back(mcid);
    markedRun->bdc(ctx, proc, tag, raw, cooked);
}

void markedBMC(fz_context* ctx, pdf_processor* proc, const char* tag) {
    markedRun->et(ctx, proc);
    markedRun->open.push_back(-1);
    markedRun->bmc(ctx, proc, tag);
}

void markedEMC(fz_context* ctx, pdf_processor* proc) {
    markedRun->et(ctx, proc);
    if (!markedRun->open.empty()) {
        markedRun->open.pop_back();
    }
    markedRun->emc(ctx, proc);
}

void noteText(fz_context* ctx, const fz_text* text, fz_matrix ctm) {
    const int mcid = markedRun->current();
    for (const fz_text_span* span = text->head; span != nullptr; span = span->next) {
        for (int i = 0; i < span->len && markedRun->marks.size() < kMaxGlyphMarks; ++i) {
            const fz_text_item& item = span->items[i];
            if (item.gid < 0) {
                continue;
            }
            fz_matrix trm = span->trm;
            trm.e = item.x;
            trm.f = item.y;
            const fz_rect box =
                fz_transform_rect(fz_bound_glyph(ctx, span->font, item.gid, trm), ctm);
            markedRun->marks.push_back({{(box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2}, mcid});
        }
    }
}

void fillText(fz_context* ctx, fz_device*, const fz_text* text, fz_matrix ctm, fz_colorspace*,
              const float*, float, fz_color_params) {
    noteText(ctx, text, ctm);
}
void strokeText(fz_context* ctx, fz_device*, const fz_text* text, const fz_stroke_state*,
                fz_matrix ctm, fz_colorspace*, const float*, float, fz_color_params) {
    noteText(ctx, text, ctm);
}
void clipText(fz_context* ctx, fz_device*, const fz_text* text, fz_matrix ctm, fz_rect) {
    noteText(ctx, text, ctm);
}
void clipStrokeText(fz_context* ctx, fz_device*, const fz_text* text, const fz_stroke_state*,
                    fz_matrix ctm, fz_rect) {
    noteText(ctx, text, ctm);
}
void ignoreText(fz_context* ctx, fz_device*, const fz_text* text, fz_matrix ctm) {
    noteText(ctx, text, ctm);
}

fz_device* newMarkDevice(fz_context* ctx) {
    fz_device* device = fz_new_device_of_size(ctx, sizeof(fz_device));
    device->fill_text = fillText;
    device->stroke_text = strokeText;
    device->clip_text = clipText;
    device->clip_stroke_text = clipStrokeText;
    device->ignore_text = ignoreText;
    return device;
}

void runMarked(fz_context* ctx, pdf_page* page, fz_cookie* cookie) {
    fz_device* device = nullptr;
    pdf_processor* proc = nullptr;
    fz_var(device);
    fz_var(proc);
    fz_try(ctx) {
        fz_matrix ctm;
        pdf_page_transform(ctx, page, nullptr, &ctm);
        device = newMarkDevice(ctx);
        proc = pdf_new_run_processor(ctx, device, ctm, "View", nullptr, nullptr, cookie);
        markedRun->bdc = proc->op_BDC;
        markedRun->bmc = proc->op_BMC;
        markedRun->emc = proc->op_EMC;
        markedRun->et = proc->op_ET;
        proc->op_BDC = markedBDC;
        proc->op_BMC = markedBMC;
        proc->op_EMC = markedEMC;
        pdf_process_contents(ctx, proc, page->doc, pdf_page_resources(ctx, page),
                             pdf_page_contents(ctx, page), cookie);
        pdf_close_processor(ctx, proc);
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        pdf_drop_processor(ctx, proc);
        fz_drop_device(ctx, device);
    }
    fz_catch(ctx) {
        fz_rethrow(ctx);
    }
}

// The MCID most of the glyphs inside the word's box are drawn in, or -1.
int mcidOfWord(const std::vector<GlyphMark>& marks, const Box& box) {
    std::map<int, int> votes;
    for (const GlyphMark& mark : marks) {
        if (mark.centre.x >= box.x0 && mark.centre.x <= box.x1 && mark.centre.y >= box.y0 &&
            mark.centre.y <= box.y1) {
            ++votes[mark.mcid];
        }
    }
    const auto best =
        std::max_element(votes.begin(), votes.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return best == votes.end() ? -1 : best->first;
}

}  // namespace

std::vector<PageStructure> documentStructure(PdfSession& session) {
    fz_context* ctx = session.context.get();
    std::vector<PageStructure> pages;
    try {
        pdf_document* pdf = pdf_document_from_fz_document(ctx, session.document.get());
        pdf_obj* root = guardedValue(
            ctx, [&] { return pdf_dict_get(ctx, pdf_trailer(ctx, pdf), PDF_NAME(Root)); });
        pdf_obj* tree =
            guardedValue(ctx, [&] { return pdf_dict_gets(ctx, root, "StructTreeRoot"); });
        if (!guardedValue(ctx, [&] { return pdf_is_dict(ctx, tree); })) {
            return {};
        }
        pages.resize(static_cast<size_t>(session.pageCount));
        Walk walk{ctx, pdf, guardedValue(ctx, [&] { return pdf_dict_gets(ctx, tree, "RoleMap"); }),
                  pages};
        visitKids(walk, guardedValue(ctx, [&] { return pdf_dict_get(ctx, tree, PDF_NAME(K)); }), -1,
                  nullptr, 0);
    } catch (const mu::MuError&) {
        return {};  // a damaged tree: the pages are laid out from their words alone
    }
    return pages;
}

std::vector<int> pageWordTags(PdfSession& session, int pageNumber, const PageStructure& structure,
                              const PageText& text) {
    if (structure.tags.empty() || text.words.empty()) {
        return {};
    }
    std::string error;
    const PagePtr page = loadPage(session, pageNumber, error);
    Box bounds;
    if (!page || !pageBounds(session, page.get(), bounds, error) || bounds.x1 <= bounds.x0 ||
        bounds.y1 <= bounds.y0) {
        return {};
    }
    fz_context* ctx = session.context.get();
    MarkedRun run;
    markedRun = &run;
    try {
        guarded(ctx,
                [&] { runMarked(ctx, pdf_page_from_fz_page(ctx, page.get()), &session.cookie); });
    } catch (const mu::MuError&) {
        markedRun = nullptr;
        return {};
    }
    markedRun = nullptr;
    const double sx = text.width / (bounds.x1 - bounds.x0);
    const double sy = text.height / (bounds.y1 - bounds.y0);
    for (GlyphMark& mark : run.marks) {
        mark.centre = {static_cast<float>((mark.centre.x - bounds.x0) * sx),
                       static_cast<float>((mark.centre.y - bounds.y0) * sy)};
    }
    std::vector<int> tags;
    tags.reserve(text.words.size());
    for (const PageWord& word : text.words) {
        const auto found = structure.tagOfMcid.find(mcidOfWord(run.marks, word.box));
        tags.push_back(found == structure.tagOfMcid.end() ? -1 : found->second);
    }
    return tags;
}

}  // namespace pageconv
