// Outline, page labels and words out of MuPDF. MuPDF 1.21 has no page label call, so the
// /PageLabels number tree is read here; its depth and size are bounded against hostile files.
#include "pdf/book_sources.h"

#include "text_version.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace pageconv {
namespace {

using mu::guarded;
using OutlinePtr = mu::InContextPtr<fz_outline, fz_drop_outline>;
using StextPagePtr = mu::InContextPtr<fz_stext_page, fz_drop_stext_page>;

template <typename Body>
auto guardedValue(fz_context* ctx, Body&& body) {
    decltype(body()) value{};
    guarded(ctx, [&] { value = body(); });
    return value;
}

fz_outline* loadOutlineRaw(fz_context* ctx, fz_document* doc) {
    fz_outline* outline = nullptr;
    fz_var(outline);
    fz_try(ctx) {
        outline = fz_load_outline(ctx, doc);
    }
    fz_catch(ctx) {
        outline = nullptr;
    }
    return outline;
}

int outlinePageRaw(fz_context* ctx, fz_document* doc, fz_location location) {
    int index = -1;
    fz_try(ctx) {
        index = location.page < 0 ? -1 : fz_page_number_from_location(ctx, doc, location);
    }
    fz_catch(ctx) {
        index = -1;
    }
    return index;
}

struct OutlineWalk {
    fz_context* ctx = nullptr;
    fz_document* doc = nullptr;
    int pageCount = 0;
    size_t entries = 0;
};

std::vector<OutlineEntry> outlineLevel(OutlineWalk& walk, const fz_outline* item, int depth) {
    std::vector<OutlineEntry> level;
    for (; item != nullptr && walk.entries < kMaxOutlineEntries; item = item->next) {
        ++walk.entries;
        OutlineEntry entry;
        entry.title = item->title != nullptr ? item->title : "";
        if (entry.title.size() > kMaxTitleBytes) {
            entry.title.resize(kMaxTitleBytes);  // the JSON writer mends a cut character
        }
        const int index = outlinePageRaw(walk.ctx, walk.doc, item->page);
        entry.page = index >= 0 && index < walk.pageCount ? index + 1 : 0;
        if (depth + 1 < kMaxOutlineDepth) {
            entry.children = outlineLevel(walk, item->down, depth + 1);
        }
        level.push_back(std::move(entry));
    }
    return level;
}

LabelStyle styleNamed(std::string_view name) {
    if (name == "D") {
        return LabelStyle::Decimal;
    }
    if (name == "R") {
        return LabelStyle::UpperRoman;
    }
    if (name == "r") {
        return LabelStyle::LowerRoman;
    }
    if (name == "A") {
        return LabelStyle::UpperLetters;
    }
    return name == "a" ? LabelStyle::LowerLetters : LabelStyle::None;
}

LabelRange labelRange(fz_context* ctx, pdf_obj* key, pdf_obj* dict) {
    LabelRange range;
    range.firstPage = guardedValue(ctx, [&] { return pdf_to_int(ctx, key); });
    range.style = styleNamed(
        guardedValue(ctx, [&] { return pdf_to_name(ctx, pdf_dict_get(ctx, dict, PDF_NAME(S))); }));
    const char* prefix = guardedValue(
        ctx, [&] { return pdf_to_text_string(ctx, pdf_dict_get(ctx, dict, PDF_NAME(P))); });
    range.prefix = prefix != nullptr ? prefix : "";
    if (range.prefix.size() > kMaxLabelBytes) {
        range.prefix.resize(kMaxLabelBytes);
    }
    pdf_obj* start = guardedValue(ctx, [&] { return pdf_dict_gets(ctx, dict, "St"); });
    if (guardedValue(ctx, [&] { return pdf_is_int(ctx, start); }) != 0) {
        // Bounded so that counting on from it cannot overflow.
        const long long value = guardedValue(ctx, [&] { return pdf_to_int64(ctx, start); });
        range.start = std::clamp(value, 1LL, 1LL << 40);
    }
    return range;
}

// Number trees nest through /Kids; a tree deeper or larger than this is broken or hostile (kids
// that lead back to their parents would otherwise be walked again and again).
constexpr int kMaxNumberTreeDepth = 16;
constexpr int kMaxNumberTreeNodes = 4096;

void readNumberTree(fz_context* ctx, pdf_obj* node, int depth, int pageCount, int& nodesLeft,
                    std::vector<LabelRange>& ranges) {
    if (depth > kMaxNumberTreeDepth || --nodesLeft < 0 ||
        ranges.size() > static_cast<size_t>(pageCount)) {  // more ranges than pages: hostile
        return;
    }
    pdf_obj* nums = guardedValue(ctx, [&] { return pdf_dict_get(ctx, node, PDF_NAME(Nums)); });
    const int numCount = guardedValue(ctx, [&] { return pdf_array_len(ctx, nums); });
    for (int i = 0; i + 1 < numCount && ranges.size() <= static_cast<size_t>(pageCount); i += 2) {
        pdf_obj* key = guardedValue(ctx, [&] { return pdf_array_get(ctx, nums, i); });
        pdf_obj* dict = guardedValue(ctx, [&] { return pdf_array_get(ctx, nums, i + 1); });
        if (guardedValue(ctx, [&] { return pdf_is_int(ctx, key) && pdf_is_dict(ctx, dict); })) {
            ranges.push_back(labelRange(ctx, key, dict));
        }
    }
    pdf_obj* kids = guardedValue(ctx, [&] { return pdf_dict_get(ctx, node, PDF_NAME(Kids)); });
    const int kidCount = guardedValue(ctx, [&] { return pdf_array_len(ctx, kids); });
    for (int i = 0; i < kidCount && nodesLeft > 0; ++i) {
        pdf_obj* kid = guardedValue(ctx, [&] { return pdf_array_get(ctx, kids, i); });
        readNumberTree(ctx, kid, depth + 1, pageCount, nodesLeft, ranges);
    }
}

bool isWordBreak(int c) {
    return c <= 0x20 || c == 0xA0 || (c >= 0x2000 && c <= 0x200B) || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

fz_stext_page* stextRaw(fz_context* ctx, fz_display_list* list, fz_rect mediabox,
                        fz_cookie* cookie) {
    fz_stext_page* page = nullptr;
    fz_device* device = nullptr;
    fz_var(page);
    fz_var(device);
    // Ligatures are split and whitespace unified, so that search finds "fine" in "ﬁne".
    fz_stext_options options{};
    options.flags = FZ_STEXT_MEDIABOX_CLIP;
    fz_try(ctx) {
        page = fz_new_stext_page(ctx, mediabox);
        device = fz_new_stext_device(ctx, page, &options);
        fz_run_display_list(ctx, list, device, fz_identity, fz_infinite_rect, cookie);
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
    }
    fz_catch(ctx) {
        fz_drop_stext_page(ctx, page);
        return nullptr;
    }
    return page;
}

struct WordBuilder {
    const Box& bounds;
    double scale;
    std::vector<PageWord>& words;
    Box box;
    std::vector<DrawnChar> chars;

    void add(const fz_stext_char& ch, const fz_point& direction) {
        const fz_rect r = fz_rect_from_quad(ch.quad);
        const Box onStage{(r.x0 - bounds.x0) * scale, (r.y0 - bounds.y0) * scale,
                          (r.x1 - bounds.x0) * scale, (r.y1 - bounds.y0) * scale};
        box = chars.empty() ? onStage
                            : Box{std::min(box.x0, onStage.x0), std::min(box.y0, onStage.y0),
                                  std::max(box.x1, onStage.x1), std::max(box.y1, onStage.y1)};
        // Along the line's own direction, so that a rotated line keeps its order.
        const double middle = ((r.x0 + r.x1) * direction.x + (r.y0 + r.y1) * direction.y) / 2;
        if (chars.size() < kMaxWordBytes) {
            chars.push_back(DrawnChar{ch.c, middle});
        }
    }
    void end() {
        if (!chars.empty() && words.size() < kMaxWordsPerPage) {
            words.push_back(PageWord{box, wordText(std::move(chars))});
        }
        chars.clear();
    }
};

// An XMP packet is a few KiB; one this large is not worth reading for a title.
constexpr size_t kMaxXmpBytes = size_t{1} << 20;

std::string infoText(fz_context* ctx, fz_document* doc, const char* key) {
    std::string value(kMaxTitleBytes + 1, '\0');
    const int length = guardedValue(ctx, [&] {
        return fz_lookup_metadata(ctx, doc, key, value.data(), static_cast<int>(value.size()));
    });
    if (length <= 1) {
        return {};
    }
    value.resize(std::min(static_cast<size_t>(length - 1), kMaxTitleBytes));
    return value;
}

std::string catalogueText(fz_context* ctx, pdf_obj* root, pdf_obj* key) {
    const char* text =
        guardedValue(ctx, [&] { return pdf_to_text_string(ctx, pdf_dict_get(ctx, root, key)); });
    return text != nullptr ? text : "";
}

std::string xmpPacket(fz_context* ctx, pdf_obj* root) {
    pdf_obj* metadata =
        guardedValue(ctx, [&] { return pdf_dict_get(ctx, root, PDF_NAME(Metadata)); });
    if (!guardedValue(ctx, [&] { return pdf_is_stream(ctx, metadata); }) ||
        guardedValue(ctx, [&] { return pdf_dict_get_int(ctx, metadata, PDF_NAME(Length)); }) >
            static_cast<int>(kMaxXmpBytes)) {
        return {};
    }
    const mu::BufferPtr buffer = mu::own<fz_buffer, fz_drop_buffer>(
        ctx, guardedValue(ctx, [&] { return pdf_load_stream(ctx, metadata); }));
    unsigned char* data = nullptr;
    const size_t size = fz_buffer_storage(ctx, buffer.get(), &data);
    return size > kMaxXmpBytes ? std::string() : std::string(reinterpret_cast<char*>(data), size);
}

// Spaces and line breaks a title was typed with are kept out of the headings it becomes.
std::string tidyTitle(std::string title) {
    std::replace_if(
        title.begin(), title.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; },
        ' ');
    const size_t first = title.find_first_not_of(' ');
    const size_t last = title.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : title.substr(first, last - first + 1);
}

}  // namespace

