// Axial and radial shadings as gradient fills: MuPDF's samples of the shading's colours fitted
// into stops, its coordinates into the gradient's placement, and its extends into the outline
// the gradient paints (nothing is painted beyond an end that does not extend).
#include "pdf/vector_state.h"
#include "swf/gradients.h"

#include <algorithm>
#include <cmath>

namespace pageconv {
namespace {

// A straight ramp comes within a level of its stops (the samples are whole levels); past
// kMaxStopError levels somewhere the shading is left to the raster.
constexpr double kGoodEnoughLevels = 1.0;
constexpr double kMaxStopErrorLevels = 4.0;
// The painted area reaches this far (twips) past what can show, so that no edge of it shows.
constexpr double kOverlapTwips = 40;
constexpr int kSamples = 256;  // MuPDF's samples of t from 0 to 1

Affine affineOf(fz_matrix m) {
    return Affine{m.a, m.b, m.c, m.d, m.e, m.f};
}

std::vector<RampColour> sampledColours(VectorState& state, fz_shade* shade, float alpha,
                                       fz_color_params params) {
    std::vector<RampColour> samples;
    for (int i = 0; i < kSamples; ++i) {
        const Rgba c = rgbaOf(state.ctx, shade->colorspace, shade->function[i], alpha, params);
        samples.push_back(RampColour{double(c.r), double(c.g), double(c.b), double(c.a)});
    }
    return samples;
}

RampColour colourAt(const std::vector<RampColour>& samples, double t) {
    const double at = std::clamp(t, 0.0, 1.0) * (kSamples - 1);
    const auto below = static_cast<size_t>(std::floor(at));
    const size_t above = std::min<size_t>(below + 1, kSamples - 1);
    const double part = at - static_cast<double>(below);
    RampColour c{};
    for (size_t ch = 0; ch < 4; ++ch) {
        c[ch] = samples[below][ch] + part * (samples[above][ch] - samples[below][ch]);
    }
    return c;
}

// The stops for a gradient whose t = 0 falls at ratio `startRatio` and t = 1 at `endRatio`;
// nothing when they stray too far from the samples.
std::optional<std::vector<GradientStop>> stopsFor(const std::vector<RampColour>& samples,
                                                  double startRatio, double endRatio) {
    const auto first = static_cast<int>(std::ceil(std::min(startRatio, endRatio) - 1e-6));
    const auto last = static_cast<int>(std::floor(std::max(startRatio, endRatio) + 1e-6));
    if (first < 0 || last > kLastRatio || first > last || startRatio == endRatio) {
        return std::nullopt;
    }
    std::vector<RampColour> ramp;
    for (int ratio = first; ratio <= last; ++ratio) {
        ramp.push_back(colourAt(samples, (ratio - startRatio) / (endRatio - startRatio)));
    }
    FittedStops fitted = fitStops(ramp, first, kMaxGradientStops, kGoodEnoughLevels);
    if (fitted.maxError > kMaxStopErrorLevels) {
        return std::nullopt;
    }
    return std::move(fitted.stops);
}

// ---- The painted outline ----

using Polygon = std::vector<PointF>;

Polygon boxPolygon(const Box& b) {
    return Polygon{{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}};
}

Box widened(const Box& b, double by) {
    return Box{b.x0 - by, b.y0 - by, b.x1 + by, b.y1 + by};
}

// The part of a convex polygon where the affine function `side` is not negative.
template <typename Side>
Polygon keepSide(const Polygon& polygon, Side side) {
    Polygon kept;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const PointF from = polygon[(i + polygon.size() - 1) % polygon.size()];
        const PointF to = polygon[i];
        const double a = side(from);
        const double b = side(to);
        if ((a < 0) != (b < 0)) {
            const double part = a / (a - b);
            kept.push_back(
                PointF{from.x + (to.x - from.x) * part, from.y + (to.y - from.y) * part});
        }
        if (b >= 0) {
            kept.push_back(to);
        }
    }
    return kept;
}

bool withinReach(PointF p) {
    return std::abs(p.x) < kMaxCoordinateTwips && std::abs(p.y) < kMaxCoordinateTwips;
}

// False when the polygon lies too far out for SWF; one with no area adds nothing.
bool addPolygon(OutlineBuilder& builder, const Polygon& polygon) {
    if (polygon.size() < 3) {
        return true;
    }
    if (!std::all_of(polygon.begin(), polygon.end(), withinReach)) {
        return false;
    }
    moveTo(builder, polygon.front());
    for (size_t i = 1; i < polygon.size(); ++i) {
        lineTo(builder, polygon[i]);
    }
    closePath(builder);
    return true;
}

// The circle as four cubic arcs, mapped onto the stage (an ellipse there).
bool addCircle(OutlineBuilder& builder, const Circle& circle, const Affine& toStage) {
    constexpr double kKappa = 0.5522847498307936;
    const double r = circle.radius;
    const double k = r * kKappa;
    const auto at = [&](double dx, double dy) {
        return apply(toStage, PointF{circle.centre.x + dx, circle.centre.y + dy});
    };
    const PointF ends[5] = {at(r, 0), at(0, r), at(-r, 0), at(0, -r), at(r, 0)};
    const PointF controls[4][2] = {{at(r, k), at(k, r)},
                                   {at(-k, r), at(-r, k)},
                                   {at(-r, -k), at(-k, -r)},
                                   {at(k, -r), at(r, -k)}};
    for (const PointF& p : ends) {
        if (!withinReach(p)) {
            return false;
        }
    }
    moveTo(builder, ends[0]);
    for (int i = 0; i < 4; ++i) {
        cubicTo(builder, controls[i][0], controls[i][1], ends[i + 1]);
    }
    closePath(builder);
    return true;
}

Polygon mappedPolygon(double x0, double y0, double x1, double y1, const Affine& m) {
    return Polygon{apply(m, {x0, y0}), apply(m, {x1, y0}), apply(m, {x1, y1}), apply(m, {x0, y1})};
}

Box mappedBox(double x0, double y0, double x1, double y1, const Affine& m) {
    Box box{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (const PointF& p : mappedPolygon(x0, y0, x1, y1, m)) {
        box = Box{std::min(box.x0, p.x), std::min(box.y0, p.y), std::max(box.x1, p.x),
                  std::max(box.y1, p.y)};
    }
    return box;
}

std::optional<Affine> inverse(const Affine& m) {
    const double det = m.a * m.d - m.b * m.c;
    if (!(std::abs(det) > 1e-12)) {
        return std::nullopt;
    }
    const Affine inv{m.d / det, -m.b / det, -m.c / det, m.a / det, 0, 0};
    const PointF moved = apply(inv, PointF{m.e, m.f});
    return Affine{inv.a, inv.b, inv.c, inv.d, -moved.x, -moved.y};
}

struct ShadingGeometry {
    fz_shade* shade = nullptr;
    Affine toStage;
    Box visible;  // stage twips, widened
};

// Between the lines across the axis at t = 0 and t = 1, where the ends do not extend.
std::optional<Outline> axialOutline(const ShadingGeometry& g, PointF from, PointF to) {
    const std::optional<Affine> back = inverse(g.toStage);
    if (!back) {
        return std::nullopt;
    }
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    const auto t = [&](PointF stage) {
        const PointF p = apply(*back, stage);
        return ((p.x - from.x) * dx + (p.y - from.y) * dy) / (dx * dx + dy * dy);
    };
    Polygon area = boxPolygon(g.visible);
    if (g.shade->u.l_or_r.extend[0] == 0) {
        area = keepSide(area, [&](PointF p) { return t(p); });
    }
    if (g.shade->u.l_or_r.extend[1] == 0) {
        area = keepSide(area, [&](PointF p) { return 1 - t(p); });
    }
    OutlineBuilder builder;
    if (!addPolygon(builder, area)) {
        return std::nullopt;
    }
    return std::move(builder.outline);
}

// The larger circle's disc or all that shows, less the smaller circle's disc where the ends
// do not extend; even-odd, so that the hole shows whichever way the circles turn.
std::optional<Outline> radialOutline(const ShadingGeometry& g, const Circle& start,
                                     const Circle& end) {
    const bool grows = end.radius > start.radius;
    const Circle& big = grows ? end : start;
    const Circle& small = grows ? start : end;
    const bool extendBig = g.shade->u.l_or_r.extend[grows ? 1 : 0] != 0;
    const bool extendSmall = g.shade->u.l_or_r.extend[grows ? 0 : 1] != 0;
    const bool hole = !extendSmall && small.radius > 0;
    OutlineBuilder builder;
    if (extendBig) {
        Box area = g.visible;
        if (hole) {
            const Box disc =
                mappedBox(small.centre.x - small.radius, small.centre.y - small.radius,
                          small.centre.x + small.radius, small.centre.y + small.radius, g.toStage);
            area = Box{std::min(area.x0, disc.x0 - kOverlapTwips),
                       std::min(area.y0, disc.y0 - kOverlapTwips),
                       std::max(area.x1, disc.x1 + kOverlapTwips),
                       std::max(area.y1, disc.y1 + kOverlapTwips)};
        }
        if (!addPolygon(builder, boxPolygon(area))) {
            return std::nullopt;
        }
    } else if (!addCircle(builder, big, g.toStage)) {
        return std::nullopt;
    }
    if (hole && !addCircle(builder, small, g.toStage)) {
        return std::nullopt;
    }
    return std::move(builder.outline);
}

struct PaintedGradient {
    Outline outline;
    GradientFill fill;
};

std::optional<PaintedGradient> axialGradient(const ShadingGeometry& g,
                                             const std::vector<RampColour>& samples) {
    const float(&c)[2][3] = g.shade->u.l_or_r.coords;
    const PointF from{c[0][0], c[0][1]};
    const PointF to{c[1][0], c[1][1]};
    const std::optional<GradientPlacement> placement = axialPlacement(from, to, g.toStage);
    if (!placement) {
        return std::nullopt;
    }
    auto stops = stopsFor(samples, 0, kLastRatio);
    std::optional<Outline> outline = axialOutline(g, from, to);
    if (!stops || !outline) {
        return std::nullopt;
    }
    return PaintedGradient{std::move(*outline), GradientFill{*placement, std::move(*stops)}};
}

std::optional<PaintedGradient> radialGradient(const ShadingGeometry& g,
                                              const std::vector<RampColour>& samples) {
    const float(&c)[2][3] = g.shade->u.l_or_r.coords;
    const Circle start{{c[0][0], c[0][1]}, c[0][2]};
    const Circle end{{c[1][0], c[1][1]}, c[1][2]};
    const std::optional<TwoCircleGradient> gradient = twoCirclePlacement(start, end, g.toStage);
    if (!gradient) {
        return std::nullopt;
    }
    auto stops = stopsFor(samples, gradient->startRatio, gradient->endRatio);
    std::optional<Outline> outline = radialOutline(g, start, end);
    if (!stops || !outline) {
        return std::nullopt;
    }
    return PaintedGradient{std::move(*outline),
                           GradientFill{gradient->placement, std::move(*stops)}};
}

std::optional<Outline> bboxOutline(const fz_rect& r, const Affine& toStage) {
    OutlineBuilder builder;
    if (!addPolygon(builder, mappedPolygon(r.x0, r.y0, r.x1, r.y1, toStage)) ||
        builder.outline.empty()) {
        return std::nullopt;
    }
    return std::move(builder.outline);
}

}  // namespace

bool fillShading(VectorState& state, fz_shade* shade, fz_matrix ctm, float alpha,
                 fz_color_params params) {
    if ((shade->type != FZ_LINEAR && shade->type != FZ_RADIAL) || shade->use_function == 0 ||
        shade->use_background != 0 || shade->colorspace == nullptr ||
        fz_colorspace_is_indexed(state.ctx, shade->colorspace) != 0) {
        return false;
    }
    ShadingGeometry g{shade, affineOf(fz_concat(shade->matrix, ctm)), {}};
    const Box visible = intersect(boxOf(fz_bound_shade(state.ctx, shade, ctm)), currentClip(state));
    if (isEmpty(visible)) {
        return true;  // nothing of it shows
    }
    g.visible = widened(visible, kOverlapTwips);
    const std::vector<RampColour> samples = sampledColours(state, shade, alpha, params);
    std::optional<PaintedGradient> painted =
        shade->type == FZ_LINEAR ? axialGradient(g, samples) : radialGradient(g, samples);
    if (!painted) {
        return false;
    }
    if (painted->outline.empty()) {
        return true;  // the ends leave nothing to paint where it shows
    }
    DrawItem item{FilledShape{std::move(painted->outline), FillRule::EvenOdd, Rgba{},
                              std::move(painted->fill)}};
    if (fz_is_infinite_rect(shade->bbox)) {
        currentTarget(state).push_back(std::move(item));
        return true;
    }
    // The shading's own clip.
    std::optional<Outline> box = bboxOutline(shade->bbox, g.toStage);
    if (!box) {
        return false;
    }
    currentTarget(state).push_back(DrawItem{ClipLayer{std::move(*box), FillRule::NonZero, {}}});
    std::get<ClipLayer>(currentTarget(state).back().what).content.push_back(std::move(item));
    return true;
}

}  // namespace pageconv
