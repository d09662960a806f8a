// Gradient fills: the few stops that stand for a sampled colour ramp, and the matrices that lay
// SWF's gradient square over an axial gradient or a gradient between two nested circles.
#pragma once

#include "swf/outline_builder.h"
#include "swf/swf_writer.h"
#include "swf/vector_page.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pageconv {

// Players read at most this many stops; ratios run 0 to 255 along the gradient.
constexpr size_t kMaxGradientStops = 15;
constexpr int kLastRatio = 255;

// An affine map: x' = a x + c y + e, y' = b x + d y + f (MuPDF's and PDF's order).
struct Affine {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;
    double e = 0;
    double f = 0;
};

PointF apply(const Affine& m, PointF p);
// `first` applied, then `then`.
Affine concat(const Affine& first, const Affine& then);

// A colour of a ramp, channels in levels (0 to 255, not rounded) in the order r, g, b, a.
using RampColour = std::array<double, 4>;

struct FittedStops {
    std::vector<GradientStop> stops;
    double maxError = 0;  // levels: the ramp's farthest channel from the line between stops
};

// The stops, at most `maxStops` (2 or more), whose straight lines between them come closest to
// `ramp` in its worst channel; `ramp[i]` is the colour at ratio `firstRatio + i`. Fewer stops
// are taken where they already come within `goodEnough` levels.
FittedStops fitStops(std::span<const RampColour> ramp, int firstRatio, size_t maxStops,
                     double goodEnough);

// An axial gradient from `from` (ratio 0) to `to` (ratio 255), points of a space `toStage` maps
// onto the stage; lines of one colour are the images of the lines across from-to. Nothing when
// the matrix is out of SWF's range or too coarse for it.
std::optional<GradientPlacement> axialPlacement(PointF from, PointF to, const Affine& toStage);

struct Circle {
    PointF centre;
    double radius = 0;
};

// A gradient between two circles of the space `toStage` maps onto the stage, drawn with the
// colour of parameter t on the circle between them in the same proportion (t = 0 on `start`,
// t = 1 on `end`), extended towards the point the circles shrink to. SWF draws that where one
// circle lies inside the other and the focal point stays off the larger circle's edge;
// `startRatio` and `endRatio` say where t = 0 and t = 1 fall (0 to 255, not rounded).
struct TwoCircleGradient {
    GradientPlacement placement;
    double startRatio = 0;
    double endRatio = kLastRatio;
};
std::optional<TwoCircleGradient> twoCirclePlacement(const Circle& start, const Circle& end,
                                                    const Affine& toStage);

// The focal point farthest from the centre that both of Ruffle's renderers draw alike.
constexpr double kMaxFocalPoint = 0.95;

// The fill style record (FILLSTYLE of DefineShape4).
Bytes gradientFillStyle(const GradientFill& fill);

}  // namespace pageconv
