// vector.pdf: one page per drawing feature a vector page converter must reproduce (font kinds, text
// transforms and render modes, strokes, fill rules, clips, images, shadings, blending, page boxes).
// vector-hostile.pdf: legal but extreme content, and broken content, that a converter must survive.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>

#include "documents.h"
#include "pdf_builder.h"
#include "photo.h"

namespace pdfgen {
namespace {

constexpr Rect kCard{0, 0, 360, 270};
const char* const kTrueTypeFile =
    "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";

const Rgb kInk = rgbFromHex(0x1A1A1A);
const Rgb kWhite = rgbFromHex(0xFFFFFF);
const Rgb kBlue = rgbFromHex(0x2A6FC9);
const Rgb kCoral = rgbFromHex(0xE07A5F);
const Rgb kTeal = rgbFromHex(0x1F7A8C);
const Rgb kGold = rgbFromHex(0xF2A541);
const Rgb kGreen = rgbFromHex(0x3DA35D);
const Rgb kPale = rgbFromHex(0xDDE2E5);
const Rgb kPink = rgbFromHex(0xF4B6C2);

void ops(Content& c, std::string_view text) {
    c.ops += text;
    c.ops += '\n';
}

// Keeps the objects pages name alive until the document is saved.
struct Pieces {
    PdfDoc& pdf;
    std::vector<PdfObjPtr> objects;
    std::vector<EmbeddedFont> fonts;
};

pdf_obj* keep(Pieces& p, PdfObjPtr obj) {
    p.objects.push_back(std::move(obj));
    return p.objects.back().get();
}

PageSpec cardPage() {
    PageSpec page;
    page.media = kCard;
    return page;
}

void text(Content& c, std::string_view font, double size, Point at, std::string_view shown) {
    c.ops += "BT /" + std::string(font) + " " + formatNumber(size) + " Tf ";
    appendOp(c, {at.x, at.y}, "Td");
    c.ops += std::string(shown) + " Tj ET\n";
}

// A five-pointed star drawn in one run (each point joined to the next but one), so its middle is
// wound twice: the nonzero rule fills it, even-odd leaves it empty. Bulge bends every edge.
void starPath(Content& c, Point o, double r, double bulge) {
    std::vector<Point> p;
    for (int i = 0; i < 5; ++i) {
        const double a = std::numbers::pi / 2 + i * 4 * std::numbers::pi / 5;
        p.push_back({o.x + r * std::cos(a), o.y + r * std::sin(a)});
    }
    appendOp(c, {p[0].x, p[0].y}, "m");
    for (int i = 1; i <= 5; ++i) {
        const Point a = p[size_t(i - 1)];
        const Point b = p[size_t(i % 5)];
        const double nx = -(b.y - a.y) / r * bulge;
        const double ny = (b.x - a.x) / r * bulge;
        appendOp(c,
                 {a.x + (b.x - a.x) / 3 + nx, a.y + (b.y - a.y) / 3 + ny,
                  a.x + 2 * (b.x - a.x) / 3 + nx, a.y + 2 * (b.y - a.y) / 3 + ny, b.x, b.y},
                 "c");
    }
    ops(c, "h");
}

// Diagonal bands over the whole card in two colours: content that crosses every clip edge.
void diagonalBands(Content& c, Rgb first, Rgb second, double width) {
    for (int k = -10; k < 14; ++k) {
        setFill(c, k % 2 == 0 ? first : second);
        const double x = k * width * 2;
        fillPolygon(c, {{x, 0}, {x + width, 0}, {x + width + 270, 270}, {x + 270, 270}});
    }
}

// Glyphs drawn by hand: a square, a triangle, a ring filled even-odd, and a space with no outline.
PdfObjPtr addType3Font(PdfDoc& pdf) {
    const PdfObjPtr square = addStream(pdf, "<<>>", "750 0 0 0 700 700 d1\n0 0 700 700 re f\n");
    const PdfObjPtr triangle =
        addStream(pdf, "<<>>", "750 0 0 0 700 700 d1\n0 0 m 700 0 l 350 700 l h f\n");
    Content ring;
    ops(ring, "750 0 0 0 700 700 d1");
    pathCircle(ring, {350, 350}, 340);
    pathCircle(ring, {350, 350}, 180);
    ops(ring, "f*");
    const PdfObjPtr ringProc = addStream(pdf, "<<>>", ring.ops);
    const PdfObjPtr space = addStream(pdf, "<<>>", "500 0 d0\n");
    std::string widths = "[500";
    for (int code = 33; code <= 64; ++code) {
        widths += " 0";
    }
    widths += " 750 750 750]";
    return addObject(pdf,
                     "<</Type/Font/Subtype/Type3/FontBBox[0 0 750 750]"
                     "/FontMatrix[0.001 0 0 0.001 0 0]/CharProcs<</square " +
                         reference(pdf, square) + "/triangle " + reference(pdf, triangle) +
                         "/ring " + reference(pdf, ringProc) + "/space " + reference(pdf, space) +
                         ">>/Encoding<</Type/Encoding/Differences[32/space 65/square/triangle"
                         "/ring]>>/FirstChar 32/LastChar 67/Widths" +
                         widths + "/Resources<<>>>>");
}

PageSpec standardFontPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    setFill(c, kInk);
    drawText(c, kSerif, 40, {20, 190}, "Hamburgefonts");
    setFill(c, kBlue);
    drawText(c, kSans, 28, {20, 130}, "Quick brown fox");
    drawText(c, kSerifItalic, 26, {20, 70}, "jumps over 0123");
    return page;
}

PageSpec trueTypePage(Pieces& p) {
    p.fonts.push_back(addTrueTypeFont(p.pdf, kTrueTypeFile));
    PageSpec page = cardPage();
    page.resources.push_back({"Font", "TT1", p.fonts.back().dict.get()});
    Content& c = page.content;
    setFill(c, kInk);
    drawText(c, "TT1", 40, {20, 190}, "Hamburgefonts");
    setFill(c, kTeal);
    drawText(c, "TT1", 30, {20, 130}, "TrueType glyphs");
    drawText(c, "TT1", 26, {20, 70}, "quadratic 0123");
    return page;
}

PageSpec cffPage(Pieces& p) {
    p.fonts.push_back(addCffFont(p.pdf, "Times-Bold"));
    const EmbeddedFont& font = p.fonts.back();
    PageSpec page = cardPage();
    page.resources.push_back({"Font", "CF1", font.dict.get()});
    Content& c = page.content;
    setFill(c, kInk);
    text(c, "CF1", 40, {20, 190}, glyphIds(p.pdf, font, "Hamburgefonts"));
    setFill(c, kCoral);
    text(c, "CF1", 30, {20, 130}, glyphIds(p.pdf, font, "Compact glyphs"));
    text(c, "CF1", 26, {20, 70}, glyphIds(p.pdf, font, "cubic 0123"));
    return page;
}

PageSpec type3Page(pdf_obj* type3) {
    PageSpec page = cardPage();
    page.resources.push_back({"Font", "T3", type3});
    Content& c = page.content;
    setFill(c, kBlue);
    text(c, "T3", 60, {20, 170}, "(ABCABC)");
    setFill(c, kCoral);
    text(c, "T3", 44, {20, 60}, "(CB A C)");
    return page;
}

PageSpec transformedTextPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    setFill(c, kInk);
    ops(c, "BT /F3 28 Tf 0.259 0.966 -0.966 0.259 70 20 Tm (Rotated text) Tj ET");
    setFill(c, kTeal);
    ops(c, "BT /F1 22 Tf 150 Tz 1 0 0 1 130 225 Tm (Wide 150) Tj ET");
    ops(c, "BT /F1 22 Tf 50 Tz 1 0 0 1 130 180 Tm (Narrow to fifty percent) Tj ET");
    setFill(c, kCoral);
    ops(c, "BT /F1 22 Tf 1 0 0 1 130 120 Tm (Base) Tj 9 Ts (up) Tj -7 Ts (down) Tj ET");
    setFill(c, kBlue);
    ops(c, "BT /F2 30 Tf 1.6 0 0.4 0.8 130 40 Tm (Skewed) Tj ET");
    return page;
}

