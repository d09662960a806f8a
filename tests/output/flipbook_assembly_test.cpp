// Unit tests of the book's assembly on temporary output folders: page names and order, the page
// list, and the publication of a new book over an old one, stopped at every step.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>

#include "output/book_folder.h"
#include "output/flipbook_assembly.h"

namespace {

const QByteArray kDefaultHead =
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

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

UniqueFd openPath(const QString& path) {
    return UniqueFd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY));
}

// An output folder with an old book, a converter's work folder holding the new pages, and a
// program folder with the viewer files and a player folder.
struct Book {
    QTemporaryDir base;
    QString root = base.path() + "/book";
    QString run = base.path() + "/book/tmp/run";
    QString program = base.path() + "/program";
    bool ownPlayer = true;

    Book() {
        QDir().mkpath(run);
        QDir().mkpath(program);
        for (const char* name : {"index.html", "book.swf", "swfobject.js"}) {
            writeFile(program + "/" + name, QByteArray("new ") + name);
        }
        QDir().mkpath(program + "/ruffle/extra");
        for (const char* name : {"ruffle.js", "core.wasm", "LICENSE_MIT", "extra/chunk.js"}) {
            writeFile(program + "/ruffle/" + name, QByteArray("player ") + name);
        }
    }
    void addOldBook() const {
        QDir().mkpath(root + "/data/mine");
        writeFile(root + "/data/pages.xml", "old list");
        writeFile(root + "/data/test0001.swf", "old 1");
        writeFile(root + "/data/test0009.swf", "old 9");
        writeFile(root + "/data/notes.txt", "my notes");
        writeFile(root + "/data/mine/photo.jpg", "my photo");
    }
    void addNewPages(const QStringList& numbers) const {
        for (const QString& number : numbers) {
            writeFile(run + "/test" + number + ".swf", "new " + number.toUtf8());
        }
    }
    QString publish(const StepCheck& check = [](PublishStep) { return true; }) const {
        const UniqueFd rootFd = openPath(root);
        const UniqueFd runFd = openPath(run);
        PublishRequest request{rootFd.fd,  runFd.fd, listPageFiles(runFd.fd),
                               "new list", program,  ownPlayer};
        return publishBook(request, check);
    }
    void expectOldBookUntouched() const {
        EXPECT_EQ(entries(root), (QStringList{"data", "tmp"}));
        EXPECT_EQ(entries(root + "/data"),
                  (QStringList{"mine", "notes.txt", "pages.xml", "test0001.swf", "test0009.swf"}));
        EXPECT_EQ(readFile(root + "/data/pages.xml"), "old list");
        EXPECT_EQ(readFile(root + "/data/test0001.swf"), "old 1");
        EXPECT_EQ(readFile(root + "/data/mine/photo.jpg"), "my photo");
    }
};

QStringList listedNames(const std::vector<PageFile>& pages) {
    QStringList names;
    for (const PageFile& page : pages) {
        names << QString::fromLatin1(page.name);
    }
    return names;
}

TEST(AssemblyNames, OnlyTestDigitsSwfAreTheConvertersPages) {
    for (const char* name : {"test1.swf", "test0007.swf", "test12345678901234567890.swf"}) {
        EXPECT_TRUE(isPageFileName(name)) << name;
    }
    for (const char* name :
         {"test.swf", "test-results-final.swf", "testimony.swf", "test12.swf.bak", "test3b.swf",
          "Test1.swf", "test1.SWF", "photo7.jpg", "notes.txt", "test\xd9\xa3.swf", ""}) {
        EXPECT_FALSE(isPageFileName(name)) << name;
    }
    EXPECT_EQ(paddedPageName("7"), "test0007.swf");
    EXPECT_EQ(paddedPageName("12345"), "test12345.swf");
}

// Name order put 10000 between 1000 and 1001.
TEST(AssemblyNames, PagesInNumberOrderAtAnyCount) {
    Book book;
    book.addNewPages({"10000", "9999", "1001", "1000", "2", "007", "7", "10001"});
    writeFile(book.run + "/testimony.swf", "not a page");
    QDir().mkpath(book.run + "/test5.swf");  // a folder is no page
    const UniqueFd run = openPath(book.run);
    EXPECT_EQ(listedNames(listPageFiles(run.fd)),
              (QStringList{"test2.swf", "test007.swf", "test1000.swf", "test1001.swf",
                           "test9999.swf", "test10000.swf", "test10001.swf"}));
}

