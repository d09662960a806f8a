// When the even-odd rule may stand in for the non-zero one: outlines that agree and outlines
// that a renderer filling even-odd only would draw wrong.
#include "swf/fill_rules.h"

#include <gtest/gtest.h>

namespace pageconv {
namespace {

Outline polygon(std::initializer_list<TwipPoint> points) {
    Outline outline;
    for (const TwipPoint& p : points) {
        outline.push_back(
            Segment{outline.empty() ? SegmentKind::MoveTo : SegmentKind::LineTo, {}, p});
    }
    outline.push_back(Segment{SegmentKind::LineTo, {}, points.begin()[0]});
    return outline;
}

Outline joined(std::initializer_list<Outline> parts) {
    Outline all;
    for (const Outline& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Outline square(int32_t x, int32_t y, int32_t side, bool clockwise) {
    return clockwise ? polygon({{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}})
                     : polygon({{x, y}, {x, y + side}, {x + side, y + side}, {x + side, y}});
}

// A quadratic that bends one side of a square out across its opposite side.
Outline bentSquare() {
    Outline outline = square(0, 0, 100, true);
    outline[1] = Segment{SegmentKind::CurveTo, {50, 400}, {100, 0}};
    return outline;
}

TEST(FillRules, AgreeOnlyWhereNoPointIsWoundTwice) {
    const struct {
        const char* name;
        Outline outline;
        bool agree;
    } cases[] = {
        {"empty", {}, true},
        {"one square", square(0, 0, 100, true), true},
        {"a hole turning the other way",
         joined({square(0, 0, 100, true), square(25, 25, 50, false)}), true},
        {"a hole turning the same way", joined({square(0, 0, 100, true), square(25, 25, 50, true)}),
         false},
        {"squares apart", joined({square(0, 0, 100, true), square(200, 0, 100, true)}), true},
        {"squares overlapping the same way",
         joined({square(0, 0, 100, true), square(50, 50, 100, true)}), false},
        {"squares overlapping opposite ways",
         joined({square(0, 0, 100, true), square(50, 50, 100, false)}), true},
        {"a star drawn in one run", polygon({{50, 0}, {80, 100}, {0, 40}, {100, 40}, {20, 100}}),
         false},
        // Its lobes turn opposite ways, so the rules agree, but any crossing counts against.
        {"a bow tie", polygon({{0, 0}, {100, 100}, {100, 0}, {0, 100}}), false},
        {"a curve crossing its own outline", bentSquare(), false},
        {"a line, which covers nothing", polygon({{0, 0}, {100, 100}}), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fillRulesAgree(c.outline), c.agree) << c.name;
    }
}

TEST(FillRules, OutlinesTooLongToCheckCountAsDisagreeing) {
    Outline many;
    for (int32_t i = 0; i < 1100; ++i) {
        const Outline piece = square(i * 200, 0, 100, true);
        many.insert(many.end(), piece.begin(), piece.end());
    }
    EXPECT_FALSE(fillRulesAgree(many));
}

}  // namespace
}  // namespace pageconv
