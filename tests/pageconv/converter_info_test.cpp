// The info query of the built converter on the generated PDFs: one line per page, displayed
// sizes (rotation and crop box applied), and clean failures.
#include "run_program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <string>
#include <vector>

namespace {

const std::string kConverter = PAGECONV_BINARY;
const std::string kPdfs = PAGECONV_TEST_PDFS;

TEST(ConverterInfo, ReportsDisplayedSizes) {
    struct Case {
        const char* file;
        std::vector<std::string> lines;
    };
    const std::vector<std::string> geometry{
        "page=1 width=595.00 height=842.00", "page=2 width=842.00 height=595.00",
        "page=3 width=842.00 height=595.00", "page=4 width=500.00 height=600.00",
        "page=5 width=420.00 height=595.00", "page=6 width=612.00 height=792.00"};
    const Case cases[] = {
        {"geometry.pdf", geometry},
        // Repaired on the fly: the same pages as the intact file.
        {"truncated.pdf", geometry},
        // Sizes are readable without the password.
        {"encrypted.pdf",
         {"page=1 width=595.00 height=842.00", "page=2 width=595.00 height=842.00",
          "page=3 width=595.00 height=842.00"}},
        {"owner-only.pdf",
         {"page=1 width=595.00 height=842.00", "page=2 width=595.00 height=842.00"}},
    };
    for (const Case& c : cases) {
        const auto run = swftest::runProgram(kConverter, {"-I", kPdfs + "/" + c.file});
        EXPECT_EQ(run.status, 0) << c.file << ": " << run.err;
        EXPECT_EQ(swftest::linesOf(run.out), c.lines) << c.file;
        EXPECT_EQ(run.out.find('\r'), std::string::npos) << c.file;
        EXPECT_EQ(run.err, "") << c.file;
    }
}

TEST(ConverterInfo, LongDocumentsListEveryPage) {
    const auto run = swftest::runProgram(kConverter, {"-I", kPdfs + "/text200.pdf"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = swftest::linesOf(run.out);
    ASSERT_EQ(lines.size(), 200u);
    EXPECT_EQ(lines.back(), "page=200 width=595.00 height=842.00");
}

TEST(ConverterInfo, UnreadableInputFailsWithOneLine) {
    struct Case {
        std::vector<std::string> args;
        const char* messagePart;
    };
    // MuPDF could open this as a web page; the converter takes PDFs only.
    const std::string html = (std::filesystem::temp_directory_path() /
                              ("pageconv_" + std::to_string(getpid()) + ".html"))
                                 .string();
    std::ofstream(html) << "<html><body><p>not a PDF</p></body></html>";
    const Case cases[] = {
        {{"-I", html}, ".html"},
        {{"-I", kPdfs + "/broken.pdf"}, "broken.pdf"},
        {{"-I", kPdfs + "/no-such-file.pdf"}, "no-such-file.pdf"},
        {{"-I", kPdfs}, "testpdfs"},
        {{"-I"}, "usage"},
    };
    for (const Case& c : cases) {
        const auto run = swftest::runProgram(kConverter, c.args);
        EXPECT_GT(run.status, 0) << c.messagePart;
        EXPECT_EQ(run.out, "") << c.messagePart;
        const auto lines = swftest::linesOf(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_NE(lines[0].find(c.messagePart), std::string::npos) << lines[0];
    }
    std::filesystem::remove(html);
}

}  // namespace
