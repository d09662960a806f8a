// photobook.pdf: a landscape picture book of the layouts such books are made of, from one
// full-bleed photograph to a grid of four, with captions and titles set over or beside them,
// a page of text beside a photograph and a foreword of text alone.
#include <random>

#include "documents.h"
#include "pdf_builder.h"
#include "photo.h"
#include "prose.h"

namespace pdfgen {
namespace {

constexpr Rect kSpread{0, 0, 842, 595};
// Photographs at 144 dpi, as print-ready books carry them scaled down for the screen.
constexpr double kPhotoPixelsPerPoint = 2.0;
const Rgb kInk = rgbFromHex(0x202428);
const Rgb kWhite = rgbFromHex(0xFFFFFF);
const Rgb kBlack = rgbFromHex(0x000000);

// Keeps the image objects alive until their page is added.
struct Album {
    PdfDoc& pdf;
    std::vector<PdfObjPtr> images;
    uint32_t nextSeed = 300;
};

void photo(Album& album, PageSpec& page, Rect where) {
    const std::string name = "Im" + std::to_string(page.images.size() + 1);
    const int w = int(where.width() * kPhotoPixelsPerPoint);
    const int h = int(where.height() * kPhotoPixelsPerPoint);
    album.images.push_back(
        addJpegImage(album.pdf, encodeJpeg(makeLandscape(w, h, album.nextSeed++), 85)));
    page.images.emplace_back(name, album.images.back().get());
    drawImage(page.content, name, where);
}

void caption(Content& c, Point baseline, std::string_view text) {
    setFill(c, kInk);
    drawText(c, kSerifItalic, 10, baseline, text);
}

PageSpec fullBleed(Album& album) {
    PageSpec page;
    photo(album, page, kSpread);
    return page;
}

PageSpec captionInBand(Album& album) {
    PageSpec page = fullBleed(album);
    Content& c = page.content;
    saveState(c);
    setGraphicsState(c, kAlpha50);
    setFill(c, kBlack);
    fillRect(c, {0, 0, 842, 40});
    restoreState(c);
    setFill(c, kWhite);
    drawText(c, kSans, 11, {30, 16}, "Morning fog over the lower lake, seen from the north ridge");
    return page;
}

PageSpec framed(Album& album) {
    PageSpec page;
    photo(album, page, {60, 90, 782, 555});
    caption(page.content, {60, 64}, "The valley in late September, after the first frost.");
    caption(page.content, {60, 50}, "Photographed from the old quarry road at first light.");
    return page;
}

PageSpec pair(Album& album) {
    PageSpec page;
    photo(album, page, {40, 80, 411, 555});
    photo(album, page, {431, 80, 802, 555});
    caption(page.content, {40, 58}, "Left: the boathouse at dawn.");
    caption(page.content, {431, 58}, "Right: the same shore at dusk.");
    return page;
}

PageSpec grid(Album& album) {
    PageSpec page;
    for (const Rect where : {Rect{0, 0, 419, 295}, Rect{423, 0, 842, 295}, Rect{0, 300, 419, 595},
                             Rect{423, 300, 842, 595}}) {
        photo(album, page, where);
    }
    return page;
}

PageSpec titleOverPhoto(Album& album) {
    PageSpec page = fullBleed(album);
    setFill(page.content, kWhite);
    drawText(page.content, kSansBold, 54, {60, 110}, "Lakes and Ridges");
    drawText(page.content, kSans, 20, {62, 76}, "A year on the northern hills");
    return page;
}

std::vector<std::string> paragraphs(int count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> text;
    text.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        text.push_back(makeParagraph(rng));
    }
    return text;
}

PageSpec story(Album& album) {
    PageSpec page;
    photo(album, page, {0, 0, 421, 595});
    flowParagraphs(page.content, {kSerif, 11, 15, kInk}, widthOf(album.pdf, kSerif),
                   {461, 60, 802, 535}, paragraphs(5, 21), 8);
    return page;
}

PageSpec foreword(Album& album) {
    PageSpec page;
    setFill(page.content, kInk);
    drawText(page.content, kSansBold, 24, {80, 520}, "Foreword");
    flowParagraphs(page.content, {kSerif, 11, 15, kInk}, widthOf(album.pdf, kSerif),
                   {80, 60, 762, 490}, paragraphs(9, 22), 8);
    return page;
}

}  // namespace

void writePhotoBook(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Lakes and Ridges");
    Album album{pdf, {}};
    for (PageSpec (*make)(Album&) : {titleOverPhoto, foreword, fullBleed, captionInBand, framed,
                                     pair, grid, story, fullBleed, captionInBand, framed, pair}) {
        PageSpec page = make(album);
        page.media = kSpread;
        addPage(pdf, page);
    }
    savePdf(pdf, dir / "photobook.pdf");
}

}  // namespace pdfgen