// Modes 0-3 paint (fill, stroke, both, nothing); 4-7 paint the same and add the glyphs to the clip,
// which the bands drawn afterwards show.
PageSpec renderModesPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    for (int mode = 0; mode < 8; ++mode) {
        const Rect cell{8.0 + (mode % 4) * 88, mode < 4 ? 140.0 : 10.0, 0, 0};
        const Rect box{cell.x0, cell.y0, cell.x0 + 80, cell.y0 + 120};
        setStroke(c, kPale, 1);
        strokeRect(c, box);
        saveState(c);
        setFill(c, kBlue);
        setStroke(c, kCoral, 1.5);
        ops(c, "BT /F2 58 Tf " + std::to_string(mode) + " Tr");
        appendOp(c, {box.x0 + 4, box.y0 + 40}, "Td");
        ops(c, "(Ag) Tj ET");
        if (mode >= 4) {
            setFill(c, kGreen);
            for (int i = 0; i < 8; ++i) {
                fillRect(c, {box.x0 + i * 10, box.y0, box.x0 + i * 10 + 5, box.y1});
            }
        }
        restoreState(c);
    }
    return page;
}

PageSpec strokesPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    setStroke(c, kInk, 10);
    for (int cap = 0; cap < 3; ++cap) {
        const double y = 245 - cap * 26;
        ops(c, "q " + std::to_string(cap) + " J [24 12] 0 d");
        strokePolyline(c, {{30, y}, {330, y}});
        ops(c, "Q");
    }
    setStroke(c, kBlue, 9);
    for (int join = 0; join < 3; ++join) {
        const double x = 15 + join * 115;
        ops(c, "q " + std::to_string(join) + " j [40 10] 0 d");
        strokePolyline(c, {{x, 90}, {x + 25, 170}, {x + 50, 90}, {x + 75, 170}, {x + 100, 90}});
        ops(c, "Q");
    }
    // A join of about 28 degrees: limit 1 cuts it to a bevel, limit 10 keeps the long point.
    setStroke(c, kCoral, 7);
    for (const auto& [x, limit] : {std::pair{30.0, 1}, std::pair{200.0, 10}}) {
        ops(c, "q 0 j 0 J " + std::to_string(limit) + " M [60 6] 0 d");
        strokePolyline(c, {{x, 12}, {x + 100, 37}, {x, 62}});
        ops(c, "Q");
    }
    return page;
}

