// The one way the tool and the converter read a number from a word or an environment variable.
#pragma once

#include <optional>
#include <string_view>

namespace shared {

// The leading integer as C's atoi reads it: white space, an optional sign, then digits; what
// follows is ignored ("150dpi" is 150). Nothing when there are no digits, or when the number does
// not fit an int: a number too long to hold is refused, never read as some other number.
std::optional<int> leadingInteger(std::string_view text);

}  // namespace shared