TEST(AssemblyNames, XmlEscaped) {
    EXPECT_EQ(xmlEscaped(QStringLiteral("a'b\"c<d>e&f")),
              QStringLiteral("a&apos;b&quot;c&lt;d&gt;e&amp;f"));
    EXPECT_EQ(xmlEscaped(QStringLiteral("&amp;")), QStringLiteral("&amp;amp;"));
}

TEST(AssemblyPageList, HeadLineCarriesSettingsEscaped) {
    FlipbookSettings settings;
    settings.buttonColor = QStringLiteral("a'b");
    settings.hardCover = QStringLiteral("<x>");
    EXPECT_EQ(pageListDocument(settings, {"test0001.swf"}),
              QByteArray("<content width='595' height='842' buttoncolor='a&apos;b' "
                         "panelcolor='5d5d61' textcolor='ffffff' backgroundcolor='cccccc' "
                         "hcover='&lt;x&gt;' gotolabel='Go to'>\n"
                         "<page src='data/test0001.swf'/>\n</content>"));
    EXPECT_EQ(pageListDocument(FlipbookSettings{}, {}), kDefaultHead + "</content>");
}

// -direction decides where it is given, the PDF's own word where not; only right-to-left books say
// so, and -download names the copy of the PDF.
TEST(AssemblyPageList, DirectionAndDownloadInTheHeadLine) {
    const auto indexWith = [](const char* direction) {
        QString problem;
        const QByteArray json = QByteArray("{\"version\":1,\"direction\":\"") + direction + "\"}";
        return summarizeBookIndex(json, 0, problem);
    };
    const struct {
        const char* option;
        std::optional<BookIndexSummary> index;
        bool download;
        const char* attributes;
    } cases[] = {
        {"", std::nullopt, false, ""},
        {"", indexWith("rtl"), false, "direction='rtl' "},
        {"", indexWith("ltr"), false, ""},
        {"", indexWith("sideways"), false, ""},
        {"ltr", indexWith("rtl"), false, ""},
        {"rtl", indexWith("ltr"), false, "direction='rtl' "},
        {"rtl", std::nullopt, true, "direction='rtl' download='data/book.pdf' "},
        {"", std::nullopt, true, "download='data/book.pdf' "},
    };
    for (const auto& c : cases) {
        FlipbookSettings settings;
        settings.direction = QString::fromLatin1(c.option);
        settings.download = c.download;
        const QByteArray head = pageListDocument(settings, {}, c.index).split('\n').front();
        const qsizetype from = head.indexOf("hcover='false' ") + 15;
        const qsizetype to = head.indexOf(c.index ? "index=" : "gotolabel=");
        EXPECT_EQ(head.mid(from, to - from), c.attributes) << c.option << " " << c.attributes;
    }
}

// The new data holds the new pages, the list and the user's files; the old pages are gone.
TEST(AssemblyPublish, NewBookReplacesTheOldOneAndKeepsTheUsersFiles) {
    Book book;
    book.addOldBook();
    book.addNewPages({"1", "2"});
    writeFile(book.root + "/index.html", "my viewer page");

    EXPECT_EQ(book.publish(), "");

    EXPECT_EQ(entries(book.root + "/data"),
              (QStringList{"mine", "notes.txt", "pages.xml", "test0001.swf", "test0002.swf"}));
    EXPECT_EQ(readFile(book.root + "/data/pages.xml"), "new list");
    EXPECT_EQ(readFile(book.root + "/data/test0001.swf"), "new 1");
    EXPECT_EQ(readFile(book.root + "/data/notes.txt"), "my notes");
    EXPECT_EQ(readFile(book.root + "/data/mine/photo.jpg"), "my photo");
    EXPECT_EQ(readFile(book.root + "/index.html"), "my viewer page");
    EXPECT_EQ(readFile(book.root + "/book.swf"), "new book.swf");
    EXPECT_EQ(entries(book.root),
              (QStringList{"book.swf", "data", "index.html", "ruffle", "swfobject.js", "tmp"}));
}

