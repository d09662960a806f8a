// Black-box tests of the tool's converter runs: the exact command lines, where the converter is
// found, and how failed conversions leave an earlier book alone.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include "tool_test_fixture.h"

namespace {

class ToolRuns : public ToolTest {
protected:
    // An earlier, complete book in work/out that a failed run must leave exactly as it was.
    void writeEarlierBook() {
        ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/data"));
        ASSERT_TRUE(writeFile(inWork("out/data/pages.xml"), "earlier list"));
        ASSERT_TRUE(writeFile(inWork("out/data/test0001.swf"), "earlier page"));
    }
    void expectEarlierBookUntouched() {
        EXPECT_EQ(readFile(inWork("out/data/pages.xml")), "earlier list");
        EXPECT_EQ(readFile(inWork("out/data/test0001.swf")), "earlier page");
        EXPECT_EQ(entryNames(inWork("out/data")), (QStringList{"pages.xml", "test0001.swf"}));
        EXPECT_FALSE(pathExists(inWork("out/index.html")));
    }
};

struct CommandLineCase {
    const char* name;
    QStringList arguments;
    ConverterArguments infoQuery;
    ConverterArguments conversion;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) {
    *os << c.name;
}

// The converter runs in its own work folder: the PDF by its absolute path, the bare pattern, and
// the address of the book's font library first.
const CommandLineCase kCommandLineCases[] = {
    {"no_options",
     {"book.pdf", "out"},
     {"-I", "book.pdf"},
     {"-L", "data/fonts.swf", "{work}/book.pdf", "test%.swf"}},
    {"trailing_slash_changes_nothing",
     {"book.pdf", "out/"},
     {"-I", "book.pdf"},
     {"-L", "data/fonts.swf", "{work}/book.pdf", "test%.swf"}},
    {"paths_with_spaces_pass_unchanged",
     {"book.pdf", "my out"},
     {"-I", "book.pdf"},
     {"-L", "data/fonts.swf", "{work}/book.pdf", "test%.swf"}},
    {"percent_in_folder_name_is_no_placeholder",
     {"book.pdf", "50% off"},
     {"-I", "book.pdf"},
     {"-L", "data/fonts.swf", "{work}/book.pdf", "test%.swf"}},
    {"options_become_switches_of_the_conversion_only",
     {"book.pdf", "out", "-zlib", "-jpegquality", "80", "-pagerange", "1-3", "-password", "se cret",
      "-ZOOM", "150dpi"},
     {"-I", "book.pdf"},
     {"-L", "data/fonts.swf", "-z", "-j", "80", "-p", "1-3", "-P", "se cret", "-s", "zoom=150dpi",
      "{work}/book.pdf", "test%.swf"}},
    {"addcmd_words_pass_unchanged",
     {"book.pdf", "out", "-pp", "A4", "-addcmd", "-z", "-pw", "with space", "line\nbreak", ""},
     {"-I", "book.pdf"},
     {"-L", "data/fonts.swf", "-z", "-pw", "with space", "line\nbreak", "", "{work}/book.pdf",
      "test%.swf"}},
    {"value_option_last_is_ignored",
     {"book.pdf", "out", "-flatten", "-pagerange"},
     {"-I", "book.pdf"},
     {"-L", "data/fonts.swf", "-G", "{work}/book.pdf", "test%.swf"}},
    {"folder_in_current_folder_prefix",
     {"./book.pdf", "./out"},
     {"-I", "./book.pdf"},
     {"-L", "data/fonts.swf", "{work}/book.pdf", "test%.swf"}},
};

ConverterArguments withWorkFolder(ConverterArguments arguments, const QString& workFolder) {
    for (std::string& argument : arguments) {
        if (argument.rfind("{work}", 0) == 0) {
            argument.replace(0, 6, workFolder.toStdString());
        }
    }
    return arguments;
}

class ToolCommandLines : public ToolRuns, public testing::WithParamInterface<CommandLineCase> {};

TEST_P(ToolCommandLines, ConverterGetsExactArgumentLists) {
    const CommandLineCase& c = GetParam();
    const ToolRun run = runTool(sandbox, c.arguments);
    EXPECT_FALSE(run.crashed);
    const auto runs = readConverterLog(sandbox.programFolder);
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_EQ(runs[0], c.infoQuery);
    EXPECT_EQ(runs[1], withWorkFolder(c.conversion, sandbox.workFolder));
}

INSTANTIATE_TEST_SUITE_P(Lines, ToolCommandLines, testing::ValuesIn(kCommandLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct StoppedCase {
    const char* name;
    QStringList options;
    bool helpOnStdout;
    const char* errorStart;
};

void PrintTo(const StoppedCase& c, std::ostream* os) {
    *os << c.name;
}

const StoppedCase kStoppedCases[] = {
    {"unrecognised_option", {"-bogus"}, true, ""},
    {"version_word_after_folder", {"-zlib", "-v"}, true, ""},
    {"stray_value", {"-bc", "ff0000", "blue"}, true, ""},
    {"width_taking_an_option_name", {"-pw", "-ph", "500"}, false, "invalid value \"-ph\" for -pw"},
    {"unknown_unit", {"-pw", "21cm"}, false, "invalid value \"21cm\" for -pw"},
    {"unknown_paper", {"-pp", "a4"}, false, "invalid value \"a4\" for -pp"},
    {"zoom_without_number", {"-zoom", "abc"}, false, "invalid value \"abc\" for -zoom"},
};

class ToolStoppedByOptions : public ToolRuns, public testing::WithParamInterface<StoppedCase> {};

// Nothing is converted or made: the converter never ran, and the earlier book is left as it was.
TEST_P(ToolStoppedByOptions, StatusOneBeforeAnyConversion) {
    const StoppedCase& c = GetParam();
    writeEarlierBook();
    const ToolRun run = runTool(sandbox, QStringList{"book.pdf", "out"} + c.options);

    EXPECT_EQ(run.exitStatus, 1);
    if (c.helpOnStdout) {
        EXPECT_EQ(run.out.count('\n'), 54);
        EXPECT_TRUE(run.out.startsWith("Quavelin software does convert"));
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.startsWith(c.errorStart)) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1);
        EXPECT_TRUE(run.err.endsWith('\n'));
    }
    EXPECT_TRUE(readConverterLog(sandbox.programFolder).empty());
    EXPECT_EQ(entryNames(inWork("out")), QStringList{"data"});
    expectEarlierBookUntouched();
}

INSTANTIATE_TEST_SUITE_P(Options, ToolStoppedByOptions, testing::ValuesIn(kStoppedCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolRuns, AbsolutePathsPassUnchanged) {
    const QString pdf = inWork("book.pdf");
    const QString out = inWork("abs");
    runTool(sandbox, {pdf, out});
    const auto runs = readConverterLog(sandbox.programFolder);
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_EQ(runs[1],
              (ConverterArguments{"-L", "data/fonts.swf", pdf.toStdString(), "test%.swf"}));
}

TEST_F(ToolRuns, ConverterFoundWhenStartedByRelativePathFromElsewhere) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkdir("elsewhere"));
    FakeConverterScript script;
    script.pages = QStringList{"1"};
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, script));
    const ToolRun run =
        runProgram("../../prog/quavelin", {"../book.pdf", "out"}, inWork("elsewhere"));
    EXPECT_EQ(run.out, "");
    const auto runs = readConverterLog(sandbox.programFolder);
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_EQ(runs[0], (ConverterArguments{"-I", "../book.pdf"}));
    EXPECT_TRUE(QDir(inWork("elsewhere/out/data")).exists());
}

