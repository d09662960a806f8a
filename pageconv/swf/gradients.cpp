// Gradient fills: stops fitted to a ramp by least worst error, the gradient square laid over
// axial and two-circle gradients, and the fill style record.
#include "swf/gradients.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pageconv {

PointF apply(const Affine& m, PointF p) {
    return PointF{m.a * p.x + m.c * p.y + m.e, m.b * p.x + m.d * p.y + m.f};
}

Affine concat(const Affine& first, const Affine& then) {
    return Affine{
        first.a * then.a + first.b * then.c,          first.a * then.b + first.b * then.d,
        first.c * then.a + first.d * then.c,          first.c * then.b + first.d * then.d,
        first.e * then.a + first.f * then.c + then.e, first.e * then.b + first.f * then.d + then.f};
}

namespace {

// ---- Stops ----

uint8_t level(double v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

using Levels = std::array<uint8_t, 4>;

// The ramp's worst channel between samples i and j against the line a player draws between the
// stops there, whose colours are whole levels.
double segmentError(std::span<const RampColour> ramp, std::span<const Levels> stops, size_t i,
                    size_t j) {
    double worst = 0;
    for (size_t k = i; k <= j; ++k) {
        const double t = j == i ? 0 : static_cast<double>(k - i) / static_cast<double>(j - i);
        for (size_t ch = 0; ch < 4; ++ch) {
            const double line = stops[i][ch] + t * (stops[j][ch] - stops[i][ch]);
            worst = std::max(worst, std::abs(ramp[k][ch] - line));
        }
    }
    return worst;
}

double chainError(std::span<const RampColour> ramp, std::span<const Levels> stops,
                  const std::vector<size_t>& samples) {
    double worst = 0;
    for (size_t s = 1; s < samples.size(); ++s) {
        worst = std::max(worst, segmentError(ramp, stops, samples[s - 1], samples[s]));
    }
    return worst;
}

std::vector<size_t> evenSamples(size_t n, size_t stops) {
    std::vector<size_t> samples;
    for (size_t s = 0; s < stops; ++s) {
        samples.push_back((n - 1) * s / (stops - 1));
    }
    return samples;
}

// The fewest samples, at most `maxStops`, whose stops' lines stay within `cap` of the ramp. From
// each sample the range of slopes that keep a line within `cap` of every sample so far narrows
// as the line grows; a later sample can end a segment while the slope to its stop is in range.
std::optional<std::vector<size_t>> fewestWithin(std::span<const RampColour> ramp,
                                                std::span<const Levels> stops, double cap,
                                                size_t maxStops) {
    const size_t n = ramp.size();
    const size_t kNone = std::numeric_limits<size_t>::max();
    std::vector<size_t> count(n, kNone);
    std::vector<size_t> previous(n, 0);
    count[0] = 1;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (count[i] == kNone || count[i] >= maxStops) {
            continue;
        }
        std::array<double, 4> low{-INFINITY, -INFINITY, -INFINITY, -INFINITY};
        std::array<double, 4> high{INFINITY, INFINITY, INFINITY, INFINITY};
        for (size_t j = i + 1; j < n; ++j) {
            const auto run = static_cast<double>(j - i);
            bool open = true;
            bool fits = true;
            for (size_t ch = 0; ch < 4; ++ch) {
                low[ch] = std::max(low[ch], (ramp[j][ch] - cap - stops[i][ch]) / run);
                high[ch] = std::min(high[ch], (ramp[j][ch] + cap - stops[i][ch]) / run);
                const double slope = (stops[j][ch] - stops[i][ch]) / run;
                open = open && low[ch] <= high[ch];
                fits = fits && slope >= low[ch] - 1e-9 && slope <= high[ch] + 1e-9;
            }
            if (!open) {
                break;
            }
            if (fits && count[i] + 1 < count[j]) {
                count[j] = count[i] + 1;
                previous[j] = i;
            }
        }
    }
    if (count[n - 1] > maxStops) {
        return std::nullopt;
    }
    std::vector<size_t> samples{n - 1};
    while (samples.back() != 0) {
        samples.push_back(previous[samples.back()]);
    }
    std::reverse(samples.begin(), samples.end());
    return samples;
}

FittedStops stopsAt(std::span<const RampColour> ramp, std::span<const Levels> levels,
                    const std::vector<size_t>& samples, int firstRatio, double error) {
    FittedStops fitted;
    fitted.maxError = error;
    for (const size_t s : samples) {
        const Levels& c = levels[s];
        fitted.stops.push_back(GradientStop{static_cast<uint8_t>(firstRatio + static_cast<int>(s)),
                                            Rgba{c[0], c[1], c[2], c[3]}});
    }
    if (fitted.stops.size() == 1) {
        fitted.maxError = segmentError(ramp, levels, 0, 0);
    }
    return fitted;
}

// ---- Placements ----

constexpr double kHalfSquare = 16384;
// Gradients shorter than this on the stage (twips) are edges rather than gradients.
constexpr double kMinGradientTwips = 20;
constexpr double kFarthestTranslation = (1 << 30) - 1;

std::optional<SwfMatrix> swfMatrix(const Affine& m) {
    for (const double v : {m.a, m.b, m.c, m.d}) {
        if (!std::isfinite(v) || std::abs(v) >= kMaxMatrixScale) {
            return std::nullopt;
        }
    }
    if (!(std::abs(m.e) < kFarthestTranslation && std::abs(m.f) < kFarthestTranslation)) {
        return std::nullopt;
    }
    // Both axes of the square must span a gradient's worth of the stage.
    const double across = std::hypot(m.a, m.b) * kHalfSquare;
    const double down = std::hypot(m.c, m.d) * kHalfSquare;
    const double area = std::abs(m.a * m.d - m.b * m.c) * kHalfSquare * kHalfSquare;
    if (across < kMinGradientTwips || down < kMinGradientTwips || area < 0.05 * across * down) {
        return std::nullopt;
    }
    SwfMatrix out;
    out.scaleX = m.a;
    out.rotateSkew0 = m.b;
    out.rotateSkew1 = m.c;
    out.scaleY = m.d;
    out.translateX = static_cast<int32_t>(std::lround(m.e));
    out.translateY = static_cast<int32_t>(std::lround(m.f));
    return out;
}

}  // namespace

