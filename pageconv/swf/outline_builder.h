// Building outlines from points in stage twips given as real numbers: cubic curves approximated
// by SWF's quadratic ones, points rounded once so that rounding never adds up along a path, and
// dashed lines cut into their dashes.
#pragma once

#include "swf/vector_page.h"

#include <span>
#include <vector>

namespace pageconv {

struct PointF {
    double x = 0;
    double y = 0;
};

// Largest distance, in twips, between a cubic curve and the quadratic curves standing for it.
// One twip is 1/20 of a stage pixel: at 8x zoom it is 0.4 of a screen pixel, below what shows.
constexpr double kCurveToleranceTwips = 1.0;

struct OutlineBuilder {
    Outline outline;
    PointF current;
    PointF subpathStart;
    bool open = false;  // a subpath has begun
};

void moveTo(OutlineBuilder& builder, PointF to);
void lineTo(OutlineBuilder& builder, PointF to);
void quadTo(OutlineBuilder& builder, PointF control, PointF to);
void cubicTo(OutlineBuilder& builder, PointF control1, PointF control2, PointF to,
             double tolerance = kCurveToleranceTwips);
// Back to the subpath's first point with a straight line where it is not there already.
void closePath(OutlineBuilder& builder);

// The quadratic curves (control, end point pairs) that stand for a cubic curve within
// `tolerance`, each a piece of it between parameters a fixed split apart.
struct Quadratic {
    PointF control;
    PointF to;
};
std::vector<Quadratic> approximateCubic(PointF from, PointF control1, PointF control2, PointF to,
                                        double tolerance);

// A line of straight pieces through the given points.
using Polyline = std::vector<PointF>;

// Cuts lines into the dashes of `pattern` (alternate on and off lengths, twips), starting
// `phase` twips into the pattern. A pattern of all zeros or with a negative length leaves the
// lines whole. A closed line must repeat its first point at its end.
std::vector<Polyline> dashLines(std::span<const Polyline> lines, std::span<const double> pattern,
                                double phase);

// Every segment of the outline (a curve counts as one), for the bounds on a page's complexity.
size_t edgeCount(const Outline& outline);

}  // namespace pageconv
