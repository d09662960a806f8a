// The text version's layout of words into lines and paragraphs, and its HTML. The document needs
// no script and no style sheet of its own, so that it reads the same in any browser, in a reader
// mode and to a search engine's crawler.
#include "text_version.h"

#include "shared/book_names.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace pageconv {
namespace {

// Gaps between lines, as a share of the line's height: wider means a new paragraph. Body text
// sets lines some 0.2 of their height apart, paragraphs and headings half a line or more.
constexpr double kParagraphGap = 0.6;
// A line much taller or shorter than the one before is set in another size: a heading or a note.
constexpr double kSizeChange = 1.3;
// Words whose boxes overlap by this share of the smaller height stand on one line.
constexpr double kSameLineOverlap = 0.5;
constexpr size_t kDescriptionBytes = 160;
constexpr size_t kMaxLanguageTagBytes = 35;

double heightOf(const Box& box) {
    return std::max(box.y1 - box.y0, 0.01);
}

bool onOneLine(const Box& a, const Box& b) {
    const double overlap = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
    return overlap > kSameLineOverlap * std::min(heightOf(a), heightOf(b));
}

// The box of the line so far, for the comparisons with the next line.
struct LineBox {
    double top = 0;
    double bottom = 0;
    double height = 0;
};

bool startsParagraph(const LineBox& line, const Box& next) {
    const double height = heightOf(next);
    const bool movedUp = next.y1 < line.top;  // a new column or frame
    const bool resized = height > line.height * kSizeChange || line.height > height * kSizeChange;
    return movedUp || resized || next.y0 - line.bottom > kParagraphGap * line.height;
}

bool isAsciiLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// Bytes of the hyphen ending `word` after at least one letter, or 0: "-", soft hyphen, U+2010.
size_t trailingHyphen(const std::string& word) {
    for (const std::string_view hyphen : {"-", "\xC2\xAD", "\xE2\x80\x90"}) {
        const size_t n = hyphen.size();
        if (word.size() > n && word.compare(word.size() - n, n, hyphen) == 0) {
            const char before = word[word.size() - n - 1];
            const bool letter =
                isAsciiLetter(before) || (static_cast<unsigned char>(before) >= 0x80);
            return letter ? n : 0;
        }
    }
    return 0;
}

bool startsWithCapital(const std::string& word) {
    return !word.empty() && std::isupper(static_cast<unsigned char>(word.front())) != 0;
}

// The last word of the block's last line joins the first word of the next line when it ends in a
// hyphen; true when it did, and the next word is then used up.
bool joinedAcrossLines(TextBlock& block, const std::string& next) {
    if (block.lines.size() < 1 || block.lines.back().empty() || next.empty()) {
        return false;
    }
    std::string& last = block.lines.back().back();
    const size_t hyphen = trailingHyphen(last);
    if (hyphen == 0) {
        return false;
    }
    if (!startsWithCapital(next) && std::isdigit(static_cast<unsigned char>(next.front())) == 0) {
        last.resize(last.size() - hyphen);
    }
    last += next;
    return true;
}

struct Layout {
    std::vector<TextBlock> blocks;
    LineBox line;
    bool fresh = true;

