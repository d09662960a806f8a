// The option reader: arguments after the output folder become book settings and converter switches.
#include "app/options.h"

#include <algorithm>
#include <optional>

#include "app/option_table.h"
#include "geometry/page_geometry.h"
#include "shared/converter_switches.h"
#include "shared/numbers.h"

namespace {

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

// A player folder that index.html can load: a path relative to the book (or to the site, from "/")
// or an http(s) address. Nothing that could break out of the attribute or the script address, and
// no other scheme: "javascript:" or "file:" would never be a player.
bool isPlayerAddress(const QString& text) {
    if (text.isEmpty() || text.size() > 1024) {
        return false;
    }
    const bool unsafe = std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() <= 0x20 || c.unicode() == 0x7f || c == u'"' || c == u'\'' || c == u'<' ||
               c == u'>' || c == u'\\' || c == u'`';
    });
    if (unsafe) {
        return false;
    }
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0) {
        return true;
    }
    const QString scheme = text.left(colon).toLower();
    return (scheme == u"http" || scheme == u"https") && text.mid(colon).startsWith(u"://") &&
           text.size() > colon + 3;
}

OptionsOutcome invalidValue(const QString& option, const QString& value, const QString& expected) {
    return {OptionsOutcome::Kind::InvalidValue,
            QStringLiteral("invalid value \"%1\" for %2: expected %3")
                .arg(printable(value), printable(option), expected)};
}

// Values the book could not be made with are refused before anything is converted.
std::optional<OptionsOutcome> checkValue(const OptionRow& row, const QString& option,
                                         const QString& value) {
    if (row.choices != nullptr) {
        const QStringList choices = QString::fromLatin1(row.choices).split(u' ');
        if (!choices.contains(value)) {
            return invalidValue(option, value, choices.join(QStringLiteral(" or ")));
        }
    }
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
        case Effect::Player:
            if (!isPlayerAddress(value)) {
                return invalidValue(
                    option, value,
                    QStringLiteral("a player folder as a relative path or http(s) address, "
                                   "such as ../player/"));
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
        case Effect::Player:
            settings.player = value.endsWith(u'/') ? value : value + u'/';
            break;
        case Effect::SwitchAndValue:
            switches << converterSwitch << value;
            break;
        case Effect::SwitchOnly:
            switches << converterSwitch;
            break;
        case Effect::SettingSwitch:
            switches << QString::fromLatin1(shared::kSettingSwitch) << converterSwitch;
            break;
        case Effect::Zoom:
            settings.zoom = leadingInteger(value).value_or(0);
            switches << QString::fromLatin1(shared::kSettingSwitch) << converterSwitch + value;
            break;
        case Effect::Consumed:
        case Effect::PassRest:
        case Effect::Version:
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
        // The version words count only as the one argument, never after the output folder.
        if (row == nullptr || row->effect == Effect::Version) {
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
