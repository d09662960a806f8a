// The book index written beside the page files (book.json): the reading direction, the outline,
// the printed page labels and each converted page's words with their boxes on the page file's
// stage. Pure data and text: the PDF side fills the records, this side numbers, labels and writes
// them.
#pragma once

#include "common/records.h"
#include "page_range.h"

#include <string>
#include <string_view>
#include <vector>

namespace pageconv {

// Hostile documents must not make the index grow without bound.
constexpr size_t kMaxOutlineEntries = 10000;
constexpr int kMaxOutlineDepth = 32;
constexpr size_t kMaxTitleBytes = 512;
constexpr size_t kMaxLabelBytes = 64;
constexpr size_t kMaxWordsPerPage = 20000;
constexpr size_t kMaxWordBytes = 256;

struct OutlineEntry {
    std::string title;
    int page = 0;  // as read: the 1-based PDF page, 0 when there is none; as written: book position
    std::vector<OutlineEntry> children;
};

// One range of the PDF's /PageLabels: from its first page (0-based) up to the next range.
enum class LabelStyle { None, Decimal, UpperRoman, LowerRoman, UpperLetters, LowerLetters };
struct LabelRange {
    int firstPage = 0;
    LabelStyle style = LabelStyle::None;
    std::string prefix;
    long long start = 1;
};

struct PageWord {
    Box box;  // stage pixels, top-left origin
    std::string text;
};

struct PageText {
    double width = 0;
    double height = 0;
    std::vector<PageWord> words;
};

// Which way the pages turn, as the PDF's /ViewerPreferences /Direction says.
enum class ReadingDirection { LeftToRight, RightToLeft };

struct BookIndex {
    std::vector<std::string> labels;
    std::vector<OutlineEntry> outline;
    std::vector<PageText> text;
    std::string title;     // the document's, or its file name
    std::string language;  // a language tag, or empty
    ReadingDirection direction = ReadingDirection::LeftToRight;
};

// The label of the 0-based PDF page `pageIndex` in its range.
std::string formatPageLabel(const LabelRange& range, int pageIndex);

// One label per page of `pages`; ranges sorted by first page. Pages before the first range, or
// every page when there are no ranges, are labelled with their PDF page number.
std::vector<std::string> labelsOfPages(const std::vector<LabelRange>& ranges,
                                       const PageList& pages);

// Outline targets as 1-based positions among `pages`; 0 where a target is not among them.
void mapOutlineToBook(std::vector<OutlineEntry>& outline, const PageList& pages);

// A character of a word as the page draws it: its code point and the middle of its box along
// the line.
struct DrawnChar {
    int codePoint = 0;
    double middle = 0;
};

// The word's text in reading order, at most kMaxWordBytes: a right-to-left word drawn from left
// to right (in visual order) is turned round, and Arabic presentation forms become the letters
// they show, so that search finds a word as it is typed.
std::string wordText(std::vector<DrawnChar> chars);

// Appends the UTF-8 form of a code point; surrogates and values past U+10FFFF become U+FFFD.
void appendUtf8(std::string& out, int codePoint);

// The length of the UTF-8 sequence starting at `at` and its code point, or 0 when malformed
// (overlong, surrogate, past U+10FFFF or cut short).
size_t decodeUtf8(std::string_view text, size_t at, int& codePoint);

// A JSON string literal of the text: invalid UTF-8 becomes U+FFFD, quotes, backslashes and
// control characters are escaped.
std::string jsonString(std::string_view text);

// The direction a /Direction name stands for: only R2L reads right to left; any other name, or
// none, reads left to right.
ReadingDirection readingDirectionNamed(std::string_view name);

// The compact JSON document, numbers rounded to 0.1.
std::string bookIndexJson(const BookIndex& index);

}  // namespace pageconv
