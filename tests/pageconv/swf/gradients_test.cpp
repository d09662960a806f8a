// Gradient fills: stops fitted to ramps of every shape, where the gradient matrices put each
// ratio on the stage for axial and two-circle gradients, and the fill style as a player reads it.
#include "swf/gradients.h"

#include "swf/vector_tags.h"
#include "swf_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

namespace pageconv {
namespace {

std::vector<RampColour> rampOf(int size, const std::function<double(double)>& level) {
    std::vector<RampColour> ramp;
    for (int i = 0; i < size; ++i) {
        const double t = size == 1 ? 0 : static_cast<double>(i) / (size - 1);
        ramp.push_back(RampColour{level(t), 255 - level(t), 128, 255});
    }
    return ramp;
}

// The worst channel of the ramp against the lines a player draws between the stops.
double drawnError(const std::vector<RampColour>& ramp, int firstRatio,
                  const std::vector<GradientStop>& stops) {
    double worst = 0;
    for (size_t i = 0; i < ramp.size(); ++i) {
        const int ratio = firstRatio + static_cast<int>(i);
        size_t s = 0;
        while (s + 2 < stops.size() && stops[s + 1].ratio <= ratio) {
            ++s;
        }
        const GradientStop& a = stops[s];
        const GradientStop& b = stops[std::min(s + 1, stops.size() - 1)];
        const double t = b.ratio == a.ratio ? 0 : double(ratio - a.ratio) / (b.ratio - a.ratio);
        const double r = a.colour.r + t * (b.colour.r - a.colour.r);
        const double g = a.colour.g + t * (b.colour.g - a.colour.g);
        worst = std::max({worst, std::abs(ramp[i][0] - r), std::abs(ramp[i][1] - g)});
    }
    return worst;
}

TEST(GradientStops, FitTheRampWithFewStopsWhereTheyMatter) {
    struct Case {
        const char* name;
        int size;
        int firstRatio;
        std::function<double(double)> level;
        size_t maxStops;  // the fit may use no more
        double maxError;  // levels, as drawn
    };
    const auto pieces = [](double t) {  // knots at ratios 51, 153 and 204
        return t < 0.2   ? t * 1000
               : t < 0.6 ? 200 - (t - 0.2) * 375
               : t < 0.8 ? 50 + (t - 0.6) * 750
                         : 200 + (t - 0.8) * 250;
    };
    const Case cases[] = {
        {"straight", 256, 0, [](double t) { return 20 + 200 * t; }, 2, 1.0},
        {"straight, short and late", 40, 200, [](double t) { return 255 * t; }, 2, 1.0},
        {"four straight pieces", 256, 0, pieces, 5, 1.0},
        {"a curve", 256, 0, [](double t) { return 255 * std::pow(t, 2.4); }, 15, 1.5},
        {"a step", 256, 0, [](double t) { return t < 0.6 ? 30.0 : 220.0; }, 4, 1.0},
        {"a wave", 256, 0, [](double t) { return 127 + 120 * std::sin(t * 6 * std::numbers::pi); },
         15, 40},
        {"one sample", 1, 100, [](double) { return 90.0; }, 1, 0.5},
    };
    for (const Case& c : cases) {
        const std::vector<RampColour> ramp = rampOf(c.size, c.level);
        const FittedStops fit = fitStops(ramp, c.firstRatio, kMaxGradientStops, 1.0);
        ASSERT_FALSE(fit.stops.empty()) << c.name;
        EXPECT_LE(fit.stops.size(), c.maxStops) << c.name;
        EXPECT_EQ(fit.stops.front().ratio, c.firstRatio) << c.name;
        EXPECT_EQ(fit.stops.back().ratio, c.firstRatio + c.size - 1) << c.name;
        for (size_t i = 1; i < fit.stops.size(); ++i) {
            EXPECT_LT(fit.stops[i - 1].ratio, fit.stops[i].ratio) << c.name;
        }
        const double drawn = drawnError(ramp, c.firstRatio, fit.stops);
        EXPECT_LE(drawn, c.maxError) << c.name;
        EXPECT_NEAR(fit.maxError, drawn, 0.01) << c.name << ": the error it reports";
    }
}

TEST(GradientStops, PlacedStopsBeatEvenlySpacedOnes) {
    const std::vector<RampColour> ramp = rampOf(256, [](double t) { return 255 * std::pow(t, 4); });
    const FittedStops fit = fitStops(ramp, 0, 6, 0.0);
    ASSERT_EQ(fit.stops.size(), 6U);
    std::vector<GradientStop> even;
    for (int i = 0; i < 6; ++i) {
        const int ratio = i * 51;
        const double v = 255 * std::pow(ratio / 255.0, 4);
        const auto l = static_cast<uint8_t>(std::lround(v));
        even.push_back(GradientStop{static_cast<uint8_t>(ratio),
                                    Rgba{l, static_cast<uint8_t>(255 - l), 128, 255}});
    }
    EXPECT_LT(drawnError(ramp, 0, fit.stops), 0.6 * drawnError(ramp, 0, even));
}

// ---- Placements ----

SwfMatrix inverted(const SwfMatrix& m, double& tx, double& ty) {
    const double det = m.scaleX * m.scaleY - m.rotateSkew0 * m.rotateSkew1;
    SwfMatrix inv;
    inv.scaleX = m.scaleY / det;
    inv.scaleY = m.scaleX / det;
    inv.rotateSkew0 = -m.rotateSkew0 / det;
    inv.rotateSkew1 = -m.rotateSkew1 / det;
    tx = -(inv.scaleX * m.translateX + inv.rotateSkew1 * m.translateY);
    ty = -(inv.rotateSkew0 * m.translateX + inv.scaleY * m.translateY);
    return inv;
}

// Where a stage point falls in the gradient square, in units of the square's half side.
PointF inSquare(const SwfMatrix& m, PointF stage) {
    double tx = 0;
    double ty = 0;
    const SwfMatrix inv = inverted(m, tx, ty);
    return PointF{(inv.scaleX * stage.x + inv.rotateSkew1 * stage.y + tx) / 16384,
                  (inv.rotateSkew0 * stage.x + inv.scaleY * stage.y + ty) / 16384};
}

// The ratio a player draws at a stage point: along x for linear gradients, from the focal point
// to the unit circle for radial and focal ones.
double ratioAt(const GradientPlacement& p, PointF stage) {
    const PointF g = inSquare(p.matrix, stage);
    if (p.kind == GradientKind::Linear) {
        return (g.x + 1) / 2 * 255;
    }
    const double f = p.focalPoint;
    const double x = g.x - f;
    const double s =
        (x * f + std::sqrt(x * x * f * f + (1 - f * f) * (x * x + g.y * g.y))) / (1 - f * f);
    return s * 255;
}

const Affine kTransforms[] = {
    {20, 0, 0, -20, 0, 5400},              // a page's points to twips, y turned down
    {14.1, 14.1, -14.1, 14.1, 3000, 200},  // rotated by 45 degrees
    {30, 0, 8, 12, -500, 900},             // stretched and skewed
};

TEST(GradientPlacements, AxialRatiosRunAlongTheAxisWhateverTheTransform) {
    const PointF from{40, 60};
    const PointF to{200, 100};
    const PointF across{-(to.y - from.y), to.x - from.x};
    for (const Affine& m : kTransforms) {
        const auto placement = axialPlacement(from, to, m);
        ASSERT_TRUE(placement.has_value());
        EXPECT_EQ(placement->kind, GradientKind::Linear);
        for (const double t : {0.0, 0.25, 0.5, 1.0}) {
            for (const double w : {-0.7, 0.0, 0.4}) {
                const PointF p{from.x + t * (to.x - from.x) + w * across.x,
                               from.y + t * (to.y - from.y) + w * across.y};
                EXPECT_NEAR(ratioAt(*placement, apply(m, p)), 255 * t, 0.05)
                    << "t " << t << " w " << w << " a " << m.a;
            }
        }
    }
}

TEST(GradientPlacements, AxialGradientsSwfCannotHoldAreRefused) {
    const struct {
        const char* name;
        PointF from;
        PointF to;
        Affine toStage;
    } cases[] = {
        {"no length", {10, 10}, {10, 10}, {20, 0, 0, 20, 0, 0}},
        {"shorter than a pixel", {10, 10}, {10.5, 10}, {20, 0, 0, 20, 0, 0}},
        {"flattened to a line", {10, 10}, {100, 10}, {20, 0, 0, 0, 0, 0}},
        {"far too long", {0, 0}, {1e9, 0}, {20, 0, 0, 20, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(axialPlacement(c.from, c.to, c.toStage).has_value()) << c.name;
    }
}

TEST(GradientPlacements, NestedCirclesPutEachCircleAtItsRatio) {
    const struct {
        const char* name;
        Circle start;
        Circle end;
        GradientKind kind;
    } cases[] = {
        {"from the centre", {{100, 100}, 0}, {{100, 100}, 80}, GradientKind::Radial},
        {"a ring", {{100, 100}, 20}, {{100, 100}, 80}, GradientKind::Radial},
        {"from a point off the centre", {{130, 80}, 0}, {{100, 100}, 80}, GradientKind::Focal},
        {"a small circle off the centre", {{120, 110}, 15}, {{100, 100}, 80}, GradientKind::Focal},
        {"shrinking", {{100, 100}, 90}, {{80, 95}, 10}, GradientKind::Focal},
    };
    for (const Affine& m : kTransforms) {
        for (const auto& c : cases) {
            const auto placed = twoCirclePlacement(c.start, c.end, m);
            ASSERT_TRUE(placed.has_value()) << c.name;
            EXPECT_EQ(placed->placement.kind, c.kind) << c.name;
            for (const double t : {0.0, 0.3, 0.7, 1.0}) {
                const Circle at{{c.start.centre.x + t * (c.end.centre.x - c.start.centre.x),
                                 c.start.centre.y + t * (c.end.centre.y - c.start.centre.y)},
                                c.start.radius + t * (c.end.radius - c.start.radius)};
                const double expected =
                    placed->startRatio + t * (placed->endRatio - placed->startRatio);
                for (const double angle : {0.0, 1.0, 2.5, 4.0}) {
                    const PointF p{at.centre.x + at.radius * std::cos(angle),
                                   at.centre.y + at.radius * std::sin(angle)};
                    EXPECT_NEAR(ratioAt(placed->placement, apply(m, p)), expected, 1.5)
                        << c.name << " t " << t << " angle " << angle << " a " << m.a;
                }
            }
        }
    }
}

TEST(GradientPlacements, CirclesSwfCannotDrawAreRefused) {
    const Affine page{20, 0, 0, 20, 0, 0};
    const struct {
        const char* name;
        Circle start;
        Circle end;
    } cases[] = {
        {"side by side (a cone)", {{50, 100}, 20}, {{200, 100}, 40}},
        {"overlapping", {{100, 100}, 30}, {{140, 100}, 50}},
        {"the same size (a cylinder)", {{100, 100}, 30}, {{110, 100}, 30}},
        {"touching inside", {{130, 100}, 20}, {{100, 100}, 50}},
        {"a negative radius", {{100, 100}, -5}, {{100, 100}, 50}},
        {"both points", {{100, 100}, 0}, {{100, 100}, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(twoCirclePlacement(c.start, c.end, page).has_value()) << c.name;
    }
}

// ---- The fill style ----

TEST(GradientFillStyle, PlayersReadTheKindMatrixStopsAndFocalPoint) {
    SwfMatrix matrix;
    matrix.scaleX = 0.25;
    matrix.scaleY = -0.5;
    matrix.rotateSkew0 = 0.125;
    matrix.translateX = 4000;
    matrix.translateY = -300;
    const std::vector<GradientStop> stops = {
        {0, {255, 0, 0, 255}}, {100, {0, 255, 0, 128}}, {255, {0, 0, 255, 255}}};
    const struct {
        GradientKind kind;
        double focal;
        int type;
    } cases[] = {{GradientKind::Linear, 0, 0x10},
                 {GradientKind::Radial, 0, 0x12},
                 {GradientKind::Focal, -0.3984375, 0x13}};
    for (const auto& c : cases) {
        VectorPage page;
        const Outline square = {{SegmentKind::MoveTo, {}, {0, 0}},
                                {SegmentKind::LineTo, {}, {100, 0}},
                                {SegmentKind::LineTo, {}, {100, 100}},
                                {SegmentKind::LineTo, {}, {0, 0}}};
        page.items.push_back(DrawItem{FilledShape{square, FillRule::EvenOdd, Rgba{},
                                                  GradientFill{{c.kind, matrix, c.focal}, stops}}});
        Bytes tags;
        appendVectorTags(tags, page, {});
        const auto shape = swftest::readShape4(swftest::readTags(tags).at(0));
        ASSERT_EQ(shape.fills.size(), 1U);
        const swftest::FillStyle& fill = shape.fills[0];
        EXPECT_EQ(fill.type, c.type);
        EXPECT_EQ(fill.spread, 0);         // pad
        EXPECT_EQ(fill.interpolation, 0);  // sRGB
        EXPECT_DOUBLE_EQ(fill.matrix.scaleX, 0.25);
        EXPECT_DOUBLE_EQ(fill.matrix.scaleY, -0.5);
        EXPECT_DOUBLE_EQ(fill.matrix.rotateSkew0, 0.125);
        EXPECT_EQ(fill.matrix.translateX, 4000);
        EXPECT_EQ(fill.matrix.translateY, -300);
        ASSERT_EQ(fill.stops.size(), 3U);
        EXPECT_EQ(fill.stops[1].ratio, 100);
        EXPECT_EQ(fill.stops[1].rgba, 0x00FF0080U);
        EXPECT_DOUBLE_EQ(fill.focalPoint, c.focal);
    }
}

}  // namespace
}  // namespace pageconv
