// Black-box tests of how the tool guards a book: runs that are killed, two runs at once, the
// user's files in tmp, links inside the output folder, odd folder names, long books and values
// refused before anything is made.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <sys/resource.h>
#include <csignal>

#include "tool_test_fixture.h"

namespace {

constexpr int kWaitMilliseconds = 20000;

class ToolGuard : public ToolTest {
protected:
    void script(const QStringList& pages, double sleepSeconds = 0, int pageCount = 0) {
        FakeConverterScript s;
        s.infoReply = "p width=100 height=200\n";
        s.pages = pages;
        s.sleepSeconds = sleepSeconds;
        s.pageCount = pageCount;
        ASSERT_TRUE(writeFakeScript(sandbox.programFolder, s));
    }
    // A finished book of two pages from an earlier run.
    void makeEarlierBook() {
        script({"1", "2"});
        ASSERT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
        QFile::remove(sandbox.programFolder + "/fake-converter.log");
        earlierList = readFile(inWork("out/data/pages.xml"));
    }
    void expectEarlierBook() {
        EXPECT_EQ(entryNames(inWork("out/data")),
                  (QStringList{"pages.xml", "test0001.swf", "test0002.swf"}));
        EXPECT_EQ(readFile(inWork("out/data/pages.xml")), earlierList);
        EXPECT_EQ(readFile(inWork("out/data/test0002.swf")), "fake page 2\n");
    }
    void startTool(QProcess& tool, const QStringList& arguments) {
        tool.setWorkingDirectory(sandbox.workFolder);
        tool.start(sandbox.toolPath, arguments);
        ASSERT_TRUE(tool.waitForStarted());
    }
    // The converter's process id, once it has written its pages and begun to wait.
    qint64 waitForConverter() {
        const QString pidFile = sandbox.programFolder + "/fake-converter.pid";
        const QDeadlineTimer deadline(kWaitMilliseconds);
        while (!deadline.hasExpired()) {
            const QByteArray pid = readFile(pidFile).trimmed();
            if (!pid.isEmpty()) {
                return pid.toLongLong();
            }
            QThread::msleep(20);
        }
        return -1;
    }