    void startBlock(int tag) { blocks.push_back(TextBlock{{{}}, tag}); }
    void add(const PageWord& word, int tag) {
        const bool sameTag = !blocks.empty() && blocks.back().tag == tag;
        const bool sameLine = !fresh && onOneLine(Box{0, line.top, 0, line.bottom}, word.box);
        if (!sameTag || (tag < 0 && !sameLine && startsParagraph(line, word.box))) {
            startBlock(tag);
        } else if (!sameLine) {
            if (joinedAcrossLines(blocks.back(), word.text)) {
                line = {word.box.y0, word.box.y1, heightOf(word.box)};
                blocks.back().lines.emplace_back();
                return;
            }
            blocks.back().lines.emplace_back();
        }
        if (blocks.back().lines.back().empty()) {
            line = {word.box.y0, word.box.y1, heightOf(word.box)};
        } else {
            line = {std::min(line.top, word.box.y0), std::max(line.bottom, word.box.y1),
                    std::max(line.height, heightOf(word.box))};
        }
        fresh = false;
        blocks.back().lines.back().push_back(word.text);
    }
};

// A line left empty by a join is dropped, and so is a block left without words.
void dropEmptyLines(std::vector<TextBlock>& blocks) {
    for (TextBlock& block : blocks) {
        block.lines.erase(std::remove_if(block.lines.begin(), block.lines.end(),
                                         [](const auto& line) { return line.empty(); }),
                          block.lines.end());
    }
    blocks.erase(std::remove_if(blocks.begin(), blocks.end(),
                                [](const TextBlock& block) { return block.lines.empty(); }),
                 blocks.end());
}

void appendLines(std::string& out, const TextBlock& block) {
    for (size_t i = 0; i < block.lines.size(); ++i) {
        out += i == 0 ? "" : "<br>\n";
        for (size_t w = 0; w < block.lines[i].size(); ++w) {
            out += (w == 0 ? "" : " ") + htmlEscaped(block.lines[i][w]);
        }
    }
}

std::string pageAnchor(int position) {
    return "page-" + std::to_string(position);
}

// Headings of the document sit under the page's h2 and never skip a level on the way down.
struct HeadingLevels {
    int previous = 2;
    int levelOf(int documentLevel) {
        previous = std::clamp(documentLevel + 2, 3, std::min(6, previous + 1));
        return previous;
    }
};

void appendFigures(std::string& out, const PageTags& tags, int& nextTag, int upTo) {
    for (; nextTag < upTo; ++nextTag) {
        const PageTag& tag = tags.tags[static_cast<size_t>(nextTag)];
        if (tag.kind == TagKind::Figure && !tag.alt.empty()) {
            out += "<p class=\"figure\"><span class=\"what\">Picture:</span> " +
                   htmlEscaped(tag.alt) + "</p>\n";
        }
    }
}

void appendBlock(std::string& out, const TextBlock& block, const PageTag* tag,
                 HeadingLevels& headings) {
    if (tag != nullptr && tag->kind == TagKind::Heading) {
        const std::string h = "h" + std::to_string(headings.levelOf(tag->level));
        out += "<" + h + " dir=\"auto\">";
        appendLines(out, block);
        out += "</" + h + ">\n";
        return;
    }
    const bool item = tag != nullptr && tag->kind == TagKind::ListItem;
    out += item ? "<li dir=\"auto\">" : "<p dir=\"auto\">";
    appendLines(out, block);
    out += item ? "</li>\n" : "</p>\n";
}

bool isListItem(const TextBlock& block, const PageTags* tags) {
    return tags != nullptr && block.tag >= 0 &&
           tags->tags[static_cast<size_t>(block.tag)].kind == TagKind::ListItem;
}

void appendPageBody(std::string& out, const PageText& page, const PageTags* tags,
                    HeadingLevels& headings) {
    const std::vector<TextBlock> blocks = pageBlocks(page, tags);
    int nextTag = 0;
    bool inList = false;
    bool pictures = false;
    for (const TextBlock& block : blocks) {
        const bool item = isListItem(block, tags);
        if (inList && !item) {
            out += "</ul>\n";
        }
        if (tags != nullptr && block.tag >= nextTag) {
            const size_t before = out.size();
            appendFigures(out, *tags, nextTag, block.tag + 1);
            pictures = pictures || out.size() != before;
        }
        if (item && !inList) {
            out += "<ul>\n";
        }
        inList = item;
        appendBlock(out, block,
                    block.tag >= 0 ? &tags->tags[static_cast<size_t>(block.tag)] : nullptr,
                    headings);
    }
    if (inList) {
        out += "</ul>\n";
    }
    if (tags != nullptr) {
        const size_t before = out.size();
        appendFigures(out, *tags, nextTag, static_cast<int>(tags->tags.size()));
        pictures = pictures || out.size() != before;
    }
    if (blocks.empty() && !pictures) {
        out +=
            "<p class=\"none\">This page holds no text that can be read out: it may be a "
            "picture or a scan without a text layer.</p>\n";
    }
}

void appendPage(std::string& out, const TextVersionFacts& facts, const BookIndex& index, size_t i) {
    const std::string number = std::to_string(i + 1);
    const std::string label = htmlEscaped(i < index.labels.size() ? index.labels[i] : number);
    out += "<section id=\"" + pageAnchor(static_cast<int>(i) + 1) + "\">\n<h2>Page " + label +
           "</h2>\n<p class=\"back\"><a href=\"index.html#page=" + number + "\">Page " + label +
           " in the page-flip book</a></p>\n";
    HeadingLevels headings;
    const PageTags* tags = i < facts.tags.size() ? &facts.tags[i] : nullptr;
    appendPageBody(out, index.text[i], tags, headings);
    out += "</section>\n";
}

void appendOutline(std::string& out, const std::vector<OutlineEntry>& entries) {
    out += "<ol>\n";
    for (const OutlineEntry& entry : entries) {
        const std::string title = htmlEscaped(entry.title.empty() ? "(untitled)" : entry.title);
        out += entry.page > 0 ? "<li><a href=\"#" + pageAnchor(entry.page) + "\">" + title + "</a>"
                              : "<li>" + title;
        if (!entry.children.empty()) {
            out += "\n";
            appendOutline(out, entry.children);
        }
        out += "</li>\n";
    }
    out += "</ol>\n";
}

// The first words of the book, cut at a word, when the PDF gives no subject.
std::string openingWords(const BookIndex& index) {
    std::string text;
    for (const PageText& page : index.text) {
        for (const PageWord& word : page.words) {
            if (text.size() + word.text.size() + 1 > kDescriptionBytes) {
                return text + "\xE2\x80\xA6";
            }
            text += (text.empty() ? "" : " ") + word.text;
        }
    }
    return text;
}

constexpr char kStyle[] =
    "body { margin: 0 auto; max-width: 40em; padding: 1em; font: 1.0625rem/1.55 sans-serif; "
    "color: #1f1f1f; background: #ffffff; overflow-wrap: break-word; }\n"
    "a { color: #0645ad; }\n"
    "h2 { margin-top: 2.5em; border-top: 1px solid #767676; padding-top: 0.5em; }\n"
    ".back { font-size: 0.9375rem; }\n"
    ".figure, .none { font-style: italic; }\n"
    "img { max-width: 100%; height: auto; }\n";

void appendHead(std::string& out, const TextVersionFacts& facts, const BookIndex& index) {
    const std::string title = htmlEscaped(facts.title);
    const std::string description =
        htmlEscaped(facts.description.empty() ? openingWords(index) : facts.description);
    out += "<!DOCTYPE html>\n<html";
    if (!facts.language.empty()) {
        out += " lang=\"" + htmlEscaped(facts.language) + "\"";
    }
    out +=
        ">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>" +
        title + "</title>\n";
    if (!description.empty()) {
        out += "<meta name=\"description\" content=\"" + description +
               "\">\n"
               "<meta property=\"og:description\" content=\"" +
               description + "\">\n";
    }
    out += "<meta property=\"og:title\" content=\"" + title +
           "\">\n"
           "<meta property=\"og:type\" content=\"book\">\n";
    if (facts.poster) {
        out += std::string("<meta property=\"og:image\" content=\"") + shared::kDataFolder + "/" +
               shared::kPosterFile +
               "\">\n"
               "<meta name=\"twitter:card\" content=\"summary_large_image\">\n";
    }
    out += "<style>\n" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
}

}  // namespace

