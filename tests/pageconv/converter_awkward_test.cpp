// The converter on pdfgen's documents with the quirks of real files that once failed: encrypted
// page trees, attachments-only encryption, lying page counts, a page-tree cycle, an image of
// no width, a font whose hinting fails and content outside the crop box.
#include "run_program.h"
#include "swf_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;
const std::string kConverter = PAGECONV_BINARY;
const std::string kPdfs = PAGECONV_TEST_PDFS;

class AwkwardFiles : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("pageconv_awkward_" + std::to_string(getpid()) + "_" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string pattern(const std::string& name = "test%.swf") const {
        return (folder / name).string();
    }
    swftest::RunResult convert(std::vector<std::string> switches, const std::string& pdf) const {
        fs::remove_all(folder);
        fs::create_directories(folder);
        switches.push_back(kPdfs + "/" + pdf);
        switches.push_back(pattern());
        return swftest::runProgram(kConverter, switches, {"QUAVELIN_PAGECONV_WORKERS=2"});
    }
    std::set<int> pagesWritten() const {
        std::set<int> pages;
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("test") && name.ends_with(".swf")) {
                pages.insert(std::stoi(name.substr(4)));
            }
        }
        return pages;
    }

    fs::path folder;
};

std::set<int> pageSpan(int first, int last) {
    std::set<int> pages;
    for (int page = first; page <= last; ++page) {
        pages.insert(page);
    }
    return pages;
}

std::string line(const std::string& pdf, const std::string& after) {
    return "swfsdk.dll: \"" + kPdfs + "/" + pdf + "\"" + after;
}

TEST_F(AwkwardFiles, EachRunPrintsWhatItShouldAndWritesItsPages) {
    struct Case {
        std::vector<std::string> switches;
        const char* pdf;
        int status;
        std::string err;  // the whole of standard error
        std::set<int> pages;
    };
    const std::string sealed = "encrypted-objstm.pdf";
    std::set<int> allButTwo = pageSpan(3, 40);
    allButTwo.insert(1);
    const Case cases[] = {
        // The page tree is in an encrypted object stream: unreadable until the password is
        // given, so without one the file is encrypted, not empty.
        {{}, sealed.c_str(), 1, line(sealed, " is encrypted: give its password with -P\n"), {}},
        {{"-P", "user-secret"}, sealed.c_str(), 0, "", {1, 2}},
        {{"-P", "owner-secret"}, sealed.c_str(), 0, "", {1, 2}},
        {{"-P", "guess"},
         sealed.c_str(),
         1,
         "swfsdk.dll: the password given with -P does not open \"" + kPdfs + "/" + sealed + "\"\n",
         {}},
        // Only the attachment is encrypted: the page needs no password.
        {{}, "encrypted-attachment.pdf", 0, "", {1}},
        // One page under a root that claims 1,410,065,407: the limit counts pages that exist.
        {{}, "claimed-pages.pdf", 0, "", {1}},
        // The image of no width is left out, with a warning, and the page draws the rest.
        {{},
         "zero-width-image.pdf",
         0,
         "swfsdk.dll: warning: page 2: an image of no width or height left out\n",
         {1, 2}},
        // Page 2 is a cycle in the page tree: the run fails, and says how to get the others.
        {{},
         "page-cycle.pdf",
         1,
         "swfsdk.dll: page 2 cannot be read: cycle in page tree; pages 1 and 3-40 can be "
         "converted with -pagerange 1,3-40\n",
         allButTwo},
        {{"-p", "1,3-40"}, "page-cycle.pdf", 0, "", allButTwo},
    };
    for (const Case& c : cases) {
        const auto run = convert(c.switches, c.pdf);
        EXPECT_EQ(run.status, c.status) << c.pdf << ": " << run.err;
        EXPECT_EQ(run.err, c.err) << c.pdf;
        EXPECT_EQ(pagesWritten(), c.pages) << c.pdf;
    }
}

constexpr int kText2 = 33;
constexpr int kShape4 = 83;

bool hasFill(const swftest::Movie& movie, uint32_t rgba) {
    for (const swftest::Tag* tag : swftest::tagsWithCode(movie, kShape4)) {
        for (const swftest::FillStyle& fill : swftest::readShape4(*tag).fills) {
            if (fill.rgba == rgba) {
                return true;
            }
        }
    }
    return false;
}

size_t glyphCount(const swftest::Movie& movie) {
    size_t glyphs = 0;
    for (const swftest::Tag* tag : swftest::tagsWithCode(movie, kText2)) {
        glyphs += swftest::readText2(*tag).glyphs.size();
    }
    return glyphs;
}