FittedStops fitStops(std::span<const RampColour> ramp, int firstRatio, size_t maxStops,
                     double goodEnough) {
    std::vector<Levels> levels;
    for (const RampColour& c : ramp) {
        levels.push_back(Levels{level(c[0]), level(c[1]), level(c[2]), level(c[3])});
    }
    const size_t n = ramp.size();
    if (n <= 1) {
        return stopsAt(ramp, levels, std::vector<size_t>(n, 0), firstRatio, 0);
    }
    // Most ramps are straight lines: two stops, without a search.
    const double straight = segmentError(ramp, levels, 0, n - 1);
    if (straight <= goodEnough || maxStops <= 2) {
        return stopsAt(ramp, levels, {0, n - 1}, firstRatio, straight);
    }
    if (auto within = fewestWithin(ramp, levels, goodEnough, maxStops)) {
        return stopsAt(ramp, levels, *within, firstRatio, chainError(ramp, levels, *within));
    }
    // The least cap that `maxStops` stops can keep, by halving the range between what was
    // asked for and the error of evenly spaced stops.
    std::vector<size_t> best = evenSamples(n, std::min(maxStops, n));
    double low = goodEnough;
    double high = chainError(ramp, levels, best);
    for (int step = 0; step < 16 && high - low > 0.01; ++step) {
        const double middle = (low + high) / 2;
        if (auto within = fewestWithin(ramp, levels, middle, maxStops)) {
            best = std::move(*within);
            high = middle;
        } else {
            low = middle;
        }
    }
    return stopsAt(ramp, levels, best, firstRatio, chainError(ramp, levels, best));
}

