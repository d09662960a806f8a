// Conversion runs of the built converter on the generated PDFs: the page files, the effect of
// every switch, links, determinism across worker counts, and refusals that leave the disk alone.
#include "run_program.h"
#include "swf_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace {

namespace fs = std::filesystem;
const std::string kConverter = PAGECONV_BINARY;
const std::string kPdfs = PAGECONV_TEST_PDFS;

class ConverterRun : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("pageconv_runs_" + std::to_string(getpid()) + "_" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string pattern(const std::string& name = "test%.swf") const {
        return (folder / name).string();
    }
    swftest::RunResult convert(std::vector<std::string> switches, const std::string& pdf,
                               const std::vector<std::string>& env = {}) const {
        switches.push_back(kPdfs + "/" + pdf);
        switches.push_back(pattern());
        return swftest::runProgram(kConverter, switches, env);
    }
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    swftest::Movie page(int number) const {
        return swftest::readMovieFile(pattern("test" + std::to_string(number) + ".swf"));
    }
    swftest::Bytes bytesOf(int number) const {
        return swftest::readFileBytes(pattern("test" + std::to_string(number) + ".swf"));
    }

    fs::path folder;
};

// What a run that converts these pages leaves: their page files, the cover poster and the
// previews of the next four, the book index and the text version.
std::set<std::string> runFiles(std::initializer_list<int> pages) {
    std::set<std::string> names{"book.json", "poster.jpg", "text.html"};
    for (size_t position = 2; position <= std::min<size_t>(pages.size(), 5); ++position) {
        names.insert("preview" + std::to_string(position) + ".jpg");
    }
    for (const int page : pages) {
        names.insert("test" + std::to_string(page) + ".swf");
    }
    return names;
}

TEST_F(ConverterRun, GeometryPagesHaveTheirDisplayedStage) {
    const auto run = convert({"-s", "bitmap"}, "geometry.pdf");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(files(), runFiles({1, 2, 3, 4, 5, 6}));
    const int expected[][2] = {{595, 842}, {842, 595}, {842, 595},
                               {500, 600}, {420, 595}, {612, 792}};
    for (int p = 1; p <= 6; ++p) {
        const auto movie = page(p);
        EXPECT_EQ(movie.signature, "FWS");
        EXPECT_EQ(movie.version, 10);
        EXPECT_EQ(movie.frameCount, 1);
        EXPECT_EQ(movie.declaredLength, movie.actualLength);
        EXPECT_EQ(movie.stage[1], expected[p - 1][0] * 20) << p;
        EXPECT_EQ(movie.stage[3], expected[p - 1][1] * 20) << p;
        // The page bitmap is oversampled twice and stretched exactly over the stage.
        const auto shape = swftest::readShape(*swftest::tagsWithCode(movie, 2).at(0));
        EXPECT_EQ(shape.fillType, 0x41);
        EXPECT_DOUBLE_EQ(shape.scaleX, 10.0) << p;
        EXPECT_DOUBLE_EQ(shape.scaleY, 10.0) << p;
        const auto& jpeg = swftest::tagsWithCode(movie, 21).at(0)->body;
        ASSERT_GT(jpeg.size(), 1000u);
        EXPECT_EQ(jpeg[2], 0xFF);
        EXPECT_EQ(jpeg[3], 0xD8);
    }
}

