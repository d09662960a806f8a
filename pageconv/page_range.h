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

}  // namespace pageconv
