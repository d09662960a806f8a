// The tool's options, one row each, and the help text made from them.
#include "app/option_table.h"

#include <algorithm>
#include <array>

#include "shared/converter_switches.h"

namespace {

// clang-format off
constexpr std::array kOptions{
    OptionRow{.name = "-pw", .effect = Effect::PageWidth, .valueHint = "<int>",
              .help = "Set flipbook page width", .section = HelpSection::Book},
    OptionRow{.name = "-ph", .effect = Effect::PageHeight, .valueHint = "<int>",
              .help = "Set flipbook page height\n"
                      "page width and page height, the default unit is point\n"
                      "page width and page height, can enter other unit mm,in",
              .section = HelpSection::Book},
    OptionRow{.name = "-pp", .effect = Effect::PaperName, .valueHint = "<string>",
              .help = "Set flipbook page width and height, paper size contain\n"
                      "A4,A3,Letter,A5,A6,Legal,Executive,etc.",
              .section = HelpSection::Book},
    OptionRow{.name = "-bc", .effect = Effect::ButtonColor, .valueHint = "<string>",
              .help = "Set flipbook button color, e.g., -bc ffffff", .section = HelpSection::Book},
    OptionRow{.name = "-pc", .effect = Effect::PanelColor, .valueHint = "<string>",
              .help = "Set flipbook panel color, e.g., -pc ffffff", .section = HelpSection::Book},
    OptionRow{.name = "-tc", .effect = Effect::TextColor, .valueHint = "<string>",
              .help = "Set flipbook text color, e.g., -tc ffffff", .section = HelpSection::Book},
    OptionRow{.name = "-bgc", .effect = Effect::BackgroundColor, .valueHint = "<string>",
              .help = "Set flipbook background color, e.g., -bgc ffffff",
              .section = HelpSection::Book},
    OptionRow{.name = "-hc", .effect = Effect::HardCover, .valueHint = "<string>",
              .help = "Use HardCover or not, e.g., \"-hc true\" or \"-hc false\"",
              .section = HelpSection::Book, .choices = "true false"},
    OptionRow{.name = "-direction", .effect = Effect::Direction, .valueHint = "<string>",
              .help = "Set the reading direction, \"-direction rtl\" or \"ltr\"\n"
                      "(default: as the PDF says, else left to right)",
              .section = HelpSection::Book, .choices = "rtl ltr"},
    OptionRow{.name = "-download", .effect = Effect::Download,
              .help = "Put a copy of the PDF into the book to download",
              .section = HelpSection::Book},
    OptionRow{.name = "-player", .effect = Effect::Player, .valueHint = "<string>",
              .help = "Load the player from a folder shared by many books\n"
                      "instead of a copy in the book, e.g. -player ../player/",
              .section = HelpSection::Book},
    OptionRow{.name = "-pagerange", .effect = Effect::SwitchAndValue,
              .converterSwitch = shared::kPageRangeSwitch, .valueHint = "<string>",
              .help = "Set the range of pages to convert, e.g. 1-20 or \n"
                      "-pagerange 1,4,6,9-11",
              .section = HelpSection::Conversion},
    OptionRow{.name = "-password", .effect = Effect::SwitchAndValue,
              .converterSwitch = shared::kPasswordSwitch, .valueHint = "<string>",
              .help = "Use password for deciphering the pdf.", .section = HelpSection::Conversion},
    OptionRow{.name = "-zlib", .effect = Effect::SwitchOnly,
              .converterSwitch = shared::kCompressSwitch,
              .help = "Use Flash 6 (MX) zlib compression.", .section = HelpSection::Conversion},
    OptionRow{.name = "-jpegquality", .effect = Effect::SwitchAndValue,
              .converterSwitch = shared::kJpegQualitySwitch, .valueHint = "<int>",
              .help = "Set quality of embedded jpeg pictures to quality.\n"
                      "0 is worst (small), 100 is best (big). (default:85)",
              .section = HelpSection::Conversion},
    OptionRow{.name = "-shapes", .effect = Effect::SwitchOnly,
              .converterSwitch = shared::kShapesSwitch,
              .help = "Don't use SWF Fonts, but store everything as shape.",
              .section = HelpSection::Conversion},
    OptionRow{.name = "-fonts", .effect = Effect::SwitchOnly,
              .converterSwitch = shared::kFullFontsSwitch,
              .help = "Store full fonts into SWF, don't reduce font data\n"
                      "to used characters",
              .section = HelpSection::Conversion},
    OptionRow{.name = "-flatten", .effect = Effect::SwitchOnly,
              .converterSwitch = shared::kFlattenSwitch,
              .help = "Remove as many clip layers from file as possible.",
              .section = HelpSection::Conversion},
    OptionRow{.name = "-zoom", .effect = Effect::Zoom, .converterSwitch = shared::kZoomSetting,
              .valueHint = "<int>", .help = "Set the resultion (default: 72)",
              .section = HelpSection::Conversion},
    OptionRow{.name = "-poly2bitmap", .effect = Effect::SettingSwitch,
              .converterSwitch = shared::kPoly2BitmapSetting,
              .help = "Convert graphics to bitmaps", .section = HelpSection::Conversion},
    OptionRow{.name = "-all2bitmap", .effect = Effect::SettingSwitch,
              .converterSwitch = shared::kBitmapSetting,
              .help = "Convert everything to bitmaps", .section = HelpSection::Conversion},
    OptionRow{.name = "-flashversion", .effect = Effect::SwitchAndValue,
              .converterSwitch = shared::kSwfVersionSwitch, .valueHint = "<int>",
              .help = "Set Flash Version in the SWF header to num",
              .section = HelpSection::Conversion},
    OptionRow{.name = "-disablelinks", .effect = Effect::SettingSwitch,
              .converterSwitch = shared::kDisableLinksSetting,
              .help = "Disable hyperlinks in output SWF files", .section = HelpSection::Conversion},
    OptionRow{.name = "-addcmd", .effect = Effect::PassRest, .valueHint = "<string>",
              .help = "Reserved parameter for advanced users", .section = HelpSection::Conversion},
    OptionRow{.name = "-version", .effect = Effect::Version,
              .help = "Print version info and exit", .section = HelpSection::Version},
    OptionRow{.name = "-v", .effect = Effect::Version,
              .help = "Print version info and exit", .section = HelpSection::Version},
    // Accepted with their value so that old command lines still run; not shown.
    OptionRow{.name = "-zf", .effect = Effect::Consumed},
    OptionRow{.name = "-pr", .effect = Effect::Consumed},
};
// clang-format on

constexpr char kHelpHead[] =
    "Quavelin software does convert PDF files to Flash flipbook.\n"
    "Build: May  3 2012\n"
    "--------------------------------------------------\n"
    "Usage: quavelin.exe file.pdf outdir [-options]\n";
constexpr char kConversionHead[] =
    "--------------------------------------------------\n"
    "[The following are useful options for PDF to Flash Conversion:]\n";
constexpr char kHelpExamples[] =
    "------------------------------------------------------------\n"
    "Examples:\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir \n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pw 826 -ph 1024\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pw 400mm -ph 800mm\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -tc ffffff\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -bc ff0000\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pp A4\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pp A4 -addcmd -z\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pagerange 1,4,6,9-11\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -password 583920\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -zlib -jpegquality 80\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -flatten -zoom 150\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -all2bitmap -zoom 300\n";

// The description starts in this column, after "NAME <value>" and ": ".
constexpr size_t kHelpColumn = 23;

// "-name <value>        : first line", then the further lines under the first.
std::string helpEntry(const OptionRow& row) {
    std::string entry = row.name;
    if (row.valueHint != nullptr) {
        entry += std::string(" ") + row.valueHint;
    }
    entry.resize(std::max(entry.size() + 1, kHelpColumn - 2), ' ');
    entry += ": ";
    for (const char* c = row.help; *c != '\0'; ++c) {
        entry += *c;
        if (*c == '\n') {
            entry += std::string(kHelpColumn, ' ');
        }
    }
    return entry + '\n';
}

std::string helpSection(HelpSection section) {
    std::string text;
    for (const OptionRow& row : kOptions) {
        if (row.section == section) {
            text += helpEntry(row);
        }
    }
    return text;
}

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Only ASCII letters fold: Unicode folding would let "-ſhapes" (long s) pass for "-shapes".
bool equalsIgnoringAsciiCase(const QString& argument, const char* name) {
    const QLatin1StringView expected(name);
    if (argument.size() != expected.size()) {
        return false;
    }
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (asciiLower(argument[i].unicode()) != asciiLower(char16_t(expected[i].unicode()))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::span<const OptionRow> optionTable() {
    return kOptions;
}

bool takesValue(Effect effect) {
    return effect != Effect::SwitchOnly && effect != Effect::SettingSwitch &&
           effect != Effect::PassRest && effect != Effect::Download && effect != Effect::Version;
}

const OptionRow* findOption(const QString& argument) {
    for (const OptionRow& row : kOptions) {
        if (equalsIgnoringAsciiCase(argument, row.name)) {
            return &row;
        }
    }
    return nullptr;
}

std::string helpText() {
    return kHelpHead + helpSection(HelpSection::Book) + kConversionHead +
           helpSection(HelpSection::Conversion) + helpSection(HelpSection::Version) + kHelpExamples;
}