// The book gets plain copies: a link in the program's player folder would point nowhere once the
// book is put on a web server.
TEST(AssemblyPlayer, ThePlayerFolderIsCopiedWholeWithoutLinks) {
    Book book;
    book.addNewPages({"1"});
    writeFile(book.base.path() + "/elsewhere.js", "outside");
    ASSERT_TRUE(QFile::link(book.base.path() + "/elsewhere.js", book.program + "/ruffle/link.js"));

    EXPECT_EQ(book.publish(), "");

    EXPECT_EQ(entries(book.root + "/ruffle"),
              (QStringList{"LICENSE_MIT", "core.wasm", "extra", "ruffle.js"}));
    for (const char* name : {"ruffle.js", "core.wasm", "LICENSE_MIT", "extra/chunk.js"}) {
        EXPECT_EQ(readFile(book.root + "/ruffle/" + name), QByteArray("player ") + name) << name;
        EXPECT_FALSE(QFileInfo(book.root + "/ruffle/" + name).isSymLink()) << name;
    }
    EXPECT_EQ(entries(book.root),
              (QStringList{"book.swf", "data", "index.html", "ruffle", "swfobject.js", "tmp"}));
}

// A book that loads a shared player gets no copy; one it has from an earlier run stays, as the
// publisher's.
TEST(AssemblyPlayer, ABookWithASharedPlayerGetsNoCopy) {
    for (const bool earlierCopy : {false, true}) {
        Book book;
        book.ownPlayer = false;
        book.addNewPages({"1"});
        if (earlierCopy) {
            QDir().mkpath(book.root + "/ruffle");
            writeFile(book.root + "/ruffle/ruffle.js", "earlier player");
        }

        EXPECT_EQ(book.publish(), "");

        EXPECT_EQ(entries(book.root).contains("ruffle"), earlierCopy);
        if (earlierCopy) {
            EXPECT_EQ(readFile(book.root + "/ruffle/ruffle.js"), "earlier player");
        }
        EXPECT_TRUE(entries(book.root).contains("index.html"));
    }
}

// A publisher's own player (another version, or trimmed) and a link put there stay as they are;
// nothing is merged into them and nothing is written through the link.
TEST(AssemblyPlayer, AnExistingPlayerEntryIsKept) {
    const struct {
        const char* what;
        bool link;
    } cases[] = {{"folder", false}, {"link", true}};
    for (const auto& c : cases) {
        Book book;
        book.addNewPages({"1"});
        const QString own = c.link ? book.base.path() + "/own-player" : book.root + "/ruffle";
        QDir().mkpath(own);
        writeFile(own + "/ruffle.js", "my player");
        if (c.link) {
            ASSERT_TRUE(QFile::link(own, book.root + "/ruffle"));
        }

        EXPECT_EQ(book.publish(), "") << c.what;

        EXPECT_EQ(QFileInfo(book.root + "/ruffle").isSymLink(), c.link) << c.what;
        EXPECT_EQ(entries(own), QStringList{"ruffle.js"}) << c.what;
        EXPECT_EQ(readFile(own + "/ruffle.js"), "my player") << c.what;
    }
}

TEST(AssemblyPlayer, AProgramFolderWithoutAPlayerMakesABookWithoutOne) {
    Book book;
    book.addNewPages({"1"});
    QDir(book.program + "/ruffle").removeRecursively();
    EXPECT_EQ(book.publish(), "");
    EXPECT_EQ(entries(book.root),
              (QStringList{"book.swf", "data", "index.html", "swfobject.js", "tmp"}));
}

TEST(AssemblyPublish, FirstBookNeedsNoOldData) {
    Book book;
    book.addNewPages({"3"});
    EXPECT_EQ(book.publish(), "");
    EXPECT_EQ(entries(book.root + "/data"), (QStringList{"pages.xml", "test0003.swf"}));
}

// Stopped before any step (a signal, or a failure there), the old book and nothing else remains.
TEST(AssemblyPublish, StoppedAtEachStepLeavesTheOldBookExactly) {
    for (const PublishStep step :
         {PublishStep::MakeFolder, PublishStep::MovePages, PublishStep::KeepUsersFiles,
          PublishStep::WritePageList, PublishStep::CopyTemplates, PublishStep::Swap}) {
        Book book;
        book.addOldBook();
        book.addNewPages({"1", "2"});
        const QString error = book.publish([step](PublishStep at) { return at != step; });
        EXPECT_FALSE(error.isEmpty()) << int(step);
        book.expectOldBookUntouched();
    }
}

