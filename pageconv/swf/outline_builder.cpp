// Outlines from real-valued twip points: rounding, cubic-to-quadratic approximation and dashing.
#include "swf/outline_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace pageconv {
namespace {

// Enough pieces for a cubic spanning the whole int32 range within a twip; the cap only bites on
// input no page produces, which then gets a coarser but still bounded outline.
constexpr int kMaxCubicPieces = 1024;

// Dashes a single call may produce: a hostile pattern of tiny dashes over long lines would
// otherwise yield millions of edges. Lines past the budget stay whole.
constexpr size_t kMaxDashes = 100000;

int32_t roundTwips(double v) {
    if (!std::isfinite(v)) {
        return 0;
    }
    constexpr double kLow = std::numeric_limits<int32_t>::min();
    constexpr double kHigh = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::lround(std::clamp(v, kLow, kHigh)));
}

TwipPoint rounded(PointF p) {
    return TwipPoint{roundTwips(p.x), roundTwips(p.y)};
}

PointF operator+(PointF a, PointF b) {
    return {a.x + b.x, a.y + b.y};
}
PointF operator-(PointF a, PointF b) {
    return {a.x - b.x, a.y - b.y};
}
PointF operator*(double s, PointF a) {
    return {s * a.x, s * a.y};
}

double length(PointF v) {
    return std::hypot(v.x, v.y);
}

PointF cubicAt(const PointF (&p)[4], double t) {
    const double u = 1 - t;
    return (u * u * u) * p[0] + (3 * u * u * t) * p[1] + (3 * u * t * t) * p[2] +
           (t * t * t) * p[3];
}

PointF cubicDerivativeAt(const PointF (&p)[4], double t) {
    const double u = 1 - t;
    return (3 * u * u) * (p[1] - p[0]) + (6 * u * t) * (p[2] - p[1]) + (3 * t * t) * (p[3] - p[2]);
}

// The quadratic's error bound shrinks with the cube of the piece count.
int cubicPieces(const PointF (&p)[4], double tolerance) {
    const double third = length(p[3] - 3.0 * p[2] + 3.0 * p[1] - p[0]);
    const double error = std::sqrt(3.0) / 36.0 * third;
    if (!(tolerance > 0) || !std::isfinite(error)) {
        return kMaxCubicPieces;
    }
    const double pieces = std::ceil(std::cbrt(error / tolerance));
    return static_cast<int>(std::clamp(pieces, 1.0, static_cast<double>(kMaxCubicPieces)));
}

TwipPoint lastPoint(const Outline& outline) {
    return outline.empty() ? TwipPoint{} : outline.back().to;
}

// PDF lets a path draw on from where the last subpath was closed; SWF outlines need a move.
void beginSubpathIfNeeded(OutlineBuilder& builder) {
    if (!builder.open) {
        moveTo(builder, builder.current);
    }
}

}  // namespace

void moveTo(OutlineBuilder& builder, PointF to) {
    const Segment move{SegmentKind::MoveTo, {}, rounded(to)};
    if (!builder.outline.empty() && builder.outline.back().kind == SegmentKind::MoveTo) {
        builder.outline.back() = move;  // an empty subpath draws nothing
    } else {
        builder.outline.push_back(move);
    }
    builder.current = to;
    builder.subpathStart = to;
    builder.open = true;
}

void lineTo(OutlineBuilder& builder, PointF to) {
    beginSubpathIfNeeded(builder);
    const TwipPoint end = rounded(to);
    if (end != lastPoint(builder.outline)) {
        builder.outline.push_back(Segment{SegmentKind::LineTo, {}, end});
    }
    builder.current = to;
}

void quadTo(OutlineBuilder& builder, PointF control, PointF to) {
    beginSubpathIfNeeded(builder);
    const TwipPoint from = lastPoint(builder.outline);
    const TwipPoint end = rounded(to);
    const TwipPoint middle = rounded(control);
    if (end != from || middle != from) {
        builder.outline.push_back(Segment{SegmentKind::CurveTo, middle, end});
    }
    builder.current = to;
}

void cubicTo(OutlineBuilder& builder, PointF control1, PointF control2, PointF to,
             double tolerance) {
    beginSubpathIfNeeded(builder);
    for (const Quadratic& q :
         approximateCubic(builder.current, control1, control2, to, tolerance)) {
        quadTo(builder, q.control, q.to);
    }
    builder.current = to;
}

void closePath(OutlineBuilder& builder) {
    if (!builder.open) {
        return;
    }
    const Segment& start =
        *std::find_if(builder.outline.rbegin(), builder.outline.rend(),
                      [](const Segment& s) { return s.kind == SegmentKind::MoveTo; });
    if (lastPoint(builder.outline) != start.to) {
        builder.outline.push_back(Segment{SegmentKind::LineTo, {}, start.to});
    }
    builder.current = builder.subpathStart;
    builder.open = false;
}

