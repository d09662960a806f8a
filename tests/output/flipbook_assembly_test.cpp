// Unit tests of the flipbook assembly on temporary output folders: renaming, moves, page list.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "output/flipbook_assembly.h"

namespace {

const QByteArray defaultHead =
    "<content width='595' height='842' buttoncolor='5d5d61' panelcolor='5d5d61' "
    "textcolor='ffffff' backgroundcolor='cccccc' hcover='false' gotolabel='Go to'>\n";

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList sortedFiles(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray pageLines(const QStringList& names) {
    QByteArray lines;
    for (const QString& name : names) {
        lines += "<page src='data/" + name.toUtf8() + "'/>\n";
    }
    return lines;
}

// An output folder prepared as the driver leaves it, beside a program folder with templates.
struct Book {
    QTemporaryDir base;
    OutputFolder folder;
    QString programFolder;

    explicit Book(const QString& rootName = QStringLiteral("book")) {
        folder = outputFolderFor(base.path() + u'/' + rootName);
        programFolder = base.path() + QStringLiteral("/program");
        QDir().mkpath(folder.tmpFolder);
        QDir().mkpath(folder.dataFolder);
        QDir().mkpath(programFolder);
        for (const char* name : {"index.html", "book.swf", "swfobject.js"}) {
            writeFile(programFolder + u'/' + QLatin1StringView(name), QByteArray("new ") + name);
        }
    }
    void addPages(const QStringList& names) const {
        for (const QString& name : names) {
            writeFile(folder.tmpFolder + u'/' + name, name.toUtf8());
        }
    }
    AssemblyOutcome assemble() {
        FlipbookSettings settings;
        return assembleFlipbook(folder, settings, programFolder);
    }
    QByteArray pageList() const { return readFile(folder.pageListPath); }
    QByteArray dataFile(const QString& name) const {
        return readFile(folder.dataFolder + u'/' + name);
    }
};

QStringList numbered(const char* pattern, int first, int last, int width = 0) {
    QStringList names;
    for (int page = first; page <= last; ++page) {
        names << QString::fromLatin1(pattern).arg(page, width, 10, QLatin1Char('0'));
    }
    return names;
}

TEST(AssemblyNames, PaddedPageName) {
    const struct {
        const char* name;
        const char* expected;
    } cases[] = {
        {"test7.swf", "test0007.swf"},
        {"test123.swf", "test0123.swf"},
        {"test12345.swf", "test12345.swf"},
        {"test0007.swf", "test0007.swf"},
        {"test00012.swf", "test0012.swf"},
        {"test0.swf", "test0000.swf"},
        {"test3b.swf", "test0003.swf"},
        {"test03.swf", "test0003.swf"},
        {"a1.b2.swf", "a0001.swf"},
        {"7.swf", "0007.swf"},
        {"test1", "test0001"},
        {"test99999999999999999999.swf", "test99999999999999999999.swf"},
        {"readme.swf2", "readme.swf2"},  // digits in the extension play no part
        {"notes", "notes"},
        {"", ""},
        {"t\xc3\xa9st5.swf", "t\xc3\xa9st0005.swf"},
        {"test\xd9\xa3.swf", "test\xd9\xa3.swf"},  // ARABIC-INDIC DIGIT THREE is no page number
    };
    for (const auto& c : cases) {
        EXPECT_EQ(paddedPageName(QString::fromUtf8(c.name)), QString::fromUtf8(c.expected))
            << c.name;
    }
}

TEST(AssemblyNames, XmlEscaped) {
    EXPECT_EQ(xmlEscaped(QStringLiteral("a'b\"c<d>e&f")),
              QStringLiteral("a&apos;b&quot;c&lt;d&gt;e&amp;f"));
    EXPECT_EQ(xmlEscaped(QStringLiteral("&amp;")), QStringLiteral("&amp;amp;"));
    EXPECT_EQ(xmlEscaped(QString::fromUtf8("gr\xc3\xbcn #5d5d61")),
              QString::fromUtf8("gr\xc3\xbcn #5d5d61"));
}

struct LayoutCase {
    const char* label;
    QStringList inTmp;
    QStringList listed;  // page list order; each also lies in data
};

TEST(Assembly, PagesRenamedMovedAndListedInNameOrder) {
    const LayoutCase cases[] = {
        {"twelve pages", numbered("test%1.swf", 1, 12), numbered("test%1.swf", 1, 12, 4)},
        {"page range with gaps",
         {"test1.swf", "test4.swf", "test10.swf"},
         {"test0001.swf", "test0004.swf", "test0010.swf"}},
        {"five-digit pages",
         {"test999.swf", "test1000.swf", "test1001.swf", "test10000.swf"},
         {"test0999.swf", "test1000.swf", "test10000.swf", "test1001.swf"}},
        {"characters after the digits", {"test3b.swf"}, {"test0003.swf"}},
        {"two files pad to one name", {"test03.swf", "test3.swf"}, {"test0003.swf", "test3.swf"}},
        {"already padded beside unpadded",
         {"test0002.swf", "test1.swf"},
         {"test0001.swf", "test0002.swf"}},
        {"a name without digits", {"notes.txt", "test1.swf"}, {"notes.txt", "test0001.swf"}},
    };
    for (const auto& c : cases) {
        Book book;
        book.addPages(c.inTmp);
        const AssemblyOutcome outcome = book.assemble();
        EXPECT_TRUE(outcome.ok) << c.label << ": " << outcome.error.toStdString();
        EXPECT_EQ(book.pageList(), defaultHead + pageLines(c.listed) + "</content>") << c.label;
        QStringList inData = c.listed;
        inData << QStringLiteral("pages.xml");
        inData.sort();
        EXPECT_EQ(sortedFiles(book.folder.dataFolder), inData) << c.label;
        EXPECT_FALSE(QFileInfo::exists(book.folder.tmpFolder)) << c.label;
    }
}

TEST(Assembly, TheFirstOfTwoClashingPagesTakesThePaddedName) {
    Book book;
    book.addPages({QStringLiteral("test03.swf"), QStringLiteral("test3.swf")});
    ASSERT_TRUE(book.assemble().ok);
    EXPECT_EQ(book.dataFile(QStringLiteral("test0003.swf")), QByteArray("test03.swf"));
    EXPECT_EQ(book.dataFile(QStringLiteral("test3.swf")), QByteArray("test3.swf"));
}

TEST(Assembly, EmptyTmpGivesHeadLineAndClosingTagOnly) {
    Book book;
    ASSERT_TRUE(book.assemble().ok);
    EXPECT_EQ(book.pageList(), defaultHead + "</content>");
    EXPECT_FALSE(QFileInfo::exists(book.folder.tmpFolder));
}

TEST(Assembly, HeadLineCarriesResolvedSizeAndEscapedValues) {
    Book book;
    book.addPages({QStringLiteral("a&b'1.swf")});
    FlipbookSettings settings;
    settings.pageWidth = QStringLiteral("400mm");  // converted once: twice would give ''
    settings.pageHeight = QStringLiteral("842");
    settings.sizeSource = SizeSource::WidthHeight;
    settings.zoom = 144;
    settings.buttonColor = QStringLiteral("a'b");
    settings.panelColor = QStringLiteral("<x>");
    settings.textColor = QStringLiteral("\"q\"&");
    settings.backgroundColor = QString::fromUtf8("gr\xc3\xbcn");
    settings.hardCover = QString();
    ASSERT_TRUE(assembleFlipbook(book.folder, settings, book.programFolder).ok);
    EXPECT_EQ(book.pageList(),
              QByteArray("<content width='2954.4' height='1684' buttoncolor='a&apos;b' "
                         "panelcolor='&lt;x&gt;' textcolor='&quot;q&quot;&amp;' "
                         "backgroundcolor='gr\xc3\xbcn' hcover='' gotolabel='Go to'>\n"
                         "<page src='data/a&amp;b&apos;0001.swf'/>\n"
                         "</content>"));
    EXPECT_EQ(book.dataFile(QStringLiteral("a&b'0001.swf")), QByteArray("a&b'1.swf"));
}

TEST(Assembly, SecondRunReplacesItsPagesAndKeepsTheRest) {
    Book book;
    book.addPages(numbered("test%1.swf", 1, 3));
    ASSERT_TRUE(book.assemble().ok);
    writeFile(book.programFolder + QStringLiteral("/index.html"), "changed template");
    QDir().mkpath(book.folder.tmpFolder);
    writeFile(book.folder.tmpFolder + QStringLiteral("/test1.swf"), "second run 1");
    writeFile(book.folder.tmpFolder + QStringLiteral("/test2.swf"), "second run 2");
    ASSERT_TRUE(book.assemble().ok);
    EXPECT_EQ(book.pageList(),
              defaultHead + pageLines({"test0001.swf", "test0002.swf"}) + "</content>");
    EXPECT_EQ(book.dataFile(QStringLiteral("test0001.swf")), QByteArray("second run 1"));
    EXPECT_EQ(book.dataFile(QStringLiteral("test0002.swf")), QByteArray("second run 2"));
    EXPECT_EQ(book.dataFile(QStringLiteral("test0003.swf")), QByteArray("test3.swf"));
    EXPECT_EQ(readFile(book.folder.root + QStringLiteral("/index.html")), "new index.html");
}

TEST(Assembly, TemplatesAreCopiedButNeverReplaced) {
    Book book;
    writeFile(book.folder.root + QStringLiteral("/book.swf"), "my own viewer");
    QFile::remove(book.programFolder + QStringLiteral("/swfobject.js"));
    ASSERT_TRUE(book.assemble().ok);
    EXPECT_EQ(readFile(book.folder.root + QStringLiteral("/index.html")), "new index.html");
    EXPECT_EQ(readFile(book.folder.root + QStringLiteral("/book.swf")), "my own viewer");
    EXPECT_FALSE(QFileInfo::exists(book.folder.root + QStringLiteral("/swfobject.js")));
}

TEST(Assembly, OutputFolderNamedRelativelyOrWithNonAsciiCharacters) {
    const QString previous = QDir::currentPath();
    for (const bool relative : {true, false}) {
        Book book(QString::fromUtf8("b\xc3\xb6\xc3\xb6k \xe6\x9b\xb8"));
        book.addPages({QStringLiteral("test1.swf"), QStringLiteral("test2.swf")});
        if (relative) {
            ASSERT_TRUE(QDir::setCurrent(book.base.path()));
            book.folder = outputFolderFor(QString::fromUtf8("b\xc3\xb6\xc3\xb6k \xe6\x9b\xb8"));
        }
        const AssemblyOutcome outcome = book.assemble();
        QDir::setCurrent(previous);
        EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
        const QString root =
            book.base.path() + QString::fromUtf8("/b\xc3\xb6\xc3\xb6k \xe6\x9b\xb8");
        EXPECT_EQ(sortedFiles(root + QStringLiteral("/data")),
                  QStringList({"pages.xml", "test0001.swf", "test0002.swf"}));
        EXPECT_EQ(sortedFiles(root), QStringList({"book.swf", "index.html", "swfobject.js"}));
        EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/tmp")));
    }
}

TEST(Assembly, APageThatCannotBeMovedStaysInTmpAndIsNotListed) {
    Book book;
    book.addPages(numbered("test%1.swf", 1, 3));
    // An older "page" that no file can replace.
    QDir().mkpath(book.folder.dataFolder + QStringLiteral("/test0002.swf/keep"));
    const AssemblyOutcome outcome = book.assemble();
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("test0002.swf")))
        << outcome.error.toStdString();
    EXPECT_FALSE(outcome.error.contains(u'\n'));
    EXPECT_EQ(book.pageList(),
              defaultHead + pageLines({"test0001.swf", "test0003.swf"}) + "</content>");
    EXPECT_EQ(sortedFiles(book.folder.tmpFolder), QStringList({"test0002.swf"}));
    EXPECT_TRUE(QFileInfo::exists(book.folder.dataFolder + QStringLiteral("/test0002.swf/keep")));
}

