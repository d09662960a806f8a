// The book's text version (text.html beside index.html): its title, contents and every page's
// words as headings, lines and paragraphs, for readers who cannot see the pages and for search
// engines. Pure text: the PDF side hands over the facts, the words come from the book index.
#pragma once

#include "book_index.h"

#include <string>
#include <string_view>
#include <vector>

namespace pageconv {

// What a tagged PDF says a run of a page's words is.
enum class TagKind { Paragraph, Heading, ListItem, Figure };
struct PageTag {
    TagKind kind = TagKind::Paragraph;
    int level = 1;    // of a heading, 1 to 6
    std::string alt;  // of a figure: its alternative text
};

// A page's tags in the structure's order, and for each of its words the tag it belongs to (-1
// where it belongs to none and its place on the page decides).
struct PageTags {
    std::vector<PageTag> tags;
    std::vector<int> wordTags;
};

struct TextVersionFacts {
    std::string title;
    std::string language;        // a language tag, or empty when the PDF names none
    std::string description;     // empty: the book's first words stand for it
    bool poster = false;         // data/poster.jpg was written
    std::vector<PageTags> tags;  // one per page of a tagged PDF, else empty
};

// Words grouped as the page sets them: a block (paragraph, heading, list item) of lines of words.
struct TextBlock {
    std::vector<std::vector<std::string>> lines;
    int tag = -1;
};

// The page's words as blocks, in the index's order. A word a hyphen splits at a line end is
// joined with its rest at the end of the first line; the hyphen stays only before a capital.
std::vector<TextBlock> pageBlocks(const PageText& page, const PageTags* tags = nullptr);

// The whole document; `index` holds labels, outline (book positions) and words of every page.
std::string textVersionHtml(const TextVersionFacts& facts, const BookIndex& index);

// Text made safe for HTML: `&`, `<`, `>` and `"` as references, invalid UTF-8 and control
// characters replaced.
std::string htmlEscaped(std::string_view text);

// A well-formed language tag ("en", "pt-BR") as given, otherwise empty: a wrong tag would make
// a browser or screen reader pick the wrong voice.
std::string languageTag(std::string_view value);

// The title of an XMP packet (dc:title, its first alternative), unescaped; empty when none.
std::string xmpTitle(std::string_view xmp);

// The name of the PDF without its folder and its ".pdf", as the title of last resort.
std::string titleFromPath(std::string_view path);

}  // namespace pageconv
