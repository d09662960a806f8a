// The converter's bounds on hostile documents, each made here from a few hundred hand-written
// bytes: endless drawing stops at the page time limit or, with a small budget, at the memory
// limit, page trees of millions of pages are refused at once and claimed counts are not pages, the
// info query stays linear on long documents, and a document whose every page fails prints a bounded
// error.
#include "run_program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
const std::string kConverter = PAGECONV_BINARY;

// A PDF of the given objects (numbered from 1, the first the catalog) with a correct xref table.
std::string pdfOf(const std::vector<std::string>& objects) {
    std::string file = "%PDF-1.7\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(file.size());
        file += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = file.size();
    file += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        file += entry;
    }
    return file + "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

std::string streamOf(const std::string& dictionary, const std::string& data) {
    return "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

const std::string kCatalog = "<< /Type /Catalog /Pages 2 0 R >>";

// Plain pages 3.. (each drawing a square) with `contents` drawn on page `special`, whose
// resources are `resources` and whose further objects follow the pages.
std::string pagesWith(int pages, int special, const std::string& resources,
                      const std::string& contents, const std::vector<std::string>& more = {}) {
    std::string kids;
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(3 + i) + " 0 R ";
    }
    std::vector<std::string> objects{
        kCatalog, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>"};
    const int plain = 3 + pages;
    const int drawn = plain + 1;
    for (int i = 1; i <= pages; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Contents " +
                          std::to_string(i == special ? drawn : plain) + " 0 R" +
                          (i == special ? " /Resources " + resources : "") + " >>");
    }
    objects.push_back(streamOf("", "0 0 1 rg 50 50 100 100 re f"));
    objects.push_back(streamOf("", contents));
    objects.insert(objects.end(), more.begin(), more.end());
    return pdfOf(objects);
}

// A page filled with a pattern whose cell is a thousandth of a point: billions of cells.
std::string tinyTilingCell(int pages, int special) {
    const int pattern = 3 + pages + 2;
    return pagesWith(pages, special, "<< /Pattern << /P " + std::to_string(pattern) + " 0 R >> >>",
                     "/Pattern cs /P scn 0 0 300 400 re f",
                     {streamOf("/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 "
                               "/BBox [0 0 0.001 0.001] /XStep 0.001 /YStep 0.001 /Resources << >>",
                               "0 0 0.001 0.001 re f")});
}

// Forms 1..40, each drawing the next three times: 3^40 drawings of the last.
std::string formChain() {
    const int first = 3 + 1 + 2;
    std::vector<std::string> forms;
    for (int i = 0; i < 40; ++i) {
        const std::string next = std::to_string(first + i + 1);
        forms.push_back(i < 39 ? streamOf("/Type /XObject /Subtype /Form /BBox [0 0 300 400] "
                                          "/Resources << /XObject << /X " +
                                              next + " 0 R >> >>",
                                          "/X Do /X Do /X Do")
                               : streamOf("/Type /XObject /Subtype /Form /BBox [0 0 300 400]",
                                          "0 0 10 10 re f"));
    }
    return pagesWith(1, 1, "<< /XObject << /X " + std::to_string(first) + " 0 R >> >>", "/X Do",
                     forms);
}

// Pages nodes `levels` deep, each with the same node twice as its kids: 2^levels pages.
std::string deepPageTree(int levels) {
    std::vector<std::string> objects{kCatalog};
    for (int level = 0; level < levels; ++level) {
        const std::string kid = std::to_string(3 + level) + " 0 R ";
        std::string node = "<< /Type /Pages /Kids [";
        node += kid;
        node += kid;
        node += "] /Count " + std::to_string(1L << (levels - level)) + " >>";
        objects.push_back(std::move(node));
    }
    objects.push_back("<< /Type /Page /MediaBox [0 0 300 400] >>");
    return pdfOf(objects);
}

std::string claimedCount(long count) {
    return pdfOf({kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count " + std::to_string(count) + " >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] >>"});
}

// `pages` pages in one flat list, all with the given media box.
std::string flatPages(int pages, const std::string& mediaBox) {
    std::string kids;
    std::vector<std::string> objects{kCatalog, ""};
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(3 + i) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox + " >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    return pdfOf(objects);
}

class ConverterLimits : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("pageconv_limits_" + std::to_string(getpid()) + "_" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder / "out");
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string pdf(const std::string& name, const std::string& bytes) const {
        std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::vector<std::string> outputFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder / "out")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    std::string pattern() const { return (folder / "out" / "test%.swf").string(); }

    fs::path folder;
};

struct Timed {
    swftest::RunResult run;
    double seconds = 0;
};

Timed timedRun(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    const auto start = std::chrono::steady_clock::now();
    Timed timed{swftest::runProgram(kConverter, args, env)};
    timed.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return timed;
}

const std::string kLeaveOut = "; -pagerange can leave it out";