// The poster is the first converted page at the size the viewer first shows it in a 1024x768
// window less its panel and margins: alone on half a spread or alone in the middle, whichever
// shows it larger, and never over 800 pixels a side. The next four converted pages get previews
// of the same kind, named by their place in the book.
TEST_F(ConverterRun, PosterAndPreviewsAreTheFirstConvertedPagesAtTheirFirstShownSize) {
    struct Image {
        const char* name;
        int width;
        int height;
    };
    struct Case {
        std::vector<std::string> switches;
        std::vector<Image> images;
    };
    const Case cases[] = {
        // A4 portrait on half a spread; A4 landscape alone, cut to the longest side; a wide page
        {{}, {{"poster.jpg", 489, 692}, {"preview2.jpg", 800, 565}, {"preview4.jpg", 496, 595}}},
        {{"-p", "2-3"}, {{"poster.jpg", 800, 565}, {"preview2.jpg", 800, 565}}},
        {{"-p", "4", "-s", "bitmap"}, {{"poster.jpg", 496, 595}}},
        {{"-p", "5-6"}, {{"poster.jpg", 488, 692}, {"preview2.jpg", 496, 642}}},
    };
    for (const Case& c : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        const auto run = convert(c.switches, "geometry.pdf", {"QUAVELIN_PAGECONV_WORKERS=2"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out + run.err, "");
        for (const Image& image : c.images) {
            const auto jpeg = swftest::readFileBytes(pattern(image.name));
            ASSERT_GT(jpeg.size(), 2u) << image.name;
            EXPECT_EQ(jpeg[0], 0xFF);
            EXPECT_EQ(jpeg[1], 0xD8);
            const auto frame = swftest::jpegFrame(jpeg);
            EXPECT_EQ(frame[0], image.width) << image.name << " " << image.width;
            EXPECT_EQ(frame[1], image.height) << image.name << " " << image.width;
            EXPECT_LT(jpeg.size(), size_t{64} * 1024);
        }
    }
    EXPECT_FALSE(fs::exists(pattern("preview3.jpg")));  // the last case has two pages
}

// Bitmap pixels per stage pixel, read back from the fill: twice the stage up to a 144 dpi
// bitmap, the stage itself from zoom 144 on, or what the environment asks for.
TEST_F(ConverterRun, BitmapIsOversampledUpTo144Dpi) {
    struct Case {
        const char* zoom;
        std::vector<std::string> env;
        double twipsPerBitmapPixel;
    };
    const Case cases[] = {
        {"zoom=72", {}, 10.0},
        {"zoom=36", {}, 5.0},
        {"zoom=144", {}, 20.0},
        {"zoom=150", {}, 20.0},
        {"zoom=150", {"QUAVELIN_PAGECONV_OVERSAMPLE=2"}, 10.0},
        {"zoom=72", {"QUAVELIN_PAGECONV_OVERSAMPLE=1"}, 20.0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(convert({"-s", "bitmap", "-p", "1", "-s", c.zoom}, "geometry.pdf", c.env).status,
                  0)
            << c.zoom;
        const auto movie = page(1);
        const auto shape = swftest::readShape(*swftest::tagsWithCode(movie, 2).at(0));
        EXPECT_NEAR(shape.scaleX, c.twipsPerBitmapPixel, 0.02) << c.zoom;
        EXPECT_NEAR(shape.scaleY, c.twipsPerBitmapPixel, 0.02) << c.zoom;
    }
}

// Blank margins are left out of the JPEG: what it holds is drawn where it lies in the page,
// on the block grid of its kind of JPEG, and a white sheet covers the whole stage beneath it.
TEST_F(ConverterRun, OnlyTheInkedPartOfAPageIsEncoded) {
    struct Case {
        const char* pdf;
        int page;
        int components;
        bool smallerThanThePage;
    };
    const Case cases[] = {
        {"text200.pdf", 1, 1, true},
        {"sample.pdf", 2, 3, true},
        {"colours.pdf", 1, 3, false},
    };
    for (const Case& c : cases) {
        const auto run = convert({"-s", "bitmap", "-p", std::to_string(c.page)}, c.pdf);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto movie = page(c.page);
        const auto shapes = swftest::tagsWithCode(movie, 2);
        ASSERT_GE(shapes.size(), 2u) << c.pdf;
        const auto bitmap = swftest::readShape(*shapes[0]);
        const auto sheet = swftest::readShape(*shapes[1]);
        const auto frame = swftest::jpegFrame(swftest::tagsWithCode(movie, 21).at(0)->body);
        EXPECT_EQ(frame[2], c.components) << c.pdf;
        const int block = c.components == 1 ? 8 : 16;
        // At zoom 72 a bitmap pixel is 10 twips.
        EXPECT_EQ(bitmap.translateX % (10 * block), 0) << c.pdf;
        EXPECT_EQ(bitmap.translateY % (10 * block), 0) << c.pdf;
        EXPECT_EQ(bitmap.bounds[0], bitmap.translateX) << c.pdf;
        EXPECT_EQ(bitmap.bounds[2], bitmap.translateY) << c.pdf;
        EXPECT_NEAR(bitmap.bounds[1] - bitmap.bounds[0], frame[0] * 10, 1) << c.pdf;
        EXPECT_NEAR(bitmap.bounds[3] - bitmap.bounds[2], frame[1] * 10, 1) << c.pdf;
        EXPECT_LE(bitmap.bounds[1], movie.stage[1]) << c.pdf;
        EXPECT_LE(bitmap.bounds[3], movie.stage[3]) << c.pdf;
        const bool smaller = bitmap.bounds[1] - bitmap.bounds[0] < movie.stage[1] ||
                             bitmap.bounds[3] - bitmap.bounds[2] < movie.stage[3];
        EXPECT_EQ(smaller, c.smallerThanThePage) << c.pdf;
        EXPECT_EQ(sheet.solidRgb, 0xFFFFFFu) << c.pdf;
        EXPECT_EQ(sheet.bounds[1], movie.stage[1]) << c.pdf;
        EXPECT_EQ(sheet.bounds[3], movie.stage[3]) << c.pdf;
    }
}

// Link rectangles in stage twips, worked out by hand from the PDF-space rectangles.
TEST_F(ConverterRun, UrlLinksBecomeButtonsOverTheirDisplayedRectangles) {
    ASSERT_EQ(convert({}, "geometry.pdf").status, 0);
    struct Case {
        int page;
        const char* url;
        int32_t twips[4];  // xMin, xMax, yMin, yMax
    };
    const Case cases[] = {
        {1, "https://example.com/one", {72 * 20, 272 * 20, 102 * 20, 142 * 20}},
        {2, "https://example.com/two", {100 * 20, 300 * 20, 455 * 20, 495 * 20}},
        // /Rotate 90: PDF y becomes the stage x, PDF x the stage y.
        {3, "https://example.com/three", {700 * 20, 740 * 20, 72 * 20, 272 * 20}},
        // Crop box [50 100 550 700]: moved by the crop box corner.
        {4, "https://example.com/four", {50 * 20, 250 * 20, 460 * 20, 500 * 20}},
    };
    for (const Case& c : cases) {
        const auto movie = page(c.page);
        const auto buttons = swftest::tagsWithCode(movie, 34);
        ASSERT_EQ(buttons.size(), 1u) << c.page;
        EXPECT_EQ(swftest::buttonUrl(*buttons[0]),
                  std::make_pair(std::string(c.url), std::string("_blank")));
        // The hit area is the last plain shape, after the sheet (and the bitmap's shape).
        const auto hit = swftest::readShape(*swftest::tagsWithCode(movie, 2).back());
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(hit.bounds[i], c.twips[i]) << "page " << c.page << " field " << i;
        }
        EXPECT_TRUE(swftest::tagsWithCode(movie, 77).empty());
    }
    EXPECT_TRUE(swftest::tagsWithCode(page(6), 34).empty());
}

std::string metadataOf(const swftest::Movie& movie) {
    const auto tags = swftest::tagsWithCode(movie, 77);
    return tags.empty() ? "" : std::string(tags[0]->body.begin(), tags[0]->body.end() - 1);
}

TEST_F(ConverterRun, PageLinksAreRecordedForTheViewer) {
    ASSERT_EQ(convert({"-s", "zoom=144"}, "geometry.pdf").status, 0);
    EXPECT_EQ(
        metadataOf(page(5)),
        R"(<links><link page="1" x="100.00" y="1010.00" width="400.00" height="80.00"/></links>)");
    EXPECT_TRUE(swftest::tagsWithCode(page(5), 34).empty());

    ASSERT_EQ(convert({}, "colours.pdf").status, 0);
    const auto movie = page(2);
    EXPECT_EQ(
        metadataOf(movie),
        R"(<links><link page="7" x="100.00" y="642.00" width="395.00" height="100.00"/></links>)");
    // Right after the header tags, flagged in FileAttributes.
    EXPECT_EQ(movie.tags[0].code, 69);
    EXPECT_EQ(movie.tags[1].code, 77);
    EXPECT_NE(movie.tags[0].body[0] & 0x10, 0);
    EXPECT_EQ(swftest::buttonUrl(*swftest::tagsWithCode(movie, 34).at(0))->first,
              "https://example.com/colours");
}

TEST_F(ConverterRun, EachSwitchHasItsEffectOnBitmapPages) {
    ASSERT_EQ(convert({"-s", "bitmap"}, "colours.pdf").status, 0);
    const auto plain = page(2);
    const size_t plainJpeg = swftest::tagsWithCode(plain, 21).at(0)->body.size();

    struct Case {
        std::vector<std::string> switches;
        std::function<void(const swftest::Movie&)> check;
    };
    const Case cases[] = {
        {{"-z"},
         [&](const auto& m) {
             EXPECT_EQ(m.signature, "CWS");
             EXPECT_EQ(m.tags.size(), plain.tags.size());
         }},
        {{"-j", "10"},
         [&](const auto& m) {
             EXPECT_LT(swftest::tagsWithCode(m, 21).at(0)->body.size(), plainJpeg);
         }},
        {{"-j", "100"},
         [&](const auto& m) {
             EXPECT_GT(swftest::tagsWithCode(m, 21).at(0)->body.size(), plainJpeg);
         }},
        {{"-s", "zoom=150"},
         [](const auto& m) {
             EXPECT_EQ(m.stage[1], 24792);  // 595 * 150 / 72 pixels, in twips
             EXPECT_EQ(m.stage[3], 35083);
         }},
        {{"-T", "6"},
         [](const auto& m) {
             EXPECT_EQ(m.version, 6);
             EXPECT_NE(m.tags[0].code, 69);
         }},
        {{"-T", "8"},
         [](const auto& m) {
             EXPECT_EQ(m.version, 8);
             EXPECT_EQ(m.tags[0].code, 69);
         }},
        {{"-s", "disablelinks"},
         [](const auto& m) {
             EXPECT_TRUE(swftest::tagsWithCode(m, 34).empty());
             EXPECT_TRUE(swftest::tagsWithCode(m, 77).empty());
             EXPECT_EQ(m.tags[0].body[0] & 0x10, 0);
         }},
    };
    for (const Case& c : cases) {
        fs::remove(pattern("test2.swf"));
        std::vector<std::string> switches = c.switches;
        switches.insert(switches.end(), {"-s", "bitmap", "-p", "2"});
        const auto run = convert(switches, "colours.pdf");
        ASSERT_EQ(run.status, 0) << c.switches[0] << ": " << run.err;
        c.check(page(2));
    }
}

// -s bitmap gives the bitmap pages whatever else is asked of vectors.
TEST_F(ConverterRun, VectorOnlySwitchesLeaveBitmapPagesAlone) {
    ASSERT_EQ(convert({"-s", "bitmap", "-p", "1"}, "geometry.pdf").status, 0);
    const auto reference = bytesOf(1);
    for (const auto& switches : std::vector<std::vector<std::string>>{
             {"-S"}, {"-f"}, {"-G"}, {"-s", "poly2bitmap"}, {"-s", "bitmap"}}) {
        fs::remove(pattern("test1.swf"));
        std::vector<std::string> args = switches;
        args.insert(args.end(), {"-s", "bitmap", "-p", "1"});
        ASSERT_EQ(convert(args, "geometry.pdf").status, 0) << switches.back();
        EXPECT_EQ(bytesOf(1), reference) << switches.back();
    }
}

TEST_F(ConverterRun, PageRangesWriteOnlyTheirPages) {
    const auto run = convert({"-p", "1,4,6,9-11"}, "colours.pdf");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(files(), runFiles({1, 4, 6, 9, 10, 11}));
}

TEST_F(ConverterRun, PasswordsOpenEncryptedFiles) {
    for (const char* password : {"user-secret", "owner-secret"}) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        const auto run = convert({"-P", password}, "encrypted.pdf");
        EXPECT_EQ(run.status, 0) << password << ": " << run.err;
        EXPECT_EQ(files(), runFiles({1, 2, 3})) << password;
    }
    fs::remove_all(folder);
    fs::create_directories(folder);
    EXPECT_EQ(convert({}, "owner-only.pdf").status, 0);
    EXPECT_EQ(files(), runFiles({1, 2}));
}

