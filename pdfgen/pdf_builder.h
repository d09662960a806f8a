// A PDF document under construction: standard and embedded fonts, images, objects written as PDF
// syntax, pages, links, metadata and saving.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "content.h"
#include "mupdf_support.h"

namespace pdfgen {

using mu::BufferPtr;
using mu::ContextPtr;
using mu::FontPtr;
using mu::guarded;
using mu::ImagePtr;
using mu::MuError;
using mu::own;
using mu::PdfDocPtr;
using mu::PdfObjPtr;

// Resource names of the standard fonts every page can use.
inline constexpr std::string_view kSans = "F1";
inline constexpr std::string_view kSansBold = "F2";
inline constexpr std::string_view kSerif = "F3";
inline constexpr std::string_view kSerifItalic = "F4";
inline constexpr std::string_view kSerifBold = "F5";

// Resource names of the constant-alpha graphics states every page can use.
inline constexpr std::string_view kAlpha25 = "GA25";
inline constexpr std::string_view kAlpha50 = "GA50";
inline constexpr std::string_view kAlpha80 = "GA80";

struct StandardFont {
    std::string resource;
    FontPtr font;
    PdfObjPtr dict;
};

struct PdfDoc {
    ContextPtr ctx;  // first member: it must outlive everything below
    PdfDocPtr doc;
    std::vector<StandardFont> fonts;
    PdfObjPtr graphicsStates;
    std::vector<PdfObjPtr> pages;
};

// A resource only one page names. The category is its key in the page's Resources ("Font",
// "XObject", "ExtGState", "Shading", "Pattern").
struct Resource {
    std::string category;
    std::string name;
    pdf_obj* object = nullptr;
};

struct PageSpec {
    Rect media;
    int rotate = 0;
    std::optional<Rect> crop;
    Content content;
    std::vector<std::pair<std::string, pdf_obj*>> images;  // resource name, image object
    std::vector<Resource> resources;                       // beyond the shared fonts and states
};

// A link annotation: to a URI, or (when uri is empty) to a 0-based page shown whole.
struct Link {
    Rect rect;
    std::string uri;
    int targetPage = -1;
};

struct Encryption {
    int method = PDF_ENCRYPT_NONE;
    std::string ownerPassword;
    std::string userPassword;
    int permissions = 0;
};

PdfDoc newPdfDoc(std::string_view title);

// Measures text set in one of the standard fonts (by resource name).
WidthOf widthOf(const PdfDoc& pdf, std::string_view font);

struct RgbPixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> samples;  // rows top to bottom, 3 bytes a pixel
};

// A lossless image (flate-compressed on save), for small synthetic pictures.
PdfObjPtr addLosslessImage(PdfDoc& pdf, const RgbPixels& pixels);
// A JPEG image kept as it is (DCT), for photographs.
PdfObjPtr addJpegImage(PdfDoc& pdf, const std::vector<unsigned char>& jpeg);

// An indirect object from PDF syntax such as "<</Type/ExtGState/BM/Multiply>>"; "N 0 R" in it
// refers to an object added before (see reference).
PdfObjPtr addObject(PdfDoc& pdf, std::string_view syntax);
// A stream object from its dictionary in PDF syntax and its unencoded data (compressed on save).
PdfObjPtr addStream(PdfDoc& pdf, std::string_view dictionary, std::string_view data);
// "N 0 R" for an indirect object, to write into the syntax of another.
std::string reference(const PdfDoc& pdf, const PdfObjPtr& object);

// A font whose program is embedded, and the face that measures and encodes text for it.
struct EmbeddedFont {
    FontPtr face;
    PdfObjPtr dict;
};
// A simple TrueType font read from a file, WinAnsi-encoded like the standard fonts.
EmbeddedFont addTrueTypeFont(PdfDoc& pdf, const std::filesystem::path& file);
// A Type0 font (Identity-H) embedding the CFF program of one of MuPDF's standard faces.
EmbeddedFont addCffFont(PdfDoc& pdf, const char* base14Name);
// A Type0 font (Identity-H) embedding a TrueType program given as bytes.
EmbeddedFont addCidTrueTypeFont(PdfDoc& pdf, const std::vector<unsigned char>& program);
// A hex string of two-byte glyph ids, for text shown in an Identity-H font.
std::string glyphIds(const PdfDoc& pdf, const EmbeddedFont& font, std::string_view utf8);

// A Type0 font that is not embedded: Adobe-Japan1 shown through MuPDF's own CJK face, text in
// UCS-2 codes (see ucs2Codes), so the file stays small and its text extractable.
EmbeddedFont addCjkFont(PdfDoc& pdf);
// A hex string of the UTF-16 code units of a text, for addCjkFont.
std::string ucs2Codes(std::string_view utf8);
// A Type0 font (Identity-H) embedding MuPDF's built-in Noto face for an UCDN script number.
EmbeddedFont addNotoFont(PdfDoc& pdf, int ucdnScript);

// A bookmark: its title (any UTF-8) and the 0-based page it shows whole.
struct OutlineItem {
    std::string title;
    int targetPage = 0;
    std::vector<OutlineItem> children;
};
// The document's outline; call once every page exists.
void addOutline(PdfDoc& pdf, const std::vector<OutlineItem>& items);
// The /PageLabels number tree from the PDF syntax of its /Nums array's contents, e.g.
// "0 <</P (Cover)>> 1 <</S /r>>".
void setPageLabels(PdfDoc& pdf, std::string_view nums);
// The catalog's /ViewerPreferences with /Direction set to `name` (L2R or R2L).
void setReadingDirection(PdfDoc& pdf, std::string_view name);

// The catalogue's /Lang, the language the document's text is in ("en", "pt-BR").
void setLanguage(PdfDoc& pdf, std::string_view tag);

void addPage(PdfDoc& pdf, const PageSpec& spec);
// Links may point at any page, so add them once every page exists.
void addLinks(PdfDoc& pdf, size_t pageIndex, const std::vector<Link>& links);

// Writes next to the destination and renames, so a failed run leaves the old file in place.
void savePdf(PdfDoc& pdf, const std::filesystem::path& path, const Encryption& encryption = {});

}  // namespace pdfgen
