// The progress line's words: pages done of all, and the time left once a page has told the pace.
#include "converter/progress_line.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressLine, TextTellsPagesAndTimeLeft) {
    const struct {
        qint64 done;
        qint64 total;
        qint64 elapsedMilliseconds;
        const char* text;
    } cases[] = {
        {0, 20, 0, "0 of 20 pages"},
        {5, 20, 10000, "5 of 20 pages, about 30 s left"},
        {1, 200, 2000, "1 of 200 pages, about 6 min 38 s left"},
        {199, 200, 1000, "199 of 200 pages, about 1 s left"},  // never "0 s"
        {20, 20, 40000, "20 of 20 pages"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(progressText(c.done, c.total, c.elapsedMilliseconds), QString::fromUtf8(c.text));
    }
}

}  // namespace
