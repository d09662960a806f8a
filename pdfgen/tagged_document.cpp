// tagged.pdf: a tagged document (structure tree, marked content) with a heading, a paragraph whose
// word is hyphenated across two lines, a figure with alternative text, a list and a page footer
// marked as an artifact; then a scanned page without any text. Its title is only in the XMP
// metadata and its language in the catalogue, the places a text version must look for them.
#include "documents.h"
#include "pdf_builder.h"

namespace pdfgen {
namespace {

constexpr Rect kPage{0, 0, 420, 595};

std::string textAt(std::string_view font, int size, int x, int y, std::string_view text) {
    return "BT /" + std::string(font) + " " + std::to_string(size) + " Tf " + std::to_string(x) +
           " " + std::to_string(y) + " Td (" + std::string(text) + ") Tj ET\n";
}

std::string marked(std::string_view tag, int mcid, const std::string& ops) {
    return "/" + std::string(tag) + " <</MCID " + std::to_string(mcid) + ">> BDC\n" + ops + "EMC\n";
}

// MCIDs 0 heading, 1 paragraph, 2 figure, 3 and 4 the list items.
PageSpec taggedPage() {
    PageSpec page{kPage, 0, std::nullopt, {}, {}, {}};
    std::string& ops = page.content.ops;
    ops += marked("H1", 0, textAt(kSansBold, 22, 40, 520, "Tagged heading"));
    ops += marked("P", 1,
                  textAt(kSerif, 12, 40, 480, "Body text with a hyphen-") +
                      textAt(kSerif, 12, 40, 465, "ated word across two lines."));
    ops += marked("Figure", 2, "q 0.8 0.1 0.1 rg 40 340 100 100 re f Q\n");
    ops += marked("LI", 3, textAt(kSerif, 12, 40, 300, "First item"));
    ops += marked("LI", 4, textAt(kSerif, 12, 40, 285, "Second item"));
    ops += "/Artifact BMC\n" + textAt(kSans, 9, 40, 30, "Running footer") + "EMC\n";
    return page;
}

RgbPixels scanWithoutText() {
    RgbPixels pixels{140, 200, {}};
    pixels.samples.assign(size_t(pixels.width) * pixels.height * 3, 0xF0);
    for (int y = 30; y < 170; y += 12) {
        for (int x = 15; x < 125; ++x) {
            for (int k = 0; k < 3; ++k) {
                pixels.samples[(size_t(y) * pixels.width + x) * 3 + k] = 0x40;
            }
        }
    }
    return pixels;
}

constexpr char kXmp[] =
    "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
    "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
    "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
    "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Tagged &amp; structured</rdf:li>"
    "</rdf:Alt></dc:title>\n</rdf:Description></rdf:RDF></x:xmpmeta>\n"
    "<?xpacket end=\"w\"?>";

void addStructure(PdfDoc& pdf) {
    const std::string page = reference(pdf, pdf.pages.at(0));
    const auto element = [&](const std::string& role, const std::string& rest) {
        return addObject(pdf,
                         "<</Type /StructElem /S /" + role + " /Pg " + page + " " + rest + ">>");
    };
    const PdfObjPtr heading = element("H1", "/K 0");
    const PdfObjPtr paragraph = element("P", "/K 1");
    const PdfObjPtr figure = element("Figure", "/Alt (A red square, the company logo) /K 2");
    const PdfObjPtr first = element("LBody", "/K 3");
    const PdfObjPtr second = element("LBody", "/K 4");
    const PdfObjPtr item1 = element("LI", "/K [" + reference(pdf, first) + "]");
    const PdfObjPtr item2 = element("LI", "/K [" + reference(pdf, second) + "]");
    const PdfObjPtr list =
        element("L", "/K [" + reference(pdf, item1) + " " + reference(pdf, item2) + "]");
    const PdfObjPtr document =
        element("Document", "/K [" + reference(pdf, heading) + " " + reference(pdf, paragraph) +
                                " " + reference(pdf, figure) + " " + reference(pdf, list) + "]");
    const PdfObjPtr root =
        addObject(pdf, "<</Type /StructTreeRoot /K [" + reference(pdf, document) + "]>>");
    const PdfObjPtr metadata = addStream(pdf, "<</Type /Metadata /Subtype /XML>>", kXmp);
    fz_context* ctx = pdf.ctx.get();
    guarded(ctx, [&] {
        pdf_obj* trailer = pdf_trailer(ctx, pdf.doc.get());
        pdf_obj* catalog = pdf_dict_get(ctx, trailer, PDF_NAME(Root));
        pdf_dict_puts(ctx, catalog, "StructTreeRoot", root.get());
        pdf_dict_put(ctx, catalog, PDF_NAME(Metadata), metadata.get());
        pdf_obj* marks = pdf_new_dict(ctx, pdf.doc.get(), 1);
        pdf_dict_puts_drop(ctx, marks, "Marked", PDF_TRUE);
        pdf_dict_puts_drop(ctx, catalog, "MarkInfo", marks);
        pdf_dict_del(ctx, pdf_dict_get(ctx, trailer, PDF_NAME(Info)), PDF_NAME(Title));
    });
}

}  // namespace

void writeTagged(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("");
    addPage(pdf, taggedPage());
    const PdfObjPtr scan = addLosslessImage(pdf, scanWithoutText());
    PageSpec scanned{kPage, 0, std::nullopt, {}, {{"Im1", scan.get()}}, {}};
    drawImage(scanned.content, "Im1", {0, 0, kPage.x1, kPage.y1});
    addPage(pdf, scanned);
    addStructure(pdf);
    setLanguage(pdf, "en-GB");
    savePdf(pdf, dir / "tagged.pdf");
}

}  // namespace pdfgen
