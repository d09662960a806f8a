// Link placement on the stage, checked on its own and through MuPDF on one-page PDFs with
// rotated pages and offset crop boxes, against rectangles worked out by hand from PDF space.
#include "link_geometry.h"

#include "pdf/pdf_pages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace pageconv {
namespace {

void expectBox(const std::optional<Box>& actual, const Box& expected, const std::string& what) {
    ASSERT_TRUE(actual.has_value()) << what;
    EXPECT_NEAR(actual->x0, expected.x0, 0.01) << what;
    EXPECT_NEAR(actual->y0, expected.y0, 0.01) << what;
    EXPECT_NEAR(actual->x1, expected.x1, 0.01) << what;
    EXPECT_NEAR(actual->y1, expected.y1, 0.01) << what;
}

TEST(LinkOnStage, ScalesClipsAndNormalises) {
    struct Case {
        const char* what;
        Box link, bounds;
        double scale;
        std::optional<Box> expected;
    };
    const Box a4{0, 0, 595, 842};
    const Case cases[] = {
        {"plain", {72, 102, 272, 142}, a4, 1.0, Box{72, 102, 272, 142}},
        {"zoom 150", {72, 102, 272, 142}, a4, 150 / 72.0, Box{150, 212.5, 566.67, 295.83}},
        {"bounds off the origin",
         {60, 110, 70, 120},
         {50, 100, 550, 700},
         2.0,
         Box{20, 20, 40, 40}},
        {"swapped corners", {272, 142, 72, 102}, a4, 1.0, Box{72, 102, 272, 142}},
        {"clipped to the page", {-10, 830, 20, 900}, a4, 1.0, Box{0, 830, 20, 842}},
        {"wholly off the page", {600, 10, 700, 20}, a4, 1.0, std::nullopt},
        {"no area", {10, 10, 10, 50}, a4, 1.0, std::nullopt},
        {"touching the edge only", {595, 10, 600, 20}, a4, 1.0, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto actual = linkOnStage(c.link, c.bounds, c.scale);
        if (c.expected) {
            expectBox(actual, *c.expected, c.what);
        } else {
            EXPECT_FALSE(actual.has_value()) << c.what;
        }
    }
}

TEST(LinkKinds, OnlyBrowserSchemesAndPagesAreKept) {
    struct Case {
        const char* uri;
        LinkKind kind;
    };
    for (const Case c :
         {Case{"https://example.com/", LinkKind::WebAddress},
          Case{"HTTP://x", LinkKind::WebAddress}, Case{"mailto:a@b.c", LinkKind::WebAddress},
          Case{"ftp://x/y", LinkKind::WebAddress},
          Case{"#page=5&zoom=100,0,0", LinkKind::PageInDocument},
          Case{"file:///etc/passwd", LinkKind::Ignored},
          Case{"other.pdf#page=2", LinkKind::Ignored},
          Case{"javascript:alert(1)", LinkKind::Ignored},
          Case{" javascript:alert(1)", LinkKind::Ignored},
          Case{"data:text/html,x", LinkKind::Ignored}, Case{"www.example.com", LinkKind::Ignored},
          Case{"", LinkKind::Ignored}}) {
        EXPECT_EQ(classifyLinkUri(c.uri), c.kind) << c.uri;
    }
}

struct OnePage {
    Box mediaBox;  // PDF space, bottom-left origin
    std::optional<Box> cropBox;
    int rotate = 0;
    Box linkRect;
};

// A minimal hand-written PDF: one page with one URI link.
std::string onePagePdf(const OnePage& page) {
    auto boxText = [](const Box& b) {
        std::ostringstream text;
        text << "[" << b.x0 << " " << b.y0 << " " << b.x1 << " " << b.y1 << "]";
        return text.str();
    };
    std::ostringstream pageDict;
    pageDict << "<< /Type /Page /Parent 2 0 R /MediaBox " << boxText(page.mediaBox);
    if (page.cropBox) {
        pageDict << " /CropBox " << boxText(*page.cropBox);
    }
    pageDict << " /Rotate " << page.rotate << " /Annots [4 0 R] >>";
    const std::string objects[] = {"<< /Type /Catalog /Pages 2 0 R >>",
                                   "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", pageDict.str(),
                                   "<< /Type /Annot /Subtype /Link /Rect " +
                                       boxText(page.linkRect) +
                                       " /A << /S /URI /URI (https://example.com/) >> >>"};
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < std::size(objects); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 5\n0000000000 65535 f \n";
    for (const size_t offset : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    return pdf + "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) +
           "\n%%EOF\n";
}

TEST(LinkGeometryThroughMuPdf, RotationAndCropOffset) {
    struct Case {
        const char* what;
        OnePage page;
        double pageWidth, pageHeight;  // as displayed
        Box expected;                  // displayed, top-left origin, zoom 72
    };
    const Box a4{0, 0, 595, 842};
    const Box link{72, 700, 272, 740};
    const Case cases[] = {
        {"upright", {a4, {}, 0, link}, 595, 842, Box{72, 102, 272, 142}},
        // Turned clockwise: PDF y runs left to right, PDF x top to bottom.
        {"rotate 90", {a4, {}, 90, link}, 842, 595, Box{700, 72, 740, 272}},
        {"rotate 180", {a4, {}, 180, link}, 595, 842, Box{323, 700, 523, 740}},
        // Turned anticlockwise: PDF y runs right to left, PDF x bottom to top.
        {"rotate 270", {a4, {}, 270, link}, 842, 595, Box{102, 323, 142, 523}},
        {"crop offset",
         {{0, 0, 612, 792}, Box{50, 100, 550, 700}, 0, {100, 200, 300, 240}},
         500,
         600,
         Box{50, 460, 250, 500}},
        {"crop offset and rotate 90",
         {{0, 0, 612, 792}, Box{50, 100, 550, 700}, 90, {100, 200, 300, 240}},
         600,
         500,
         Box{100, 50, 140, 250}},
        {"media box off the origin",
         {{100, 100, 695, 942}, {}, 0, {172, 800, 372, 840}},
         595,
         842,
         Box{72, 102, 272, 142}},
    };
    const auto folder = std::filesystem::temp_directory_path() /
                        ("pageconv_link_geometry_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (const Case& c : cases) {
        const std::string path = (folder / "page.pdf").string();
        std::ofstream(path, std::ios::binary) << onePagePdf(c.page);
        std::string error;
        const auto session = openPdf(path, 16u << 20, error);
        ASSERT_TRUE(session) << error;
        const PagePtr page = loadPage(*session, 1, error);
        ASSERT_TRUE(page) << error;
        Box bounds;
        ASSERT_TRUE(pageBounds(*session, page.get(), bounds, error)) << error;
        EXPECT_NEAR(bounds.x1 - bounds.x0, c.pageWidth, 0.01) << c.what;
        EXPECT_NEAR(bounds.y1 - bounds.y0, c.pageHeight, 0.01) << c.what;
        std::vector<RawLink> links;
        ASSERT_TRUE(pageLinks(*session, page.get(), links, error)) << error;
        ASSERT_EQ(links.size(), 1u) << c.what;
        expectBox(linkOnStage(links[0].rect, bounds, 1.0), c.expected, c.what);
        // At twice the zoom everything doubles.
        const Box doubled{c.expected.x0 * 2, c.expected.y0 * 2, c.expected.x1 * 2,
                          c.expected.y1 * 2};
        expectBox(linkOnStage(links[0].rect, bounds, 2.0), doubled, c.what);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace pageconv