// Started by a bare name found on PATH through a link: the converter beside the real executable
// runs, never one lying in the working folder.
TEST_F(ToolRuns, ConverterFoundThroughSymlinkOnPathAndDecoyIgnored) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkdir("bin"));
    ASSERT_TRUE(QFile::link(sandbox.toolPath, inWork("bin/quavelin")));
    ASSERT_TRUE(installFakeConverter(sandbox.workFolder));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", inWork("bin") + ":/usr/bin:/bin");

    const ToolRun run = runProgram("/bin/sh", {"-c", "exec quavelin book.pdf out"},
                                   sandbox.workFolder, environment);

    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(readConverterLog(sandbox.programFolder).size(), 2U);
    EXPECT_TRUE(readConverterLog(sandbox.workFolder).empty());
}

struct FailureCase {
    const char* name;
    FakeConverterScript script;
    bool converterInstalled;
    const char* messageStart;  // after the program folder is put in place of {prog}
    const char* messageEnd;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

const FailureCase kFailureCases[] = {
    {"converter_missing", {}, false, "cannot start the page converter {prog}/swfsdk.dll: ", ""},
    {"nonzero_exit_with_last_stderr_line",
     {"", {"1"}, "reading book.pdf\nwrong password\n", 5, false},
     true,
     "the page converter {prog}/swfsdk.dll failed with exit status 5: wrong password",
     "wrong password"},
    {"nonzero_exit_silent",
     {"", {}, "", 1, false},
     true,
     "the page converter {prog}/swfsdk.dll failed with exit status 1",
     "status 1"},
    {"no_page_files",
     {"", {}, "", 0, false},
     true,
     "the page converter produced no page files from book.pdf",
     "book.pdf"},
    {"crash",
     {"", {"1"}, "", 0, true},
     true,
     "the page converter {prog}/swfsdk.dll crashed",
     "crashed"},
};

class ToolConversionFailures : public ToolRuns, public testing::WithParamInterface<FailureCase> {};

TEST_P(ToolConversionFailures, ReportOneLineAndKeepEarlierBook) {
    const FailureCase& c = GetParam();
    if (!c.converterInstalled) {
        ASSERT_TRUE(QFile::remove(sandbox.programFolder + "/swfsdk.dll"));
    }
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, c.script));
    writeEarlierBook();

    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});

    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    const QString err = QString::fromUtf8(run.err);
    const QString start = QString(c.messageStart).replace("{prog}", sandbox.programFolder);
    EXPECT_TRUE(err.startsWith(start)) << err.toStdString();
    EXPECT_TRUE(err.endsWith(QString(c.messageEnd) + "\n")) << err.toStdString();
    EXPECT_EQ(err.count('\n'), 1);
    expectEarlierBookUntouched();
}

