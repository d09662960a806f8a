// Black-box tests of the tool's command line: help and version texts, the argument checks, their
// messages and exit statuses, and the output folder's preparation.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <filesystem>
#include <iterator>

#include "tool_test_fixture.h"

namespace {

// Kept apart from the tool's own copy on purpose: any edit to the printed text must show here.
const char* const kHelpLines[] = {
    "Quavelin software does convert PDF files to Flash flipbook.",
    "Build: May  3 2012",
    "--------------------------------------------------",
    "Usage: quavelin.exe file.pdf outdir [-options]",
    "-pw <int>            : Set flipbook page width",
    "-ph <int>            : Set flipbook page height",
    "                       page width and page height, the default unit is point",
    "                       page width and page height, can enter other unit mm,in",
    "-pp <string>         : Set flipbook page width and height, paper size contain",
    "                       A4,A3,Letter,A5,A6,Legal,Executive,etc.",
    "-bc <string>         : Set flipbook button color, e.g., -bc ffffff",
    "-pc <string>         : Set flipbook panel color, e.g., -pc ffffff",
    "-tc <string>         : Set flipbook text color, e.g., -tc ffffff",
    "-bgc <string>        : Set flipbook background color, e.g., -bgc ffffff",
    "-hc <string>         : Use HardCover or not, e.g., \"-hc true\" or \"-hc false\"",
    "-direction <string>  : Set the reading direction, \"-direction rtl\" or \"ltr\"",
    "                       (default: as the PDF says, else left to right)",
    "-download            : Put a copy of the PDF into the book to download",
    "-player <string>     : Load the player from a folder shared by many books",
    "                       instead of a copy in the book, e.g. -player ../player/",
    "--------------------------------------------------",
    "[The following are useful options for PDF to Flash Conversion:]",
    "-pagerange <string>  : Set the range of pages to convert, e.g. 1-20 or ",
    "                       -pagerange 1,4,6,9-11",
    "-password <string>   : Use password for deciphering the pdf.",
    "-zlib                : Use Flash 6 (MX) zlib compression.",
    "-jpegquality <int>   : Set quality of embedded jpeg pictures to quality.",
    "                       0 is worst (small), 100 is best (big). (default:85)",
    "-shapes              : Don't use SWF Fonts, but store everything as shape.",
    "-fonts               : Store full fonts into SWF, don't reduce font data",
    "                       to used characters",
    "-flatten             : Remove as many clip layers from file as possible.",
    "-zoom <int>          : Set the resultion (default: 72)",
    "-poly2bitmap         : Convert graphics to bitmaps",
    "-all2bitmap          : Convert everything to bitmaps",
    "-flashversion <int>  : Set Flash Version in the SWF header to num",
    "-disablelinks        : Disable hyperlinks in output SWF files",
    "-addcmd <string>     : Reserved parameter for advanced users",
    "-version             : Print version info and exit",
    "-v                   : Print version info and exit",
    "------------------------------------------------------------",
    "Examples:",
    "  quavelin.exe D:\\test.pdf D:\\outdir ",
    "  quavelin.exe D:\\test.pdf D:\\outdir -pw 826 -ph 1024",
    "  quavelin.exe D:\\test.pdf D:\\outdir -pw 400mm -ph 800mm",
    "  quavelin.exe D:\\test.pdf D:\\outdir -tc ffffff",
    "  quavelin.exe D:\\test.pdf D:\\outdir -bc ff0000",
    "  quavelin.exe D:\\test.pdf D:\\outdir -pp A4",
    "  quavelin.exe D:\\test.pdf D:\\outdir -pp A4 -addcmd -z",
    "  quavelin.exe D:\\test.pdf D:\\outdir -pagerange 1,4,6,9-11",
    "  quavelin.exe D:\\test.pdf D:\\outdir -password 583920",
    "  quavelin.exe D:\\test.pdf D:\\outdir -zlib -jpegquality 80",
    "  quavelin.exe D:\\test.pdf D:\\outdir -flatten -zoom 150",
    "  quavelin.exe D:\\test.pdf D:\\outdir -all2bitmap -zoom 300",
};

QByteArray helpText() {
    QByteArray text;
    for (const char* line : kHelpLines) {
        text += QByteArray(line) + '\n';
    }
    return text;
}

const QByteArray kVersionLine = "quavelin - 2.0.0.0";

using ToolCommandLine = ToolTest;

TEST_F(ToolCommandLine, HelpTextHasItsFixedShape) {
    const QByteArray help = helpText();
    const QList<QByteArray> lines = help.split('\n');
    ASSERT_EQ(lines.size(), 55);  // 54 lines, each ending with a line feed
    EXPECT_TRUE(lines[22].endsWith("or "));
    EXPECT_TRUE(lines[42].endsWith("outdir "));
    EXPECT_EQ(lines[40].size(), 60);
}

struct ArgumentCase {
    const char* name;
    QStringList arguments;
    QByteArray out;
    int exitStatus;
};

void PrintTo(const ArgumentCase& c, std::ostream* os) {
    *os << c.name;
}

// Every path that stops before the conversion: what is printed, on which stream, with which status.
const ArgumentCase kArgumentCases[] = {
    {"no_arguments", {}, helpText(), 0},
    {"one_argument_existing_pdf", {"book.pdf"}, helpText(), 1},
    {"one_argument_other_word", {"x"}, helpText(), 1},
    {"one_argument_double_dash_version", {"--version"}, helpText(), 1},
    {"version_upper_v", {"-V"}, kVersionLine, 1},
    {"version_lower_v", {"-v"}, kVersionLine, 1},
    {"version_capitalised_word", {"-Version"}, kVersionLine, 1},
    {"version_word", {"-version"}, kVersionLine, 1},
    {"version_upper_word", {"-VERSION"}, kVersionLine, 1},
    {"missing_input", {"missing.pdf", "out"}, "missing.pdf\tFile does not exist \n", 1},
    {"missing_input_non_ascii",
     {"b\u00fcch.pdf", "out"},
     "b\xc3\xbc"
     "ch.pdf\tFile does not exist \n",
     1},
    {"qt_debugger_switch_is_an_ordinary_argument",
     {"-qmljsdebugger", "x"},
     "-qmljsdebugger\tFile does not exist \n",
     1},
    {"empty_input", {"", "out"}, "\tFile does not exist \n", 1},
    {"missing_input_checked_first",
     {"missing.pdf", "x/y/z"},
     "missing.pdf\tFile does not exist \n",
     1},
    {"uncreatable_folder", {"book.pdf", "x/y/z"}, "x/y/z\tFolder does not exist\n", 1},
    {"empty_folder", {"book.pdf", ""}, "\tFolder does not exist\n", 1},
};

class ToolArguments : public ToolCommandLine, public testing::WithParamInterface<ArgumentCase> {};

TEST_P(ToolArguments, PrintsExactlyAndCreatesNothing) {
    const ArgumentCase& c = GetParam();
    const ToolRun run = runTool(sandbox, c.arguments);
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitStatus, c.exitStatus);
    EXPECT_EQ(run.out.toStdString(), c.out.toStdString());
    EXPECT_EQ(run.err.toStdString(), "");
    EXPECT_TRUE(readConverterLog(sandbox.programFolder).empty());
    EXPECT_EQ(entryNames(sandbox.workFolder), QStringList{"book.pdf"});
}

