// The one way the tool and the converter read a number from a word or an environment variable.
#include "shared/numbers.h"

#include <limits>

namespace shared {
namespace {

// C's isspace in the "C" locale, which both programs' words are read in.
bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<int> leadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    // One past int's largest value is still readable for a negative number.
    const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                     : std::numeric_limits<int>::max();
    long long value = 0;
    const size_t firstDigit = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            return std::nullopt;
        }
    }
    if (i == firstDigit) {
        return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace shared