// Each piece [a, b] is a cubic whose best single quadratic has its control point at
// (2(B(a) + B(b)) + h(B'(a) - B'(b))) / 4 with h = b - a.
std::vector<Quadratic> approximateCubic(PointF from, PointF control1, PointF control2, PointF to,
                                        double tolerance) {
    const PointF p[4] = {from, control1, control2, to};
    const int pieces = cubicPieces(p, tolerance);
    const double h = 1.0 / pieces;
    std::vector<Quadratic> quads;
    quads.reserve(pieces);
    PointF start = from;
    PointF startSlope = cubicDerivativeAt(p, 0);
    for (int i = 1; i <= pieces; ++i) {
        const double t = i * h;
        const PointF end = i == pieces ? to : cubicAt(p, t);
        const PointF endSlope = cubicDerivativeAt(p, t);
        const PointF control = 0.25 * (2.0 * (start + end) + h * (startSlope - endSlope));
        quads.push_back(Quadratic{control, end});
        start = end;
        startSlope = endSlope;
    }
    return quads;
}

namespace {

struct DashState {
    std::span<const double> pattern;
    size_t index = 0;
    double left = 0;  // of the current entry
    bool on = true;
};

bool usablePattern(std::span<const double> pattern) {
    double total = 0;
    for (const double d : pattern) {
        if (!(d >= 0) || !std::isfinite(d)) {
            return false;
        }
        total += d;
    }
    return total > 0 && std::isfinite(total);
}

// An odd-length pattern swaps on and off each time round, so its period is twice its sum.
double patternPeriod(std::span<const double> pattern) {
    double total = 0;
    for (const double d : pattern) {
        total += d;
    }
    return pattern.size() % 2 == 0 ? total : 2 * total;
}

void advanceEntry(DashState& state) {
    state.index = (state.index + 1) % state.pattern.size();
    state.on = !state.on;
    state.left = state.pattern[state.index];
}

DashState dashStart(std::span<const double> pattern, double phase) {
    const double period = patternPeriod(pattern);
    double into = std::fmod(phase, period);
    if (!(into >= 0)) {
        into = std::isfinite(into) ? into + period : 0;
    }
    DashState state{pattern, 0, pattern[0], true};
    while (into > 0 && into >= state.left) {
        into -= state.left;
        advanceEntry(state);
    }
    state.left -= into;
    return state;
}

double lineLength(const Polyline& line) {
    double total = 0;
    for (size_t i = 1; i < line.size(); ++i) {
        total += length(line[i] - line[i - 1]);
    }
    return total;
}

size_t dashesOnLine(const Polyline& line, std::span<const double> pattern) {
    const double rounds = std::ceil(lineLength(line) / patternPeriod(pattern)) + 1;
    const double count = rounds * static_cast<double>(pattern.size() + 1);
    return count > static_cast<double>(kMaxDashes) ? kMaxDashes + 1 : static_cast<size_t>(count);
}

bool isClosed(const Polyline& line) {
    return line.size() > 2 && line.front().x == line.back().x && line.front().y == line.back().y;
}

std::vector<Polyline> dashLine(const Polyline& line, DashState state) {
    std::vector<Polyline> dashes;
    if (state.on) {
        dashes.push_back({line.front()});
    }
    for (size_t i = 1; i < line.size(); ++i) {
        const PointF a = line[i - 1];
        const PointF b = line[i];
        const double span = length(b - a);
        double done = 0;
        while (span - done > state.left) {
            done += state.left;
            const PointF at = a + (done / span) * (b - a);
            if (state.on) {
                dashes.back().push_back(at);
            } else {
                dashes.push_back({at});
            }
            advanceEntry(state);
        }
        state.left -= span - done;
        if (state.on) {
            dashes.back().push_back(b);
        }
    }
    return dashes;
}

// A closed line whose pattern is on across its start point gets a join there, not two caps.
void joinAcrossStart(std::vector<Polyline>& dashes, const Polyline& line, bool startsOn) {
    if (!startsOn || dashes.size() < 2 || !isClosed(line)) {
        return;
    }
    Polyline& last = dashes.back();
    const PointF end = last.back();
    if (end.x != line.back().x || end.y != line.back().y) {
        return;
    }
    last.insert(last.end(), dashes.front().begin() + 1, dashes.front().end());
    dashes.front() = std::move(last);
    dashes.pop_back();
}

}  // namespace

std::vector<Polyline> dashLines(std::span<const Polyline> lines, std::span<const double> pattern,
                                double phase) {
    if (pattern.empty() || !usablePattern(pattern)) {
        return {lines.begin(), lines.end()};
    }
    const DashState start = dashStart(pattern, std::isfinite(phase) ? phase : 0);
    std::vector<Polyline> out;
    size_t budget = kMaxDashes;
    for (const Polyline& line : lines) {
        const size_t estimate = line.size() < 2 ? 0 : dashesOnLine(line, pattern);
        if (line.size() < 2 || estimate > budget) {
            out.push_back(line);
            continue;
        }
        budget -= estimate;
        std::vector<Polyline> dashes = dashLine(line, start);
        joinAcrossStart(dashes, line, start.on);
        out.insert(out.end(), std::make_move_iterator(dashes.begin()),
                   std::make_move_iterator(dashes.end()));
    }
    return out;
}

size_t edgeCount(const Outline& outline) {
    return static_cast<size_t>(std::count_if(outline.begin(), outline.end(), [](const Segment& s) {
        return s.kind != SegmentKind::MoveTo;
    }));
}

}  // namespace pageconv
