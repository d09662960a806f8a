// The option reader: arguments after the output folder become book settings and converter switches.
#include "app/options.h"

#include <algorithm>
#include <array>
#include <optional>

#include "geometry/page_geometry.h"
#include "shared/numbers.h"

namespace {

// What an option does with its value (if it takes one).
enum class Effect {
    PageWidth,
    PageHeight,
    PaperName,
    Consumed,  // takes a value and changes nothing; kept so old command lines still run
    PanelColor,
    ButtonColor,
    TextColor,
    BackgroundColor,
    HardCover,
    Direction,
    Download,        // a flag: the book carries the PDF
    SwitchAndValue,  // appends `converterSwitch`, then the value as its own element
    SwitchOnly,      // appends `converterSwitch`
    SettingSwitch,   // appends "-s", then `converterSwitch`
    Zoom,
    PassRest,
};

struct OptionRow {
    const char* name;
    Effect effect;
    const char* converterSwitch;
};

// Flags stand alone; "-addcmd" takes the rest of the line, not one value.
bool takesValue(Effect effect) {
    return effect != Effect::SwitchOnly && effect != Effect::SettingSwitch &&
           effect != Effect::PassRest && effect != Effect::Download;
}

// Tested in this order, like the help text lists them.
constexpr std::array<OptionRow, 25> optionTable{{
    {"-pw", Effect::PageWidth, nullptr},
    {"-ph", Effect::PageHeight, nullptr},
    {"-pp", Effect::PaperName, nullptr},
    {"-zf", Effect::Consumed, nullptr},
    {"-pr", Effect::Consumed, nullptr},
    {"-pc", Effect::PanelColor, nullptr},
    {"-bc", Effect::ButtonColor, nullptr},
    {"-tc", Effect::TextColor, nullptr},
    {"-bgc", Effect::BackgroundColor, nullptr},
    {"-hc", Effect::HardCover, nullptr},
    {"-direction", Effect::Direction, nullptr},
    {"-download", Effect::Download, nullptr},
    {"-pagerange", Effect::SwitchAndValue, "-p"},
    {"-password", Effect::SwitchAndValue, "-P"},
    {"-zlib", Effect::SwitchOnly, "-z"},
    {"-jpegquality", Effect::SwitchAndValue, "-j"},
    {"-shapes", Effect::SwitchOnly, "-S"},
    {"-fonts", Effect::SwitchOnly, "-f"},
    {"-flatten", Effect::SwitchOnly, "-G"},
    {"-zoom", Effect::Zoom, nullptr},
    {"-poly2bitmap", Effect::SettingSwitch, "poly2bitmap"},
    {"-all2bitmap", Effect::SettingSwitch, "bitmap"},
    {"-flashversion", Effect::SwitchAndValue, "-T"},
    {"-disablelinks", Effect::SettingSwitch, "disablelinks"},
    {"-addcmd", Effect::PassRest, nullptr},
}};

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

const OptionRow* findOption(const QString& argument) {
    for (const OptionRow& row : optionTable) {
        if (equalsIgnoringAsciiCase(argument, row.name)) {
            return &row;
        }
    }
    return nullptr;
}

std::optional<int> leadingInteger(const QString& text) {
    return shared::leadingInteger(text.toStdString());
}

// Control characters would break the one-line message; they show as '?'.
QString printable(const QString& value) {
    QString shown = value;
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = u'?';
        }
    }
    return shown;
}

// The viewer reads colours as bare hex; a web-style "#" in front is a common way to write them.
QString withoutHash(const QString& colour) {
    return colour.startsWith(u'#') ? colour.mid(1) : colour;
}

bool isColourText(const QString& text) {
    if (text.size() != 6) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
}

OptionsOutcome invalidValue(const QString& option, const QString& value, const QString& expected) {
    return {OptionsOutcome::Kind::InvalidValue,
            QStringLiteral("invalid value \"%1\" for %2: expected %3")
                .arg(printable(value), printable(option), expected)};
}