TEST(Assembly, AnUnwritablePageListLeavesTheOlderBookUntouched) {
    Book book;
    writeFile(book.folder.dataFolder + QStringLiteral("/test0001.swf"), "older page");
    QDir().mkpath(book.folder.pageListPath);  // a folder where the page list belongs
    book.addPages({QStringLiteral("test1.swf")});
    const AssemblyOutcome outcome = book.assemble();
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("cannot write the page list ")))
        << outcome.error.toStdString();
    EXPECT_EQ(book.dataFile(QStringLiteral("test0001.swf")), QByteArray("older page"));
    EXPECT_EQ(sortedFiles(book.folder.tmpFolder), QStringList({"test1.swf"}));
}

// data on another file system cannot take a rename; the pages are copied over instead.
TEST(Assembly, PagesReachADataFolderOnAnotherFileSystem) {
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/quavelin-test-XXXXXX"));
    Book book;
    struct stat local {};
    struct stat remote {};
    if (!elsewhere.isValid() || ::stat(QFile::encodeName(book.base.path()), &local) != 0 ||
        ::stat(QFile::encodeName(elsewhere.path()), &remote) != 0 ||
        local.st_dev == remote.st_dev) {
        GTEST_SKIP() << "no second file system for temporary files";
    }
    QDir(book.folder.dataFolder).removeRecursively();
    ASSERT_TRUE(QFile::link(elsewhere.path(), book.folder.dataFolder));
    writeFile(book.folder.dataFolder + QStringLiteral("/test0001.swf"), "older page");
    book.addPages(numbered("test%1.swf", 1, 2));
    const AssemblyOutcome outcome = book.assemble();
    EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
    EXPECT_EQ(book.dataFile(QStringLiteral("test0001.swf")), QByteArray("test1.swf"));
    EXPECT_EQ(sortedFiles(elsewhere.path()),
              QStringList({"pages.xml", "test0001.swf", "test0002.swf"}));
    EXPECT_FALSE(QFileInfo::exists(book.folder.tmpFolder));
}

