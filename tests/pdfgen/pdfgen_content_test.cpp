// Content stream text helpers: number form, string escaping, encoding and word wrap.
#include <gtest/gtest.h>

#include "content.h"
#include "documents.h"

namespace pdfgen {
namespace {

TEST(Content, NumbersAreShortAndStable) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{0, "0"},           {12, "12"},     {12.5, "12.5"},    {-3.25, "-3.25"},
                 {1.0 / 3, "0.333"}, {-0.0001, "0"}, {595.0004, "595"}, {1e6, "1000000"}};
    for (const auto& c : cases) {
        EXPECT_EQ(formatNumber(c.value), c.text) << c.value;
    }
}

// A renderer that truncates must still land on the intended byte.
TEST(Content, ColoursRoundUpToTheIntendedByte) {
    const struct {
        unsigned hex;
        const char* ops;
    } cases[] = {{0x000000, "0 0 0 rg\n"},
                 {0xFFFFFF, "1 1 1 rg\n"},
                 {0x4B0000, "0.29412 0 0 rg\n"},
                 {0x010203, "0.00393 0.00785 0.01177 rg\n"}};
    for (const auto& c : cases) {
        Content content;
        setFill(content, rgbFromHex(c.hex));
        EXPECT_EQ(content.ops, c.ops) << std::hex << c.hex;
    }
}

TEST(Content, LiteralsEscapeDelimitersAndBinary) {
    const struct {
        std::string in;
        const char* out;
    } cases[] = {{"plain", "(plain)"},
                 {"a(b)c", "(a\\(b\\)c)"},
                 {"back\\slash", "(back\\\\slash)"},
                 {"\n\x95\xff", "(\\012\\225\\377)"},
                 {"", "()"}};
    for (const auto& c : cases) {
        EXPECT_EQ(pdfLiteral(c.in), c.out) << c.in;
    }
}

TEST(Content, Utf8BecomesWinAnsi) {
    const struct {
        const char* utf8;
        std::string winansi;
    } cases[] = {{"abc", "abc"},
                 {"caf\xC3\xA9", "caf\xE9"},
                 {"\xE2\x80\xA2 item", "\x95 item"},
                 {"a\xE2\x80\x93"
                  "b\xE2\x80\x94"
                  "c",
                  "a\x96"
                  "b\x97"
                  "c"},
                 {"it\xE2\x80\x99s", "it\x92s"},
                 {"\xE2\x82\xAC"
                  "5",
                  "\x80"
                  "5"},
                 {"\xE4\xB8\xAD", "?"},  // not in the encoding
                 {"bad\xC3", "bad?"},    // cut short
                 {"x\x80y", "x?y"}};     // stray continuation byte
    for (const auto& c : cases) {
        EXPECT_EQ(toWinansi(c.utf8), c.winansi) << c.utf8;
    }
}

// Every character one unit wide, a space half a unit.
double fixedWidth(std::string_view s) {
    double w = 0;
    for (char ch : s) {
        w += ch == ' ' ? 0.5 : 1.0;
    }
    return w;
}

TEST(Content, WrapKeepsEveryWordAndFitsTheWidth) {
    const struct {
        std::string text;
        double width;
        std::vector<std::string> lines;
    } cases[] = {
        {"aa bb cc", 5.5, {"aa bb", "cc"}},  // "aa bb" is exactly 4.5 wide
        {"aa bb cc", 4.4, {"aa", "bb", "cc"}},
        {"aa bb cc", 100, {"aa bb cc"}},
        {"  aa   bb  ", 100, {"aa bb"}},               // runs of spaces collapse
        {"toolongword aa", 3, {"toolongword", "aa"}},  // an overlong word stands alone
        {"", 10, {}},
        {"   ", 10, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wrapWords(c.text, c.width, 1.0, fixedWidth), c.lines) << c.text;
    }
}

TEST(Content, FlowStopsAtTheBottomOfTheBox) {
    Content c;
    const std::vector<std::string> paragraphs = {"aa bb", "cc dd", "ee ff"};
    // Lines of 10 leading from a top baseline at 90: 90, 80 | 70, 60 | 50 ... bottom 55.
    const FlowResult r =
        flowParagraphs(c, {"F1", 10, 10, {}}, fixedWidth, {0, 55, 2.5, 100}, paragraphs, 0);
    EXPECT_EQ(r.paragraphsDrawn, 2u);
    EXPECT_EQ(c.ops.find("(ee)"), std::string::npos);
    EXPECT_NE(c.ops.find("(dd)"), std::string::npos);
}

TEST(Content, ColourTableLinesAreDistinctHex) {
    const std::string table = colourTableText();
    EXPECT_EQ(table.substr(0, 10), "1 E6194B\n2");
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 12);
    for (size_t i = 0; i < kPageColours.size(); ++i) {
        for (size_t j = i + 1; j < kPageColours.size(); ++j) {
            EXPECT_NE(kPageColours[i], kPageColours[j]);
        }
        EXPECT_NE(kPageColours[i], 0xFFFFFFu);  // white is the number box
    }
}

}  // namespace
}  // namespace pdfgen
