// Unit tests of the option reader: the switch list of every option, settings, rejected values.
#include <gtest/gtest.h>

#include "app/option_table.h"
#include "app/options.h"

#include <string>

namespace {

using Kind = OptionsOutcome::Kind;

QStringList words(std::initializer_list<const char*> list) {
    QStringList result;
    for (const char* word : list) {
        result << QString::fromUtf8(word);
    }
    return result;
}

struct ReadResult {
    OptionsOutcome outcome;
    FlipbookSettings settings;
    ConverterSwitches switches;
};

ReadResult readAll(const QStringList& options) {
    ReadResult run;
    run.outcome = readOptions(options, run.settings, run.switches);
    return run;
}

struct SwitchCase {
    std::initializer_list<const char*> options;
    std::initializer_list<const char*> switches;
};

TEST(Options, SwitchElementsInOrder) {
    const SwitchCase cases[] = {
        {{"-pagerange", "1-20"}, {"-p", "1-20"}},
        {{"-password", "s3cret"}, {"-P", "s3cret"}},
        {{"-zlib"}, {"-z"}},
        {{"-jpegquality", "80"}, {"-j", "80"}},
        {{"-shapes"}, {"-S"}},
        {{"-fonts"}, {"-f"}},
        {{"-flatten"}, {"-G"}},
        {{"-zoom", "150"}, {"-s", "zoom=150"}},
        {{"-zoom", "150dpi"}, {"-s", "zoom=150dpi"}},
        {{"-poly2bitmap"}, {"-s", "poly2bitmap"}},
        {{"-all2bitmap"}, {"-s", "bitmap"}},
        {{"-flashversion", "9"}, {"-T", "9"}},
        {{"-disablelinks"}, {"-s", "disablelinks"}},
        {{"-zlib", "-jpegquality", "80"}, {"-z", "-j", "80"}},
        {{"-pagerange", "1-3", "-pagerange", "5"}, {"-p", "1-3", "-p", "5"}},
        {{"-all2bitmap", "-zoom", "300"}, {"-s", "bitmap", "-s", "zoom=300"}},
        {{"-addcmd", "-z", "-pw", "500"}, {"-z", "-pw", "500"}},
        {{"-fonts", "-addcmd", "nonsense", "-addcmd"}, {"-f", "nonsense", "-addcmd"}},
        {{"-addcmd"}, {}},
        // Values are handed on as typed, even when they look like options.
        {{"-password", "-zlib"}, {"-P", "-zlib"}},
        {{"-ZLIB", "-Shapes", "-PageRange", "2"}, {"-z", "-S", "-p", "2"}},
        // Options that only touch the book add nothing.
        {{"-pw", "500",    "-ph", "600",    "-pp", "A4",     "-zf",  "x",      "-pr", "y",
          "-pc", "111111", "-bc", "222222", "-tc", "333333", "-bgc", "444444", "-hc", "true"},
         {}},
        // A value-taking option at the end is dropped; what came before stays.
        {{"-zlib", "-jpegquality"}, {"-z"}},
        {{"-zlib", "-zoom"}, {"-z"}},
    };
    for (const auto& c : cases) {
        const QStringList options = words(c.options);
        const ReadResult run = readAll(options);
        EXPECT_EQ(run.outcome.kind, Kind::GoOn) << options.join(u' ').toStdString();
        EXPECT_EQ(run.switches, words(c.switches)) << options.join(u' ').toStdString();
    }
}

// One field of the settings, for comparing what an option changed.
struct SettingsCase {
    std::initializer_list<const char*> options;
    QString FlipbookSettings::*field;
    const char* expected;
};

TEST(Options, BookSettings) {
    using F = FlipbookSettings;
    const SettingsCase cases[] = {
        {{"-pw", "500"}, &F::pageWidth, "500"},
        {{"-PW", "500"}, &F::pageWidth, "500"},
        {{"-ph", "210mm"}, &F::pageHeight, "210mm"},
        {{"-pp", "Letter"}, &F::paperName, "Letter"},
        {{"-pc", "112233"}, &F::panelColor, "112233"},
        {{"-bc", "ff0000"}, &F::buttonColor, "ff0000"},
        {{"-bc", "ff0000", "-bc", "00ff00"}, &F::buttonColor, "00ff00"},
        {{"-bc", "#ff0000"}, &F::buttonColor, "ff0000"},
        {{"-tc", "#A0b1C2"}, &F::textColor, "A0b1C2"},
        {{"-HC", "true"}, &F::hardCover, "true"},
        {{"-hc", "false"}, &F::hardCover, "false"},
        {{"-direction", "rtl"}, &F::direction, "rtl"},
        {{"-Direction", "ltr"}, &F::direction, "ltr"},
        {{"-direction", "rtl", "-direction", "ltr"}, &F::direction, "ltr"},
        {{"-pw", "500"}, &F::direction, ""},
        {{"-player", "../player/"}, &F::player, "../player/"},
        {{"-player", "../player"}, &F::player, "../player/"},  // a folder either way
        {{"-player", "/shared/ruffle/"}, &F::player, "/shared/ruffle/"},
        {{"-PLAYER", "https://cdn.example.com/p"}, &F::player, "https://cdn.example.com/p/"},
        {{"-pw", "500"}, &F::player, ""},
        // -download stands alone: what follows it is the next option.
        {{"-download", "-bc", "0000ff"}, &F::buttonColor, "0000ff"},
        // "-zf" and "-pr" swallow their value: "-bc" after it is read as an option.
        {{"-zf", "-pw", "-bc", "0000ff"}, &F::buttonColor, "0000ff"},
        {{"-pr", "x", "-tc", "000000"}, &F::textColor, "000000"},
        {{"-zf", "-pw"}, &F::pageWidth, "595"},
        {{"-addcmd", "-pw", "500"}, &F::pageWidth, "595"},
        {{"-pw", "500", "-pw"}, &F::pageWidth, "500"},
    };
    for (const auto& c : cases) {
        const QStringList options = words(c.options);
        const ReadResult run = readAll(options);
        EXPECT_EQ(run.outcome.kind, Kind::GoOn) << options.join(u' ').toStdString();
        EXPECT_EQ(run.settings.*c.field, QString::fromUtf8(c.expected))
            << options.join(u' ').toStdString();
    }
}

TEST(Options, DownloadIsAFlagOfTheBook) {
    const struct {
        std::initializer_list<const char*> options;
        bool download;
    } cases[] = {
        {{}, false},
        {{"-download"}, true},
        {{"-DOWNLOAD", "-zlib"}, true},
        {{"-addcmd", "-download"}, false},
    };
    for (const auto& c : cases) {
        const QStringList options = words(c.options);
        const ReadResult run = readAll(options);
        EXPECT_EQ(run.outcome.kind, Kind::GoOn) << options.join(u' ').toStdString();
        EXPECT_EQ(run.settings.download, c.download) << options.join(u' ').toStdString();
    }
    // Nothing of it goes to the converter.
    EXPECT_EQ(readAll(words({"-download", "-zlib"})).switches, words({"-z"}));
}

TEST(Options, SizeSourceFollowsTheLastSizeOption) {
    const struct {
        std::initializer_list<const char*> options;
        SizeSource expected;
    } cases[] = {
        {{}, SizeSource::Unchanged},
        {{"-pw", "500"}, SizeSource::WidthHeight},
        {{"-ph", "500"}, SizeSource::WidthHeight},
        {{"-pp", "A4"}, SizeSource::Paper},
        {{"-pp", "A4", "-pw", "500"}, SizeSource::WidthHeight},
        {{"-pw", "500", "-pp", "A4"}, SizeSource::Paper},
        {{"-pw"}, SizeSource::Unchanged},
        {{"-pp", "A4", "-ph"}, SizeSource::Paper},
    };
    for (const auto& c : cases) {
        const QStringList options = words(c.options);
        EXPECT_EQ(readAll(options).settings.sizeSource, c.expected)
            << options.join(u' ').toStdString();
    }
}

TEST(Options, ZoomTakesTheLeadingInteger) {
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"150", 150}, {"150dpi", 150}, {"150abc", 150}, {" 96", 96}, {"+144", 144}, {"0072", 72},
    };
    for (const auto& c : cases) {
        const ReadResult run = readAll(words({"-zoom", c.value}));
        EXPECT_EQ(run.outcome.kind, Kind::GoOn) << c.value;
        EXPECT_EQ(run.settings.zoom, c.expected) << c.value;
        EXPECT_EQ(run.switches.value(1), QStringLiteral("zoom=") + QString::fromUtf8(c.value));
    }
}

