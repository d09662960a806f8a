// index.pdf: what the book index reads from a document. A nested outline, page labels of every
// style, text in Latin with accents, Greek, Japanese and Arabic, a rotated page and a scanned page
// whose text is an invisible layer over its image. rtl.pdf: an Arabic book that reads right to
// left.
#include "documents.h"
#include "pdf_builder.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace pdfgen {
namespace {

constexpr Rect kPage{0, 0, 420, 595};
const Rgb kInk = rgbFromHex(0x1A1A1A);
// UCDN's number for the Arabic script, as MuPDF's font look-up takes it.
constexpr int kUcdnArabic = 6;
// UCDN's number for the Greek script.
constexpr int kUcdnGreek = 2;

struct Fonts {
    EmbeddedFont greek;
    EmbeddedFont japanese;
    EmbeddedFont arabic;
};

// A line of text in a resource font, its codes already in the font's encoding.
void showCodes(Content& c, std::string_view font, double size, Point at, const std::string& codes,
               int renderMode = 0) {
    c.ops += "BT /" + std::string(font) + " " + formatNumber(size) + " Tf " +
             std::to_string(renderMode) + " Tr ";
    appendOp(c, {at.x, at.y}, "Td");
    c.ops += codes + " Tj ET\n";
}

PageSpec textPage(const std::string& heading) {
    PageSpec page;
    page.media = kPage;
    setFill(page.content, kInk);
    drawText(page.content, kSansBold, 20, {40, 540}, heading);
    return page;
}

Resource fontResource(const char* name, const EmbeddedFont& font) {
    return {"Font", name, font.dict.get()};
}

// Arabic runs right to left: its letters are laid out in the reverse of their reading order.
std::string visualOrder(std::string_view utf8) {
    std::u32string text = decodeUtf8(utf8);
    std::reverse(text.begin(), text.end());
    std::string out;
    for (const char32_t cp : text) {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else {  // the text here has nothing past U+FFFF
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// A gray page with dark bars where its printed lines were, as a scanner would see them.
RgbPixels scannedPixels() {
    RgbPixels pixels{210, 297, {}};
    pixels.samples.assign(size_t(pixels.width) * pixels.height * 3, 0xE8);
    for (int y = 40; y < 48; ++y) {
        for (int x = 20; x < 190; ++x) {
            for (int k = 0; k < 3; ++k) {
                pixels.samples[(size_t(y) * pixels.width + x) * 3 + k] = 0x30;
            }
        }
    }
    return pixels;
}

std::vector<PageSpec> indexPages(PdfDoc& pdf, const Fonts& fonts, const PdfObjPtr& scan) {
    std::vector<PageSpec> pages;
    pages.push_back(textPage("Cover"));
    pages.push_back(textPage("Latin"));
    drawText(pages.back().content, kSerif, 16, {40, 480}, "Café naïve façade Zürich");
    pages.push_back(textPage("Greek"));
    showCodes(pages.back().content, "FG", 16, {40, 480},
              glyphIds(pdf, fonts.greek, "Καλημέρα κόσμε"));
    pages.back().resources.push_back(fontResource("FG", fonts.greek));
    pages.push_back(textPage("Japanese"));
    showCodes(pages.back().content, "FJ", 18, {40, 480}, ucs2Codes("東京の地図"));
    pages.back().resources.push_back(fontResource("FJ", fonts.japanese));
    pages.push_back(textPage("Arabic"));
    showCodes(pages.back().content, "FA", 18, {40, 480},
              glyphIds(pdf, fonts.arabic, visualOrder("مرحبا")));
    pages.back().resources.push_back(fontResource("FA", fonts.arabic));
    pages.push_back(textPage("Rotated"));
    pages.back().rotate = 90;
    drawText(pages.back().content, kSerif, 16, {40, 480}, "Sideways landscape words");
    pages.push_back(textPage("Scanned"));
    drawImage(pages.back().content, "Im1", {0, 0, kPage.x1, kPage.y1});
    pages.back().images.emplace_back("Im1", scan.get());
    showCodes(pages.back().content, std::string(kSerif), 16, {40, 480},
              pdfLiteral("Invisible scanned layer"), 3);
    pages.push_back(textPage("Appendix"));
    drawText(pages.back().content, kSerif, 16, {40, 480}, "Closing appendix notes");
    return pages;
}

// Pages 7 and 8 lie outside "-p 1-6", so the Appendix and Scan entries then lead nowhere.
std::vector<OutlineItem> indexOutline() {
    return {
        {"Cover", 0, {}},
        {"Front matter", 1, {{"Grüße · Ελληνικά", 2, {}}}},
        {"Scripts", 3, {{"日本語", 3, {}}, {"العربية", 4, {{"Deep \"quoted\" \\ entry", 4, {}}}}}},
        {"Appendix", 7, {{"Scan", 6, {}}}}};
}

// Each page of rtl.pdf in its colour with its number, large, and an Arabic line above it.
PageSpec rightToLeftPage(PdfDoc& pdf, const EmbeddedFont& arabic, size_t index) {
    static constexpr Rect kA4{0, 0, 595, 842};
    static const char* const kLines[] = {"الغلاف",       "الفصل الأول", "صفحة ثالثة",
                                         "الفصل الثاني", "صفحة خامسة",  "الخاتمة"};
    PageSpec page;
    page.media = kA4;
    setFill(page.content, rgbFromHex(kPageColours[index]));
    fillRect(page.content, kA4);
    setFill(page.content, rgbFromHex(0xFFFFFF));
    fillRect(page.content, {147.5, 331, 447.5, 601});
    setFill(page.content, rgbFromHex(0x000000));
    showCodes(page.content, "FA", 30, {180, 550},
              glyphIds(pdf, arabic, visualOrder(kLines[index % std::size(kLines)])));
    drawText(page.content, kSansBold, 140, {250, 370}, std::to_string(index + 1));
    page.resources.push_back(fontResource("FA", arabic));
    return page;
}

}  // namespace

void writeRightToLeft(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("كتاب من اليمين إلى اليسار");
    const EmbeddedFont arabic = addNotoFont(pdf, kUcdnArabic);
    for (size_t i = 0; i < kRightToLeftPages; ++i) {
        addPage(pdf, rightToLeftPage(pdf, arabic, i));
    }
    addOutline(pdf, {{"الغلاف", 0, {}}, {"الفصل الأول", 1, {}}, {"الفصل الثاني", 3, {}}});
    setReadingDirection(pdf, "R2L");
    savePdf(pdf, dir / "rtl.pdf");
}

void writeIndex(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Book index features");
    const Fonts fonts{addNotoFont(pdf, kUcdnGreek), addCjkFont(pdf), addNotoFont(pdf, kUcdnArabic)};
    const PdfObjPtr scan = addLosslessImage(pdf, scannedPixels());
    for (const PageSpec& page : indexPages(pdf, fonts, scan)) {
        addPage(pdf, page);
    }
    addOutline(pdf, indexOutline());
    // Cover; i ii; A-7 A-8; a; BB; XIV
    setPageLabels(pdf,
                  "0 <</P (Cover)>> 1 <</S /r>> 3 <</S /D /P (A-) /St 7>> 5 <</S /a>> "
                  "6 <</S /A /St 28>> 7 <</S /R /St 14>>");
    setLanguage(pdf, "en");
    savePdf(pdf, dir / "index.pdf");
}

}  // namespace pdfgen
