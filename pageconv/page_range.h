// Page selection for a conversion run: the "-p" text ("1-20", "1,4,6,9-11") read against a page
// count.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pageconv {

struct RangeError {
    std::string message;
};

// Sorted, without duplicates, 1-based; every page lies within the document.
using PageList = std::vector<int>;

std::variant<PageList, RangeError> parsePageRange(std::string_view text, int pageCount);

PageList allPages(int pageCount);

// The advice for a run some of whose pages failed: which of `convertible` (sorted) can be
// converted, and the -pagerange that does it, e.g. "pages 1 and 3-40 can be converted with
// -pagerange 1,3-40". Past kMaxAdvisedRanges runs only their count is said, so the line stays
// short. Empty for no pages.
constexpr size_t kMaxAdvisedRanges = 12;
std::string convertibleAdvice(const PageList& convertible);

}  // namespace pageconv
