// The converter's vector pages, black box: which parts of each feature page of vector.pdf and
// gradients.pdf become fonts, shapes, gradients, clip layers or bitmaps; which photo pages become
// bitmap pages; what -S, -f, -G, -s poly2bitmap and old -T versions change; the book's font
// library that -L makes the pages share; and that hostile content still gives a well-formed page
// file.
#include "run_program.h"
#include "swf_reader.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <map>
#include <optional>

namespace {

namespace fs = std::filesystem;

const std::string kConverter = PAGECONV_BINARY;
const std::string kPdfs = PAGECONV_TEST_PDFS;

constexpr int kDefineShape = 2;
constexpr int kJpeg2 = 21;
constexpr int kPlaceObject2 = 26;
constexpr int kText2 = 33;
constexpr int kJpeg3 = 35;
constexpr int kLossless2 = 36;
constexpr int kFont3 = 75;
constexpr int kShape4 = 83;

// What a page file holds, counted by kind.
struct Census {
    size_t fonts = 0;
    size_t texts = 0;
    size_t shapes = 0;  // DefineShape4: vector drawing
    size_t bitmaps = 0;
    size_t losslessBitmaps = 0;
    size_t clipLayers = 0;
    size_t glyphs = 0;        // over all fonts
    size_t gradients = 0;     // gradient fill styles
    bool bitmapPage = false;  // a plain DefineShape fill of the page bitmap, as -s bitmap writes
};

Census censusOf(const swftest::Movie& movie) {
    Census c;
    c.fonts = swftest::tagsWithCode(movie, kFont3).size();
    c.texts = swftest::tagsWithCode(movie, kText2).size();
    c.shapes = swftest::tagsWithCode(movie, kShape4).size();
    c.losslessBitmaps = swftest::tagsWithCode(movie, kLossless2).size();
    c.bitmaps = swftest::tagsWithCode(movie, kJpeg2).size() +
                swftest::tagsWithCode(movie, kJpeg3).size() + c.losslessBitmaps;
    for (const swftest::Tag* tag : swftest::tagsWithCode(movie, kPlaceObject2)) {
        c.clipLayers += swftest::readPlaceObject2(*tag).clipDepth > 0 ? 1 : 0;
    }
    for (const swftest::Tag* tag : swftest::tagsWithCode(movie, kFont3)) {
        c.glyphs += swftest::readFont3(*tag).glyphs.size();
    }
    for (const swftest::Tag* tag : swftest::tagsWithCode(movie, kShape4)) {
        for (const swftest::FillStyle& fill : swftest::readShape4(*tag).fills) {
            c.gradients += fill.type >= 0x10 && fill.type <= 0x13 ? 1 : 0;
        }
    }
    for (const swftest::Tag* tag : swftest::tagsWithCode(movie, kDefineShape)) {
        c.bitmapPage = c.bitmapPage || swftest::readShape(*tag).fillType == 0x41;
    }
    return c;
}

class VectorRun : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("pageconv_vector_" + std::to_string(getpid()) + "_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Converts one page and reads it back.
    swftest::Movie convertPage(const std::string& pdf, int page,
                               std::vector<std::string> switches = {},
                               const std::vector<std::string>& environment = {}) const {
        switches.insert(switches.end(), {"-p", std::to_string(page), kPdfs + "/" + pdf,
                                         (folder / "page%.swf").string()});
        const auto run = swftest::runProgram(kConverter, switches, environment);
        EXPECT_EQ(run.status, 0) << pdf << " page " << page << ": " << run.err;
        const auto file = folder / ("page" + std::to_string(page) + ".swf");
        swftest::Movie movie = swftest::readMovieFile(file.string());
        fs::remove(file);
        return movie;
    }

    fs::path folder;
};

// Per page of vector.pdf: what must be vectors and what SWF cannot draw the same.
TEST_F(VectorRun, FeaturePagesBecomeTheRightKindOfDefinition) {
    struct Case {
        int page;
        const char* feature;
        size_t minFonts;
        size_t minShapes;
        size_t minClipLayers;
        size_t minBitmaps;
        size_t maxBitmaps;
    };
    const Case cases[] = {
        {1, "standard fonts", 3, 0, 0, 0, 0},
        {2, "TrueType font", 1, 0, 0, 0, 0},
        {3, "CFF font", 1, 0, 0, 0, 0},
        {4, "Type 3 glyphs as shapes", 0, 4, 0, 0, 0},
        {5, "rotated, scaled and skewed text", 1, 0, 0, 0, 0},
        {6, "render modes: strokes and glyph clips", 1, 3, 1, 0, 0},
        {7, "dashed strokes", 0, 5, 0, 0, 0},
        // The self-overlapping nonzero fills differ from even-odd: a renderer that fills
        // even-odd only would get them wrong, so they are drawn by the raster.
        {8, "fill rules", 0, 2, 0, 1, 2},
        // The outer nonzero circle clips as vectors; the even-odd star inside is raster.
        {9, "nested clips", 0, 1, 1, 1, 1},
        {10, "soft mask", 0, 0, 0, 1, 2},
        {11, "image masks", 0, 0, 0, 2, 2},
        {12, "JPEG image", 0, 0, 0, 1, 1},
        {13, "lossless image", 0, 0, 0, 1, 1},
        {14, "shadings as gradients", 0, 2, 2, 0, 0},
        {15, "shading patterns as gradients", 0, 2, 2, 0, 0},
        {16, "blend mode", 0, 1, 0, 1, 2},
        {17, "group with alpha", 0, 1, 0, 1, 2},
        {18, "rotated page", 1, 1, 0, 0, 0},
        {19, "cropped page", 1, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const Census got = censusOf(convertPage("vector.pdf", c.page));
        EXPECT_FALSE(got.bitmapPage) << c.feature;
        EXPECT_GE(got.fonts, c.minFonts) << c.feature;
        EXPECT_GE(got.texts, c.minFonts) << c.feature;
        EXPECT_GE(got.shapes, c.minShapes) << c.feature;
        EXPECT_GE(got.clipLayers, c.minClipLayers) << c.feature;
        EXPECT_GE(got.bitmaps, c.minBitmaps) << c.feature;
        EXPECT_LE(got.bitmaps, c.maxBitmaps) << c.feature;
    }
}

// Axial and radial shadings SWF can draw are gradients; the cone of two circles apart is raster,
// and so is every shading when the raster is asked for (to measure what gradients save).
TEST_F(VectorRun, ShadingsBecomeGradientsWhereSwfDrawsThemTheSame) {
    struct Case {
        int page;
        const char* shading;
        size_t gradients;
        size_t bitmaps;
    };
    const Case cases[] = {
        {1, "axial, four pieces, clipped", 1, 0},
        {2, "axial, no extends, rotated", 1, 0},
        {3, "radial, concentric, a ring", 1, 0},
        {4, "radial from a point off the centre, skewed", 1, 0},
        {5, "radial, nested circles, no extends", 1, 0},
        {6, "shading patterns with matrices", 2, 0},
        {7, "axial at half opacity", 1, 0},
        {8, "radial cone", 0, 1},
    };
    for (const Case& c : cases) {
        const Census got = censusOf(convertPage("gradients.pdf", c.page));
        EXPECT_FALSE(got.bitmapPage) << c.shading;
        EXPECT_EQ(got.gradients, c.gradients) << c.shading;
        EXPECT_EQ(got.bitmaps, c.bitmaps) << c.shading;
    }
    const Census raster =
        censusOf(convertPage("gradients.pdf", 1, {}, {"QUAVELIN_PAGECONV_RASTER_SHADINGS=1"}));
    EXPECT_EQ(raster.gradients, 0u);
    EXPECT_EQ(raster.bitmaps, 1u);
}

TEST_F(VectorRun, SwitchesShapeTheVectors) {
    const Census plain = censusOf(convertPage("vector.pdf", 1));
    ASSERT_GT(plain.fonts, 0u);

    const Census shapes = censusOf(convertPage("vector.pdf", 1, {"-S"}));
    EXPECT_EQ(shapes.fonts, 0u);
    EXPECT_EQ(shapes.texts, 0u);
    EXPECT_GE(shapes.shapes, 3u);

    const Census full = censusOf(convertPage("vector.pdf", 1, {"-f"}));
    EXPECT_EQ(full.fonts, plain.fonts);
    EXPECT_GT(full.glyphs, 3 * plain.glyphs);  // whole fonts, not the dozen letters used

    const Census text = censusOf(convertPage("vector.pdf", 16, {"-s", "poly2bitmap"}));
    EXPECT_TRUE(text.bitmapPage);
    EXPECT_EQ(text.shapes, 0u);

    const Census over = censusOf(convertPage("vector.pdf", 1, {"-s", "poly2bitmap"}));
    EXPECT_TRUE(over.bitmapPage);
    EXPECT_EQ(over.fonts, plain.fonts);  // the text stays sharp over the bitmap

    for (const char* version : {"6", "7"}) {
        const swftest::Movie old = convertPage("vector.pdf", 1, {"-T", version});
        EXPECT_EQ(old.version, std::stoi(version));
        EXPECT_TRUE(censusOf(old).bitmapPage) << "version " << version;
        EXPECT_EQ(censusOf(old).fonts, 0u) << "version " << version;
    }
    EXPECT_FALSE(censusOf(convertPage("vector.pdf", 1, {"-T", "8"})).bitmapPage);
}

// Which pages the default mode draws only as a bitmap, known from what the page draws before it
// is drawn: photographs over most of the page, at the page bitmap's resolution, with a caption
// or a title at most. Text beside a photograph, a photograph on half the page under a title and
// text, and scans of few pixels stretched over the page stay vectors; -f and -S keep vectors.
TEST_F(VectorRun, PhotoPagesBecomeBitmapPages) {
    struct Case {
        const char* pdf;
        int page;
        std::vector<std::string> switches;
        std::vector<std::string> environment;
        bool bitmapPage;
    };
    const std::vector<std::string> none;
    const std::vector<std::string> drawBoth{"QUAVELIN_PAGECONV_DRAW_BOTH=1"};
    const Case cases[] = {
        {"images20.pdf", 1, none, none, true},    // one photograph, nothing else
        {"photobook.pdf", 1, none, none, true},   // title over a full-bleed photograph
        {"photobook.pdf", 2, none, none, false},  // foreword: text alone
        {"photobook.pdf", 4, none, none, true},   // caption on a band over the photograph
        {"photobook.pdf", 5, none, none, true},   // framed, two lines of caption
        {"photobook.pdf", 7, none, none, true},   // a grid of four
        {"photobook.pdf", 8, none, none, false},  // text beside a photograph
        {"sample.pdf", 1, none, none, false},     // the cover: photograph, title and text
        {"tagged.pdf", 2, none, none, false},     // a small scan over the whole page
        {"index.pdf", 7, none, none, false},      // the same with an invisible text layer
        {"photobook.pdf", 1, {"-f"}, none, false},
        {"photobook.pdf", 1, {"-S"}, none, false},
        // Drawn both ways, as before the page's measure: its vectors are smaller than the bitmap.
        {"photobook.pdf", 1, none, drawBoth, false},
    };
    for (const Case& c : cases) {
        const Census got = censusOf(convertPage(c.pdf, c.page, c.switches, c.environment));
        EXPECT_EQ(got.bitmapPage, c.bitmapPage) << c.pdf << " page " << c.page;
    }
    // Found to be photographs after it was recorded, the page is drawn as -s bitmap draws it.
    const swftest::Movie photo = convertPage("photobook.pdf", 7);
    const swftest::Movie bitmap = convertPage("photobook.pdf", 7, {"-s", "bitmap"});
    ASSERT_EQ(photo.tags.size(), bitmap.tags.size());
    for (size_t i = 0; i < photo.tags.size(); ++i) {
        EXPECT_EQ(photo.tags[i].body, bitmap.tags[i].body) << "tag " << i;
    }
}

// -G removes only clip layers that change nothing (their removal is unit-tested); the clips of
// the feature pages all cut something away and stay.
TEST_F(VectorRun, FlatteningKeepsClipLayersThatClip) {
    for (const int page : {6, 9}) {
        EXPECT_EQ(censusOf(convertPage("vector.pdf", page, {"-G"})).clipLayers,
                  censusOf(convertPage("vector.pdf", page)).clipLayers)
            << "page " << page;
    }
}

// Hostile content never crashes or hangs the converter and never breaks a file: each page
// converts, and what cannot be vectors is drawn by the raster.
TEST_F(VectorRun, HostilePagesStillConvert) {
    for (int page = 1; page <= 6; ++page) {
        const swftest::Movie movie = convertPage("vector-hostile.pdf", page);
        EXPECT_EQ(movie.declaredLength, movie.actualLength) << "page " << page;
    }
    const Census longPath = censusOf(convertPage("vector-hostile.pdf", 1));
    EXPECT_GE(longPath.bitmaps + (longPath.bitmapPage ? 1 : 0), 1u);
}

constexpr int kExportAssets = 56;
constexpr int kImportAssets2 = 71;
const std::string kLibraryAddress = "data/fonts.swf";

// A run of several pages with -L: the page files by number and the library, if one was written.
struct LibraryRun {
    std::map<int, swftest::Movie> pages;
    size_t pageBytes = 0;
    std::optional<swftest::Movie> library;
    size_t libraryBytes = 0;
};

LibraryRun convertWithLibrary(const fs::path& folder, const std::string& pdf,
                              const std::string& pages, std::vector<std::string> switches) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    switches.insert(switches.end(), {"-p", pages, kPdfs + "/" + pdf, (folder / "p%.swf").string()});
    const auto run = swftest::runProgram(kConverter, switches);
    EXPECT_EQ(run.status, 0) << pdf << ": " << run.err;
    LibraryRun result;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const size_t bytes = fs::file_size(entry.path());
        if (name == "fonts.swf") {
            result.library = swftest::readMovieFile(entry.path().string());
            result.libraryBytes = bytes;
        } else if (name.starts_with("p") && name.ends_with(".swf")) {
            result.pages[std::stoi(name.substr(1))] = swftest::readMovieFile(entry.path().string());
            result.pageBytes += bytes;
        }
    }
    return result;
}

