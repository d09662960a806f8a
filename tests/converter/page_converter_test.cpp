// The info reply parse and the conversion run's outcome, against the fake converter.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>

#include "converter/page_converter.h"
#include "output/book_folder.h"
#include "support/tool_sandbox.h"

namespace {

struct ReplyCase {
    const char* name;
    QByteArray reply;
    const char* width;
    const char* height;
};

const ReplyCase kReplyCases[] = {
    {"crlf_line_end", "pages=3 width=595.28 height=841.89\r\nnext line\r\n", "595.28", "841.89"},
    {"lf_line_end", "pages=3 width=595.28 height=841.89\nnext line\n", "595.28", "841.89"},
    {"cr_line_end", "pages=3 width=612 height=792\rpages=3 width=1 height=2", "612", "792"},
    {"single_line_without_end", "pages=1 width=612 height=792", "612", "792"},
    {"empty_reply_keeps_defaults", "", "595", "842"},
    {"second_field_without_equals", "pages=1 612 height=792\n", "595", "792"},
    {"decimals_kept", "p w=595.2756 h=841.8898\n", "595.2756", "841.8898"},
    {"only_first_line_used", "p w=100 h=200\np w=300 h=400\n", "100", "200"},
    {"runs_of_spaces", "   p    w=10     h=20   extra fields\n", "10", "20"},
    {"third_field_starts_on_next_line", "p w=100 \r\nh=200 x\n", "100", "200"},
    {"two_fields_only_width_keeps_line_end", "p w=100\n", "100\n", "842"},
    {"one_field_only", "pages=4\n", "595", "842"},
    {"names_not_examined", "x a=1 b=2\n", "1", "2"},
    {"empty_values_keep_defaults", "p w= h=\n", "595", "842"},
    {"leading_equals_skipped", "p ==5 h==7=8\n", "595", "7"},
    {"repeated_equals_after_name", "p w==5 h=7==8\n", "5", "7"},
    {"nul_ends_the_reply", QByteArray("p w=1\0 h=2\n", 11), "1", "842"},
    {"height_simplified_width_not", "p w=\t1 h=\t2\t\n", "\t1", "2"},
    {"not_a_number_taken", "p w=abc h=12mm\n", "abc", "12mm"},
    {"tabs_are_not_separators", "p\tw=1 h=2 k=3\n", "2", "3"},
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.name;
}

class ParseInfoReply : public testing::TestWithParam<ReplyCase> {};

TEST_P(ParseInfoReply, TakesWidthAndHeightFromFirstLine) {
    const ReplyCase& c = GetParam();
    FlipbookSettings settings;
    parseInfoReply(c.reply, settings);
    EXPECT_EQ(settings.pageWidth.toStdString(), c.width);
    EXPECT_EQ(settings.pageHeight.toStdString(), c.height);
}

INSTANTIATE_TEST_SUITE_P(Replies, ParseInfoReply, testing::ValuesIn(kReplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParseInfoReplyBytes, EightBitBytesBecomeLatin1) {
    FlipbookSettings settings;
    parseInfoReply("p w=\xe9 h=\xff\n", settings);
    EXPECT_EQ(settings.pageWidth, QString(QChar(0xe9)));
    EXPECT_EQ(settings.pageHeight, QString(QChar(0xff)));
}

TEST(ParseInfoReplyBytes, MissingValuesKeepWhatTheSettingsHeld) {
    FlipbookSettings settings;
    settings.pageWidth = "300";
    settings.pageHeight = " 400 ";
    parseInfoReply("only\n", settings);
    EXPECT_EQ(settings.pageWidth, "300");
    EXPECT_EQ(settings.pageHeight, "400");
}

TEST(QueryPageSize, MissingConverterKeepsDefaults) {
    FlipbookSettings settings;
    queryPageSize("/nonexistent/folder/swfsdk.dll", "book.pdf", settings);
    EXPECT_EQ(settings.pageWidth, "595");
    EXPECT_EQ(settings.pageHeight, "842");
}

struct RunCase {
    const char* name;
    QByteArray stderrText;
    int exitStatus;
    bool crashes;
    bool ok;
    const char* messageEnd;  // expected end of the message after the converter path
};

const RunCase kRunCases[] = {
    {"clean_exit", "warning only\n", 0, false, true, ""},
    {"nonzero_without_stderr", "", 3, false, false, " failed with exit status 3"},
    {"nonzero_with_last_stderr_line", "first\nbad password\r\n\n  \n", 2, false, false,
     " failed with exit status 2: bad password"},
    {"nonzero_stderr_without_line_end", "x\ny  z", 1, false, false,
     " failed with exit status 1: y z"},
    {"crash", "dying\n", 0, true, false, " crashed"},
    // The converter names its own -P; the user gave the tool's -password.
    {"password_needed_names_the_tool_option",
     "\"/b/x.pdf\" is encrypted: give its password with -P\n", 1, false, false,
     " failed with exit status 1: \"/b/x.pdf\" is encrypted: give its password with -password"},
    {"wrong_password_names_the_tool_option", "the password given with -P does not open \"x.pdf\"\n",
     1, false, false,
     " failed with exit status 1: the password given with -password does not open \"x.pdf\""},
    {"other_dash_p_words_stay", "-Page -p -P8\n", 1, false, false,
     " failed with exit status 1: -Page -p -P8"},
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertPagesOutcome : public testing::TestWithParam<RunCase> {};

TEST_P(ConvertPagesOutcome, ReportsHowTheConverterEnded) {
    const RunCase& c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(installFakeConverter(folder.path()));
    FakeConverterScript script;
    script.convertStderr = c.stderrText;
    script.convertExitStatus = c.exitStatus;
    script.convertCrashes = c.crashes;
    ASSERT_TRUE(writeFakeScript(folder.path(), script));
    const QString converter = folder.path() + "/swfsdk.dll";
    const UniqueFd work(::open(QFile::encodeName(folder.path()).constData(), O_RDONLY));

    const ConversionOutcome outcome = convertPages(converter, {}, "in.pdf", work.fd);

    EXPECT_EQ(outcome.ok, c.ok);
    if (!c.ok) {
        EXPECT_EQ(outcome.error.toStdString(),
                  ("the page converter " + converter + c.messageEnd).toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, ConvertPagesOutcome, testing::ValuesIn(kRunCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertPagesStart, MissingConverterIsReportedWithItsPath) {
    const ConversionOutcome outcome = convertPages("/nonexistent/swfsdk.dll", {}, "a.pdf", -1);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(
        outcome.error.startsWith("cannot start the page converter /nonexistent/swfsdk.dll: "))
        << outcome.error.toStdString();
    EXPECT_FALSE(outcome.error.contains('\n'));
}

// The converter writes into the folder it is given, under the bare pattern, whatever the path.
TEST(ConvertPagesFolder, PagesLandInTheWorkFolder) {
    QTemporaryDir folder;
    ASSERT_TRUE(installFakeConverter(folder.path()));
    ASSERT_TRUE(QDir(folder.path()).mkdir("50% off"));
    FakeConverterScript script;
    script.pages = QStringList{"1", "2"};
    ASSERT_TRUE(writeFakeScript(folder.path(), script));
    const UniqueFd work(
        ::open(QFile::encodeName(folder.path() + "/50% off").constData(), O_RDONLY));

    const ConversionOutcome outcome =
        convertPages(folder.path() + "/swfsdk.dll", {}, "/in.pdf", work.fd);

    EXPECT_TRUE(outcome.ok) << outcome.error.toStdString();
    EXPECT_EQ(entryNames(folder.path() + "/50% off"), (QStringList{"test1.swf", "test2.swf"}));
    EXPECT_EQ(readConverterLog(folder.path()).back(),
              (ConverterArguments{"-L", "data/fonts.swf", "/in.pdf", "test%.swf"}));
}

// A converter that never ends is stopped at the deadline; the rest of its error output, however
// long, is not kept.
TEST(ConvertPagesLimits, DeadlineStopsAConverterThatHangs) {
    QTemporaryDir folder;
    ASSERT_TRUE(installFakeConverter(folder.path()));
    FakeConverterScript script;
    script.sleepSeconds = 60;
    script.convertStderr = QByteArray(1000, 'x') + '\n';
    script.stderrRepeat = 20000;
    ASSERT_TRUE(writeFakeScript(folder.path(), script));
    qputenv("QUAVELIN_CONVERTER_DEADLINE_SECONDS", "1");
    QElapsedTimer clock;
    clock.start();

    const ConversionOutcome outcome =
        convertPages(folder.path() + "/swfsdk.dll", {}, "/in.pdf", -1);

    qunsetenv("QUAVELIN_CONVERTER_DEADLINE_SECONDS");
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error.toStdString(), "the page converter " +
                                               (folder.path() + "/swfsdk.dll").toStdString() +
                                               " did not finish within 1 seconds and was stopped");
}

}  // namespace