// The page list file is taken before the exchange: a name in its way makes the run fail whole.
TEST(AssemblyPublish, AFailedStepRemovesWhatThePublicationMade) {
    Book book;
    book.addOldBook();
    book.addNewPages({"1"});
    QFile::remove(book.program + "/index.html");
    QDir().mkpath(book.program + "/index.html");  // cannot be read as a file
    EXPECT_TRUE(book.publish().startsWith("cannot copy index.html"));
    book.expectOldBookUntouched();
}

TEST(AssemblyFolder, LinksWhereTheToolWritesAreFound) {
    const struct {
        const char* made;  // the path that is made a link
        const char* reported;
    } cases[] = {{"data", "data"},
                 {"tmp", "tmp"},
                 {"data/pages.xml", "data/pages.xml"},
                 {"data/test0004.swf", "data/test0004.swf"}};
    for (const auto& c : cases) {
        Book book;
        QDir().mkpath(book.root + "/data");
        QDir().rmdir(book.root + "/" + c.made);
        QDir(book.root + "/tmp").removeRecursively();
        ASSERT_TRUE(QFile::link(book.base.path(), book.root + "/" + c.made));
        const UniqueFd root = openPath(book.root);
        EXPECT_EQ(linkInTheWay(root.fd), QString::fromLatin1(c.reported));
    }
}

TEST(AssemblyFolder, WorkAreaLeavesTheUsersTmpAndRemovesItsOwn) {
    Book book;
    writeFile(book.root + "/tmp/notes.txt", "mine");
    const UniqueFd root = openPath(book.root);
    {
        WorkArea area;
        ASSERT_EQ(makeWorkArea(root.fd, area), "");
        writeFile(book.root + "/tmp/" + QString::fromLatin1(area.runName) + "/test1.swf", "x");
    }
    EXPECT_EQ(entries(book.root + "/tmp"), (QStringList{"notes.txt", "run"}));
    QDir(book.root + "/tmp").removeRecursively();
    {
        WorkArea area;
        ASSERT_EQ(makeWorkArea(root.fd, area), "");
    }
    EXPECT_EQ(entries(book.root), QStringList{});
}

// A run killed outright after the exchange leaves the old data, still holding a user's folder.
TEST(AssemblyFolder, LeftoversOfAKilledRunAreClearedAndTheUsersFilesKept) {
    Book book;
    writeFile(book.root + "/tmp/notes.txt", "mine");
    QDir().mkpath(book.root + "/tmp/.quavelin-run-999");
    writeFile(book.root + "/tmp/.quavelin-run-999/test1.swf", "half a page");
    QDir().mkpath(book.root + "/data");
    writeFile(book.root + "/data/pages.xml", "new list");
    writeFile(book.root + "/data/notes.txt", "current notes");
    QDir().mkpath(book.root + "/.quavelin-data-new-999/mine");
    writeFile(book.root + "/.quavelin-data-new-999/mine/photo.jpg", "my photo");
    writeFile(book.root + "/.quavelin-data-new-999/notes.txt", "older notes");
    writeFile(book.root + "/.quavelin-data-new-999/test0001.swf", "old page");
    QDir().mkpath(book.root + "/.quavelin-ruffle-new-999");
    writeFile(book.root + "/.quavelin-ruffle-new-999/ruffle.js", "half a player");
    const UniqueFd root = openPath(book.root);

    removeLeftovers(root.fd);

    EXPECT_EQ(entries(book.root), (QStringList{"data", "tmp"}));
    EXPECT_EQ(entries(book.root + "/tmp"), (QStringList{"notes.txt", "run"}));
    EXPECT_EQ(entries(book.root + "/data"), (QStringList{"mine", "notes.txt", "pages.xml"}));
    EXPECT_EQ(readFile(book.root + "/data/notes.txt"), "current notes");
    EXPECT_EQ(readFile(book.root + "/data/mine/photo.jpg"), "my photo");
}

TEST(AssemblyFolder, OneLockPerBook) {
    Book book;
    const UniqueFd root = openPath(book.root);
    const BookLock first = lockBook(root.fd);
    ASSERT_TRUE(first.file.isOpen());
    const BookLock second = lockBook(root.fd);
    EXPECT_FALSE(second.file.isOpen());
    EXPECT_TRUE(second.heldElsewhere);
}

}  // namespace