DocumentFacts documentFacts(PdfSession& session) {
    fz_context* ctx = session.context.get();
    DocumentFacts facts;
    try {
        facts.title = tidyTitle(infoText(ctx, session.document.get(), FZ_META_INFO_TITLE));
        facts.subject = tidyTitle(infoText(ctx, session.document.get(), "info:Subject"));
        pdf_document* pdf = pdf_document_from_fz_document(ctx, session.document.get());
        pdf_obj* root = guardedValue(
            ctx, [&] { return pdf_dict_get(ctx, pdf_trailer(ctx, pdf), PDF_NAME(Root)); });
        facts.language = languageTag(catalogueText(ctx, root, PDF_NAME(Lang)));
        if (facts.title.empty()) {
            facts.title = tidyTitle(xmpTitle(xmpPacket(ctx, root)));
        }
    } catch (const mu::MuError&) {
        // What was read stays; the rest falls back to the file name and no language.
    }
    if (facts.title.size() > kMaxTitleBytes) {
        facts.title.resize(kMaxTitleBytes);  // the HTML writer mends a cut character
    }
    return facts;
}

std::vector<OutlineEntry> documentOutline(PdfSession& session) {
    fz_context* ctx = session.context.get();
    const OutlinePtr outline(loadOutlineRaw(ctx, session.document.get()),
                             mu::InContextDeleter<fz_outline, fz_drop_outline>{ctx});
    OutlineWalk walk{ctx, session.document.get(), session.pageCount, 0};
    return outlineLevel(walk, outline.get(), 0);
}

