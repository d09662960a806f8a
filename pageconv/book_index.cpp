// Page labels, outline numbering and the JSON form of the book index. The JSON is written by hand:
// the document has four kinds of values, and a writer this small keeps the converter free of a
// library for it while keeping every string valid UTF-8.
#include "book_index.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace pageconv {
namespace {

// Past these a number reads better in decimals than as a wall of letters.
constexpr long long kMaxRoman = 4999;
constexpr long long kMaxLetterRepeats = 8;

std::string romanNumeral(long long n, bool upper) {
    static constexpr std::array<std::pair<int, const char*>, 13> kParts{{{1000, "m"},
                                                                         {900, "cm"},
                                                                         {500, "d"},
                                                                         {400, "cd"},
                                                                         {100, "c"},
                                                                         {90, "xc"},
                                                                         {50, "l"},
                                                                         {40, "xl"},
                                                                         {10, "x"},
                                                                         {9, "ix"},
                                                                         {5, "v"},
                                                                         {4, "iv"},
                                                                         {1, "i"}}};
    std::string text;
    for (const auto& [value, letters] : kParts) {
        for (; n >= value; n -= value) {
            text += letters;
        }
    }
    if (upper) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return static_cast<char>(c - 'a' + 'A'); });
    }
    return text;
}

// A, B, ..., Z, AA, BB, ..., ZZ, AAA, ...
std::string letterNumeral(long long n, bool upper) {
    const char letter = static_cast<char>((upper ? 'A' : 'a') + (n - 1) % 26);
    return std::string(static_cast<size_t>((n - 1) / 26 + 1), letter);
}

std::string numeral(LabelStyle style, long long n) {
    const bool upper = style == LabelStyle::UpperRoman || style == LabelStyle::UpperLetters;
    switch (style) {
        case LabelStyle::None:
            return {};
        case LabelStyle::UpperRoman:
        case LabelStyle::LowerRoman:
            if (n >= 1 && n <= kMaxRoman) {
                return romanNumeral(n, upper);
            }
            break;
        case LabelStyle::UpperLetters:
        case LabelStyle::LowerLetters:
            if (n >= 1 && (n - 1) / 26 < kMaxLetterRepeats) {
                return letterNumeral(n, upper);
            }
            break;
        case LabelStyle::Decimal:
            break;
    }
    return std::to_string(n);
}

// Cut at a character boundary.
std::string truncatedUtf8(std::string text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

int positionOf(const PageList& pages, int pdfPage) {
    const auto found = std::lower_bound(pages.begin(), pages.end(), pdfPage);
    return found != pages.end() && *found == pdfPage ? static_cast<int>(found - pages.begin()) + 1
                                                     : 0;
}

void appendEscaped(std::string& out, int codePoint, std::string_view sequence) {
    switch (codePoint) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    // U+2028 and U+2029 are valid JSON but end lines in older script parsers.
    if (codePoint < 0x20 || codePoint == 0x7F || codePoint == 0x2028 || codePoint == 0x2029) {
        std::array<char, 8> escape{};
        std::snprintf(escape.data(), escape.size(), "\\u%04x", codePoint);
        out += escape.data();
        return;
    }
    out += sequence;
}

// In tenths, written by hand: a long book has a million numbers, and printf's float formatting
// would cost more than reading the words.
void appendNumber(std::string& out, double value) {
    const double tenths = std::round(value * 10);
    if (!(std::fabs(tenths) < 1e15)) {
        out += '0';  // not a finite page coordinate
        return;
    }
    const auto whole = static_cast<long long>(tenths);
    const long long magnitude = whole < 0 ? -whole : whole;
    if (whole < 0) {
        out += '-';
    }
    std::array<char, 24> digits{};
    const auto end =
        std::to_chars(digits.data(), digits.data() + digits.size(), magnitude / 10).ptr;
    out.append(digits.data(), end);
    if (magnitude % 10 != 0) {
        out += '.';
        out += static_cast<char>('0' + magnitude % 10);
    }
}

void appendOutline(std::string& out, const std::vector<OutlineEntry>& entries) {
    out += '[';
    for (size_t i = 0; i < entries.size(); ++i) {
        const OutlineEntry& entry = entries[i];
        out += i == 0 ? "{\"title\":" : ",{\"title\":";
        out += jsonString(entry.title);
        out += ",\"page\":" + std::to_string(entry.page);
        if (!entry.children.empty()) {
            out += ",\"children\":";
            appendOutline(out, entry.children);
        }
        out += '}';
    }
    out += ']';
}

void appendPageText(std::string& out, const PageText& page) {
    out += "{\"width\":";
    appendNumber(out, page.width);
    out += ",\"height\":";
    appendNumber(out, page.height);
    out += ",\"words\":[";
    for (size_t i = 0; i < page.words.size(); ++i) {
        const PageWord& word = page.words[i];
        out += i == 0 ? "[" : ",[";
        for (const double value :
             {word.box.x0, word.box.y0, word.box.x1 - word.box.x0, word.box.y1 - word.box.y0}) {
            appendNumber(out, value);
            out += ',';
        }
        out += jsonString(word.text);
        out += ']';
    }
    out += "]}";
}

bool isRightToLeft(int c) {
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) ||
           (c >= 0xFE70 && c <= 0xFEFF);
}