INSTANTIATE_TEST_SUITE_P(Paths, ToolArguments, testing::ValuesIn(kArgumentCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A run that converts nothing takes the folder it made away again, lock file and all.
TEST_F(ToolCommandLine, NewOutputFolderOfAFailedRunIsRemoved) {
    const ToolRun run = runTool(sandbox, {"book.pdf", "out"});
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_FALSE(pathExists(inWork("out")));
    EXPECT_EQ(readConverterLog(sandbox.programFolder).size(), 2U);
}

TEST_F(ToolCommandLine, ExistingDataFolderKeepsItsFiles) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkpath("out/data"));
    ASSERT_TRUE(writeFile(inWork("out/data/keep.txt"), "kept"));
    runTool(sandbox, {"book.pdf", "out"});
    EXPECT_EQ(readFile(inWork("out/data/keep.txt")), "kept");
}

TEST_F(ToolCommandLine, InputThatIsAFolderPassesTheCheck) {
    ASSERT_TRUE(QDir(sandbox.workFolder).mkdir("folder.pdf"));
    const ToolRun run = runTool(sandbox, {"folder.pdf", "out"});
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(readConverterLog(sandbox.programFolder).size(), 2U);
    EXPECT_EQ(readConverterLog(sandbox.programFolder)[0], (ConverterArguments{"-I", "folder.pdf"}));
}