std::optional<GradientPlacement> axialPlacement(PointF from, PointF to, const Affine& toStage) {
    const double dx = (to.x - from.x) / (2 * kHalfSquare);
    const double dy = (to.y - from.y) / (2 * kHalfSquare);
    const Affine square{dx, dy, -dy, dx, (from.x + to.x) / 2, (from.y + to.y) / 2};
    const std::optional<SwfMatrix> matrix = swfMatrix(concat(square, toStage));
    if (!matrix) {
        return std::nullopt;
    }
    return GradientPlacement{GradientKind::Linear, *matrix, 0};
}

std::optional<TwoCircleGradient> twoCirclePlacement(const Circle& start, const Circle& end,
                                                    const Affine& toStage) {
    const bool grows = end.radius > start.radius;
    const Circle& big = grows ? end : start;
    const Circle& small = grows ? start : end;
    if (!(small.radius >= 0) || !(big.radius > small.radius) || !std::isfinite(big.radius)) {
        return std::nullopt;
    }
    const double apart = std::hypot(small.centre.x - big.centre.x, small.centre.y - big.centre.y);
    if (!(apart + small.radius <= big.radius)) {
        return std::nullopt;  // not nested: a cone SWF cannot draw
    }
    // The point the circles shrink to, beyond the small circle.
    const double beyond = small.radius / (big.radius - small.radius);
    const PointF apex{small.centre.x + (small.centre.x - big.centre.x) * beyond,
                      small.centre.y + (small.centre.y - big.centre.y) * beyond};
    const double ax = apex.x - big.centre.x;
    const double ay = apex.y - big.centre.y;
    const double focal = std::hypot(ax, ay) / big.radius;
    if (!(focal <= kMaxFocalPoint)) {
        return std::nullopt;
    }
    const double angle = focal > 0 ? std::atan2(ay, ax) : 0;
    const double scale = big.radius / kHalfSquare;
    const double cosine = std::cos(angle) * scale;
    const double sine = std::sin(angle) * scale;
    const Affine square{cosine, sine, -sine, cosine, big.centre.x, big.centre.y};
    const std::optional<SwfMatrix> matrix = swfMatrix(concat(square, toStage));
    if (!matrix) {
        return std::nullopt;
    }
    const double focal256 = std::round(focal * 256) / 256;
    TwoCircleGradient out;
    out.placement = GradientPlacement{focal256 > 0 ? GradientKind::Focal : GradientKind::Radial,
                                      *matrix, focal256};
    out.startRatio = kLastRatio * start.radius / big.radius;
    out.endRatio = kLastRatio * end.radius / big.radius;
    return out;
}

Bytes gradientFillStyle(const GradientFill& fill) {
    constexpr uint8_t kTypes[] = {0x10, 0x12, 0x13};
    const GradientPlacement& p = fill.placement;
    const size_t count = std::min(fill.stops.size(), kMaxGradientStops);
    BitWriter out;
    writeU8(out, kTypes[static_cast<size_t>(p.kind)]);
    writeMatrix(out, p.matrix);
    writeU8(out, static_cast<uint8_t>(count));  // spread pad, sRGB interpolation
    for (size_t i = 0; i < count; ++i) {
        const GradientStop& s = fill.stops[i];
        writeU8(out, s.ratio);
        for (const uint8_t v : {s.colour.r, s.colour.g, s.colour.b, s.colour.a}) {
            writeU8(out, v);
        }
    }
    if (p.kind == GradientKind::Focal) {
        const auto fixed =
            static_cast<int16_t>(std::lround(std::clamp(p.focalPoint, -1.0, 1.0) * 256));
        writeU16(out, static_cast<uint16_t>(fixed));
    }
    return out.bytes;
}

}  // namespace pageconv