std::vector<TextBlock> pageBlocks(const PageText& page, const PageTags* tags) {
    Layout layout;
    for (size_t i = 0; i < page.words.size(); ++i) {
        const bool tagged = tags != nullptr && i < tags->wordTags.size();
        const int tag = tagged ? tags->wordTags[i] : -1;
        const bool known = tag >= 0 && static_cast<size_t>(tag) < tags->tags.size();
        layout.add(page.words[i], known ? tag : -1);
    }
    dropEmptyLines(layout.blocks);
    return layout.blocks;
}

std::string textVersionHtml(const TextVersionFacts& facts, const BookIndex& index) {
    std::string out;
    appendHead(out, facts, index);
    out += "<header>\n<h1 dir=\"auto\">" + htmlEscaped(facts.title) +
           "</h1>\n<p>The text of the book, page by page. <a href=\"index.html\">Open the "
           "page-flip book</a></p>\n</header>\n";
    if (!index.outline.empty()) {
        out += "<nav aria-labelledby=\"contents\">\n<h2 id=\"contents\">Contents</h2>\n";
        appendOutline(out, index.outline);
        out += "</nav>\n";
    }
    out += "<main>\n";
    for (size_t i = 0; i < index.text.size(); ++i) {
        appendPage(out, facts, index, i);
    }
    return out + "</main>\n</body>\n</html>\n";
}