    QByteArray earlierList;
};

// Gone, or a zombie that no one has reaped yet: either way it writes nothing more.
bool processEnded(qint64 pid) {
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return stat.isEmpty() || (close > 0 && stat.mid(close + 2, 1) == "Z");
}

bool endsWithinASecond(qint64 pid) {
    const QDeadlineTimer deadline(1000);
    while (!processEnded(pid)) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

class ToolKilled : public ToolGuard, public testing::WithParamInterface<int> {};

// Killed while the converter works: the converter ends with the tool, the earlier book stays,
// and the next run makes the new book whole.
TEST_P(ToolKilled, ConverterEndsWithTheToolAndTheRerunIsWhole) {
    const int signal = GetParam();
    makeEarlierBook();
    script({"1", "2", "3"}, 60);
    QProcess tool;
    startTool(tool, {"book.pdf", "out"});
    const qint64 converter = waitForConverter();
    ASSERT_GT(converter, 0);

    ::kill(static_cast<pid_t>(tool.processId()), signal);
    ASSERT_TRUE(tool.waitForFinished(kWaitMilliseconds));

    EXPECT_TRUE(endsWithinASecond(converter));
    EXPECT_FALSE(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0);
    if (signal != SIGKILL) {
        EXPECT_EQ(tool.exitCode(), 128 + signal);
        EXPECT_EQ(tool.readAllStandardError().count('\n'), 1);
        EXPECT_FALSE(pathExists(inWork("out/tmp")));
    }
    expectEarlierBook();
    script({"1", "2", "3"});
    ASSERT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    EXPECT_EQ(entryNames(inWork("out/data")),
              (QStringList{"pages.xml", "test0001.swf", "test0002.swf", "test0003.swf"}));
    EXPECT_TRUE(readFile(inWork("out/data/pages.xml")).contains("test0003.swf"));
    EXPECT_EQ(entryNames(inWork("out")), (QStringList{".quavelin.lock", "data"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, ToolKilled, testing::Values(SIGTERM, SIGINT, SIGHUP, SIGKILL),
                         [](const auto& info) { return std::to_string(info.param); });

TEST_F(ToolGuard, SecondRunIntoTheSameFolderFailsAtOnce) {
    script({"1", "2", "3"}, 2);
    QProcess first;
    startTool(first, {"book.pdf", "out"});
    ASSERT_GT(waitForConverter(), 0);
    QElapsedTimer clock;
    clock.start();

    const ToolRun second = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.err, "another run is writing the book in out\n");
    ASSERT_TRUE(first.waitForFinished(kWaitMilliseconds));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(entryNames(inWork("out/data")),
              (QStringList{"pages.xml", "test0001.swf", "test0002.swf", "test0003.swf"}));
    EXPECT_EQ(readConverterLog(sandbox.programFolder).size(), 2U);
}

// The user's own files in tmp, some named much like pages, through a good and a failed run.
TEST_F(ToolGuard, UsersFilesInTmpAreNeverTouched) {
    const QStringList mine{"notes.txt", "photo7.jpg", "test-results-final.swf", "testimony.swf",
                           "test12.swf.bak"};
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/tmp"));
    for (const QString& name : mine) {
        ASSERT_TRUE(writeFile(inWork("out/tmp/" + name), "mine " + name.toUtf8()));
    }
    for (const bool converts : {true, false}) {
        script(converts ? QStringList{"1"} : QStringList{});
        EXPECT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, converts ? 0 : 1);
        QStringList sorted = mine;
        sorted.sort();
        EXPECT_EQ(entryNames(inWork("out/tmp")), sorted);
        for (const QString& name : mine) {
            EXPECT_EQ(readFile(inWork("out/tmp/" + name)), "mine " + name.toUtf8());
        }
        EXPECT_EQ(entryNames(inWork("out/data")), (QStringList{"pages.xml", "test0001.swf"}));
    }
}

struct LinkCase {
    const char* name;
    const char* linkPath;  // inside out/, pointing at the folder "outside"
};

void PrintTo(const LinkCase& c, std::ostream* os) {
    *os << c.name;
}

const LinkCase kLinkCases[] = {
    {"data", "data"},
    {"page_list", "data/pages.xml"},
    {"tmp", "tmp"},
    {"page_name", "data/test0001.swf"},
};

class ToolLinks : public ToolGuard, public testing::WithParamInterface<LinkCase> {};

TEST_P(ToolLinks, LinkWhereTheToolWritesIsRefusedAndNothingOutsideChanges) {
    const LinkCase& c = GetParam();
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("outside"));
    ASSERT_TRUE(writeFile(inWork("outside/victim"), "keep"));
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/data"));
    if (QString(c.linkPath) == "data") {
        ASSERT_TRUE(QDir(inWork("out")).rmdir("data"));
    }
    ASSERT_TRUE(QFile::link(inWork("outside"), inWork(QString("out/") + c.linkPath)));
    script({"1", "2"});

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "out/" + QByteArray(c.linkPath) +
                           " is a symbolic link; the tool does not write through links\n");
    EXPECT_EQ(entryNames(inWork("outside")), QStringList{"victim"});
    EXPECT_EQ(readFile(inWork("outside/victim")), "keep");
    EXPECT_TRUE(QFileInfo(inWork(QString("out/") + c.linkPath)).isSymLink());
    EXPECT_TRUE(readConverterLog(sandbox.programFolder).empty());
}

INSTANTIATE_TEST_SUITE_P(Links, ToolLinks, testing::ValuesIn(kLinkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolGuard, PercentInTheFolderNameIsNoPlaceholder) {
    for (const char* folder : {"50% off", "%", "a%%b%"}) {
        script({"1", "2"});
        const ToolRun run = runTool(sandbox, {"book.pdf", folder});
        EXPECT_EQ(run.exitStatus, 0) << folder << run.err.toStdString();
        EXPECT_EQ(entryNames(inWork(folder) + "/data"),
                  (QStringList{"pages.xml", "test0001.swf", "test0002.swf"}))
            << folder;
    }
}

TEST_F(ToolGuard, TenThousandAndFivePagesAreListedInPageOrder) {
    script({}, 0, 10005);
    ASSERT_EQ(runTool(sandbox, {"book.pdf", "out"}).exitStatus, 0);
    const QList<QByteArray> lines = readFile(inWork("out/data/pages.xml")).split('\n');
    ASSERT_EQ(lines.size(), 10007);
    for (int page = 1; page <= 10005; ++page) {
        const QByteArray name = "test" + QByteArray::number(page).rightJustified(4, '0') + ".swf";
        ASSERT_EQ(lines[page], "<page src='data/" + name + "'/>") << page;
    }
}

TEST_F(ToolGuard, ConverterPastTheDeadlineIsStopped) {
    makeEarlierBook();
    script({"1"}, 60);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUAVELIN_CONVERTER_DEADLINE_SECONDS", "1");

    const ToolRun run =
        runProgram(sandbox.toolPath, {"book.pdf", "out"}, sandbox.workFolder, environment);

    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(run.err.endsWith(" did not finish within 1 seconds and was stopped\n"))
        << run.err.toStdString();
    expectEarlierBook();
    EXPECT_FALSE(pathExists(inWork("out/tmp")));
}

// 100 MB of error output: the tool keeps a tail, still quotes the last line, and stays small.
TEST_F(ToolGuard, LongErrorOutputIsNotKeptWhole) {
    FakeConverterScript s;
    s.convertStderr = QByteArray(999, 'x') + "\npage 7 is damaged\n";
    s.stderrRepeat = 100000;
    s.convertExitStatus = 1;
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, s));

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(run.err.endsWith(" failed with exit status 1: page 7 is damaged\n"));
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "KiB";
}