// Each converted page still draws its square and its text: nothing opened only to come out blank.
TEST_F(AwkwardFiles, ConvertedPagesKeepTheirInk) {
    struct Case {
        std::vector<std::string> switches;
        const char* pdf;
        int page;
        uint32_t square;
        size_t minGlyphs;
    };
    constexpr uint32_t kBlue = 0x0000CCFF;
    const Case cases[] = {
        {{"-P", "user-secret"}, "encrypted-objstm.pdf", 1, kBlue, 13},
        {{"-P", "owner-secret"}, "encrypted-objstm.pdf", 2, kBlue, 13},
        {{}, "encrypted-attachment.pdf", 1, kBlue, 20},
        {{}, "claimed-pages.pdf", 1, kBlue, 10},
        {{"-p", "3"}, "page-cycle.pdf", 3, kBlue, 5},
        // Both lines of text, before and after the image left out.
        {{"-p", "2"}, "zero-width-image.pdf", 2, 0x009900FF, 40},
    };
    for (const Case& c : cases) {
        const auto run = convert(c.switches, c.pdf);
        ASSERT_EQ(run.status, 0) << c.pdf << ": " << run.err;
        const auto movie =
            swftest::readMovieFile(pattern("test" + std::to_string(c.page) + ".swf"));
        EXPECT_TRUE(hasFill(movie, c.square)) << c.pdf;
        EXPECT_GE(glyphCount(movie), c.minGlyphs) << c.pdf;
    }
}

constexpr int kFont3 = 75;
constexpr int kPlaceObject2 = 26;

// A font whose hinting program fails loses every hinted outline; its glyphs still have ink, so
// they must come out as outlines (or the text as a raster region), never as empty glyphs.
TEST_F(AwkwardFiles, GlyphsOfAFontWithBrokenHintingKeepTheirOutlines) {
    for (const std::vector<std::string>& switches :
         {std::vector<std::string>{}, std::vector<std::string>{"-f"}}) {
        const auto run = convert(switches, "broken-hinting.pdf");
        ASSERT_EQ(run.status, 0) << run.err;
        const auto movie = swftest::readMovieFile(pattern("test1.swf"));
        const auto fonts = swftest::tagsWithCode(movie, kFont3);
        ASSERT_EQ(fonts.size(), 2u);
        for (const swftest::Tag* tag : fonts) {
            const swftest::Font3 font = swftest::readFont3(*tag);
            size_t empty = 0;
            for (const auto& glyph : font.glyphs) {
                empty += glyph.empty() ? 1 : 0;
            }
            // The space, and with -f the few glyphs of a font that have no ink at all.
            EXPECT_LE(empty, switches.empty() ? 1u : 8u) << font.name;
            EXPECT_GE(font.glyphs.size(), 10u) << font.name;
        }
    }
}

// Slug lines and marks wholly outside the crop box are not shipped, nor their fonts; what
// crosses its edge is kept under a clip to the stage.
TEST_F(AwkwardFiles, ContentOutsideTheCropBoxIsLeftOutAndTheEdgeClipped) {
    const auto run = convert({}, "crop-marks.pdf");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto movie = swftest::readMovieFile(pattern("test1.swf"));
    EXPECT_EQ(movie.stage[1], 300 * 20);
    EXPECT_EQ(movie.stage[3], 100 * 20);
    std::set<std::string> names;
    for (const swftest::Tag* tag : swftest::tagsWithCode(movie, kFont3)) {
        names.insert(swftest::readFont3(*tag).name);
    }
    EXPECT_EQ(names.size(), 2u);
    for (const std::string& name : names) {
        EXPECT_EQ(name.find("Italic"), std::string::npos) << name;
        EXPECT_EQ(name.find("Bold"), std::string::npos) << name;
    }
    size_t clips = 0;
    for (const swftest::Tag* tag : swftest::tagsWithCode(movie, kPlaceObject2)) {
        clips += swftest::readPlaceObject2(*tag).clipDepth > 0 ? 1 : 0;
    }
    EXPECT_EQ(clips, 1u);
}

// Pixels of every bitmap in the page file.
long bitmapPixels(const swftest::Movie& movie) {
    long pixels = 0;
    for (const int code : {21, 35, 36}) {  // DefineBitsJPEG2, DefineBitsJPEG3, DefineBitsLossless2
        for (const swftest::Tag* tag : swftest::tagsWithCode(movie, code)) {
            const swftest::Bitmap bitmap = swftest::readBitmap(*tag);
            const auto frame = swftest::jpegFrame(bitmap.jpeg);
            pixels += bitmap.jpeg.empty() ? long(bitmap.width) * bitmap.height
                                          : long(frame[0]) * frame[1];
        }
    }
    return pixels;
}

// A highlight blended by Multiply and a square under a soft mask declared over the whole page
// become raster regions where they paint, not a picture of the page: the text stays text.
TEST_F(AwkwardFiles, BlendsAndSoftMasksCostTheirAreaNotThePage) {
    const auto run = convert({}, "blended-text.pdf");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto movie = swftest::readMovieFile(pattern("test1.swf"));
    EXPECT_GE(glyphCount(movie), 30u * 40u);
    const long pagePixels =
        long(movie.stage[1] / 20) * (movie.stage[3] / 20) * 4;  // 2x oversampled
    EXPECT_GT(bitmapPixels(movie), 0);
    EXPECT_LT(bitmapPixels(movie), pagePixels / 20);
}

}  // namespace
