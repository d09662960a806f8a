// gradients.pdf: axial and radial shadings, one case a page: colour functions of several
// pieces, ends that extend or stop, transformed and pattern-filled shadings, a focal point, a
// shading drawn through transparency, and two circles apart (a cone) that a converter may
// only draw as pixels.
#include <stdexcept>

#include "documents.h"
#include "pdf_builder.h"

namespace pdfgen {
namespace {

constexpr Rect kCard{0, 0, 360, 270};
const Rgb kInk = rgbFromHex(0x1A1A1A);
const Rgb kPale = rgbFromHex(0xDDE2E5);

void ops(Content& c, std::string_view text) {
    c.ops += text;
    c.ops += '\n';
}

// Keeps the objects pages name alive until the document is saved.
struct Pieces {
    PdfDoc& pdf;
    std::vector<PdfObjPtr> objects;
};

pdf_obj* keep(Pieces& p, PdfObjPtr obj) {
    p.objects.push_back(std::move(obj));
    return p.objects.back().get();
}

std::string exponential(const std::string& from, const std::string& to, double n) {
    return "<</FunctionType 2/Domain[0 1]/C0[" + from + "]/C1[" + to + "]/N " + formatNumber(n) +
           ">>";
}

// Straight pieces between the colours at the bounds, so a fit needs a stop at each bound.
std::string stitched(const std::vector<std::string>& colours, const std::string& bounds) {
    std::string functions;
    std::string encode;
    for (size_t i = 0; i + 1 < colours.size(); ++i) {
        functions += exponential(colours[i], colours[i + 1], 1);
        encode += "0 1 ";
    }
    return "<</FunctionType 3/Domain[0 1]/Functions[" + functions + "]/Bounds[" + bounds +
           "]/Encode[" + encode + "]>>";
}

std::string shading(int type, const std::string& space, const std::string& coords,
                    const std::string& function, const std::string& extend) {
    return "<</ShadingType " + std::to_string(type) + "/ColorSpace/" + space + "/Coords[" + coords +
           "]/Function" + function + "/Extend[" + extend + "]>>";
}

PageSpec shadingPage(Pieces& p, const std::string& shadingSyntax, const std::string& drawing,
                     bool paleBackground) {
    PageSpec page;
    page.media = kCard;
    page.resources.push_back({"Shading", "Sh1", keep(p, addObject(p.pdf, shadingSyntax))});
    if (paleBackground) {
        setFill(page.content, kPale);
        fillRect(page.content, kCard);
    }
    ops(page.content, drawing);
    // A hard edge across the page, for sharpness to measure beside the gradient.
    setStroke(page.content, kInk, 1.5);
    strokeRect(page.content, {12, 12, 348, 258});
    return page;
}

// Five colours in four pieces, extended both ways, over a slanted axis, clipped to a band.
PageSpec axialStopsPage(Pieces& p) {
    const std::string f = stitched(
        {"0.1 0.2 0.7", "0.2 0.7 0.9", "1 1 1", "0.95 0.6 0.1", "0.6 0.1 0.2"}, "0.2 0.45 0.8");
    return shadingPage(p, shading(2, "DeviceRGB", "60 40 300 230", f, "true true"),
                       "q 20 40 320 190 re W n /Sh1 sh Q", false);
}

// No extends, on a rotated and squeezed axis: the pale page shows beyond both ends.
PageSpec axialRotatedPage(Pieces& p) {
    const std::string f = exponential("0.95 0.85 0.2", "0.15 0.3 0.75", 2.4);
    return shadingPage(p, shading(2, "DeviceRGB", "-90 0 90 0", f, "false false"),
                       "q 0.9 0.45 -0.35 0.7 180 135 cm /Sh1 sh Q", true);
}

// Concentric circles, the inner one not extended: the pale page shows inside it.
PageSpec radialConcentricPage(Pieces& p) {
    const std::string f = stitched({"1 0.95 0.6", "0.9 0.3 0.2", "0.3 0.1 0.4"}, "0.5");
    return shadingPage(p, shading(3, "DeviceRGB", "180 135 25 180 135 115", f, "false true"),
                       "q 30 20 300 230 re W n /Sh1 sh Q", true);
}

// A point inside a circle, drawn on a stretched space: a focal gradient on an ellipse.
PageSpec radialFocalPage(Pieces& p) {
    const std::string f = exponential("1 1 1", "0.1 0.35 0.6", 1);
    return shadingPage(p, shading(3, "DeviceRGB", "-40 25 0 0 0 100", f, "true true"),
                       "q 1.5 0 0.2 1.1 180 135 cm /Sh1 sh Q", false);
}

// A small circle inside a large one, off its centre, neither extended, in gray.
PageSpec radialNestedPage(Pieces& p) {
    const std::string f = exponential("0.95", "0.2", 0.6);
    return shadingPage(p, shading(3, "DeviceGray", "200 150 30 170 130 115", f, "false false"),
                       "/Sh1 sh", true);
}

// Shading patterns with their own matrices fill a circle and a rectangle; the radial one
// shrinks from its first circle to its second, in CMYK.
PageSpec patternsPage(Pieces& p) {
    const std::string axial =
        shading(2, "DeviceRGB", "0 -80 0 80",
                stitched({"0.2 0.6 0.3", "0.95 0.9 0.3", "0.2 0.4 0.8"}, "0.4"), "true true");
    const std::string radial = shading(3, "DeviceCMYK", "0 0 90 10 -5 10",
                                       exponential("0 0.1 0.2 0", "0.8 0.2 0 0.1", 1), "true true");
    PageSpec page;
    page.media = kCard;
    page.resources = {
        {"Pattern", "P1",
         keep(p, addObject(p.pdf,
                           "<</Type/Pattern/PatternType 2/Matrix[0.8 0.6 -0.6 0.8 95 135]"
                           "/Shading" +
                               axial + ">>"))},
        {"Pattern", "P2",
         keep(p, addObject(p.pdf,
                           "<</Type/Pattern/PatternType 2/Matrix[1 0 0 1.2 270 135]"
                           "/Shading" +
                               radial + ">>"))}};
    Content& c = page.content;
    ops(c, "/Pattern cs /P1 scn");
    fillCircle(c, {95, 135}, 85);
    ops(c, "/Pattern cs /P2 scn 195 30 150 210 re f");
    return page;
}

// At half opacity over dark bars, which must show through.
PageSpec alphaPage(Pieces& p) {
    const std::string f = exponential("0.9 0.2 0.3", "0.2 0.5 0.95", 1);
    PageSpec page =
        shadingPage(p, shading(2, "DeviceRGB", "30 0 330 0", f, "true true"), "", false);
    Content bars;
    setFill(bars, kInk);
    for (int i = 0; i < 9; ++i) {
        fillRect(bars, {0, i * 30.0, 360, i * 30.0 + 15});
    }
    ops(bars, "q /" + std::string(kAlpha50) + " gs 20 20 320 230 re W n /Sh1 sh Q");
    page.content.ops = bars.ops + page.content.ops;
    return page;
}

// Two circles side by side: the colours sweep a cone, which SWF's gradients cannot draw.
PageSpec radialConePage(Pieces& p) {
    const std::string f = exponential("0.95 0.8 0.3", "0.2 0.2 0.6", 1);
    return shadingPage(p, shading(3, "DeviceRGB", "90 135 20 250 135 60", f, "true true"),
                       "q 20 20 320 230 re W n /Sh1 sh Q", false);
}

}  // namespace

void writeGradients(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Gradients");
    Pieces p{pdf, {}};
    const std::vector<PageSpec> pages = {
        axialStopsPage(p),  axialRotatedPage(p), radialConcentricPage(p),
        radialFocalPage(p), radialNestedPage(p), patternsPage(p),
        alphaPage(p),       radialConePage(p)};
    if (pages.size() != kGradientPages.size()) {
        throw std::logic_error("gradients.pdf's page list and kGradientPages differ");
    }
    for (const PageSpec& page : pages) {
        addPage(pdf, page);
    }
    savePdf(pdf, dir / "gradients.pdf");
}

}  // namespace pdfgen
