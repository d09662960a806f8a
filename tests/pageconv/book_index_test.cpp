// The book index's own rules: page labels of every style and their bounds, outline targets as
// book positions, and JSON strings that stay valid whatever bytes a PDF hands over.
#include "book_index.h"

#include <gtest/gtest.h>

namespace pageconv {
namespace {

struct LabelCase {
    LabelRange range;
    int pageIndex;
    const char* expected;
};

TEST(BookIndex, LabelsOfEveryStyle) {
    const LabelCase cases[] = {
        {{0, LabelStyle::Decimal, "", 1}, 0, "1"},
        {{2, LabelStyle::Decimal, "A-", 7}, 3, "A-8"},
        {{0, LabelStyle::LowerRoman, "", 1}, 3, "iv"},
        {{0, LabelStyle::UpperRoman, "", 1999}, 0, "MCMXCIX"},
        {{0, LabelStyle::UpperLetters, "", 1}, 25, "Z"},
        {{0, LabelStyle::UpperLetters, "", 28}, 0, "BB"},
        {{0, LabelStyle::LowerLetters, "", 53}, 0, "aaa"},
        {{0, LabelStyle::None, "Cover", 1}, 0, "Cover"},
        // Numbers no numeral system here writes sensibly fall back to decimals.
        {{0, LabelStyle::UpperRoman, "", 5000}, 0, "5000"},
        {{0, LabelStyle::LowerLetters, "", 1000000000000}, 0, "1000000000000"},
    };
    for (const LabelCase& c : cases) {
        EXPECT_EQ(formatPageLabel(c.range, c.pageIndex), c.expected) << c.expected;
    }
    const std::string longPrefix(200, 'x');
    EXPECT_EQ(formatPageLabel({0, LabelStyle::Decimal, longPrefix, 1}, 0).size(), kMaxLabelBytes);
}

TEST(BookIndex, LabelsOfConvertedPagesAndPagesBeforeAnyRange) {
    const std::vector<LabelRange> ranges = {{2, LabelStyle::LowerRoman, "", 1},
                                            {4, LabelStyle::Decimal, "", 1}};
    EXPECT_EQ(labelsOfPages(ranges, {1, 2, 3, 4, 5, 9}),
              (std::vector<std::string>{"1", "2", "i", "ii", "1", "5"}));
    EXPECT_EQ(labelsOfPages({}, {3, 4}), (std::vector<std::string>{"3", "4"}));
}

TEST(BookIndex, OutlineTargetsBecomeBookPositions) {
    std::vector<OutlineEntry> outline = {{"a", 3, {{"b", 5, {}}, {"c", 0, {}}}}, {"d", 9, {}}};
    mapOutlineToBook(outline, {3, 4, 5});
    EXPECT_EQ(outline[0].page, 1);
    EXPECT_EQ(outline[0].children[0].page, 3);
    EXPECT_EQ(outline[0].children[1].page, 0);  // unresolved stays so
    EXPECT_EQ(outline[1].page, 0);              // outside the converted pages
}

TEST(BookIndex, JsonStringsAreValidWhateverTheBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\" \\ bye", R"("say \"hi\" \\ bye")"},
        {std::string("a\x01\nb\x7f", 5), R"("a\u0001\nb\u007f")"},
        {"Καλημέρα 東京", "\"Καλημέρα 東京\""},
        {"\xff", "\"\xEF\xBF\xBD\""},                                  // not UTF-8
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // overlong '/'
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a lone surrogate
        {"cut \xE6\x9D", "\"cut \xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xE2\x80\xA8", R"("\u2028")"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(jsonString(text), expected) << expected;
    }
    std::string fromCodePoints;
    for (const int c : {0x41, 0xD800, 0x110000, -1, 0x1F600}) {
        appendUtf8(fromCodePoints, c);
    }
    EXPECT_EQ(fromCodePoints, "A\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

TEST(BookIndex, WordsReadInTheirOwnDirection) {
    struct Case {
        std::vector<DrawnChar> chars;
        const char* expected;
    };
    const Case cases[] = {
        {{{'a', 1}, {'b', 2}}, "ab"},
        // Arabic drawn left to right in isolated forms: turned round, the letters unshaped.
        {{{0xFE8E, 1}, {0xFE8F, 2}, {0xFEA1, 3}, {0xFEAD, 4}, {0xFEE1, 5}}, "مرحبا"},
        // Already in reading order (drawn right to left): kept.
        {{{0x0645, 5}, {0x0631, 4}}, "مر"},
        // Lam-alef ligature: two letters.
        {{{0xFEFB, 1}}, "لا"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wordText(c.chars), c.expected) << c.expected;
    }
    EXPECT_EQ(wordText(std::vector<DrawnChar>(1000, DrawnChar{0x6771, 0})).size(),
              kMaxWordBytes - kMaxWordBytes % 3);
}

TEST(BookIndex, DocumentHasTheAgreedShape) {
    BookIndex index;
    index.labels = {"i", "1"};
    index.outline = {{"Part \"one\"", 1, {{"Sub", 2, {}}}}, {"Gone", 0, {}}};
    index.text = {{595.0, 842.04, {{{10.04, 20.06, 30.0, 28.0}, "Word"}}}, {100, 50, {}}};
    index.title = "Spring \"26\"";
    index.language = "de-CH";
    EXPECT_EQ(bookIndexJson(index),
              "{\"version\":1,\"pages\":2,\"title\":\"Spring \\\"26\\\"\",\"lang\":\"de-CH\","
              "\"direction\":\"ltr\",\"labels\":[\"i\",\"1\"],\"outline\":[{\"title\":"
              "\"Part \\\"one\\\"\",\"page\":1,\"children\":[{\"title\":\"Sub\",\"page\":2}]},"
              "{\"title\":\"Gone\",\"page\":0}],\"text\":[{\"width\":595,\"height\":842,"
              "\"words\":[[10,20.1,20,7.9,\"Word\"]]},{\"width\":100,\"height\":50,\"words\":[]}]}"
              "\n");
}

// Only the one name the PDF format gives right-to-left reading turns the book round; a name in
// another case or a stray value keeps the usual order.
TEST(BookIndex, DirectionFromItsName) {
    const struct {
        const char* name;
        ReadingDirection expected;
    } cases[] = {
        {"R2L", ReadingDirection::RightToLeft}, {"L2R", ReadingDirection::LeftToRight},
        {"r2l", ReadingDirection::LeftToRight}, {"", ReadingDirection::LeftToRight},
        {"RTL", ReadingDirection::LeftToRight},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readingDirectionNamed(c.name), c.expected) << c.name;
    }
    BookIndex index;
    index.direction = ReadingDirection::RightToLeft;
    EXPECT_NE(bookIndexJson(index).find(",\"direction\":\"rtl\",\"labels\":"), std::string::npos);
}

}  // namespace
}  // namespace pageconv
