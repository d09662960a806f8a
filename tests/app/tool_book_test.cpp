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
              (QStringList{".quavelin.lock", "book.swf", "data", "index.html", "swfobject.js"}));
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

// Page-like files already in tmp are not this run's: never listed, moved or removed.
TEST_F(ToolBook, PageNamesAlreadyInTmpStayOutOfTheBookAndInTmp) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/tmp"));
    ASSERT_TRUE(writeFile(inWork("out/tmp/test7.swf"), "stale"));
    ASSERT_TRUE(writeFile(inWork("out/tmp/test0002.swf"), "stale"));
    convertWith("p w=10 h=20\n", {"1"});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(entryNames(inWork("out/data")), (QStringList{"pages.xml", "test0001.swf"}));
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")), pageList("10", "20", 1));
    EXPECT_EQ(entryNames(inWork("out/tmp")), (QStringList{"test0002.swf", "test7.swf"}));
}

TEST_F(ToolBook, PageNamesInTmpDoNotHideAConverterThatWroteNothing) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/tmp"));
    ASSERT_TRUE(writeFile(inWork("out/tmp/test7.swf"), "stale"));
    convertWith("", {});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "the page converter produced no page files from book.pdf\n");
    EXPECT_FALSE(pathExists(inWork("out/data")));
    EXPECT_EQ(entryNames(inWork("out/tmp")), QStringList{"test7.swf"});
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