TEST_F(ConverterRun, RefusalsWriteNothingAndSayWhy) {
    struct Case {
        std::vector<std::string> switches;
        const char* pdf;
        std::vector<const char*> messageParts;
    };
    const Case cases[] = {
        {{"-p", "1-20"}, "geometry.pdf", {"\"1-20\"", "6 pages"}},
        {{"-p", "0"}, "geometry.pdf", {"\"0\""}},
        {{}, "encrypted.pdf", {"encrypted", "-P"}},
        {{"-P", "guess"}, "encrypted.pdf", {"password", "does not open"}},
        {{}, "broken.pdf", {"broken.pdf"}},
        {{}, "missing.pdf", {"missing.pdf"}},
        {{"-x"}, "geometry.pdf", {"unknown switch \"-x\""}},
        {{"-s", "zoom=0"}, "geometry.pdf", {"zoom"}},
        {{"-j", "101"}, "geometry.pdf", {"0-100"}},
        {{"-T", "5"}, "geometry.pdf", {"SWF version"}},
    };
    std::ofstream(pattern("keep.txt")) << "already here";
    for (const Case& c : cases) {
        const auto run = convert(c.switches, c.pdf);
        EXPECT_GT(run.status, 0) << c.pdf;
        const auto lines = swftest::linesOf(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        for (const char* part : c.messageParts) {
            EXPECT_NE(lines[0].find(part), std::string::npos) << lines[0];
        }
        EXPECT_EQ(files(), std::set<std::string>{"keep.txt"}) << lines[0];
    }
}

TEST_F(ConverterRun, OutputPatternMustHaveOnePercentAndAnExistingFolder) {
    const std::string pdf = kPdfs + "/geometry.pdf";
    for (const std::string& bad :
         {pattern("test.swf"), pattern("a%b%.swf"), (folder / "absent" / "t%.swf").string()}) {
        const auto run = swftest::runProgram(kConverter, {pdf, bad});
        EXPECT_GT(run.status, 0) << bad;
        EXPECT_EQ(swftest::linesOf(run.err).size(), 1u) << run.err;
    }
    EXPECT_TRUE(files().empty());
}

TEST_F(ConverterRun, RepairedFilesConvertLikeTheIntactOne) {
    const auto run = convert({}, "truncated.pdf");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(files(), runFiles({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(page(4).stage[1], 500 * 20);
}

// The number of colour components in the frame header of the JPEG inside a DefineBitsJPEG2.
int jpegComponents(const swftest::Tag& bitmap) {
    const swftest::Bytes& b = bitmap.body;
    size_t at = 4;  // character id, then the SOI marker
    while (at + 9 < b.size() && b[at] == 0xFF) {
        const int marker = b[at + 1];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            return b[at + 9];
        }
        at += 2 + (b[at + 2] << 8 | b[at + 3]);
    }
    return 0;
}

TEST_F(ConverterRun, PagesWithoutColourGetGrayscaleBitmaps) {
    struct Case {
        const char* pdf;
        const char* pages;
        int page;
        int components;
    };
    const Case cases[] = {
        {"text200.pdf", "1-2", 1, 1},
        {"text200.pdf", "1-2", 2, 1},
        {"colours.pdf", "1", 1, 3},
        {"images20.pdf", "1", 1, 3},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(convert({"-s", "bitmap", "-p", c.pages}, c.pdf).status, 0) << c.pdf;
        const auto movie = page(c.page);
        const auto bitmaps = swftest::tagsWithCode(movie, 21);
        ASSERT_EQ(bitmaps.size(), 1u);
        EXPECT_EQ(jpegComponents(*bitmaps[0]), c.components) << c.pdf << " page " << c.page;
    }
}

// JPEG images decoded ahead of MuPDF must draw exactly as MuPDF's own decoding does.
TEST_F(ConverterRun, PreloadedJpegImagesDrawAsMuPdfDecodesThem) {
    const std::pair<const char*, const char*> cases[] = {{"sample.pdf", "1-8"},
                                                         {"images20.pdf", "1-2"}};
    for (const auto& [pdf, pages] : cases) {
        const char* settings[2] = {"QUAVELIN_PAGECONV_PRELOAD=0", "QUAVELIN_PAGECONV_PRELOAD=1"};
        std::vector<swftest::Bytes> outputs[2];
        for (int i = 0; i < 2; ++i) {
            fs::remove_all(folder);
            fs::create_directories(folder);
            ASSERT_EQ(convert({"-p", pages}, pdf, {settings[i]}).status, 0) << pdf;
            for (const auto& name : files()) {
                outputs[i].push_back(swftest::readFileBytes((folder / name).string()));
            }
        }
        EXPECT_FALSE(outputs[0].empty()) << pdf;
        EXPECT_TRUE(outputs[0] == outputs[1]) << pdf;
    }
}

TEST_F(ConverterRun, OutputDoesNotDependOnTheWorkerCount) {
    const std::vector<std::string> none;
    const std::vector<std::string> library{"-L", "data/fonts.swf"};  // pages sharing one
    const std::vector<std::pair<const char*, const std::vector<std::string>&>> runs = {
        {"colours.pdf", none},        {"geometry.pdf", none}, {"vector.pdf", none},
        {"vector-hostile.pdf", none}, {"index.pdf", none},    {"index.pdf", library}};
    for (const auto& [pdf, switches] : runs) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        ASSERT_EQ(convert(switches, pdf, {"QUAVELIN_PAGECONV_WORKERS=1"}).status, 0) << pdf;
        std::vector<swftest::Bytes> single;
        for (const auto& name : files()) {
            single.push_back(swftest::readFileBytes((folder / name).string()));
        }
        fs::remove_all(folder);
        fs::create_directories(folder);
        ASSERT_EQ(convert(switches, pdf, {"QUAVELIN_PAGECONV_WORKERS=3"}).status, 0) << pdf;
        for (const char* workers : {"QUAVELIN_PAGECONV_WORKERS=2"}) {
            const fs::path other = folder / "two";
            fs::create_directories(other);
            std::vector<std::string> args = switches;
            args.insert(args.end(), {kPdfs + "/" + pdf, (other / "test%.swf").string()});
            ASSERT_EQ(swftest::runProgram(kConverter, args, {workers}).status, 0);
            for (const auto& entry : fs::directory_iterator(other)) {
                EXPECT_EQ(swftest::readFileBytes(entry.path().string()),
                          swftest::readFileBytes((folder / entry.path().filename()).string()))
                    << pdf << " " << entry.path().filename();
            }
            fs::remove_all(other);
        }
        std::vector<swftest::Bytes> parallel;
        for (const auto& name : files()) {
            parallel.push_back(swftest::readFileBytes((folder / name).string()));
        }
        EXPECT_EQ(single.size(), parallel.size()) << pdf;
        EXPECT_TRUE(single == parallel) << pdf;
    }
}

}  // namespace
