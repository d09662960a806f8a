// The small test documents: page geometry, solid colours, encryption, damaged files, benchmarks.
#include "documents.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "pdf_builder.h"
#include "photo.h"
#include "prose.h"

namespace pdfgen {
namespace {

constexpr Rect kA4{0, 0, 595, 842};
const Rgb kInk = rgbFromHex(0x1A1A1A);
const Rgb kWhite = rgbFromHex(0xFFFFFF);
const Rgb kLinkFill = rgbFromHex(0xDDEBFA);
const Rgb kLinkEdge = rgbFromHex(0x2A6FC9);

std::filesystem::path in(const std::filesystem::path& dir, const char* name) {
    return dir / name;
}

// Links are invisible; this shows where one lies so a rendered page can be checked by eye.
void linkMarker(Content& c, Rect r, const std::string& label) {
    setFill(c, kLinkFill);
    fillRect(c, r);
    setStroke(c, kLinkEdge, 1);
    strokeRect(c, r);
    setFill(c, kLinkEdge);
    drawText(c, kSans, 12, {r.x0 + 8, r.y0 + r.height() / 2 - 4}, label);
}

void pageTitle(Content& c, Rect page, const std::string& title) {
    setFill(c, kInk);
    drawText(c, kSansBold, 28, {page.x0 + 50, page.y1 - 70}, title);
}

void shapes(Content& c, Point origin) {
    setFill(c, rgbFromHex(0xF2A541));
    fillRect(c, {origin.x, origin.y, origin.x + 90, origin.y + 60});
    setFill(c, rgbFromHex(0x3DA35D));
    fillCircle(c, {origin.x + 150, origin.y + 30}, 30);
    setFill(c, rgbFromHex(0xC0392B));
    fillPolygon(
        c,
        {{origin.x + 200, origin.y}, {origin.x + 260, origin.y}, {origin.x + 230, origin.y + 60}});
    setStroke(c, kInk, 2);
    strokePolyline(c, {{origin.x, origin.y - 20}, {origin.x + 260, origin.y - 20}});
}

PageSpec plainPage(Rect media, const std::string& title) {
    PageSpec page;
    page.media = media;
    pageTitle(page.content, media, title);
    return page;
}

void bodyText(const PdfDoc& pdf, Content& c, Rect box, int paragraphs, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> text;
    text.reserve(size_t(paragraphs));
    for (int i = 0; i < paragraphs; ++i) {
        text.push_back(makeParagraph(rng));
    }
    flowParagraphs(c, {kSerif, 11, 14, kInk}, widthOf(pdf, kSerif), box, text, 6);
}

std::vector<unsigned char> readBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    const std::filesystem::path temp = path.string() + ".part";
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
    std::filesystem::rename(temp, path);
}

void writeTextPages(const std::filesystem::path& path, int pages, const Encryption& encryption,
                    const std::string& label) {
    PdfDoc pdf = newPdfDoc(label);
    for (int n = 1; n <= pages; ++n) {
        PageSpec page = plainPage(kA4, label + " page " + std::to_string(n));
        bodyText(pdf, page.content, {50, 60, 545, 740}, 5, 1000 + n);
        addPage(pdf, page);
    }
    savePdf(pdf, path, encryption);
}

// Shades what the crop box hides, so a renderer that ignores it shows pink margins.
PageSpec croppedPage() {
    PageSpec cropped;
    cropped.media = {0, 0, 612, 792};
    cropped.crop = Rect{50, 100, 550, 700};
    setFill(cropped.content, rgbFromHex(0xF4B6C2));
    fillRect(cropped.content, cropped.media);
    setFill(cropped.content, kWhite);
    fillRect(cropped.content, *cropped.crop);
    setFill(cropped.content, kInk);
    drawText(cropped.content, kSansBold, 28, {80, 640}, "Page 4 - cropped");
    linkMarker(cropped.content, {100, 200, 300, 240}, "example.com/four");
    shapes(cropped.content, {100, 400});
    return cropped;
}

}  // namespace

std::string colourTableText() {
    std::string out;
    for (size_t i = 0; i < kPageColours.size(); ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%zu %06X\n", i + 1, kPageColours[i]);
        out += line;
    }
    return out;
}