// The same self-overlapping star and pair of circles, nonzero on the left and even-odd on the
// right.
PageSpec fillRulesPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    for (const auto& [x, paint] : {std::pair{0.0, "f"}, std::pair{180.0, "f*"}}) {
        setFill(c, x == 0 ? kTeal : kCoral);
        starPath(c, {x + 90, 168}, 90, -8);
        ops(c, paint);
        setFill(c, kGold);
        pathCircle(c, {x + 68, 48}, 38);
        pathCircle(c, {x + 112, 48}, 38);
        ops(c, paint);
    }
    return page;
}

// A circle clip (nonzero) holding a star clip (even-odd); bands cross both, a bar only the outer.
PageSpec nestedClipsPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    saveState(c);
    pathCircle(c, {180, 135}, 112);
    ops(c, "W n");
    saveState(c);
    starPath(c, {180, 135}, 128, 0);
    ops(c, "W* n");
    diagonalBands(c, kBlue, kGold, 12);
    restoreState(c);
    setFill(c, kCoral);
    fillRect(c, {0, 125, 360, 145});
    restoreState(c);
    setFill(c, kGreen);
    fillRect(c, {10, 10, 50, 50});
    return page;
}

std::string rgbRamp(int w, int h) {
    std::string bytes;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bytes += char(x * 255 / (w - 1));
            bytes += char(y * 255 / (h - 1));
            bytes += char(160);
        }
    }
    return bytes;
}

