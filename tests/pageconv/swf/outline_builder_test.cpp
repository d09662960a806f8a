// Outline building: cubic curves within the tolerance, rounding without drift, dashed lines.
#include "swf/outline_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace pageconv {
namespace {

PointF cubicPoint(const PointF (&p)[4], double t) {
    const double u = 1 - t;
    const double w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
    PointF r;
    for (int i = 0; i < 4; ++i) {
        r.x += w[i] * p[i].x;
        r.y += w[i] * p[i].y;
    }
    return r;
}

PointF quadPoint(PointF a, PointF c, PointF b, double s) {
    const double u = 1 - s;
    return {u * u * a.x + 2 * u * s * c.x + s * s * b.x,
            u * u * a.y + 2 * u * s * c.y + s * s * b.y};
}

// The pieces split the parameter evenly, so piece i at s must lie near the cubic at (i + s) / n.
double largestDeviation(const PointF (&p)[4], const std::vector<Quadratic>& quads) {
    const double n = static_cast<double>(quads.size());
    double worst = 0;
    PointF from = p[0];
    for (size_t i = 0; i < quads.size(); ++i) {
        for (int k = 0; k <= 64; ++k) {
            const double s = k / 64.0;
            const PointF q = quadPoint(from, quads[i].control, quads[i].to, s);
            const PointF c = cubicPoint(p, (static_cast<double>(i) + s) / n);
            worst = std::max(worst, std::hypot(q.x - c.x, q.y - c.y));
        }
        from = quads[i].to;
    }
    return worst;
}

TEST(CubicApproximation, StaysWithinToleranceWithBoundedPieces) {
    struct Case {
        const char* name;
        PointF p[4];
        size_t maxPieces;
    };
    const Case cases[] = {
        {"straight", {{0, 0}, {100, 0}, {200, 0}, {300, 0}}, 1},
        {"quadratic in disguise", {{0, 0}, {200, 400}, {400, 400}, {600, 0}}, 1},
        {"arc", {{0, 0}, {0, 552}, {448, 1000}, {1000, 1000}}, 8},
        {"s-shaped", {{0, 0}, {4000, -3000}, {-1000, 9000}, {3000, 6000}}, 40},
        {"looped", {{0, 0}, {3000, 3000}, {-1000, 3000}, {2000, 0}}, 40},
        {"cusped", {{0, 0}, {2000, 2000}, {0, 2000}, {2000, 0}}, 40},
        {"all points equal", {{7, 7}, {7, 7}, {7, 7}, {7, 7}}, 1},
        {"controls on the ends", {{0, 0}, {0, 0}, {500, 500}, {500, 500}}, 8},
        {"huge", {{-1e8, -1e8}, {3e8, -2e8}, {-3e8, 2e8}, {1e8, 1e8}}, 1024},
    };
    for (const Case& c : cases) {
        const auto quads = approximateCubic(c.p[0], c.p[1], c.p[2], c.p[3], kCurveToleranceTwips);
        ASSERT_FALSE(quads.empty()) << c.name;
        EXPECT_LE(quads.size(), c.maxPieces) << c.name;
        EXPECT_LE(largestDeviation(c.p, quads), kCurveToleranceTwips) << c.name;
        EXPECT_EQ(quads.back().to.x, c.p[3].x) << c.name;
        EXPECT_EQ(quads.back().to.y, c.p[3].y) << c.name;
    }
}

TEST(CubicApproximation, HostileInputStaysBounded) {
    const double inf = INFINITY;
    EXPECT_LE(approximateCubic({0, 0}, {inf, 0}, {0, NAN}, {1, 1}, 1).size(), 1024U);
    EXPECT_LE(approximateCubic({0, 0}, {1e300, 0}, {0, -1e300}, {1, 1}, 1).size(), 1024U);
    EXPECT_LE(approximateCubic({0, 0}, {10, 0}, {0, 10}, {1, 1}, 0).size(), 1024U);
}

TEST(OutlineBuilder, RoundsAbsolutePointsSoStepsDoNotDrift) {
    OutlineBuilder b;
    moveTo(b, {0.4, 0.4});
    double x = 0.4;
    for (int i = 0; i < 1000; ++i) {
        x += 0.3;
        lineTo(b, {x, 0.4});
    }
    ASSERT_FALSE(b.outline.empty());
    EXPECT_EQ(b.outline.back().to, (TwipPoint{static_cast<int32_t>(std::lround(x)), 0}));
    // Steps that round to the same point add no edges.
    EXPECT_EQ(edgeCount(b.outline), static_cast<size_t>(std::lround(x)));
}

TEST(OutlineBuilder, SubpathsStartWithAMoveAndCloseOnTheirStart) {
    OutlineBuilder b;
    moveTo(b, {5, 5});
    moveTo(b, {10, 10});  // replaces the empty subpath
    lineTo(b, {100, 10});
    cubicTo(b, {150, 10}, {150, 60}, {100.6, 60.4});
    closePath(b);
    lineTo(b, {0, 0});  // draws on from the closed subpath's start
    ASSERT_GE(b.outline.size(), 5U);
    EXPECT_EQ(b.outline[0], (Segment{SegmentKind::MoveTo, {}, {10, 10}}));
    EXPECT_EQ(b.outline[1].kind, SegmentKind::LineTo);
    const size_t n = b.outline.size();
    EXPECT_EQ(b.outline[n - 4].to, (TwipPoint{101, 60}));
    EXPECT_EQ(b.outline[n - 3], (Segment{SegmentKind::LineTo, {}, {10, 10}}));
    EXPECT_EQ(b.outline[n - 2], (Segment{SegmentKind::MoveTo, {}, {10, 10}}));
    EXPECT_EQ(b.outline[n - 1], (Segment{SegmentKind::LineTo, {}, {0, 0}}));
    EXPECT_EQ(edgeCount(b.outline), n - 2);
}

using Span = std::pair<double, double>;

// Dashes of a horizontal line from 0 to 100, as (start, end) along it.
std::vector<Span> dashSpans(std::vector<double> pattern, double phase) {
    const std::vector<Polyline> lines{{{0, 0}, {40, 0}, {100, 0}}};
    std::vector<Span> spans;
    for (const Polyline& dash : dashLines(lines, pattern, phase)) {
        spans.emplace_back(dash.front().x, dash.back().x);
    }
    return spans;
}

TEST(DashLines, PatternsAndPhases) {
    struct Case {
        std::vector<double> pattern;
        double phase;
        std::vector<Span> dashes;
    };
    const Case cases[] = {
        {{30, 20}, 0, {{0, 30}, {50, 80}}},
        {{30, 20}, 10, {{0, 20}, {40, 70}, {90, 100}}},
        {{30, 20}, 35, {{15, 45}, {65, 95}}},
        {{30, 20}, -10, {{10, 40}, {60, 90}}},
        {{30, 20}, 510, {{0, 20}, {40, 70}, {90, 100}}},
        {{10}, 0, {{0, 10}, {20, 30}, {40, 50}, {60, 70}, {80, 90}}},
        {{20, 10, 5}, 0, {{0, 20}, {30, 35}, {55, 65}, {70, 90}}},
        {{0, 25}, 0, {{0, 0}, {25, 25}, {50, 50}, {75, 75}}},
        {{200, 10}, 0, {{0, 100}}},
        // Patterns that cannot dash leave the line whole.
        {{0, 0}, 0, {{0, 100}}},
        {{10, -5}, 0, {{0, 100}}},
        {{}, 0, {{0, 100}}},
        {{NAN, 10}, 0, {{0, 100}}},
        {{INFINITY, 10}, 0, {{0, 100}}},
    };
    for (const Case& c : cases) {
        const auto spans = dashSpans(c.pattern, c.phase);
        ASSERT_EQ(spans.size(), c.dashes.size()) << c.pattern.size() << " " << c.phase;
        for (size_t i = 0; i < spans.size(); ++i) {
            EXPECT_NEAR(spans[i].first, c.dashes[i].first, 1e-9) << i;
            EXPECT_NEAR(spans[i].second, c.dashes[i].second, 1e-9) << i;
        }
    }
}

TEST(DashLines, DashesFollowCorners) {
    const std::vector<Polyline> lines{{{0, 0}, {10, 0}, {10, 10}}};
    const auto dashes = dashLines(lines, std::vector<double>{15, 100}, 0);
    ASSERT_EQ(dashes.size(), 1U);
    ASSERT_EQ(dashes[0].size(), 3U);
    EXPECT_DOUBLE_EQ(dashes[0][1].x, 10);
    EXPECT_DOUBLE_EQ(dashes[0][2].y, 5);
}

TEST(DashLines, ClosedLineJoinsItsLastDashToItsFirst) {
    const std::vector<Polyline> square{{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}}};
    const auto apart = dashLines(square, std::vector<double>{60, 40}, 0);
    EXPECT_EQ(apart.size(), 4U);  // the pattern is off where the square closes

    const auto joined = dashLines(square, std::vector<double>{50, 50}, 20);
    ASSERT_EQ(joined.size(), 4U);
    const Polyline& first = joined.front();
    ASSERT_EQ(first.size(), 3U);
    EXPECT_DOUBLE_EQ(first[0].x, 0);
    EXPECT_DOUBLE_EQ(first[0].y, 20);
    EXPECT_DOUBLE_EQ(first[1].y, 0);
    EXPECT_DOUBLE_EQ(first[2].x, 30);
}

TEST(DashLines, TooManyDashesLeaveTheLineWhole) {
    const std::vector<Polyline> lines{{{0, 0}, {1e9, 0}}, {{0, 0}, {100, 0}}};
    const auto dashes = dashLines(lines, std::vector<double>{1, 1}, 0);
    ASSERT_EQ(dashes.size(), 51U);
    EXPECT_EQ(dashes[0].size(), 2U);
    EXPECT_DOUBLE_EQ(dashes[0].back().x, 1e9);
}

}  // namespace
}  // namespace pageconv