// The info switch of the converter is no special word for the tool: "-i" is a folder like any.
TEST_F(ToolCommandLine, InfoWordAsOutputFolderIsMadeLikeAnyFolder) {
    FakeConverterScript script;
    script.pages = {"1"};
    ASSERT_TRUE(writeFakeScript(sandbox.programFolder, script));
    const ToolRun run = runTool(sandbox, {"book.pdf", "-i"});
    EXPECT_EQ(run.exitStatus, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(pathExists(inWork("-i/data/pages.xml")));
    EXPECT_EQ(readConverterLog(sandbox.programFolder).size(), 2U);
}

struct ByteArgumentCase {
    const char* name;
    const char* arguments;  // shell words after the tool; printf turns \351 into a Latin-1 é
    const char* shownArgument;
};

void PrintTo(const ByteArgumentCase& c, std::ostream* os) {
    *os << c.name;
}

// Names are legal byte strings on Linux whether or not they are UTF-8; a name the tool cannot
// hold unchanged must stop the run, never send the book to a folder of another name.
const ByteArgumentCase kByteArgumentCases[] = {
    {"latin1_output_folder", "book.pdf \"$(printf 'caf\\351')\"", "caf\xef\xbf\xbd"},
    {"latin1_input_that_exists", "\"$(printf 'l\\351.pdf')\" out", "l\xef\xbf\xbd.pdf"},
    {"latin1_option_value", "book.pdf out -password \"$(printf 's\\351same')\"",
     "s\xef\xbf\xbdsame"},
};

class ToolByteArguments : public ToolCommandLine,
                          public testing::WithParamInterface<ByteArgumentCase> {};

TEST_P(ToolByteArguments, NonUtf8ArgumentIsRefusedInOneLine) {
    const ByteArgumentCase& c = GetParam();
    ASSERT_TRUE(QFile::copy(inWork("book.pdf"), inWork("l\xef\xbf\xbd.pdf")));
    const QString command =
        QStringLiteral("printf x > \"$(printf 'l\\351.pdf')\" && exec \"$0\" ") + c.arguments;
    const ToolRun run =
        runProgram("/bin/sh", {"-c", command, sandbox.toolPath}, sandbox.workFolder);

    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.toStdString(), std::string("cannot use the argument \"") + c.shownArgument +
                                         "\": it is not valid UTF-8 text\n");
    EXPECT_TRUE(readConverterLog(sandbox.programFolder).empty());
    // Counted and removed by their bytes: Qt can neither list nor delete the Latin-1 name.
    const std::filesystem::path work = sandbox.workFolder.toStdString();
    const std::filesystem::directory_iterator entries(work);
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 3);  // book.pdf and the look-alikes
    std::filesystem::remove(work / "l\xe9.pdf");
}

INSTANTIATE_TEST_SUITE_P(Bytes, ToolByteArguments, testing::ValuesIn(kByteArgumentCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