// Opaque in the middle, fading to clear towards the corners.
std::string alphaDisc(int w, int h) {
    std::string bytes;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot((x - w / 2.0) / (w / 2.0), (y - h / 2.0) / (h / 2.0));
            bytes += char(std::clamp(int((1.2 - d) * 400), 0, 255));
        }
    }
    return bytes;
}

void checkerboard(Content& c, double cell) {
    setFill(c, kPale);
    for (int j = 0; j * cell < kCard.y1; ++j) {
        for (int i = 0; i * cell < kCard.x1; ++i) {
            if ((i + j) % 2 == 1) {
                fillRect(c, {i * cell, j * cell, (i + 1) * cell, (j + 1) * cell});
            }
        }
    }
}

PageSpec softMaskPage(Pieces& p) {
    const PdfObjPtr mask = addStream(p.pdf,
                                     "<</Type/XObject/Subtype/Image/Width 120/Height 90"
                                     "/ColorSpace/DeviceGray/BitsPerComponent 8>>",
                                     alphaDisc(120, 90));
    pdf_obj* image = keep(p, addStream(p.pdf,
                                       "<</Type/XObject/Subtype/Image/Width 120/Height 90"
                                       "/ColorSpace/DeviceRGB/BitsPerComponent 8/SMask " +
                                           reference(p.pdf, mask) + ">>",
                                       rgbRamp(120, 90)));
    PageSpec page = cardPage();
    checkerboard(page.content, 30);
    drawImage(page.content, "Im1", {30, 22.5, 330, 247.5});
    page.images.emplace_back("Im1", image);
    return page;
}

// One bit a pixel, 0 where the fill colour paints: a ring crossed by a diagonal bar.
std::string stencilBits(int w, int h) {
    std::string bytes;
    for (int y = 0; y < h; ++y) {
        for (int byte = 0; byte < (w + 7) / 8; ++byte) {
            unsigned bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int x = byte * 8 + bit;
                const double r = std::hypot(x - w / 2.0, y - h / 2.0);
                const bool paint = (r > 12 && r < 21) || std::abs(x - y * double(w) / h) < 3;
                bits |= paint ? 0u : 0x80u >> bit;
            }
            bytes += char(bits);
        }
    }
    return bytes;
}

PageSpec imageMaskPage(Pieces& p) {
    pdf_obj* stencil = keep(p, addStream(p.pdf,
                                         "<</Type/XObject/Subtype/Image/Width 64/Height 48"
                                         "/ImageMask true/BitsPerComponent 1>>",
                                         stencilBits(64, 48)));
    PageSpec page = cardPage();
    Content& c = page.content;
    setFill(c, kPale);
    fillRect(c, {0, 0, 180, 270});
    setFill(c, kTeal);
    drawImage(c, "Im1", {10, 75, 170, 195});
    setFill(c, kCoral);
    drawImage(c, "Im1", {190, 75, 350, 195});
    page.images.emplace_back("Im1", stencil);
    return page;
}

PageSpec jpegPage(Pieces& p) {
    pdf_obj* photo = keep(p, addJpegImage(p.pdf, encodeJpeg(makeLandscape(240, 180, 7), 85)));
    PageSpec page = cardPage();
    drawImage(page.content, "Im1", {20, 15, 340, 255});
    page.images.emplace_back("Im1", photo);
    return page;
}

PageSpec losslessPage(Pieces& p) {
    pdf_obj* card = keep(p, addLosslessImage(p.pdf, makeTestCard(96, 72)));
    PageSpec page = cardPage();
    drawImage(page.content, "Im1", {36, 27, 324, 243});
    page.images.emplace_back("Im1", card);
    return page;
}

