// The vector device's shared parts: where content goes, the clip it is seen through, raster
// regions, colours and paths walked into outlines.
#include "pdf/vector_state.h"

#include <algorithm>
#include <cmath>

namespace pageconv {

std::vector<DrawItem>& currentTarget(VectorState& state) {
    return *state.targets.back();
}

Box currentClip(const VectorState& state) {
    return state.frames.empty() ? state.stage : state.frames.back().clip;
}

Box intersect(const Box& a, const Box& b) {
    return Box{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1),
               std::min(a.y1, b.y1)};
}

bool isEmpty(const Box& box) {
    return !(box.x1 > box.x0 && box.y1 > box.y0);
}

Box boxOf(const fz_rect& rect) {
    return Box{rect.x0, rect.y0, rect.x1, rect.y1};
}

namespace {

// A region's pixels on the page bitmap's grid, widened to whole pixels.
PixelBox pixelsOf(const Box& twips, double pixelsPerTwip, const Box& stage) {
    const auto grid = [&](double twip, bool up) {
        const double pixel = twip * pixelsPerTwip;
        return static_cast<int>(up ? std::ceil(pixel - 1e-6) : std::floor(pixel + 1e-6));
    };
    const int right = std::min(grid(twips.x1, true), grid(stage.x1, true));
    const int bottom = std::min(grid(twips.y1, true), grid(stage.y1, true));
    const int left = std::max(grid(twips.x0, false), 0);
    const int top = std::max(grid(twips.y0, false), 0);
    return PixelBox{left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
}

}  // namespace

void addRasterRegion(VectorState& state, const Box& twips) {
    if (state.options.textOnly) {
        return;  // the page bitmap beneath holds everything but the text
    }
    const Box visible = intersect(twips, currentClip(state));
    if (isEmpty(visible)) {
        return;
    }
    const double perTwip = state.options.bitmapPixelsPerTwip;
    const PixelBox pixels = pixelsOf(visible, perTwip, state.stage);
    if (pixels.width == 0 || pixels.height == 0) {
        return;
    }
    if (state.drawing.regions.size() >= kMaxRasterRegions) {
        state.failed = true;
        state.failure =
            "more than " + std::to_string(kMaxRasterRegions) + " areas of the page need the raster";
        return;
    }
    VectorPage& page = state.drawing.page;
    state.drawing.regions.push_back(RasterRegion{state.calls.last, pixels, page.bitmaps.size()});
    SwfMatrix placement;
    placement.scaleX = placement.scaleY = 1.0 / perTwip;
    placement.translateX = static_cast<int32_t>(std::lround(pixels.left / perTwip));
    placement.translateY = static_cast<int32_t>(std::lround(pixels.top / perTwip));
    currentTarget(state).push_back(DrawItem{PlacedBitmap{page.bitmaps.size(), placement, true}});
    page.bitmaps.emplace_back();  // filled once the region is rendered
}

void openScope(VectorState& state, FrameKind kind, const Box& area) {
    Frame frame;
    frame.kind = kind;
    frame.clip = intersect(area, currentClip(state));
    state.frames.push_back(std::move(frame));
    ++state.scopeDepth;
}

namespace {

bool convertColourRaw(fz_context* ctx, fz_colorspace* space, const float* colour, float* rgb,
                      fz_color_params params) {
    fz_try(ctx) {
        fz_convert_color(ctx, space, colour, fz_device_rgb(ctx), rgb, nullptr, params);
    }
    fz_catch(ctx) {
        return false;
    }
    return true;
}

uint8_t toByte(double unit) {
    return static_cast<uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * 255.0));
}

}  // namespace

Rgba rgbaOf(fz_context* ctx, fz_colorspace* space, const float* colour, float alpha,
            fz_color_params params) {
    float rgb[3] = {0, 0, 0};
    if (space == nullptr || colour == nullptr ||
        !convertColourRaw(ctx, space, colour, rgb, params)) {
        rgb[0] = rgb[1] = rgb[2] = 0;
    }
    return Rgba{toByte(rgb[0]), toByte(rgb[1]), toByte(rgb[2]), toByte(alpha)};
}