void writeGeometry(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Page geometry");
    const PdfObjPtr card = addLosslessImage(pdf, makeTestCard(140, 100));

    PageSpec first = plainPage(kA4, "Page 1");
    shapes(first.content, {72, 520});
    drawImage(first.content, "Im1", {360, 480, 500, 580});
    first.images.emplace_back("Im1", card.get());
    linkMarker(first.content, {72, 700, 272, 740}, "example.com/one");
    bodyText(pdf, first.content, {72, 100, 523, 440}, 3, 1);
    addPage(pdf, first);

    PageSpec landscape = plainPage({0, 0, 842, 595}, "Page 2 - landscape");
    linkMarker(landscape.content, {100, 100, 300, 140}, "example.com/two");
    shapes(landscape.content, {450, 300});
    addPage(pdf, landscape);

    PageSpec rotated = plainPage(kA4, "Page 3 - rotated 90");
    rotated.rotate = 90;
    linkMarker(rotated.content, {72, 700, 272, 740}, "example.com/three");
    shapes(rotated.content, {72, 480});
    addPage(pdf, rotated);

    addPage(pdf, croppedPage());

    PageSpec small = plainPage({0, 0, 420, 595}, "Page 5");
    linkMarker(small.content, {50, 50, 250, 90}, "to page 1");
    addPage(pdf, small);

    PageSpec letter = plainPage({0, 0, 612, 792}, "Page 6");
    bodyText(pdf, letter.content, {72, 72, 540, 700}, 6, 6);
    addPage(pdf, letter);

    addLinks(pdf, 0, {{{72, 700, 272, 740}, "https://example.com/one"}});
    addLinks(pdf, 1, {{{100, 100, 300, 140}, "https://example.com/two"}});
    addLinks(pdf, 2, {{{72, 700, 272, 740}, "https://example.com/three"}});
    addLinks(pdf, 3, {{{100, 200, 300, 240}, "https://example.com/four"}});
    addLinks(pdf, 4, {{{50, 50, 250, 90}, "", 0}});
    savePdf(pdf, in(dir, "geometry.pdf"));
}

void writeColours(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Colours");
    const WidthOf bold = widthOf(pdf, kSansBold);
    for (size_t i = 0; i < kPageColours.size(); ++i) {
        PageSpec page;
        page.media = kA4;
        setFill(page.content, rgbFromHex(kPageColours[i]));
        fillRect(page.content, kA4);
        setFill(page.content, kWhite);
        fillRect(page.content, {177.5, 331, 417.5, 511});
        const std::string number = std::to_string(i + 1);
        setFill(page.content, rgbFromHex(0x000000));
        drawText(page.content, kSansBold, 140, {297.5 - bold(number) * 70, 370}, number);
        addPage(pdf, page);
    }
    addLinks(
        pdf, 1,
        {{{100, 100, 495, 200}, "", 6}, {{100, 300, 495, 400}, "https://example.com/colours"}});
    savePdf(pdf, in(dir, "colours.pdf"));
}

// Pages of several shapes in one document, each filled with its colour from the colours
// table: portrait, landscape and slide pages, for a viewer that draws each page at its shape.
void writeShapes(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Page shapes");
    const std::vector<Rect> media = {kA4, kA4, {0, 0, 842, 595}, kA4, {0, 0, 960, 540}, kA4};
    for (size_t i = 0; i < media.size(); ++i) {
        PageSpec page;
        page.media = media[i];
        setFill(page.content, rgbFromHex(kPageColours[i]));
        fillRect(page.content, media[i]);
        addPage(pdf, page);
    }
    savePdf(pdf, in(dir, "shapes.pdf"));
}

void writeEncrypted(const std::filesystem::path& dir) {
    const Encryption aes{
        PDF_ENCRYPT_AES_256, kOwnerPassword, kUserPassword,
        PDF_PERM_PRINT | PDF_PERM_PRINT_HQ | PDF_PERM_COPY | PDF_PERM_ACCESSIBILITY};
    writeTextPages(in(dir, "encrypted.pdf"), 3, aes, "Encrypted");
}

void writeOwnerOnly(const std::filesystem::path& dir) {
    const Encryption aes{PDF_ENCRYPT_AES_128, kOwnerPassword, "",
                         PDF_PERM_PRINT | PDF_PERM_PRINT_HQ | PDF_PERM_ACCESSIBILITY};
    writeTextPages(in(dir, "owner-only.pdf"), 2, aes, "Owner password only");
}