// The run made "fresh" itself, so a failure takes it away again instead of leaving a folder that
// holds nothing but the lock file; a folder that was there before stays.
TEST_P(ToolConversionFailures, RemoveTheFolderTheRunMade) {
    const FailureCase& c = GetParam();
    if (!c.converterInstalled) {
        ASSERT_TRUE(QFile::remove(sandbox.programFolder + "/swfsdk.dll"));
    }
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, c.script));
    ASSERT_TRUE(QDir(sandbox.workFolder).mkdir("existing"));

    EXPECT_EQ(runTool(sandbox, {"book.pdf", "fresh"}).exitStatus, 1);
    EXPECT_EQ(runTool(sandbox, {"book.pdf", "existing"}).exitStatus, 1);

    EXPECT_FALSE(pathExists(inWork("fresh")));
    EXPECT_TRUE(QFileInfo(inWork("existing")).isDir());
    EXPECT_EQ(entryNames(inWork("existing")), QStringList{".quavelin.lock"});
}

INSTANTIATE_TEST_SUITE_P(Failures, ToolConversionFailures, testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolRuns, ConverterThatCannotBeExecutedIsReported) {
    ASSERT_TRUE(QFile::setPermissions(sandbox.programFolder + "/swfsdk.dll",
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    writeEarlierBook();
    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(run.err.startsWith("cannot start the page converter ")) << run.err.toStdString();
    expectEarlierBookUntouched();
}

}  // namespace
