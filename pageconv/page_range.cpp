// Reading the "-p" page selection. Pages outside the document are refused, never clamped: a
// clamped range would silently produce a different book than the one asked for.
#include "page_range.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace pageconv {
namespace {

struct Span {
    int first = 0;
    int last = 0;
};

std::optional<int> readPageNumber(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || text.front() == '-' ||
        text.front() == '+') {
        return std::nullopt;
    }
    return value;
}

std::optional<Span> readSpan(std::string_view item) {
    const auto dash = item.find('-');
    if (dash == std::string_view::npos) {
        const auto page = readPageNumber(item);
        return page ? std::optional<Span>(Span{*page, *page}) : std::nullopt;
    }
    const auto first = readPageNumber(item.substr(0, dash));
    const auto last = readPageNumber(item.substr(dash + 1));
    if (!first || !last) {
        return std::nullopt;
    }
    return Span{*first, *last};
}

std::vector<std::string_view> splitOnCommas(std::string_view text) {
    std::vector<std::string_view> items;
    size_t start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        items.push_back(
            text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            return items;
        }
        start = comma + 1;
    }
}

RangeError rangeError(std::string_view text, const std::string& why) {
    return RangeError{"page range \"" + std::string(text) + "\": " + why};
}

// Consecutive pages joined into spans.
std::vector<Span> spansOf(const PageList& pages) {
    std::vector<Span> spans;
    for (const int page : pages) {
        if (!spans.empty() && spans.back().last + 1 == page) {
            spans.back().last = page;
        } else {
            spans.push_back(Span{page, page});
        }
    }
    return spans;
}

std::string spanText(const Span& span) {
    return span.first == span.last ? std::to_string(span.first)
                                   : std::to_string(span.first) + "-" + std::to_string(span.last);
}

// "1", "1 and 3-40", "1, 3-5 and 9".
std::string spansInWords(const std::vector<Span>& spans) {
    std::string words;
    for (size_t i = 0; i < spans.size(); ++i) {
        if (i > 0) {
            words += i + 1 == spans.size() ? " and " : ", ";
        }
        words += spanText(spans[i]);
    }
    return words;
}

std::string spansAsRange(const std::vector<Span>& spans) {
    std::string range;
    for (const Span& span : spans) {
        range += (range.empty() ? "" : ",") + spanText(span);
    }
    return range;
}

}  // namespace

std::string convertibleAdvice(const PageList& convertible) {
    const std::vector<Span> spans = spansOf(convertible);
    if (spans.empty()) {
        return {};
    }
    const bool one = convertible.size() == 1;
    if (spans.size() > kMaxAdvisedRanges) {
        return std::to_string(convertible.size()) +
               " other pages can be converted with -pagerange, leaving out those that failed";
    }
    return (one ? "page " : "pages ") + spansInWords(spans) + " can be converted with -pagerange " +
           spansAsRange(spans);
}

PageList allPages(int pageCount) {
    PageList pages;
    for (int page = 1; page <= pageCount; ++page) {
        pages.push_back(page);
    }
    return pages;
}

std::variant<PageList, RangeError> parsePageRange(std::string_view text, int pageCount) {
    PageList pages;
    for (const auto item : splitOnCommas(text)) {
        const auto span = readSpan(item);
        if (!span) {
            return rangeError(text, "\"" + std::string(item) + "\" is not a page or a range N-M");
        }
        if (span->first < 1 || span->first > span->last) {
            return rangeError(text,
                              "\"" + std::string(item) + "\" is not an ascending range from 1");
        }
        if (span->last > pageCount) {
            return rangeError(text, "the document has " + std::to_string(pageCount) +
                                        (pageCount == 1 ? " page" : " pages"));
        }
        for (int page = span->first; page <= span->last; ++page) {
            pages.push_back(page);
        }
    }
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    return pages;
}

}  // namespace pageconv
