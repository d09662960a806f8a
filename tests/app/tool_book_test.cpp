// Black-box tests of complete runs: the finished book in the output folder, the page size from
// the converter's reply and the options, and pages of an interrupted run kept out of the book.
#include <gtest/gtest.h>

#include <QDir>

#include "tool_test_fixture.h"

namespace {

QByteArray pageList(const QByteArray& width, const QByteArray& height, int pageCount) {
    QByteArray list = "<content width='" + width + "' height='" + height +
                      "' buttoncolor='5d5d61' panelcolor='5d5d61' textcolor='ffffff' "
                      "backgroundcolor='cccccc' hcover='false' gotolabel='Go to'>\n";
    for (int page = 1; page <= pageCount; ++page) {
        list +=
            "<page src='data/test" + QByteArray::number(page).rightJustified(4, '0') + ".swf'/>\n";
    }
    return list + "</content>";
}

class ToolBook : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        for (const char* name : {"index.html", "book.swf", "swfobject.js"}) {
            ASSERT_TRUE(
                writeFile(sandbox.programFolder + "/" + name, QByteArray("template ") + name));
        }
    }
    void convertWith(const QByteArray& reply, const QStringList& pages) {
        FakeConverterScript script;
        script.infoReply = reply;
        script.pages = pages;
        ASSERT_TRUE(writeFakeScript(sandbox.programFolder, script));
    }
};

TEST_F(ToolBook, CompleteRunLeavesFinishedBookAndPrintsNothing) {
    convertWith("pages=3 width=612 height=792\r\n", {"1", "2", "3"});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(entryNames(inWork("out")),
              (QStringList{"book.swf", "data", "index.html", "swfobject.js"}));
    EXPECT_EQ(entryNames(inWork("out/data")),
              (QStringList{"pages.xml", "test0001.swf", "test0002.swf", "test0003.swf"}));
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")), pageList("612", "792", 3));
    EXPECT_EQ(readFile(inWork("out/data/test0002.swf")), "fake page 2\n");
    EXPECT_EQ(readFile(inWork("out/index.html")), "template index.html");
}

struct SizeCase {
    const char* name;
    QByteArray reply;
    QStringList options;
    QByteArray width;
    QByteArray height;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

const SizeCase kSizeCases[] = {
    {"reply_decimals_kept", "p width=595.28 height=841.89\n", {}, "595.28", "841.89"},
    {"no_reply_keeps_defaults", "", {}, "595", "842"},
    {"width_option_keeps_decimal_reply_height",
     "p width=595.28 height=841.89\n",
     {"-pw", "500"},
     "500",
     "841.89"},
    {"reply_ignored_for_options_size",
     "p width=1 height=2\n",
     {"-pw", "300", "-ph", "400"},
     "300",
     "400"},
};

class ToolBookSize : public ToolBook, public testing::WithParamInterface<SizeCase> {};

TEST_P(ToolBookSize, HeadLineCarriesPageSize) {
    const SizeCase& c = GetParam();
    convertWith(c.reply, {"1"});
    const ToolRun run = runTool(sandbox, QStringList{"book.pdf", "out"} + c.options);
    EXPECT_EQ(run.exitStatus, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")).toStdString(),
              pageList(c.width, c.height, 1).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Sizes, ToolBookSize, testing::ValuesIn(kSizeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Pages an interrupted run left in tmp: removed before converting, so never part of this book.
TEST_F(ToolBook, StalePagesOfInterruptedRunStayOutOfTheBook) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/tmp"));
    ASSERT_TRUE(writeFile(inWork("out/tmp/test7.swf"), "stale"));
    ASSERT_TRUE(writeFile(inWork("out/tmp/test0002.swf"), "stale"));
    convertWith("p w=10 h=20\n", {"1"});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(entryNames(inWork("out/data")), (QStringList{"pages.xml", "test0001.swf"}));
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")), pageList("10", "20", 1));
    EXPECT_FALSE(pathExists(inWork("out/tmp")));
}

TEST_F(ToolBook, StalePagesDoNotHideAConverterThatWroteNothing) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/tmp"));
    ASSERT_TRUE(writeFile(inWork("out/tmp/test7.swf"), "stale"));
    convertWith("", {});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "the page converter produced no page files from book.pdf\n");
    EXPECT_FALSE(pathExists(inWork("out/data/pages.xml")));
    EXPECT_FALSE(pathExists(inWork("out/data/test0007.swf")));
}

// A book made in a folder that already has a tmp of its own: the user's files there are kept.
TEST_F(ToolBook, UsersFilesInTmpSurviveARunThatConvertsNothing) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/tmp"));
    ASSERT_TRUE(writeFile(inWork("out/tmp/notes.txt"), "mine"));
    ASSERT_TRUE(writeFile(inWork("out/tmp/test3.swf"), "stale"));
    convertWith("", {});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "the page converter produced no page files from book.pdf\n");
    EXPECT_EQ(entryNames(inWork("out/tmp")), QStringList{"notes.txt"});
    EXPECT_EQ(readFile(inWork("out/tmp/notes.txt")), "mine");
    EXPECT_FALSE(pathExists(inWork("out/data/pages.xml")));
}

TEST_F(ToolBook, SecondRunKeepsTemplatesAndReplacesPages) {
    convertWith("p w=10 h=20\n", {"1", "2"});
    ASSERT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    ASSERT_TRUE(writeFile(inWork("out/index.html"), "edited by the user"));
    convertWith("p w=10 h=20\n", {"1"});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(readFile(inWork("out/index.html")), "edited by the user");
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")), pageList("10", "20", 1));
}

}  // namespace