std::string shading(int type, const std::string& coords, const std::string& from,
                    const std::string& to, const std::string& extend) {
    return "<</ShadingType " + std::to_string(type) + "/ColorSpace/DeviceRGB/Coords[" + coords +
           "]/Function<</FunctionType 2/Domain[0 1]/C0[" + from + "]/C1[" + to + "]/N 1>>/Extend[" +
           extend + "]>>";
}

PageSpec shadingPage(Pieces& p) {
    pdf_obj* axial = keep(
        p, addObject(p.pdf, shading(2, "20 0 170 0", "0.1 0.3 0.8", "1 0.8 0.2", "true true")));
    pdf_obj* radial = keep(p, addObject(p.pdf, shading(3, "265 135 8 265 135 80", "1 1 1",
                                                       "0.8 0.1 0.3", "false true")));
    PageSpec page = cardPage();
    page.resources = {{"Shading", "Sh1", axial}, {"Shading", "Sh2", radial}};
    Content& c = page.content;
    ops(c, "q 20 30 150 210 re W n /Sh1 sh Q");
    saveState(c);
    pathCircle(c, {265, 135}, 86);
    ops(c, "W n /Sh2 sh");
    restoreState(c);
    return page;
}

PageSpec patternPage(Pieces& p) {
    const std::string axial =
        shading(2, "95 45 95 225", "0.2 0.6 0.3", "0.95 0.9 0.3", "true true");
    const std::string radial =
        shading(3, "270 135 3 270 135 95", "0.2 0.3 0.85", "1 1 1", "true true");
    pdf_obj* p1 = keep(p, addObject(p.pdf, "<</Type/Pattern/PatternType 2/Shading" + axial + ">>"));
    pdf_obj* p2 =
        keep(p, addObject(p.pdf, "<</Type/Pattern/PatternType 2/Shading" + radial + ">>"));
    PageSpec page = cardPage();
    page.resources = {{"Pattern", "P1", p1}, {"Pattern", "P2", p2}};
    Content& c = page.content;
    ops(c, "/Pattern cs /P1 scn");
    starPath(c, {95, 135}, 92, -8);
    ops(c, "f");
    ops(c, "/Pattern cs /P2 scn 200 40 140 190 re f");
    return page;
}

PageSpec blendPage(Pieces& p) {
    pdf_obj* multiply = keep(p, addObject(p.pdf, "<</Type/ExtGState/BM/Multiply>>"));
    PageSpec page = cardPage();
    page.resources.push_back({"ExtGState", "GBM", multiply});
    Content& c = page.content;
    const unsigned bands[] = {0x4DD0E1, 0xE15DC8, 0xF5E050};
    for (int i = 0; i < 3; ++i) {
        setFill(c, rgbFromHex(bands[i]));
        fillRect(c, {i * 120.0, 0, i * 120.0 + 120, 270});
    }
    saveState(c);
    setGraphicsState(c, "GBM");
    setFill(c, rgbFromHex(0xF27359));
    fillCircle(c, {135, 135}, 85);
    setFill(c, rgbFromHex(0x598CF2));
    fillCircle(c, {225, 135}, 85);
    restoreState(c);
    return page;
}

// Two opaque squares in a group painted at half opacity: where they overlap only the upper shows,
// unlike two squares painted at half opacity each.
PageSpec groupPage(Pieces& p) {
    pdf_obj* group = keep(p, addStream(p.pdf,
                                       "<</Type/XObject/Subtype/Form/BBox[0 0 360 270]"
                                       "/Group<</S/Transparency>>/Resources<<>>>>",
                                       "0.85 0.2 0.2 rg 40 50 170 150 re f\n"
                                       "0.2 0.3 0.85 rg 150 80 170 150 re f\n"));
    PageSpec page = cardPage();
    Content& c = page.content;
    setFill(c, kInk);
    for (int i = 0; i < 9; ++i) {
        fillRect(c, {0, i * 30.0, 360, i * 30.0 + 15});
    }
    saveState(c);
    setGraphicsState(c, kAlpha50);
    ops(c, "/Fm1 Do");
    restoreState(c);
    page.images.emplace_back("Fm1", group);
    return page;
}