TEST(Options, UnrecognisedArgumentStopsTheRun) {
    const std::initializer_list<const char*> cases[] = {
        {"-v"},
        {"-version"},
        {"stray"},
        {"-zlib", "-zlibb"},
        {"-pw", "500", "600"},
        {"--pw", "500"},
        {"-\xc5\xbfhapes"},  // long s: folds to "s" in Unicode, not in ASCII
        {""},
    };
    for (const auto& c : cases) {
        const QStringList options = words(c);
        const ReadResult run = readAll(options);
        EXPECT_EQ(run.outcome.kind, Kind::Unrecognised) << options.join(u' ').toStdString();
    }
    // Whatever came before the unrecognised argument has been applied.
    const ReadResult run = readAll(words({"-fonts", "-bc", "123456", "-nope", "-zlib"}));
    EXPECT_EQ(run.switches, words({"-f"}));
    EXPECT_EQ(run.settings.buttonColor, QStringLiteral("123456"));
}

struct RejectCase {
    std::initializer_list<const char*> options;
    std::string message;
};

std::string noPlayer(const std::string& value) {
    return "invalid value \"" + value +
           "\" for -player: expected a player folder as a relative path or http(s) address, such "
           "as ../player/";
}

TEST(Options, UnusableValuesAreRejectedWithOneLine) {
    const RejectCase cases[] = {
        {{"-pw", "21cm"},
         "invalid value \"21cm\" for -pw: expected a number, optionally followed by pt, mm or in"},
        {{"-ph", "210MM"},
         "invalid value \"210MM\" for -ph: expected a number, optionally followed by pt, mm or in"},
        {{"-PH", "-5"},
         "invalid value \"-5\" for -PH: expected a number, optionally followed by pt, mm or in"},
        {{"-pw", ""},
         "invalid value \"\" for -pw: expected a number, optionally followed by pt, mm or in"},
        {{"-pw", "abcpt"},
         "invalid value \"abcpt\" for -pw: expected a number, optionally followed by pt, mm or in"},
        {{"-pw", "-ph", "500"},
         "invalid value \"-ph\" for -pw: expected a number, optionally followed by pt, mm or in"},
        {{"-pw", "5\nmm"},
         "invalid value \"5?mm\" for -pw: expected a number, optionally followed by pt, mm or in"},
        {{"-pp", "a4"},
         "invalid value \"a4\" for -pp: expected one of A3, A4, A5, A6, Tabloid, Screen, Ledger, "
         "Executive, Legal, Letter"},
        {{"-pp", "Foo"},
         "invalid value \"Foo\" for -pp: expected one of A3, A4, A5, A6, Tabloid, Screen, Ledger, "
         "Executive, Legal, Letter"},
        {{"-direction", "RTL"}, "invalid value \"RTL\" for -direction: expected rtl or ltr"},
        {{"-direction", "r2l"}, "invalid value \"r2l\" for -direction: expected rtl or ltr"},
        {{"-direction", ""}, "invalid value \"\" for -direction: expected rtl or ltr"},
        // A player address index.html could not load, or that would break out of it.
        {{"-player", ""}, noPlayer("")},
        {{"-player", "../my player/"}, noPlayer("../my player/")},
        {{"-player", "javascript:alert(1)"}, noPlayer("javascript:alert(1)")},
        {{"-player", "file:///srv/player/"}, noPlayer("file:///srv/player/")},
        {{"-player", "https://"}, noPlayer("https://")},
        {{"-player", "../p\"><script>/"}, noPlayer("../p\"><script>/")},
        {{"-player", "..\\player"}, noPlayer("..\\player")},
        {{"-zoom", "abc"}, "invalid value \"abc\" for -zoom: expected a positive whole number"},
        {{"-zoom", "0"}, "invalid value \"0\" for -zoom: expected a positive whole number"},
        {{"-zoom", "-5"}, "invalid value \"-5\" for -zoom: expected a positive whole number"},
        {{"-zoom", ""}, "invalid value \"\" for -zoom: expected a positive whole number"},
        {{"-zoom", "99999999999"},
         "invalid value \"99999999999\" for -zoom: expected a positive whole number"},
        // Sizes the viewer cannot lay out: nothing, nothing visible, beyond any paper.
        {{"-pw", "0"},
         "invalid value \"0\" for -pw: expected a size above 0 and at most 14400 points"},
        {{"-ph", "0.0mm"},
         "invalid value \"0.0mm\" for -ph: expected a size above 0 and at most 14400 points"},
        {{"-pw", "inf"},
         "invalid value \"inf\" for -pw: expected a number, optionally followed by pt, mm or in"},
        {{"-pw", "14400.5"},
         "invalid value \"14400.5\" for -pw: expected a size above 0 and at most 14400 points"},
        {{"-pw", "154in"},
         "invalid value \"154in\" for -pw: expected a size above 0 and at most 14400 points"},
        {{"-bc", "red"},
         "invalid value \"red\" for -bc: expected six hex digits, such as ff0000 or #ff0000"},
        {{"-pc", "#ff00"},
         "invalid value \"#ff00\" for -pc: expected six hex digits, such as ff0000 or #ff0000"},
        {{"-tc", "ff0000ff"},
         "invalid value \"ff0000ff\" for -tc: expected six hex digits, such as ff0000 or #ff0000"},
        {{"-bgc", "##ff0000"},
         "invalid value \"##ff0000\" for -bgc: expected six hex digits, such as ff0000 or #ff0000"},
        {{"-bgc", ""},
         "invalid value \"\" for -bgc: expected six hex digits, such as ff0000 or #ff0000"},
        {{"-hc", "yes"}, "invalid value \"yes\" for -hc: expected true or false"},
        {{"-hc", "TRUE"}, "invalid value \"TRUE\" for -hc: expected true or false"},
        {{"-hc", "1"}, "invalid value \"1\" for -hc: expected true or false"},
        // The first unusable value is reported, even after good options.
        {{"-zlib", "-pw", "500", "-zoom", "x", "-pp", "Foo"},
         "invalid value \"x\" for -zoom: expected a positive whole number"},
    };
    for (const auto& c : cases) {
        const QStringList options = words(c.options);
        const ReadResult run = readAll(options);
        EXPECT_EQ(run.outcome.kind, Kind::InvalidValue) << options.join(u' ').toStdString();
        EXPECT_EQ(run.outcome.message, QString::fromStdString(c.message));
        EXPECT_FALSE(run.outcome.message.contains(u'\n'));
    }
}