// Values the book could not be made with are refused before anything is converted.
std::optional<OptionsOutcome> checkValue(const OptionRow& row, const QString& option,
                                         const QString& value) {
    switch (row.effect) {
        case Effect::PageWidth:
        case Effect::PageHeight:
            if (!isReadableLength(value)) {
                return invalidValue(
                    option, value, QStringLiteral("a number, optionally followed by pt, mm or in"));
            }
            if (!isUsableLength(value)) {
                return invalidValue(option, value,
                                    QStringLiteral("a size above 0 and at most %1 points")
                                        .arg(formatG(kMaxPageLength)));
            }
            break;
        case Effect::PaperName:
            if (!findPaperSize(value)) {
                return invalidValue(option, value, QStringLiteral("one of ") + paperNameList());
            }
            break;
        case Effect::PanelColor:
        case Effect::ButtonColor:
        case Effect::TextColor:
        case Effect::BackgroundColor:
            if (!isColourText(withoutHash(value))) {
                return invalidValue(option, value,
                                    QStringLiteral("six hex digits, such as ff0000 or #ff0000"));
            }
            break;
        case Effect::HardCover:
            if (value != u"true" && value != u"false") {
                return invalidValue(option, value, QStringLiteral("true or false"));
            }
            break;
        case Effect::Direction:
            if (value != u"rtl" && value != u"ltr") {
                return invalidValue(option, value, QStringLiteral("rtl or ltr"));
            }
            break;
        case Effect::Zoom:
            if (leadingInteger(value).value_or(0) <= 0) {
                return invalidValue(option, value, QStringLiteral("a positive whole number"));
            }
            break;
        default:
            break;
    }
    return std::nullopt;
}

void applyOption(const OptionRow& row, const QString& value, FlipbookSettings& settings,
                 ConverterSwitches& switches) {
    const QString converterSwitch = QString::fromLatin1(row.converterSwitch);
    switch (row.effect) {
        case Effect::PageWidth:
            settings.pageWidth = value;
            settings.sizeSource = SizeSource::WidthHeight;
            break;
        case Effect::PageHeight:
            settings.pageHeight = value;
            settings.sizeSource = SizeSource::WidthHeight;
            break;
        case Effect::PaperName:
            settings.paperName = value;
            settings.sizeSource = SizeSource::Paper;
            break;
        case Effect::PanelColor:
            settings.panelColor = withoutHash(value);
            break;
        case Effect::ButtonColor:
            settings.buttonColor = withoutHash(value);
            break;
        case Effect::TextColor:
            settings.textColor = withoutHash(value);
            break;
        case Effect::BackgroundColor:
            settings.backgroundColor = withoutHash(value);
            break;
        case Effect::HardCover:
            settings.hardCover = value;
            break;
        case Effect::Direction:
            settings.direction = value;
            break;
        case Effect::Download:
            settings.download = true;
            break;
        case Effect::SwitchAndValue:
            switches << converterSwitch << value;
            break;
        case Effect::SwitchOnly:
            switches << converterSwitch;
            break;
        case Effect::SettingSwitch:
            switches << QStringLiteral("-s") << converterSwitch;
            break;
        case Effect::Zoom:
            settings.zoom = leadingInteger(value).value_or(0);
            switches << QStringLiteral("-s") << QStringLiteral("zoom=") + value;
            break;
        case Effect::Consumed:
        case Effect::PassRest:
            break;
    }
}

}  // namespace

OptionsOutcome readOptions(const QStringList& options, FlipbookSettings& settings,
                           ConverterSwitches& switches) {
    qsizetype index = 0;
    while (index < options.size()) {
        const QString& argument = options[index];
        const OptionRow* row = findOption(argument);
        if (row == nullptr) {
            return {OptionsOutcome::Kind::Unrecognised, {}};
        }
        if (row->effect == Effect::PassRest) {
            switches << options.mid(index + 1);
            return {};
        }
        if (!takesValue(row->effect)) {
            applyOption(*row, {}, settings, switches);
            ++index;
            continue;
        }
        // A value-taking option with nothing after it is dropped, as if it had not been given.
        if (index + 1 == options.size()) {
            return {};
        }
        const QString& value = options[index + 1];
        if (auto rejection = checkValue(*row, argument, value)) {
            return *rejection;
        }
        applyOption(*row, value, settings, switches);
        index += 2;
    }
    return {};
}