struct ValueCase {
    const char* name;
    QStringList options;
    const char* errorStart;  // empty: accepted
    const char* listed;      // when accepted: in the page list's head line
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.name;
}

const ValueCase kValueCases[] = {
    {"zero_width", {"-pw", "0"}, "invalid value \"0\" for -pw", ""},
    {"zero_height_mm", {"-ph", "0mm"}, "invalid value \"0mm\" for -ph", ""},
    {"negative_width", {"-pw", "-5"}, "invalid value \"-5\" for -pw", ""},
    {"infinite_width", {"-pw", "inf"}, "invalid value \"inf\" for -pw", ""},
    {"huge_width", {"-pw", QString(400, '9') + "in"}, "invalid value \"999", ""},
    {"colour_name", {"-bc", "red"}, "invalid value \"red\" for -bc", ""},
    {"short_colour", {"-bgc", "fff"}, "invalid value \"fff\" for -bgc", ""},
    {"cover_yes", {"-hc", "yes"}, "invalid value \"yes\" for -hc", ""},
    {"hash_colour", {"-bc", "#ff0000"}, "", "buttoncolor='ff0000'"},
    {"cover_true", {"-hc", "true"}, "", "hcover='true'"},
};

class ToolValues : public ToolGuard, public testing::WithParamInterface<ValueCase> {};

// A refused value stops the run before the output folder is made or the converter started.
TEST_P(ToolValues, RefusedBeforeAnythingIsMade) {
    const ValueCase& c = GetParam();
    script({"1"});
    const ToolRun run = runTool(sandbox, QStringList{"book.pdf", "fresh"} + c.options);
    if (QByteArray(c.errorStart).isEmpty()) {
        EXPECT_EQ(run.exitStatus, 0);
        const QByteArray list = readFile(inWork("fresh/data/pages.xml"));
        EXPECT_TRUE(list.contains(c.listed)) << list.left(200).toStdString();
        EXPECT_FALSE(list.contains('#'));
        return;
    }
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(run.err.startsWith(c.errorStart)) << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1);
    EXPECT_FALSE(pathExists(inWork("fresh")));
    EXPECT_TRUE(readConverterLog(sandbox.programFolder).empty());
}

INSTANTIATE_TEST_SUITE_P(Values, ToolValues, testing::ValuesIn(kValueCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