// The library's fonts by export name.
std::map<std::string, swftest::Font3> libraryFonts(const swftest::Movie& library) {
    std::map<int, swftest::Font3> byId;
    for (const swftest::Tag* tag : swftest::tagsWithCode(library, kFont3)) {
        const swftest::Font3 font = swftest::readFont3(*tag);
        byId[font.id] = font;
    }
    std::map<std::string, swftest::Font3> byName;
    const auto exports = swftest::tagsWithCode(library, kExportAssets);
    EXPECT_EQ(exports.size(), 1u);
    for (const auto& [id, name] : swftest::readExportAssets(*exports.at(0)).assets) {
        EXPECT_TRUE(byId.count(id)) << name;
        byName[name] = byId[id];
    }
    EXPECT_EQ(byName.size(), byId.size());
    return byName;
}

// Every glyph a page's texts draw from an imported font is one with ink in the library (the
// text PDFs draw no spaces as glyphs), so a wrong glyph number shows here.
void expectImportsResolve(const swftest::Movie& page,
                          const std::map<std::string, swftest::Font3>& fonts) {
    EXPECT_TRUE(swftest::tagsWithCode(page, kFont3).empty());
    const auto imports = swftest::tagsWithCode(page, kImportAssets2);
    ASSERT_EQ(imports.size(), 1u);
    const swftest::AssetList list = swftest::readImportAssets2(*imports[0]);
    EXPECT_EQ(list.url, kLibraryAddress);
    std::map<int, const swftest::Font3*> imported;
    for (const auto& [id, name] : list.assets) {
        ASSERT_TRUE(fonts.count(name)) << name;
        imported[id] = &fonts.at(name);
    }
    for (const swftest::Tag* tag : swftest::tagsWithCode(page, kText2)) {
        const swftest::Text2 text = swftest::readText2(*tag);
        ASSERT_TRUE(imported.count(text.fontId));
        for (const swftest::TextGlyph& glyph : text.glyphs) {
            ASSERT_LT(static_cast<size_t>(glyph.index), imported[text.fontId]->glyphs.size());
            EXPECT_FALSE(imported[text.fontId]->glyphs[glyph.index].empty()) << glyph.index;
        }
    }
}

