// The fill-rule check on outlines flattened to polygons: curves become a few chords, which is
// close enough for deciding whether subpaths overlap at all.
#include "swf/fill_rules.h"

#include "swf/outline_builder.h"

#include <algorithm>
#include <vector>

namespace pageconv {
namespace {

using Point = PointF;
using Polygon = Polyline;  // closed: the last point joins the first
using Extent = Box;

constexpr int kChordsPerCurve = 4;

Point pointOf(TwipPoint p) {
    return Point{static_cast<double>(p.x), static_cast<double>(p.y)};
}

void addCurve(Polygon& polygon, Point from, Point control, Point to) {
    for (int i = 1; i <= kChordsPerCurve; ++i) {
        const double t = static_cast<double>(i) / kChordsPerCurve;
        const double u = 1 - t;
        polygon.push_back(Point{u * u * from.x + 2 * u * t * control.x + t * t * to.x,
                                u * u * from.y + 2 * u * t * control.y + t * t * to.y});
    }
}

std::vector<Polygon> polygonsOf(const Outline& outline) {
    std::vector<Polygon> polygons;
    for (const Segment& segment : outline) {
        if (segment.kind == SegmentKind::MoveTo || polygons.empty()) {
            polygons.emplace_back();
            polygons.back().push_back(pointOf(segment.to));
            if (segment.kind == SegmentKind::MoveTo) {
                continue;
            }
        }
        Polygon& polygon = polygons.back();
        if (segment.kind == SegmentKind::LineTo) {
            polygon.push_back(pointOf(segment.to));
        } else {
            addCurve(polygon, polygon.back(), pointOf(segment.control), pointOf(segment.to));
        }
    }
    return polygons;
}

double signedArea(const Polygon& polygon) {
    double twice = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

Extent extentOf(const Polygon& polygon) {
    Extent e{polygon[0].x, polygon[0].y, polygon[0].x, polygon[0].y};
    for (const Point& p : polygon) {
        e.x0 = std::min(e.x0, p.x);
        e.y0 = std::min(e.y0, p.y);
        e.x1 = std::max(e.x1, p.x);
        e.y1 = std::max(e.y1, p.y);
    }
    return e;
}

bool overlap(const Extent& a, const Extent& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

double cross(Point o, Point a, Point b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Proper crossings only: segments that merely touch at an end point do not make a subpath
// cross itself.
bool segmentsCross(Point a, Point b, Point c, Point d) {
    const double d1 = cross(c, d, a);
    const double d2 = cross(c, d, b);
    const double d3 = cross(a, b, c);
    const double d4 = cross(a, b, d);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool crossesItself(const Polygon& polygon) {
    const size_t n = polygon.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) {
                continue;  // neighbours across the closing edge
            }
            if (segmentsCross(polygon[i], polygon[(i + 1) % n], polygon[j], polygon[(j + 1) % n])) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

bool fillRulesAgree(const Outline& outline) {
    std::vector<Polygon> polygons = polygonsOf(outline);
    size_t segments = 0;
    for (const Polygon& polygon : polygons) {
        segments += polygon.size();
    }
    if (segments > kMaxCheckedSegments) {
        return false;
    }
    std::vector<std::pair<Extent, bool>> turns;  // extent, turns clockwise
    for (const Polygon& polygon : polygons) {
        if (polygon.size() < 3) {
            continue;  // covers nothing under either rule
        }
        if (crossesItself(polygon)) {
            return false;  // even where the rules agree after all, as in a bow tie
        }
        const double area = signedArea(polygon);
        if (area == 0) {
            continue;
        }
        turns.emplace_back(extentOf(polygon), area > 0);
    }
    for (size_t i = 0; i < turns.size(); ++i) {
        for (size_t j = i + 1; j < turns.size(); ++j) {
            if (turns[i].second == turns[j].second && overlap(turns[i].first, turns[j].first)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace pageconv