std::string htmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        int c = 0;
        const size_t length = decodeUtf8(text, at, c);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if ((c < 0x20 && c != '\n' && c != '\t') || (c >= 0x7F && c < 0xA0) ||
                    (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) {
                    out += c == '\r' ? " " : "\xEF\xBF\xBD";
                } else {
                    out.append(text.substr(at, length));
                }
        }
        at += length;
    }
    return out;
}

std::string languageTag(std::string_view value) {
    while (!value.empty() && value.front() == ' ') {
        value.remove_prefix(1);
    }
    while (!value.empty() && value.back() == ' ') {
        value.remove_suffix(1);
    }
    if (value.empty() || value.size() > kMaxLanguageTagBytes) {
        return {};
    }
    size_t start = 0;
    for (bool first = true; start <= value.size(); first = false) {
        const size_t end = std::min(value.find('-', start), value.size());
        const std::string_view part = value.substr(start, end - start);
        const auto fits = [first](unsigned char c) {
            return first ? std::isalpha(c) != 0 : std::isalnum(c) != 0;
        };
        if (part.size() < (first ? 2U : 1U) || part.size() > 8 ||
            !std::all_of(part.begin(), part.end(), fits)) {
            return {};
        }
        start = end + 1;
    }
    return std::string(value);
}

namespace {

std::string unescapedXml(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const size_t end = text.find(';', i);
        const std::string_view name =
            text.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1);
        const std::pair<std::string_view, char> kNamed[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        bool done = false;
        for (const auto& [entity, c] : kNamed) {
            if (name == entity) {
                out += c;
                done = true;
            }
        }
        if (!done && name.size() > 1 && name.size() < 9 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string digits(name.substr(hex ? 2 : 1));
            char* stop = nullptr;
            const long value = std::strtol(digits.c_str(), &stop, hex ? 16 : 10);
            if (!digits.empty() && *stop == '\0') {
                appendUtf8(out, static_cast<int>(value));
                done = true;
            }
        }
        if (done) {
            i = end;
        } else {
            out += '&';
        }
    }
    return out;
}

std::string collapsedSpaces(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (!space) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    if (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

}  // namespace

std::string xmpTitle(std::string_view xmp) {
    const size_t title = xmp.find("<dc:title");
    if (title == std::string_view::npos) {
        return {};
    }
    const size_t closing = xmp.find("</dc:title>", title);
    const std::string_view inside = xmp.substr(
        title, closing == std::string_view::npos ? std::string_view::npos : closing - title);
    const size_t item = inside.find("<rdf:li");
    if (item == std::string_view::npos) {
        return {};
    }
    const size_t open = inside.find('>', item);
    if (open == std::string_view::npos || inside[open - 1] == '/') {
        return {};
    }
    const size_t end = inside.find("</rdf:li>", open);
    if (end == std::string_view::npos) {
        return {};
    }
    return collapsedSpaces(unescapedXml(inside.substr(open + 1, end - open - 1)));
}

std::string titleFromPath(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.size() > 4) {
        std::string ending(name.substr(name.size() - 4));
        std::transform(ending.begin(), ending.end(), ending.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ending == ".pdf") {
            name.remove_suffix(4);
        }
    }
    return name.empty() ? "Book" : std::string(name);
}

}  // namespace pageconv
