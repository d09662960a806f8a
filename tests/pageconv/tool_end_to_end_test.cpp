// The whole tool with the real converter: both programs copied side by side into a fresh program
// folder turn geometry.pdf into a book whose page list and page files match the PDF.
#include "run_program.h"
#include "swf_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace {

namespace fs = std::filesystem;
const std::string kPdfs = PAGECONV_TEST_PDFS;

struct PageSize {
    double width = 0;
    double height = 0;
};

// The PDF's displayed page sizes, as the converter's info query reports them.
std::vector<PageSize> pdfPageSizes(const std::string& pdf) {
    const auto run = swftest::runProgram(PAGECONV_BINARY, {"-I", pdf});
    std::vector<PageSize> sizes;
    const std::regex line(R"(page=\d+ width=([\d.]+) height=([\d.]+))");
    for (const auto& text : swftest::linesOf(run.out)) {
        std::smatch match;
        if (std::regex_match(text, match, line)) {
            sizes.push_back(PageSize{std::stod(match[1]), std::stod(match[2])});
        }
    }
    return sizes;
}

struct PageList {
    PageSize size;
    std::vector<std::string> sources;
    std::vector<std::string> labels;  // empty where a page has none
};

PageList readPageList(const fs::path& path) {
    std::ifstream file(path);
    const std::string xml{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    PageList list;
    std::smatch match;
    if (std::regex_search(xml, match, std::regex(R"(<content width='([^']*)' height='([^']*)')"))) {
        list.size = PageSize{std::stod(match[1]), std::stod(match[2])};
    }
    const std::regex page(R"(<page src='([^']*)'(?: label='([^']*)')?/>)");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), page); it != std::sregex_iterator();
         ++it) {
        list.sources.push_back((*it)[1]);
        list.labels.push_back((*it)[2]);
    }
    return list;
}

class ToolEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("pageconv_end_to_end_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "program");
        fs::copy_file(PAGECONV_TOOL, root / "program" / "quavelin");
        fs::copy_file(PAGECONV_BINARY, root / "program" / "swfsdk.dll");
    }
    void TearDown() override { fs::remove_all(root); }
    fs::path root;
};

TEST_F(ToolEndToEnd, BookMatchesThePdf) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::vector<int> pages;
        double zoom;
        const char* signature;
    };
    const Case cases[] = {
        {"defaults", {}, {1, 2, 3, 4, 5, 6}, 1.0, "FWS"},
        {"zoom, zlib and a page range",
         {"-zoom", "144", "-zlib", "-pagerange", "3-5"},
         {3, 4, 5},
         2.0,
         "CWS"},
    };
    const std::string pdf = kPdfs + "/geometry.pdf";
    const auto sizes = pdfPageSizes(pdf);
    ASSERT_EQ(sizes.size(), 6u);
    for (const Case& c : cases) {
        const fs::path book = root / c.name;
        std::vector<std::string> args{pdf, book.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto run = swftest::runProgram((root / "program" / "quavelin").string(), args);
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.out << run.err;
        EXPECT_FALSE(fs::exists(book / "tmp")) << c.name;
        EXPECT_TRUE(fs::is_regular_file(book / "data" / "book.json")) << c.name;

        const PageList list = readPageList(book / "data" / "pages.xml");
        // The book's size is the first PDF page's, scaled by the zoom.
        EXPECT_NEAR(list.size.width, sizes[0].width * c.zoom, 0.5) << c.name;
        EXPECT_NEAR(list.size.height, sizes[0].height * c.zoom, 0.5) << c.name;
        ASSERT_EQ(list.sources.size(), c.pages.size()) << c.name;
        for (size_t i = 0; i < c.pages.size(); ++i) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "data/test%04d.swf", c.pages[i]);
            EXPECT_EQ(list.sources[i], expected) << c.name;
            // geometry.pdf has no labels of its own: the PDF page numbers stand in.
            EXPECT_EQ(list.labels[i], std::to_string(c.pages[i])) << c.name;
            const auto movie = swftest::readMovieFile((book / list.sources[i]).string());
            const PageSize& pdfPage = sizes[c.pages[i] - 1];
            EXPECT_EQ(movie.signature, c.signature) << expected;
            EXPECT_NEAR(movie.stage[1] / 20.0, pdfPage.width * c.zoom, 0.05) << expected;
            EXPECT_NEAR(movie.stage[3] / 20.0, pdfPage.height * c.zoom, 0.05) << expected;
        }
    }
}

// The converter's poster goes into data beside the pages, never into the page list; a later run
// of the same book replaces it, while the user's own file in data stays.
TEST_F(ToolEndToEnd, ThePosterGoesIntoDataAndNeverIntoThePageList) {
    struct Case {
        std::vector<std::string> options;
        size_t pages;
        int posterWidth;  // page 1 is portrait, page 2 landscape
    };
    const Case cases[] = {{{}, 6, 489}, {{"-pagerange", "2-3"}, 2, 800}};
    const fs::path book = root / "book";
    for (const Case& c : cases) {
        std::vector<std::string> args{kPdfs + "/geometry.pdf", book.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto run = swftest::runProgram((root / "program" / "quavelin").string(), args);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(run.out + run.err, "");
        const auto poster = swftest::readFileBytes((book / "data" / "poster.jpg").string());
        EXPECT_EQ(swftest::jpegFrame(poster)[0], c.posterWidth);
        const PageList list = readPageList(book / "data" / "pages.xml");
        EXPECT_EQ(list.sources.size(), c.pages);
        for (const std::string& source : list.sources) {
            EXPECT_TRUE(std::regex_match(source, std::regex(R"(data/test\d{4}\.swf)"))) << source;
        }
        EXPECT_EQ(std::ifstream(book / "data" / "notes.txt").is_open(), &c != &cases[0]);
        std::ofstream(book / "data" / "notes.txt") << "the user's";
    }
}

// Progress shows only on a terminal (run here under script(1), which gives the tool a
// pseudo-terminal): pages done of all, rewritten in place and cleared at the end. Through a pipe
// the tool stays silent, as scripts expect.
TEST_F(ToolEndToEnd, ProgressShowsOnATerminalOnly) {
    const std::string pdf = kPdfs + "/sample.pdf";
    const fs::path log = root / "terminal.log";
    const std::string command = (root / "program" / "quavelin").string() + " " + pdf + " " +
                                (root / "on-terminal").string();
    const auto onTerminal = swftest::runProgram("/usr/bin/script", {"-qec", command, log.string()});
    ASSERT_EQ(onTerminal.status, 0) << onTerminal.out << onTerminal.err;
    std::ifstream file(log);
    const std::string shown{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_NE(shown.find("\r1 of 8 pages"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r8 of 8 pages"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r\x1b[K"), std::string::npos) << "the line is cleared at the end";
    EXPECT_EQ(shown.find("swfsdk.dll progress"), std::string::npos) << "raw lines leak through";
    EXPECT_EQ(readPageList(root / "on-terminal" / "data" / "pages.xml").sources.size(), 8u);

    const auto piped = swftest::runProgram((root / "program" / "quavelin").string(),
                                           {pdf, (root / "piped").string()});
    ASSERT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out + piped.err, "");
}

}  // namespace
