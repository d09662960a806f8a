// The shared number reader that both programs' options and environment variables go through.
#include <gtest/gtest.h>

#include <optional>

#include "shared/numbers.h"

namespace {

TEST(SharedNumbers, LeadingIntegerReadsAsAtoiAndRefusesWhatDoesNotFit) {
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"150", 150},
        {"150dpi", 150},
        {" \t\n7x", 7},
        {"-3", -3},
        {"+4", 4},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        // No digits: no number, not 0, so that "x" is never taken for a zero.
        {"x1", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+-1", std::nullopt},
        {" ", std::nullopt},
        // Too large to hold: refused rather than wrapped or clamped into another number.
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"99999999999999999999999999999999999999999", std::nullopt},
        // Only ASCII white space and digits count: a UTF-8 no-break space or a full-width digit
        // is not a number.
        {"\xc2\xa0"
         "5",
         std::nullopt},
        {"\xef\xbc\x95", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shared::leadingInteger(c.text), c.value) << '"' << c.text << '"';
    }
}

}  // namespace
