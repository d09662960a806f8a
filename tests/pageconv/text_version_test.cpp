// The text version's own rules: words into lines and paragraphs by their boxes, hyphenated words
// joined, tagged runs kept apart, and the facts it takes from a PDF (language tags, XMP titles,
// file names) checked or cleaned before they reach the document.
#include "text_version.h"

#include <gtest/gtest.h>

namespace pageconv {
namespace {

// A word of 10-pixel type on the line whose top is `y`.
PageWord word(const char* text, double x, double y, double height = 10) {
    return PageWord{Box{x, y, x + 30, y + height}, text};
}

// Blocks written as "line|line" strings, words joined by spaces, blocks by " / ".
std::string shape(const std::vector<TextBlock>& blocks) {
    std::string out;
    for (const TextBlock& block : blocks) {
        out += out.empty() ? "" : " / ";
        for (size_t i = 0; i < block.lines.size(); ++i) {
            out += i == 0 ? "" : "|";
            for (size_t w = 0; w < block.lines[i].size(); ++w) {
                out += (w == 0 ? "" : " ") + block.lines[i][w];
            }
        }
    }
    return out;
}

struct LayoutCase {
    const char* what;
    std::vector<PageWord> words;
    const char* expected;
};

TEST(TextVersion, WordsBecomeLinesAndParagraphs) {
    const LayoutCase cases[] = {
        {"one line", {word("a", 0, 0), word("b", 40, 0), word("c", 80, 1)}, "a b c"},
        {"lines close together", {word("a", 0, 0), word("b", 0, 12), word("c", 0, 24)}, "a|b|c"},
        {"a wide gap", {word("a", 0, 0), word("b", 0, 12), word("c", 0, 40)}, "a|b / c"},
        {"a heading above body text",
         {word("Title", 0, 0, 20), word("body", 0, 24), word("text", 0, 36)},
         "Title / body|text"},
        {"a second column starts at the top",
         {word("a", 0, 0), word("b", 0, 12), word("c", 200, 0)},
         "a|b / c"},
        {"a hyphenated word joined",
         {word("exam-", 0, 0), word("ple", 0, 12), word("here", 40, 12)},
         "example|here"},
        {"a soft hyphen joined", {word("exam\xC2\xAD", 0, 0), word("ple", 0, 12)}, "example"},
        {"the hyphen kept before a capital",
         {word("Jean-", 0, 0), word("Paul", 0, 12)},
         "Jean-Paul"},
        {"a dash alone is no hyphen", {word("-", 0, 0), word("next", 0, 12)}, "-|next"},
        {"no join across paragraphs", {word("exam-", 0, 0), word("ple", 0, 40)}, "exam- / ple"},
        {"a hyphen inside a line stays",
         {word("well-", 0, 0), word("known", 40, 0)},
         "well- known"},
        {"no words", {}, ""},
    };
    for (const LayoutCase& c : cases) {
        PageText page{600, 800, c.words};
        EXPECT_EQ(shape(pageBlocks(page)), c.expected) << c.what;
    }
}

TEST(TextVersion, TaggedRunsAreBlocksOfTheirOwn) {
    PageText page{600,
                  800,
                  {word("Head", 0, 0), word("one", 0, 12), word("two", 40, 12),
                   word("three", 0, 24), word("loose", 0, 36)}};
    PageTags tags{
        {{TagKind::Heading, 1, ""}, {TagKind::ListItem, 1, ""}, {TagKind::ListItem, 1, ""}},
        {0, 1, 1, 2, -1}};
    const std::vector<TextBlock> blocks = pageBlocks(page, &tags);
    EXPECT_EQ(shape(blocks), "Head / one two / three / loose");
    ASSERT_EQ(blocks.size(), 4U);
    EXPECT_EQ(blocks[0].tag, 0);
    EXPECT_EQ(blocks[2].tag, 2);
    EXPECT_EQ(blocks[3].tag, -1);
    // Tags past the end of the list, as a damaged tree could give, count as none.
    PageTags broken{{}, {7, 7, 7, 7, 7}};
    EXPECT_EQ(shape(pageBlocks(page, &broken)), "Head|one two|three|loose");
}

// Headings sit under the page's h2 and never skip a level; list items gather in one list; a
// figure's text comes where the structure puts it, one without text is left out.
TEST(TextVersion, TaggedPagesBecomeHeadingsListsAndFigures) {
    BookIndex index;
    index.labels = {"1"};
    index.text = {PageText{
        600,
        800,
        {word("Big", 0, 0), word("Small", 0, 40), word("one", 0, 80), word("two", 0, 120)}}};
    TextVersionFacts facts{"T", "en", "", false, {}};
    facts.tags = {PageTags{{{TagKind::Heading, 3, ""},
                            {TagKind::Heading, 5, ""},
                            {TagKind::Figure, 1, "Logo"},
                            {TagKind::Figure, 1, ""},
                            {TagKind::ListItem, 1, ""},
                            {TagKind::ListItem, 1, ""}},
                           {0, 1, 4, 5}}};
    const std::string html = textVersionHtml(facts, index);
    const std::string body = html.substr(html.find("<h3"));
    EXPECT_EQ(body.substr(0, body.find("</section>")),
              "<h3 dir=\"auto\">Big</h3>\n<h4 dir=\"auto\">Small</h4>\n"
              "<p class=\"figure\"><span class=\"what\">Picture:</span> Logo</p>\n"
              "<ul>\n<li dir=\"auto\">one</li>\n<li dir=\"auto\">two</li>\n</ul>\n");
}

TEST(TextVersion, LanguageTagsAreCheckedNotGuessed) {
    const std::pair<const char*, const char*> cases[] = {
        {"en", "en"},
        {"pt-BR", "pt-BR"},
        {" de-CH ", "de-CH"},
        {"zh-Hant-TW", "zh-Hant-TW"},
        {"", ""},
        {"e", ""},
        {"en_US", ""},
        {"en-", ""},
        {"-en", ""},
        {"english language", ""},
        {"toolonglang", ""},
        {"de\"x", ""},
    };
    for (const auto& [given, expected] : cases) {
        EXPECT_EQ(languageTag(given), expected) << given;
    }
}

TEST(TextVersion, TitlesFromXmpAndFileNames) {
    const std::pair<const char*, const char*> xmp[] = {
        {"<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Spring &amp; Summer</rdf:li>"
         "</rdf:Alt></dc:title>",
         "Spring & Summer"},
        {"<dc:title><rdf:Alt><rdf:li>  Two\n  lines &#233;t&#xE9; </rdf:li></rdf:Alt></dc:title>",
         "Two lines été"},
        {"<dc:creator><rdf:Seq><rdf:li>Someone</rdf:li></rdf:Seq></dc:creator>", ""},
        {"<dc:title><rdf:Alt><rdf:li/></rdf:Alt></dc:title>", ""},
        {"<dc:title><rdf:Alt><rdf:li>cut off", ""},
        {"", ""},
    };
    for (const auto& [packet, expected] : xmp) {
        EXPECT_EQ(xmpTitle(packet), expected) << packet;
    }
    const std::pair<const char*, const char*> paths[] = {
        {"/home/a/Spring catalogue.pdf", "Spring catalogue"},
        {"brochure.PDF", "brochure"},
        {"/x/notes", "notes"},
        {"/x/.pdf", ".pdf"},
        {"/x/", "Book"},
    };
    for (const auto& [path, expected] : paths) {
        EXPECT_EQ(titleFromPath(path), expected) << path;
    }
}

TEST(TextVersion, HtmlEscapingKeepsTheDocumentWellFormed) {
    const std::pair<std::string, std::string> cases[] = {
        {"a < b & \"c\" > d", "a &lt; b &amp; &quot;c&quot; &gt; d"},
        {"Zürich 東京", "Zürich 東京"},
        {"\xff", "\xEF\xBF\xBD"},
        {std::string("a\x01"
                     "b",
                     3),
         "a\xEF\xBF\xBD"
         "b"},
        {"\xEF\xBF\xBF", "\xEF\xBF\xBD"},  // a noncharacter
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(htmlEscaped(text), expected) << text;
    }
}

TEST(TextVersion, PagesWithoutWordsSaySo) {
    BookIndex index;
    index.labels = {"iv"};
    index.text = {PageText{600, 800, {}}};
    const std::string html = textVersionHtml(TextVersionFacts{"T", "", "", false, {}}, index);
    EXPECT_NE(html.find("<h2>Page iv</h2>"), std::string::npos);
    EXPECT_NE(html.find("no text"), std::string::npos);
    EXPECT_EQ(html.find("og:image"), std::string::npos);  // no poster, no sharing image
    EXPECT_EQ(html.find(" lang="), std::string::npos);
}

}  // namespace
}  // namespace pageconv