// Four hundred nines read as a number overflow to infinity; the page list must never say "inf".
TEST(Options, LengthsBeyondDoubleAreRejected) {
    for (const char* unit : {"", "pt", "mm", "in"}) {
        const QString value = QString(400, u'9') + QLatin1StringView(unit);
        const ReadResult run = readAll({QStringLiteral("-pw"), value});
        EXPECT_EQ(run.outcome.kind, Kind::InvalidValue) << unit;
    }
}

TEST(Options, ReadableSizesAndNamesAreAccepted) {
    const std::initializer_list<const char*> cases[] = {
        {"-pw", "500"},
        {"-pw", "500.5"},
        {"-ph", "12.5pt"},
        {"-pw", "210mm"},
        {"-ph", "8.5in"},
        {"-pw", "14400"},
        {"-pw", "0.01"},
        {"-ph", "3899mm"},
        {"-pp", "A6"},
        {"-pp", "Letter"},
        {"-zoom", "1"},
        // After "-addcmd" nothing is checked: the words belong to the converter.
        {"-addcmd", "-pw", "21cm"},
    };
    for (const auto& c : cases) {
        const QStringList options = words(c);
        EXPECT_EQ(readAll(options).outcome.kind, Kind::GoOn) << options.join(u' ').toStdString();
    }
}

}  // namespace

// The table is the one list of options: a second row of one name would never be reached, and a
// row that passes something on must say what.
TEST(OptionTable, NamesAreDistinctAndConverterRowsNameTheirSwitch) {
    const auto rows = optionTable();
    for (auto row = rows.begin(); row != rows.end(); ++row) {
        EXPECT_EQ(findOption(QString::fromLatin1(row->name).toUpper()), &*row) << row->name;
        const bool passesSwitch =
            row->effect == Effect::SwitchAndValue || row->effect == Effect::SwitchOnly ||
            row->effect == Effect::SettingSwitch || row->effect == Effect::Zoom;
        EXPECT_EQ(passesSwitch, row->converterSwitch != nullptr) << row->name;
        EXPECT_EQ(row->section == HelpSection::Hidden, row->help == nullptr) << row->name;
    }
}