void writeTruncated(const std::filesystem::path& dir) {
    std::vector<unsigned char> bytes = readBytes(in(dir, "geometry.pdf"));
    const std::string text(bytes.begin(), bytes.end());
    const size_t startxref = text.rfind("startxref");
    const size_t xref = text.rfind("\nxref", startxref);
    if (startxref == std::string::npos || xref == std::string::npos) {
        throw std::runtime_error("geometry.pdf has no cross-reference table to cut off");
    }
    bytes.resize(xref + 1);
    writeBytes(in(dir, "truncated.pdf"), bytes);
}

void writeBroken(const std::filesystem::path& dir) {
    const std::string header = "%PDF-1.4\n";
    std::vector<unsigned char> bytes(header.begin(), header.end());
    std::mt19937 rng(4);
    for (int i = 0; i < 4096; ++i) {
        bytes.push_back(static_cast<unsigned char>(rng() & 0xFF));
    }
    writeBytes(in(dir, "broken.pdf"), bytes);
}

void writeText200(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Two hundred pages of text");
    const WidthOf serif = widthOf(pdf, kSerif);
    std::mt19937 rng(200);
    for (int n = 1; n <= 200; ++n) {
        PageSpec page;
        page.media = kA4;
        setFill(page.content, kInk);
        drawText(page.content, kSans, 8, {50, 810}, "Field notes on coastal walking");
        drawText(page.content, kSans, 8, {530, 810}, std::to_string(n));
        std::vector<std::string> paragraphs;
        paragraphs.reserve(14);
        for (int i = 0; i < 14; ++i) {
            paragraphs.push_back(makeParagraph(rng));
        }
        flowParagraphs(page.content, {kSerif, 9.5, 11.4, kInk}, serif, {50, 40, 545, 795},
                       paragraphs, 3);
        addPage(pdf, page);
    }
    savePdf(pdf, in(dir, "text200.pdf"));
}

void writeImages20(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Twenty photographs");
    for (int n = 1; n <= 20; ++n) {
        const PdfObjPtr photo =
            addJpegImage(pdf, encodeJpeg(makeLandscape(1190, 1684, 100 + n), 85));
        PageSpec page;
        page.media = kA4;
        drawImage(page.content, "Im1", kA4);
        page.images.emplace_back("Im1", photo.get());
        addPage(pdf, page);
    }
    savePdf(pdf, in(dir, "images20.pdf"));
}

std::vector<std::string> generatedFileNames() {
    return {
        "geometry.pdf",      "colours.pdf",      "encrypted.pdf",        "owner-only.pdf",
        "truncated.pdf",     "broken.pdf",       "sample.pdf",           "text200.pdf",
        "images20.pdf",      "vector.pdf",       "vector-hostile.pdf",   "vector-controls.pdf",
        "index.pdf",         "shapes.pdf",       "encrypted-objstm.pdf", "encrypted-attachment.pdf",
        "claimed-pages.pdf", "page-cycle.pdf",   "zero-width-image.pdf", "broken-hinting.pdf",
        "crop-marks.pdf",    "blended-text.pdf", "gradients.pdf",        "rtl.pdf",
        "photobook.pdf"};
}

void writeAll(const std::filesystem::path& dir) {
    writeGeometry(dir);
    writeColours(dir);
    writeShapes(dir);
    writeEncrypted(dir);
    writeOwnerOnly(dir);
    writeTruncated(dir);
    writeBroken(dir);
    writeSample(dir);
    writeText200(dir);
    writeImages20(dir);
    writeVector(dir);
    writeVectorHostile(dir);
    writeVectorControls(dir);
    writeIndex(dir);
    writeEncryptedObjectStream(dir);
    writeEncryptedAttachment(dir);
    writeClaimedPages(dir);
    writePageCycle(dir);
    writeZeroWidthImage(dir);
    writeTagged(dir);
    writeBrokenHinting(dir);
    writeCropMarks(dir);
    writeBlendedText(dir);
    writeGradients(dir);
    writeRightToLeft(dir);
    writePhotoBook(dir);
}

}  // namespace pdfgen
