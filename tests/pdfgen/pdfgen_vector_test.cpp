// vector.pdf, vector-hostile.pdf and gradients.pdf read back with MuPDF: each page holds the
// feature it is named for (the kinds of fonts, images, shadings and states its content uses, and
// its telling operators).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "documents.h"
#include "mupdf_support.h"

namespace pdfgen {
namespace {

using namespace mu;

const std::filesystem::path kDir = QUAVELIN_TEST_PDF_DIR;
using Tags = std::set<std::string>;

struct OpenedPdf {
    ContextPtr ctx;
    PdfDocPtr doc;
};

OpenedPdf openPdf(const std::string& name) {
    OpenedPdf o{newContext(), nullptr};
    const std::string path = (kDir / name).string();
    pdf_document* doc = nullptr;
    guarded(o.ctx.get(), [&] { doc = pdf_open_document(o.ctx.get(), path.c_str()); });
    o.doc = own<pdf_document, pdf_drop_document>(o.ctx.get(), doc);
    return o;
}

std::string name(fz_context* ctx, pdf_obj* dict, pdf_obj* key) {
    return pdf_to_name(ctx, pdf_dict_get(ctx, dict, key));
}

std::string fontTag(fz_context* ctx, pdf_obj* font) {
    pdf_obj* described = font;
    if (pdf_name_eq(ctx, pdf_dict_get(ctx, font, PDF_NAME(Subtype)), PDF_NAME(Type0))) {
        described = pdf_array_get(ctx, pdf_dict_get(ctx, font, PDF_NAME(DescendantFonts)), 0);
    }
    pdf_obj* descriptor = pdf_dict_get(ctx, described, PDF_NAME(FontDescriptor));
    std::string tag = "font:" + name(ctx, font, PDF_NAME(Subtype));
    for (pdf_obj* key : {PDF_NAME(FontFile), PDF_NAME(FontFile2), PDF_NAME(FontFile3)}) {
        tag += pdf_dict_get(ctx, descriptor, key) ? "+" + std::string(pdf_to_name(ctx, key)) : "";
    }
    return tag;
}

std::string xobjectTag(fz_context* ctx, pdf_obj* x) {
    if (pdf_name_eq(ctx, pdf_dict_get(ctx, x, PDF_NAME(Subtype)), PDF_NAME(Form))) {
        return pdf_dict_get(ctx, x, PDF_NAME(Group)) ? "form+group" : "form";
    }
    if (pdf_to_bool(ctx, pdf_dict_get(ctx, x, PDF_NAME(ImageMask)))) {
        return "image:mask";
    }
    return "image:" + name(ctx, x, PDF_NAME(Filter)) +
           (pdf_dict_get(ctx, x, PDF_NAME(SMask)) ? "+smask" : "");
}

std::string stateTag(fz_context* ctx, pdf_obj* gs) {
    if (pdf_dict_get(ctx, gs, PDF_NAME(BM))) {
        return "gs:BM/" + name(ctx, gs, PDF_NAME(BM));
    }
    return pdf_dict_get(ctx, gs, PDF_NAME(ca)) ? "gs:ca" : "gs";
}

std::string resourceTag(fz_context* ctx, const std::string& category, pdf_obj* r) {
    if (category == "Font") {
        return fontTag(ctx, r);
    }
    if (category == "XObject") {
        return xobjectTag(ctx, r);
    }
    if (category == "ExtGState") {
        return stateTag(ctx, r);
    }
    pdf_obj* type = category == "Shading" ? PDF_NAME(ShadingType) : PDF_NAME(PatternType);
    return category + ":" + std::to_string(pdf_dict_get_int(ctx, r, type));
}

struct PageRead {
    std::string content;
    Tags tags;  // of the resources the content names, and the page's rotation and crop box
};

// Resolving objects never throws (MuPDF warns and gives null); only loading a stream does.
PageRead readPage(const OpenedPdf& o, int index) {
    fz_context* ctx = o.ctx.get();
    pdf_obj* page = pdf_lookup_page_obj(ctx, o.doc.get(), index);
    fz_buffer* buf = nullptr;
    guarded(ctx, [&] { buf = pdf_load_stream(ctx, pdf_dict_get(ctx, page, PDF_NAME(Contents))); });
    const BufferPtr owned = own<fz_buffer, fz_drop_buffer>(ctx, buf);
    unsigned char* data = nullptr;
    const size_t size = fz_buffer_storage(ctx, buf, &data);
    PageRead read{std::string(reinterpret_cast<char*>(data), size), {}};
    pdf_obj* resources = pdf_dict_get_inheritable(ctx, page, PDF_NAME(Resources));
    for (const char* category : {"Font", "XObject", "ExtGState", "Shading", "Pattern"}) {
        pdf_obj* dict = pdf_dict_gets(ctx, resources, category);
        for (int i = 0; i < pdf_dict_len(ctx, dict); ++i) {
            const std::string key = pdf_to_name(ctx, pdf_dict_get_key(ctx, dict, i));
            if (read.content.find("/" + key + " ") != std::string::npos) {
                read.tags.insert(resourceTag(ctx, category, pdf_dict_get_val(ctx, dict, i)));
            }
        }
    }
    const int rotate = pdf_dict_get_int(ctx, page, PDF_NAME(Rotate));
    if (rotate != 0) {
        read.tags.insert("rotate:" + std::to_string(rotate));
    }
    if (pdf_dict_get(ctx, page, PDF_NAME(CropBox))) {
        read.tags.insert("cropbox");
    }
    return read;
}

size_t occurrences(const std::string& text, std::string_view what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) {
        ++n;
    }
    return n;
}

struct PageCase {
    const char* page;
    Tags tags;
    std::vector<std::string> operators;  // each must occur in the content
};

void expectPages(const char* file, int pageCount, const std::vector<const char*>& names,
                 const std::vector<PageCase>& cases) {
    const OpenedPdf o = openPdf(file);
    ASSERT_EQ(pdf_count_pages(o.ctx.get(), o.doc.get()), pageCount) << file;
    for (const PageCase& c : cases) {
        const auto at = std::find(names.begin(), names.end(), std::string_view(c.page));
        ASSERT_NE(at, names.end()) << c.page;
        const PageRead read = readPage(o, int(at - names.begin()));
        EXPECT_EQ(read.tags, c.tags) << file << " " << c.page;
        for (const std::string& op : c.operators) {
            EXPECT_NE(read.content.find(op), std::string::npos) << c.page << " lacks " << op;
        }
    }
}

TEST(Vector, EveryPageHoldsItsFeature) {
    expectPages(
        "vector.pdf", 19, {kVectorPages.begin(), kVectorPages.end()},
        {
            {"standard-font", {"font:Type1"}, {"Tj"}},
            {"truetype-font", {"font:TrueType+FontFile2"}, {"Tj"}},
            {"cff-font", {"font:Type0+FontFile3"}, {"> Tj"}},
            {"type3-font", {"font:Type3"}, {"(ABCABC) Tj"}},
            {"text-transforms", {"font:Type1"}, {"0.259 0.966 -0.966 0.259", "150 Tz", "9 Ts"}},
            {"render-modes", {"font:Type1"}, {"0 Tr", "3 Tr", "4 Tr", "7 Tr"}},
            {"dashed-strokes",
             {},
             {"0 J", "1 J", "2 J", "0 j", "1 j", "2 j", "1 M", "10 M", "] 0 d"}},
            {"fill-rules", {}, {"c\nh\nf\n", "c\nh\nf*\n"}},
            {"nested-clips", {}, {"W n", "W* n"}},
            {"soft-mask", {"image:FlateDecode+smask"}, {"Do"}},
            {"image-mask", {"image:mask"}, {"rg", "Do"}},
            {"jpeg-image", {"image:DCTDecode"}, {"Do"}},
            {"lossless-image", {"image:FlateDecode"}, {"Do"}},
            {"shading-sh", {"Shading:2", "Shading:3"}, {"/Sh1 sh", "/Sh2 sh"}},
            {"shading-pattern", {"Pattern:2"}, {"/Pattern cs /P1 scn", "/P2 scn"}},
            {"blend-multiply", {"gs:BM/Multiply"}, {"/GBM gs"}},
            {"group-alpha", {"form+group", "gs:ca"}, {"/Fm1 Do"}},
            {"rotate-90", {"rotate:90", "font:Type1"}, {}},
            {"crop-box", {"cropbox", "font:Type1"}, {}},
        });
}

TEST(Vector, GradientPagesHoldTheirShadings) {
    expectPages("gradients.pdf", 8, {kGradientPages.begin(), kGradientPages.end()},
                {
                    {"axial-stops", {"Shading:2"}, {"re W n /Sh1 sh"}},
                    {"axial-rotated", {"Shading:2"}, {"cm /Sh1 sh"}},
                    {"radial-concentric", {"Shading:3"}, {"re W n /Sh1 sh"}},
                    {"radial-focal", {"Shading:3"}, {"cm /Sh1 sh"}},
                    {"radial-nested", {"Shading:3"}, {"/Sh1 sh"}},
                    {"patterns", {"Pattern:2"}, {"/P1 scn", "/P2 scn"}},
                    {"axial-alpha", {"Shading:2", "gs:ca"}, {"/GA50 gs"}},
                    {"radial-cone", {"Shading:3"}, {"/Sh1 sh"}},
                });
}

TEST(Vector, HostilePagesHoldTheirExtremes) {
    expectPages("vector-hostile.pdf", 6, {kHostilePages.begin(), kHostilePages.end()},
                {
                    {"degenerate-transforms", {"font:Type1"}, {"0 0 0 0 180 135 cm", "0 Tz"}},
                    {"huge-transforms", {"font:Type1"}, {"1000000 0 0 1000000"}},
                    {"far-coordinates", {}, {"1000000000 1000000000 m", "-1000000000"}},
                    {"garbage-font", {"font:TrueType+FontFile2"}, {"Tj"}},
                    {"empty-glyphs", {"font:Type3"}, {"(      ) Tj"}},
                });
    const OpenedPdf o = openPdf("vector-hostile.pdf");
    EXPECT_EQ(occurrences(readPage(o, 0).content, " l\n"), 300000u);
}

TEST(Vector, ControlsDifferFromTheirPagesInOnePlace) {
    const OpenedPdf real = openPdf("vector.pdf");
    const OpenedPdf controls = openPdf("vector-controls.pdf");
    const struct {
        int control;
        int page;
        const char* gone;
    } cases[] = {{0, 0, "(Hamburgefonts) Tj"},
                 {1, 5, "7 Tr"},
                 {2, 7, "f*"},
                 {3, 8, "W* n"},
                 {4, 15, "/GBM gs"}};
    ASSERT_EQ(pdf_count_pages(controls.ctx.get(), controls.doc.get()), 5);
    for (const auto& c : cases) {
        const size_t before = occurrences(readPage(real, c.page).content, c.gone);
        EXPECT_GE(before, 1u) << c.gone;
        EXPECT_EQ(occurrences(readPage(controls, c.control).content, c.gone), before - 1) << c.gone;
    }
}

// The garbage program must really be unreadable, or the page tests nothing.
TEST(Vector, GarbageFontProgramIsNotAFont) {
    const OpenedPdf o = openPdf("vector-hostile.pdf");
    fz_context* ctx = o.ctx.get();
    pdf_obj* page = pdf_lookup_page_obj(ctx, o.doc.get(), 4);
    pdf_obj* font = pdf_dict_getp(ctx, page, "Resources/Font/G1");
    pdf_obj* file = pdf_dict_getp(ctx, font, "FontDescriptor/FontFile2");
    fz_buffer* buf = nullptr;
    guarded(ctx, [&] { buf = pdf_load_stream(ctx, file); });
    const BufferPtr owned = own<fz_buffer, fz_drop_buffer>(ctx, buf);
    EXPECT_THROW(
        guarded(ctx, [&] { fz_drop_font(ctx, fz_new_font_from_buffer(ctx, nullptr, buf, 0, 0)); }),
        MuError);
}

}  // namespace
}  // namespace pdfgen