TEST_F(ConverterLimits, HostilePagesEndAtTheirLimitWithOneLine) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> env;
        std::string line;
        double maxSeconds;
    };
    const std::vector<std::string> oneSecond{"QUAVELIN_PAGECONV_PAGE_SECONDS=1"};
    const Case cases[] = {
        {"tiling", tinyTilingCell(1, 1), oneSecond,
         "page 1 took longer than 1 s to draw (the time limit for one page)" + kLeaveOut, 8},
        {"forms", formChain(), oneSecond,
         "page 1 took longer than 1 s to draw (the time limit for one page)" + kLeaveOut, 8},
        // The drawings recorded fill the memory long before the time runs out.
        {"forms-memory",
         formChain(),
         {"QUAVELIN_PAGECONV_WORKER_MEGABYTES=32"},
         "page 1 needed more than 32 MB to draw (the memory limit for one page)" + kLeaveOut,
         20},
    };
    for (const Case& c : cases) {
        const std::string path = pdf(std::string(c.name) + ".pdf", c.bytes);
        const Timed timed = timedRun({path, pattern()}, c.env);
        EXPECT_EQ(timed.run.status, 1) << c.name << ": " << timed.run.err;
        EXPECT_EQ(timed.run.err, "swfsdk.dll: " + c.line + "\n") << c.name;
        EXPECT_LT(timed.seconds, c.maxSeconds) << c.name;
        EXPECT_TRUE(outputFiles().empty()) << c.name;
    }
}

// The run fails as a whole: the pages written before the stuck page, the poster and the previews
// are removed, the user's own file stays, and leaving the page out converts the rest.
TEST_F(ConverterLimits, AStoppedRunLeavesNoPagesAndTheRangeCanSkipThePage) {
    const std::string path = pdf("third.pdf", tinyTilingCell(4, 3));
    std::ofstream(folder / "out" / "notes.txt") << "mine";
    const std::vector<std::string> env{"QUAVELIN_PAGECONV_PAGE_SECONDS=1",
                                       "QUAVELIN_PAGECONV_WORKERS=1"};
    const auto stopped = swftest::runProgram(kConverter, {path, pattern()}, env);
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(swftest::linesOf(stopped.err),
              std::vector<std::string>{"swfsdk.dll: page 3 took longer than 1 s to draw (the "
                                       "time limit for one page)" +
                                       kLeaveOut});
    EXPECT_EQ(outputFiles(), std::vector<std::string>{"notes.txt"});

    const auto skipped = swftest::runProgram(kConverter, {"-p", "1-2,4", path, pattern()}, env);
    EXPECT_EQ(skipped.status, 0) << skipped.err;
    // notes.txt, three pages, the poster and two previews, the book index and the text version
    EXPECT_EQ(outputFiles().size(), 9u);
}

// Counted as far as the limit and no further: a tree of 16 million pages costs no more than one
// of 100,001.
TEST_F(ConverterLimits, DocumentsOfTooManyPagesAreRefusedAtOnce) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"deep", deepPageTree(24)},
        {"over", flatPages(100001, "[0 0 300 400]")},
    };
    for (const Case& c : cases) {
        const std::string path = pdf(std::string(c.name) + ".pdf", c.bytes);
        const std::string line =
            "swfsdk.dll: \"" + path +
            "\" has more than 100000 pages (the most pages one document may have)\n";
        for (const auto& args :
             {std::vector<std::string>{"-I", path}, std::vector<std::string>{path, pattern()}}) {
            const Timed timed = timedRun(args, {});
            EXPECT_EQ(timed.run.status, 1) << c.name;
            EXPECT_EQ(timed.run.out, "") << c.name;
            EXPECT_EQ(timed.run.err, line) << c.name;
            EXPECT_LT(timed.seconds, 5) << c.name;
        }
        EXPECT_TRUE(outputFiles().empty()) << c.name;
    }
}

// The limit is on pages the tree holds, not on the count its root claims.
TEST_F(ConverterLimits, AClaimedPageCountIsNotTakenForPages) {
    for (const long claimed : {2147483647L, 100001L}) {
        const std::string path = pdf("claimed.pdf", claimedCount(claimed));
        const Timed info = timedRun({"-I", path}, {});
        EXPECT_EQ(info.run.status, 0) << claimed << ": " << info.run.err;
        EXPECT_EQ(info.run.out, "page=1 width=300.00 height=400.00\n") << claimed;
        EXPECT_LT(info.seconds, 5) << claimed;
    }
}

// Quadratic in the page count this took tens of seconds; linear it takes well under one.
TEST_F(ConverterLimits, InfoQueryOnThirtyThousandPagesIsFast) {
    const std::string path = pdf("flat.pdf", flatPages(30000, "[0 0 300 400]"));
    const Timed timed = timedRun({"-I", path}, {});
    ASSERT_EQ(timed.run.status, 0) << timed.run.err;
    const auto lines = swftest::linesOf(timed.run.out);
    ASSERT_EQ(lines.size(), 30000u);
    EXPECT_EQ(lines[0], "page=1 width=300.00 height=400.00");
    EXPECT_EQ(lines[29999], "page=30000 width=300.00 height=400.00");
    EXPECT_LT(timed.seconds, 4);
}

TEST_F(ConverterLimits, EveryPageFailingPrintsABoundedError) {
    // At this zoom no page of the largest size PDF allows fits a SWF stage: each one fails on
    // its own, and the run goes on.
    const std::string path = pdf("vast.pdf", flatPages(3000, "[0 0 14400 14400]"));
    const auto run = swftest::runProgram(kConverter, {"-s", "zoom=100000", path, pattern()});
    EXPECT_EQ(run.status, 1);
    const auto lines = swftest::linesOf(run.err);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "swfsdk.dll: page 1 is too large for a SWF stage at zoom 100000");
    EXPECT_EQ(lines[20], "swfsdk.dll: and 2980 more pages failed");
}

}  // namespace
