// The "-p" page selection: accepted forms, and refusals that name the range and the page count.
#include "page_range.h"

#include <gtest/gtest.h>

namespace pageconv {
namespace {

struct RangeCase {
    const char* text;
    int pageCount;
    PageList expected;  // empty: an error is expected
    const char* errorPart = "";
};

class PageRangeTest : public testing::TestWithParam<RangeCase> {};

TEST_P(PageRangeTest, ReadsOrRefuses) {
    const RangeCase& c = GetParam();
    const auto result = parsePageRange(c.text, c.pageCount);
    if (c.expected.empty()) {
        ASSERT_TRUE(std::holds_alternative<RangeError>(result)) << c.text;
        const std::string& message = std::get<RangeError>(result).message;
        EXPECT_NE(message.find(c.text), std::string::npos) << message;
        EXPECT_NE(message.find(c.errorPart), std::string::npos) << message;
    } else {
        ASSERT_TRUE(std::holds_alternative<PageList>(result))
            << std::get<RangeError>(result).message;
        EXPECT_EQ(std::get<PageList>(result), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, PageRangeTest,
    testing::Values(RangeCase{"1-20", 20, allPages(20)}, RangeCase{"3", 5, {3}},
                    RangeCase{"1,4,6,9-11", 12, {1, 4, 6, 9, 10, 11}}, RangeCase{"5-5", 5, {5}},
                    // Overlaps and reversed order are merged into one ascending list.
                    RangeCase{"4-6,1,5,2-3", 6, {1, 2, 3, 4, 5, 6}},
                    // Past the end is refused, never clamped.
                    RangeCase{"1-20", 12, {}, "12 pages"}, RangeCase{"13", 12, {}, "12 pages"},
                    RangeCase{"2", 1, {}, "1 page"}, RangeCase{"0", 12, {}, "\"0\""},
                    RangeCase{"0-3", 12, {}, "\"0-3\""}, RangeCase{"5-3", 12, {}, "\"5-3\""},
                    RangeCase{"", 12, {}, "\"\""}, RangeCase{"1,,2", 12, {}, "\"\""},
                    RangeCase{"1,", 12, {}, "\"\""}, RangeCase{"-3", 12, {}, "\"-3\""},
                    RangeCase{"3-", 12, {}, "\"3-\""}, RangeCase{"1-2-3", 12, {}, "\"1-2-3\""},
                    RangeCase{"a", 12, {}, "\"a\""}, RangeCase{" 1", 12, {}, "\" 1\""},
                    RangeCase{"+1", 12, {}, "\"+1\""},
                    RangeCase{"1-99999999999", 12, {}, "\"1-99999999999\""},
                    RangeCase{"1-2000000000", 12, {}, "12 pages"}));

TEST(ConvertibleAdvice, NamesThePagesAndTheRangeThatConvertsThem) {
    struct Case {
        PageList pages;
        std::string advice;
    };
    PageList manyRuns;
    for (int page = 1; page <= 2 * static_cast<int>(kMaxAdvisedRanges) + 1; page += 2) {
        manyRuns.push_back(page);
    }
    PageList allButTwo = allPages(40);
    allButTwo.erase(allButTwo.begin() + 1);
    const Case cases[] = {
        {{}, ""},
        {{7}, "page 7 can be converted with -pagerange 7"},
        {{3, 4}, "pages 3-4 can be converted with -pagerange 3-4"},
        {allButTwo, "pages 1 and 3-40 can be converted with -pagerange 1,3-40"},
        {{1, 3, 4, 5, 9}, "pages 1, 3-5 and 9 can be converted with -pagerange 1,3-5,9"},
        {manyRuns,
         "13 other pages can be converted with -pagerange, leaving out those that "
         "failed"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convertibleAdvice(c.pages), c.advice);
    }
}

}  // namespace
}  // namespace pageconv