// Only names the converter gives its pages are stale; a tmp folder the user already had may
// hold their own files, and those stay.
TEST(Assembly, StalePagesAreRemovedBeforeTheConversion) {
    Book book;
    book.addPages({"test1.swf", "test12b.swf", "test00007.swf", ".partial", "x", "notes.txt",
                   "test.swf", "mytest1.swf", "test1.swf.bak", "Test1.swf"});
    QDir().mkpath(book.folder.tmpFolder + QStringLiteral("/sub"));
    EXPECT_TRUE(hasPageFiles(book.folder));
    removeStalePages(book.folder);
    EXPECT_FALSE(hasPageFiles(book.folder));
    EXPECT_EQ(sortedFiles(book.folder.tmpFolder),
              (QStringList{".partial", "Test1.swf", "mytest1.swf", "notes.txt", "test.swf",
                           "test1.swf.bak", "x"}));
    EXPECT_EQ(readFile(book.folder.tmpFolder + QStringLiteral("/notes.txt")), "notes.txt");
    EXPECT_TRUE(QFileInfo(book.folder.tmpFolder + QStringLiteral("/sub")).isDir());
}

TEST(Assembly, OtherFilesInTmpAreNoSignOfPages) {
    Book book;
    book.addPages({"notes.txt", "test.swf"});
    EXPECT_FALSE(hasPageFiles(book.folder));
}

}  // namespace
