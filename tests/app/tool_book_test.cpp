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

// The page list a two-page book gets from an index: `head` goes before gotolabel, each label on
// its page.
QByteArray indexedPageList(const QByteArray& head, const QList<QByteArray>& labels) {
    QByteArray list = pageList("10", "20", 2);
    list.replace("gotolabel=", head + "gotolabel=");
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const QByteArray page = "test000" + QByteArray::number(i + 1) + ".swf'";
        list.replace(page, page + " label='" + labels[i] + "'");
    }
    return list;
}

struct IndexCase {
    const char* name;
    QByteArray json;
    QByteArray head;  // attributes the page list's head line gains
    QList<QByteArray> labels;
    bool warns = false;
};

void PrintTo(const IndexCase& c, std::ostream* os) {
    *os << c.name;
}

const IndexCase kIndexCases[] = {
    {"labels_outline_and_words",
     R"({"version":1,"pages":2,"labels":["i","<&'>"],"outline":[{"title":"A","page":1}],)"
     R"("text":[{"width":10,"height":20,"words":[[1,2,3,4,"w"]]},{"width":10,"height":20,"words":[]}]})",
     "index='data/book.json' contents='true' search='true' ",
     {"i", "&lt;&amp;&apos;&gt;"}},
    {"scan_without_text_layer",
     R"({"version":1,"pages":2,"labels":["1","2"],"outline":[],)"
     R"("text":[{"width":10,"height":20,"words":[]},{"width":10,"height":20,"words":[]}]})",
     "index='data/book.json' ",
     {"1", "2"}},
    {"labels_not_matching_the_pages",
     R"({"version":1,"pages":1,"labels":["x"],"outline":[{"title":"A","page":1}],"text":[]})",
     "index='data/book.json' contents='true' ",
     {}},
    {"title_and_language",
     R"({"version":1,"pages":1,"title":"Spring <26>","lang":"de-CH","labels":["1"],"outline":[],)"
     R"("text":[]})",
     "index='data/book.json' title='Spring &lt;26&gt;' lang='de-CH' ",
     {}},
    {"language_that_is_no_tag",
     R"({"version":1,"pages":1,"title":"","lang":"de CH'","labels":["1"],"outline":[],"text":[]})",
     "index='data/book.json' ",
     {}},
    {"malformed", R"({"version":1,"labels":[)", "", {}, true},
    {"not_an_object", "[1,2]", "", {}, true},
};

class ToolBookIndex : public ToolBook, public testing::WithParamInterface<IndexCase> {};

// The converter's index goes into data beside the pages, never as a page, and gives the page list
// its labels and flags; a broken one costs only those. The user's own files in tmp, whatever
// their names, stay there untouched.
TEST_P(ToolBookIndex, IndexGoesIntoDataAndThePageList) {
    const IndexCase& c = GetParam();
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/tmp"));
    for (const char* name : {"book.json", "notes.txt", "test0009.swf"}) {
        ASSERT_TRUE(writeFile(inWork(QStringLiteral("out/tmp/") + name), "the user's"));
    }
    FakeConverterScript script;
    script.infoReply = "p w=10 h=20\n";
    script.pages = {"1", "2"};
    script.bookIndex = c.json;
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, script));

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 0) << run.err.toStdString();
    EXPECT_EQ(entryNames(inWork("out/data")),
              (QStringList{"book.json", "pages.xml", "test0001.swf", "test0002.swf"}));
    EXPECT_EQ(readFile(inWork("out/data/book.json")), c.json);
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")).toStdString(),
              indexedPageList(c.head, c.labels).toStdString());
    EXPECT_EQ(run.err.count('\n'), c.warns ? 1 : 0) << run.err.toStdString();
    EXPECT_EQ(entryNames(inWork("out/tmp")),
              (QStringList{"book.json", "notes.txt", "test0009.swf"}));
    EXPECT_EQ(readFile(inWork("out/tmp/book.json")), "the user's");
}

INSTANTIATE_TEST_SUITE_P(Indexes, ToolBookIndex, testing::ValuesIn(kIndexCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An index belongs to the book it was made with: a later book without one does not inherit it.
TEST_F(ToolBook, EarlierBooksIndexIsNotCarriedOver) {
    FakeConverterScript script;
    script.infoReply = "p w=10 h=20\n";
    script.pages = {"1"};
    script.bookIndex = R"({"version":1,"pages":1,"labels":["i"],"outline":[],"text":[]})";
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, script));
    ASSERT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    ASSERT_TRUE(pathExists(inWork("out/data/book.json")));
    convertWith("p w=10 h=20\n", {"1"});

    EXPECT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    EXPECT_FALSE(pathExists(inWork("out/data/book.json")));
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")), pageList("10", "20", 1));
}

// The text version stands beside index.html and the page list names it; a later book made without
// one does not keep the earlier book's text.
TEST_F(ToolBook, TextVersionGoesBesideIndexHtmlAndLeavesWithItsBook) {
    FakeConverterScript script;
    script.infoReply = "p w=10 h=20\n";
    script.pages = {"1"};
    script.bookIndex = R"({"version":1,"pages":1,"labels":["i"],"outline":[],"text":[]})";
    script.textVersion = "<!DOCTYPE html><title>t</title>";
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, script));
    ASSERT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    EXPECT_EQ(readFile(inWork("out/text.html")), *script.textVersion);
    EXPECT_FALSE(pathExists(inWork("out/data/text.html")));
    EXPECT_TRUE(readFile(inWork("out/data/pages.xml")).contains("text='text.html'"));

    script.textVersion = "<!DOCTYPE html><title>second</title>";
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, script));
    ASSERT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    EXPECT_EQ(readFile(inWork("out/text.html")), *script.textVersion);

    convertWith("p w=10 h=20\n", {"1"});
    EXPECT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    EXPECT_FALSE(pathExists(inWork("out/text.html")));
}

// -download puts the very PDF into data, never as a page, and a later book made without it no
// longer offers the earlier copy.
TEST_F(ToolBook, DownloadCarriesThePdfUntilABookWithoutIt) {
    QByteArray pdf = "%PDF-1.7\n";
    for (int i = 0; i < 70000; ++i) {
        pdf += char(i * 7 % 256);  // every byte value, past one read of the copy
    }
    ASSERT_TRUE(writeFile(inWork("book.pdf"), pdf));
    convertWith("p w=10 h=20\n", {"1", "2"});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out", "-download", "-direction", "rtl"});

    EXPECT_EQ(run.exitStatus, 0) << run.err.toStdString();
    EXPECT_EQ(entryNames(inWork("out/data")),
              (QStringList{"book.pdf", "pages.xml", "test0001.swf", "test0002.swf"}));
    EXPECT_EQ(readFile(inWork("out/data/book.pdf")), pdf);
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")),
              indexedPageList("direction='rtl' download='data/book.pdf' ", {}));

    EXPECT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    EXPECT_FALSE(pathExists(inWork("out/data/book.pdf")));
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")), pageList("10", "20", 2));
}

// -player names the shared player folder in the page list, for index.html to load; a book made
// without it again loads its own.
TEST_F(ToolBook, SharedPlayerIsNamedInThePageList) {
    convertWith("p w=10 h=20\n", {"1", "2"});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out", "-player", "../player"});

    EXPECT_EQ(run.exitStatus, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")), indexedPageList("player='../player/' ", {}));
    EXPECT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    EXPECT_EQ(readFile(inWork("out/data/pages.xml")), pageList("10", "20", 2));
}

}  // namespace