// Drawn upright on its media; shown turned a quarter clockwise.
PageSpec rotatedPage() {
    PageSpec page = cardPage();
    page.rotate = 90;
    Content& c = page.content;
    setFill(c, kTeal);
    fillPolygon(c,
                {{150, 30}, {210, 30}, {210, 150}, {250, 150}, {180, 230}, {110, 150}, {150, 150}});
    setFill(c, kCoral);
    fillRect(c, {0, 230, 40, 270});
    setFill(c, kInk);
    drawText(c, kSansBold, 30, {250, 40}, "TOP");
    return page;
}

// Pink wherever the crop box hides the media; shapes cross the crop edges.
PageSpec croppedPage() {
    PageSpec page;
    page.media = {0, 0, 480, 360};
    page.crop = Rect{60, 45, 420, 315};
    Content& c = page.content;
    setFill(c, kPink);
    fillRect(c, page.media);
    setFill(c, kWhite);
    fillRect(c, *page.crop);
    setFill(c, kInk);
    drawText(c, kSansBold, 36, {80, 250}, "Cropped");
    setFill(c, kBlue);
    fillCircle(c, {420, 180}, 50);
    setFill(c, kGold);
    fillRect(c, {120, 20, 260, 110});
    return page;
}

PageSpec longPathPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    c.ops.reserve(4u << 20);
    setStroke(c, kBlue, 0.3);
    appendOp(c, {20, 20}, "m");
    for (int i = 1; i <= 300000; ++i) {
        const int row = i / 640;
        appendOp(c, {20 + (i % 640) * 0.5, 20 + row * 0.48 + (i % 2) * 3}, "l");
    }
    ops(c, "S");
    return page;
}

PageSpec degenerateTransformsPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    setFill(c, kInk);
    drawText(c, kSans, 20, {20, 230}, "Degenerate transforms");
    setFill(c, kCoral);
    ops(c, "q 0 0 0 0 180 135 cm 0 0 100 100 re f Q");
    ops(c, "q 1 0 0 0 40 100 cm 0 0 100 100 re f Q");
    ops(c, "BT /F1 30 Tf 0 0 0 0 50 50 Tm (Flat) Tj ET");
    ops(c, "BT /F1 0 Tf 50 150 Td (Zero size) Tj ET");
    ops(c, "BT /F1 30 Tf 0 Tz 50 100 Td (No width) Tj ET");
    return page;
}

PageSpec hugeTransformsPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    setFill(c, kTeal);
    ops(c,
        "q 1000000 0 0 1000000 0 0 cm 0.00002 0.00002 m 0.00032 0.00002 l 0.00017 0.00025 l h f Q");
    setFill(c, kCoral);
    ops(c, "BT /F1 0.00004 Tf 1000000 0 0 1000000 200 60 Tm (Big) Tj ET");
    return page;
}

PageSpec farCoordinatesPage() {
    PageSpec page = cardPage();
    Content& c = page.content;
    setFill(c, kPale);
    ops(c, "-1000000000 -1000000000 m 1000000000 -1000000000 l 180 1000000000 l h f");
    setFill(c, kCoral);
    ops(c, "1000000000 1000000000 m 1000000100 1000000000 l 1000000050 1000000100 l h f");
    setStroke(c, kInk, 4);
    ops(c, "0 0 m 1000000000 1000000000 l S");
    ops(c, "-1000000000 135 m 1000000000 135.5 l S");
    return page;
}