TEST_F(VectorRun, PagesImportTheBookFontsFromOneLibrary) {
    const LibraryRun shared =
        convertWithLibrary(folder, "text200.pdf", "1-6", {"-L", kLibraryAddress});
    ASSERT_TRUE(shared.library);
    ASSERT_EQ(shared.pages.size(), 6u);
    const auto fonts = libraryFonts(*shared.library);
    ASSERT_FALSE(fonts.empty());
    for (const auto& [number, page] : shared.pages) {
        SCOPED_TRACE("page " + std::to_string(number));
        expectImportsResolve(page, fonts);
    }
    // The point of it: the glyphs travel once instead of on every page.
    const LibraryRun own = convertWithLibrary(folder, "text200.pdf", "1-6", {});
    EXPECT_FALSE(own.library);
    EXPECT_LT(shared.pageBytes + shared.libraryBytes, own.pageBytes * 2 / 3);

    const LibraryRun whole =
        convertWithLibrary(folder, "text200.pdf", "1-2", {"-L", kLibraryAddress, "-f"});
    ASSERT_TRUE(whole.library);
    size_t wholeGlyphs = 0;
    for (const auto& [name, font] : libraryFonts(*whole.library)) {
        wholeGlyphs += font.glyphs.size();
    }
    EXPECT_GT(wholeGlyphs, 100u);  // whole fonts, not the letters used
}

TEST_F(VectorRun, PagesWithoutFontsWriteNoLibrary) {
    const std::vector<std::vector<std::string>> cases = {{"-S"}, {"-s", "bitmap"}, {"-T", "7"}};
    for (const auto& switches : cases) {
        std::vector<std::string> all = switches;
        all.insert(all.end(), {"-L", kLibraryAddress});
        const LibraryRun run = convertWithLibrary(folder, "text200.pdf", "1-2", all);
        EXPECT_FALSE(run.library) << switches[0];
        for (const auto& [number, page] : run.pages) {
            EXPECT_TRUE(swftest::tagsWithCode(page, kImportAssets2).empty()) << switches[0];
        }
    }
}

}  // namespace
