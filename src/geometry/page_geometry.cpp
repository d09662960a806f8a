// Page geometry: lengths with units, the paper-size table and the final page size of the book.
#include "geometry/page_geometry.h"

#include <array>
#include <cmath>

namespace {

// Page units per millimetre and per inch. These are the book's own units, not points: the viewer
// was laid out against them, so they must not be "corrected" to 2.835 and 72.
constexpr double kUnitsPerMillimetre = 3.693;
constexpr double kUnitsPerInch = 93.81;
// The zoom at which a page keeps its size.
constexpr int kNeutralZoom = 72;

constexpr std::array<PaperSize, 10> kPaperSizes{{
    {"A3", "297mm", "420mm"},
    {"A4", "210mm", "297mm"},
    {"A5", "148mm", "210mm"},
    {"A6", "105mm", "148mm"},
    {"Tabloid", "11in", "17in"},
    {"Screen", "10in", "7.5in"},
    {"Ledger", "355.6mm", "215.9mm"},
    {"Executive", "7.25in", "10.5in"},
    {"Legal", "8.5in", "14in"},
    {"Letter", "8.5in", "11in"},
}};

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Digits with at most one decimal point and at least one digit: "841.89", "5.", ".5".
// No sign and no exponent, so a stray "-5" or "1e3" is never taken for a length.
bool isPlainDecimal(QStringView text) {
    bool seenDigit = false;
    bool seenPoint = false;
    for (const QChar c : text) {
        if (isAsciiDigit(c)) {
            seenDigit = true;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            return false;
        }
    }
    return seenDigit;
}

QString scaledLength(QStringView number, double factor) {
    return formatG(number.toDouble() * factor);
}

QString scaledByZoom(const QString& length, int zoom) {
    return formatG(length.toDouble() * static_cast<double>(zoom) / kNeutralZoom);
}

}  // namespace

std::span<const PaperSize> paperSizeTable() {
    return kPaperSizes;
}

QString paperNameList() {
    QStringList names;
    for (const PaperSize& row : kPaperSizes) {
        names.append(QString::fromLatin1(row.name));
    }
    return names.join(QStringLiteral(", "));
}

bool isAllDigits(const QString& text) {
    for (const QChar c : text) {
        if (!isAsciiDigit(c)) {
            return false;
        }
    }
    return true;
}

QString formatG(double value) {
    return QString::number(value, 'g', 6);
}

QString convertLength(const QString& text) {
    // Whole numbers and plain decimals (a converter reply such as 841.89) are already points.
    if (isAllDigits(text) || isPlainDecimal(text)) {
        return text;
    }
    const QStringView number = QStringView(text).chopped(qMin(qsizetype(2), text.size()));
    if (text.endsWith(u"pt")) {
        return number.toString();
    }
    if (text.endsWith(u"mm")) {
        return scaledLength(number, kUnitsPerMillimetre);
    }
    if (text.endsWith(u"in")) {
        return scaledLength(number, kUnitsPerInch);
    }
    return {};
}

bool isReadableLength(const QString& text) {
    if (text.endsWith(u"pt") || text.endsWith(u"mm") || text.endsWith(u"in")) {
        return isPlainDecimal(QStringView(text).chopped(2));
    }
    return isPlainDecimal(text);
}

// The value is computed unrounded: the "%g" text of a huge length would read back as a number.
bool isUsableLength(const QString& text) {
    if (!isReadableLength(text)) {
        return false;
    }
    const bool hasUnit = text.endsWith(u"pt") || text.endsWith(u"mm") || text.endsWith(u"in");
    const QStringView number = hasUnit ? QStringView(text).chopped(2) : QStringView(text);
    double factor = 1.0;
    if (text.endsWith(u"mm")) {
        factor = kUnitsPerMillimetre;
    } else if (text.endsWith(u"in")) {
        factor = kUnitsPerInch;
    }
    bool readable = false;
    const double length = number.toDouble(&readable) * factor;
    return readable && std::isfinite(length) && length > 0.0 && length <= kMaxPageLength;
}

std::optional<PaperSize> findPaperSize(const QString& name) {
    for (const PaperSize& row : kPaperSizes) {
        if (name == QLatin1StringView(row.name)) {
            return row;
        }
    }
    return std::nullopt;
}

void resolvePageSize(FlipbookSettings& settings) {
    if (settings.sizeSource == SizeSource::WidthHeight) {
        settings.pageWidth = convertLength(settings.pageWidth);
        settings.pageHeight = convertLength(settings.pageHeight);
    } else if (settings.sizeSource == SizeSource::Paper) {
        // An unknown name leaves the texts exactly as they were, units and all.
        if (const auto row = findPaperSize(settings.paperName)) {
            settings.pageWidth = convertLength(QString::fromLatin1(row->widthText));
            settings.pageHeight = convertLength(QString::fromLatin1(row->heightText));
        }
    }
    // At the neutral zoom the texts are not even reformatted: a reply's "595.00" stays.
    if (settings.zoom != kNeutralZoom) {
        settings.pageWidth = scaledByZoom(settings.pageWidth, settings.zoom);
        settings.pageHeight = scaledByZoom(settings.pageHeight, settings.zoom);
    }
}