std::vector<LabelRange> documentLabelRanges(PdfSession& session) {
    fz_context* ctx = session.context.get();
    std::vector<LabelRange> ranges;
    try {
        pdf_document* pdf = pdf_document_from_fz_document(ctx, session.document.get());
        pdf_obj* root = guardedValue(
            ctx, [&] { return pdf_dict_get(ctx, pdf_trailer(ctx, pdf), PDF_NAME(Root)); });
        pdf_obj* tree = guardedValue(ctx, [&] { return pdf_dict_gets(ctx, root, "PageLabels"); });
        int nodesLeft = kMaxNumberTreeNodes;
        readNumberTree(ctx, tree, 0, session.pageCount, nodesLeft, ranges);
    } catch (const mu::MuError&) {
        return {};  // damaged labels: the PDF page numbers stand in for all of them
    }
    std::stable_sort(ranges.begin(), ranges.end(), [](const LabelRange& a, const LabelRange& b) {
        return a.firstPage < b.firstPage;
    });
    return ranges;
}

ReadingDirection documentDirection(PdfSession& session) {
    fz_context* ctx = session.context.get();
    try {
        pdf_document* pdf = pdf_document_from_fz_document(ctx, session.document.get());
        pdf_obj* root = guardedValue(
            ctx, [&] { return pdf_dict_get(ctx, pdf_trailer(ctx, pdf), PDF_NAME(Root)); });
        pdf_obj* preferences =
            guardedValue(ctx, [&] { return pdf_dict_gets(ctx, root, "ViewerPreferences"); });
        const char* name = guardedValue(
            ctx, [&] { return pdf_to_name(ctx, pdf_dict_gets(ctx, preferences, "Direction")); });
        return readingDirectionNamed(name != nullptr ? name : "");
    } catch (const mu::MuError&) {
        return ReadingDirection::LeftToRight;  // damaged preferences: the usual way round
    }
}

bool pageWords(PdfSession& session, fz_display_list* list, const Box& bounds, double scale,
               std::vector<PageWord>& words) {
    fz_context* ctx = session.context.get();
    const fz_rect mediabox{static_cast<float>(bounds.x0), static_cast<float>(bounds.y0),
                           static_cast<float>(bounds.x1), static_cast<float>(bounds.y1)};
    const StextPagePtr page(stextRaw(ctx, list, mediabox, &session.cookie),
                            mu::InContextDeleter<fz_stext_page, fz_drop_stext_page>{ctx});
    if (!page || session.cookie.abort != 0) {
        return false;
    }
    WordBuilder builder{bounds, scale, words, {}, {}};
    for (const fz_stext_block* block = page->first_block; block != nullptr; block = block->next) {
        if (block->type != FZ_STEXT_BLOCK_TEXT) {
            continue;
        }
        for (const fz_stext_line* line = block->u.t.first_line; line != nullptr;
             line = line->next) {
            for (const fz_stext_char* ch = line->first_char; ch != nullptr; ch = ch->next) {
                if (isWordBreak(ch->c)) {
                    builder.end();
                } else {
                    builder.add(*ch, line->dir);
                }
            }
            builder.end();
        }
    }
    return true;
}

}  // namespace pageconv