// Arabic Presentation Forms-B from U+FE80 on: each letter of U+0621..U+063A and U+0641..U+064A
// in turn, with this many forms (isolated, final, initial, medial).
constexpr std::array<int, 36> kArabicFormCounts = {1, 2, 2, 2, 2, 4, 2, 4, 2, 4, 4, 4,
                                                   4, 4, 2, 2, 2, 2, 4, 4, 4, 4, 4, 4,
                                                   4, 4, 4, 4, 4, 4, 4, 4, 4, 2, 2, 4};

int arabicLetterAt(size_t index) {
    return index < 26 ? 0x0621 + static_cast<int>(index) : 0x0641 + static_cast<int>(index - 26);
}

// The letters a presentation form shows; the code point itself when it is none.
void appendFolded(std::string& out, int c) {
    if (c >= 0xFEF5 && c <= 0xFEFC) {  // lam with an alef
        static constexpr std::array<int, 4> kAlefs = {0x0622, 0x0623, 0x0625, 0x0627};
        appendUtf8(out, 0x0644);
        appendUtf8(out, kAlefs[static_cast<size_t>(c - 0xFEF5) / 2]);
        return;
    }
    if (c >= 0xFE80 && c < 0xFEF5) {
        int first = 0xFE80;
        for (size_t i = 0; i < kArabicFormCounts.size(); ++i) {
            if (c < first + kArabicFormCounts[i]) {
                appendUtf8(out, arabicLetterAt(i));
                return;
            }
            first += kArabicFormCounts[i];
        }
    }
    appendUtf8(out, c);
}

}  // namespace

size_t decodeUtf8(std::string_view text, size_t at, int& codePoint) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size()) {
        return 0;
    }
    int value = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr std::array<int, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    codePoint = value;
    return length;
}

std::string wordText(std::vector<DrawnChar> chars) {
    const auto rightToLeft = std::count_if(chars.begin(), chars.end(), [](const DrawnChar& ch) {
        return isRightToLeft(ch.codePoint);
    });
    if (rightToLeft * 2 > static_cast<long>(chars.size()) && chars.size() > 1 &&
        chars.front().middle < chars.back().middle) {
        std::reverse(chars.begin(), chars.end());
    }
    std::string text;
    for (const DrawnChar& ch : chars) {
        std::string letters;
        appendFolded(letters, ch.codePoint);
        if (text.size() + letters.size() > kMaxWordBytes) {
            break;
        }
        text += letters;
    }
    return text;
}

std::string formatPageLabel(const LabelRange& range, int pageIndex) {
    const long long n = range.start + (pageIndex - range.firstPage);
    return truncatedUtf8(range.prefix + numeral(range.style, n), kMaxLabelBytes);
}

std::vector<std::string> labelsOfPages(const std::vector<LabelRange>& ranges,
                                       const PageList& pages) {
    std::vector<std::string> labels;
    labels.reserve(pages.size());
    for (const int page : pages) {
        const int index = page - 1;
        const auto after =
            std::upper_bound(ranges.begin(), ranges.end(), index,
                             [](int i, const LabelRange& range) { return i < range.firstPage; });
        labels.push_back(after == ranges.begin() ? std::to_string(page)
                                                 : formatPageLabel(*std::prev(after), index));
    }
    return labels;
}

void mapOutlineToBook(std::vector<OutlineEntry>& outline, const PageList& pages) {
    for (OutlineEntry& entry : outline) {
        entry.page = entry.page > 0 ? positionOf(pages, entry.page) : 0;
        mapOutlineToBook(entry.children, pages);
    }
}

void appendUtf8(std::string& out, int codePoint) {
    if (codePoint < 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        codePoint = 0xFFFD;
    }
    const auto add = [&out](int byte) { out += static_cast<char>(byte); };
    if (codePoint < 0x80) {
        add(codePoint);
    } else if (codePoint < 0x800) {
        add(0xC0 | (codePoint >> 6));
        add(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        add(0xE0 | (codePoint >> 12));
        add(0x80 | ((codePoint >> 6) & 0x3F));
        add(0x80 | (codePoint & 0x3F));
    } else {
        add(0xF0 | (codePoint >> 18));
        add(0x80 | ((codePoint >> 12) & 0x3F));
        add(0x80 | ((codePoint >> 6) & 0x3F));
        add(0x80 | (codePoint & 0x3F));
    }
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (size_t at = 0; at < text.size();) {
        int codePoint = 0;
        const size_t length = decodeUtf8(text, at, codePoint);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        appendEscaped(out, codePoint, text.substr(at, length));
        at += length;
    }
    return out + '"';
}

ReadingDirection readingDirectionNamed(std::string_view name) {
    return name == "R2L" ? ReadingDirection::RightToLeft : ReadingDirection::LeftToRight;
}

std::string bookIndexJson(const BookIndex& index) {
    std::string out = "{\"version\":1,\"pages\":" + std::to_string(index.text.size()) +
                      ",\"title\":" + jsonString(index.title);
    if (!index.language.empty()) {
        out += ",\"lang\":" + jsonString(index.language);
    }
    out += ",\"direction\":";
    out += index.direction == ReadingDirection::RightToLeft ? "\"rtl\"" : "\"ltr\"";
    out += ",\"labels\":[";
    for (size_t i = 0; i < index.labels.size(); ++i) {
        out += (i == 0 ? "" : ",") + jsonString(index.labels[i]);
    }
    out += "],\"outline\":";
    appendOutline(out, index.outline);
    out += ",\"text\":[";
    for (size_t i = 0; i < index.text.size(); ++i) {
        out += i == 0 ? "" : ",";
        appendPageText(out, index.text[i]);
    }
    return out + "]}\n";
}

}  // namespace pageconv