PageSpec garbageFontPage(Pieces& p) {
    std::mt19937 rng(77);
    std::string garbage;
    for (int i = 0; i < 3000; ++i) {
        garbage += char(rng() & 0xFF);
    }
    const PdfObjPtr program = addStream(p.pdf, "<<>>", garbage);
    const PdfObjPtr descriptor =
        addObject(p.pdf,
                  "<</Type/FontDescriptor/FontName/Garbage/Flags 32/FontBBox[0 -200 1000 800]"
                  "/ItalicAngle 0/Ascent 800/Descent -200/CapHeight 700/StemV 80/FontFile2 " +
                      reference(p.pdf, program) + ">>");
    pdf_obj* font =
        keep(p, addObject(p.pdf,
                          "<</Type/Font/Subtype/TrueType/BaseFont/Garbage/FirstChar 32"
                          "/LastChar 32/Widths[500]/Encoding/WinAnsiEncoding/FontDescriptor " +
                              reference(p.pdf, descriptor) + ">>"));
    PageSpec page = cardPage();
    page.resources.push_back({"Font", "G1", font});
    setFill(page.content, kInk);
    drawText(page.content, "G1", 36, {20, 120}, "Garbage font");
    return page;
}

PageSpec emptyGlyphPage(pdf_obj* type3) {
    PageSpec page = cardPage();
    page.resources.push_back({"Font", "T3", type3});
    setFill(page.content, kBlue);
    text(page.content, "T3", 60, {20, 170}, "(      )");
    text(page.content, "T3", 60, {20, 60}, "(A  A)");
    return page;
}

// A page with one thing changed in its content, to prove that a comparison notices that change.
PageSpec withDefect(PageSpec page, std::string_view from, std::string_view to) {
    const size_t at = page.content.ops.find(from);
    if (at == std::string::npos) {
        throw std::logic_error("no " + std::string(from) + " to change");
    }
    page.content.ops.replace(at, from.size(), to);
    return page;
}

}  // namespace

void writeVector(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Vector features");
    Pieces p{pdf, {}, {}};
    pdf_obj* type3 = keep(p, addType3Font(pdf));
    const std::vector<PageSpec> pages = {
        standardFontPage(),    trueTypePage(p),   cffPage(p),       type3Page(type3),
        transformedTextPage(), renderModesPage(), strokesPage(),    fillRulesPage(),
        nestedClipsPage(),     softMaskPage(p),   imageMaskPage(p), jpegPage(p),
        losslessPage(p),       shadingPage(p),    patternPage(p),   blendPage(p),
        groupPage(p),          rotatedPage(),     croppedPage()};
    if (pages.size() != kVectorPages.size()) {
        throw std::logic_error("vector.pdf's page list and kVectorPages differ");
    }
    for (const PageSpec& page : pages) {
        addPage(pdf, page);
    }
    savePdf(pdf, dir / "vector.pdf");
}

void writeVectorHostile(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Hostile vector content");
    Pieces p{pdf, {}, {}};
    pdf_obj* type3 = keep(p, addType3Font(pdf));
    const std::vector<PageSpec> pages = {longPathPage(),       degenerateTransformsPage(),
                                         hugeTransformsPage(), farCoordinatesPage(),
                                         garbageFontPage(p),   emptyGlyphPage(type3)};
    for (const PageSpec& page : pages) {
        addPage(pdf, page);
    }
    savePdf(pdf, dir / "vector-hostile.pdf");
}

void writeVectorControls(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Vector features, each with a defect");
    Pieces p{pdf, {}, {}};
    // Times-Roman's "o" is 500 units wide: a kern of 500 leaves the glyphs after it in place.
    const std::vector<PageSpec> pages = {
        withDefect(standardFontPage(), "(Hamburgefonts) Tj", "[(Hamburgef) -500 (nts)] TJ"),
        withDefect(renderModesPage(), "7 Tr", "3 Tr"), withDefect(fillRulesPage(), "f*", "f"),
        withDefect(nestedClipsPage(), "W* n", "n"), withDefect(blendPage(p), "/GBM gs", "")};
    for (const PageSpec& page : pages) {
        addPage(pdf, page);
    }
    savePdf(pdf, dir / "vector-controls.pdf");
}

}  // namespace pdfgen