namespace {

struct PathWalk {
    fz_matrix ctm{};
    double tolerance = kCurveToleranceTwips;
    OutlineBuilder outline;
    std::vector<Polyline> lines;  // when flattening
    bool flatten = false;
    bool unusable = false;
    size_t segments = 0;
};

PointF mapped(PathWalk& walk, float x, float y) {
    const fz_point p = fz_transform_point_xy(x, y, walk.ctm);
    if (!(std::abs(p.x) < kMaxCoordinateTwips && std::abs(p.y) < kMaxCoordinateTwips)) {
        walk.unusable = true;
        return PointF{};
    }
    return PointF{p.x, p.y};
}

bool counted(PathWalk& walk) {
    if (++walk.segments > kMaxPathEdges) {
        walk.unusable = true;
    }
    return !walk.unusable;
}

void walkMoveTo(fz_context*, void* arg, float x, float y) {
    auto& walk = *static_cast<PathWalk*>(arg);
    const PointF to = mapped(walk, x, y);
    if (!counted(walk)) {
        return;
    }
    if (walk.flatten) {
        walk.lines.push_back(Polyline{to});
        walk.outline.current = walk.outline.subpathStart = to;
    } else {
        moveTo(walk.outline, to);
    }
}

void walkLineTo(fz_context*, void* arg, float x, float y) {
    auto& walk = *static_cast<PathWalk*>(arg);
    const PointF to = mapped(walk, x, y);
    if (!counted(walk)) {
        return;
    }
    if (walk.flatten) {
        if (walk.lines.empty()) {
            walk.lines.push_back(Polyline{walk.outline.current});
        }
        walk.lines.back().push_back(to);
        walk.outline.current = to;
    } else {
        lineTo(walk.outline, to);
    }
}

// Pieces enough that a flattened curve strays about a twip at most from the real one.
int flatteningSteps(PointF a, PointF b, PointF c, PointF d) {
    const double length = std::hypot(b.x - a.x, b.y - a.y) + std::hypot(c.x - b.x, c.y - b.y) +
                          std::hypot(d.x - c.x, d.y - c.y);
    return static_cast<int>(std::clamp(std::ceil(std::sqrt(length / 2.0)), 1.0, 100.0));
}

void flattenCubic(PathWalk& walk, PointF c1, PointF c2, PointF to) {
    const PointF from = walk.outline.current;
    const int steps = flatteningSteps(from, c1, c2, to);
    if (walk.lines.empty()) {
        walk.lines.push_back(Polyline{from});
    }
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double u = 1 - t;
        walk.lines.back().push_back(PointF{
            u * u * u * from.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * to.x,
            u * u * u * from.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * to.y});
    }
    walk.segments += steps;
    walk.outline.current = to;
}

void walkCurveTo(fz_context*, void* arg, float x1, float y1, float x2, float y2, float x3,
                 float y3) {
    auto& walk = *static_cast<PathWalk*>(arg);
    const PointF c1 = mapped(walk, x1, y1);
    const PointF c2 = mapped(walk, x2, y2);
    const PointF to = mapped(walk, x3, y3);
    if (!counted(walk)) {
        return;
    }
    if (walk.flatten) {
        flattenCubic(walk, c1, c2, to);
    } else {
        cubicTo(walk.outline, c1, c2, to, walk.tolerance);
    }
}

void walkClose(fz_context*, void* arg) {
    auto& walk = *static_cast<PathWalk*>(arg);
    if (walk.unusable) {
        return;
    }
    if (walk.flatten) {
        if (!walk.lines.empty() && !walk.lines.back().empty()) {
            walk.lines.back().push_back(walk.lines.back().front());
            walk.outline.current = walk.lines.back().front();
        }
    } else {
        closePath(walk.outline);
    }
}

bool walkRaw(fz_context* ctx, const fz_path* path, PathWalk* walk) {
    static const fz_path_walker kWalker = {walkMoveTo, walkLineTo, walkCurveTo, walkClose,
                                           nullptr,    nullptr,    nullptr,     nullptr};
    fz_try(ctx) {
        fz_walk_path(ctx, path, &kWalker, walk);
    }
    fz_catch(ctx) {
        return false;
    }
    return true;
}

}  // namespace

std::optional<Outline> outlineOf(fz_context* ctx, const fz_path* path, fz_matrix ctm,
                                 double tolerance) {
    PathWalk walk;
    walk.ctm = ctm;
    walk.tolerance = tolerance;
    if (!walkRaw(ctx, path, &walk) || walk.unusable) {
        return std::nullopt;
    }
    return std::move(walk.outline.outline);
}

std::optional<std::vector<Polyline>> polylinesOf(fz_context* ctx, const fz_path* path,
                                                 fz_matrix ctm) {
    PathWalk walk;
    walk.ctm = ctm;
    walk.flatten = true;
    if (!walkRaw(ctx, path, &walk) || walk.unusable) {
        return std::nullopt;
    }
    return std::move(walk.lines);
}

}  // namespace pageconv
