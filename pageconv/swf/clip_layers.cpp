// Bounds of vector items and the flattening of clip layers that make no difference.
#include "swf/clip_layers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace pageconv {
namespace {

constexpr int64_t kFarthestTwip = std::numeric_limits<int32_t>::max();

int32_t clampTwips(int64_t v) {
    return static_cast<int32_t>(std::clamp(v, -kFarthestTwip, kFarthestTwip));
}

void include(TwipRect& r, TwipPoint p) {
    r.xMin = std::min(r.xMin, p.x);
    r.xMax = std::max(r.xMax, p.x);
    r.yMin = std::min(r.yMin, p.y);
    r.yMax = std::max(r.yMax, p.y);
}

TwipRect unite(const TwipRect& a, const TwipRect& b) {
    return TwipRect{std::min(a.xMin, b.xMin), std::max(a.xMax, b.xMax), std::min(a.yMin, b.yMin),
                    std::max(a.yMax, b.yMax)};
}

bool contains(const TwipRect& outer, const TwipRect& inner) {
    return outer.xMin <= inner.xMin && outer.xMax >= inner.xMax && outer.yMin <= inner.yMin &&
           outer.yMax >= inner.yMax;
}

// A miter reaches out up to the limit times half the width; a square cap half the diagonal.
double reachFactor(const LineStyle& line) {
    double factor = 1.0;
    if (line.join == LineJoin::Miter && std::isfinite(line.miterLimit)) {
        factor = std::clamp(line.miterLimit, 1.0, 256.0);
    }
    if (line.startCap == LineCap::Square || line.endCap == LineCap::Square) {
        factor = std::max(factor, std::sqrt(2.0));
    }
    return factor;
}

std::optional<TwipRect> contentBounds(const std::vector<DrawItem>& items) {
    std::optional<TwipRect> all;
    for (const DrawItem& item : items) {
        const std::optional<TwipRect> bounds = itemBounds(item);
        if (!bounds) {
            return std::nullopt;
        }
        all = all ? unite(*all, *bounds) : *bounds;
    }
    return all;
}

bool sameClip(const ClipLayer& a, const ClipLayer& b) {
    return a.outline == b.outline && (a.rule == b.rule || rectangleOf(a.outline).has_value());
}

bool clipsNothing(const ClipLayer& layer, const TwipRect& stage) {
    const std::optional<TwipRect> rect = rectangleOf(layer.outline);
    if (!rect) {
        return false;
    }
    if (contains(*rect, stage)) {
        return true;
    }
    const std::optional<TwipRect> content = contentBounds(layer.content);
    return content && contains(*rect, *content);
}

// Inner layers with the layer's own outline clip nothing more: their content moves up.
void foldIdenticalLayers(ClipLayer& layer) {
    std::vector<DrawItem> folded;
    for (DrawItem& item : layer.content) {
        auto* inner = std::get_if<ClipLayer>(&item.what);
        if (inner && sameClip(*inner, layer)) {
            std::move(inner->content.begin(), inner->content.end(), std::back_inserter(folded));
        } else {
            folded.push_back(std::move(item));
        }
    }
    layer.content = std::move(folded);
}

}  // namespace

TwipRect outlineBounds(const Outline& outline) {
    if (outline.empty()) {
        return {};
    }
    TwipRect r{outline.front().to.x, outline.front().to.x, outline.front().to.y,
               outline.front().to.y};
    for (const Segment& s : outline) {
        include(r, s.to);
        if (s.kind == SegmentKind::CurveTo) {
            include(r, s.control);
        }
    }
    return r;
}

TwipRect strokeBounds(const Outline& outline, const LineStyle& line) {
    const TwipRect r = outlineBounds(outline);
    const auto reach = static_cast<int64_t>(std::ceil(line.width / 2.0 * reachFactor(line)));
    return TwipRect{clampTwips(int64_t{r.xMin} - reach), clampTwips(int64_t{r.xMax} + reach),
                    clampTwips(int64_t{r.yMin} - reach), clampTwips(int64_t{r.yMax} + reach)};
}

std::optional<TwipRect> itemBounds(const DrawItem& item) {
    if (const auto* fill = std::get_if<FilledShape>(&item.what)) {
        return outlineBounds(fill->outline);
    }
    if (const auto* stroke = std::get_if<StrokedShape>(&item.what)) {
        return strokeBounds(stroke->outline, stroke->line);
    }
    if (const auto* clip = std::get_if<ClipLayer>(&item.what)) {
        if (clip->content.empty()) {
            return std::nullopt;
        }
        return outlineBounds(clip->outline);  // nothing shows outside it
    }
    return std::nullopt;
}

std::optional<TwipRect> rectangleOf(const Outline& outline) {
    const size_t n = outline.size();
    if ((n != 4 && n != 5) || outline[0].kind != SegmentKind::MoveTo ||
        (n == 5 && outline[4].to != outline[0].to)) {
        return std::nullopt;
    }
    TwipPoint corners[4];
    for (size_t i = 0; i < 4; ++i) {
        if (i > 0 && outline[i].kind != SegmentKind::LineTo) {
            return std::nullopt;
        }
        corners[i] = outline[i].to;
    }
    if (n == 5 && outline[4].kind != SegmentKind::LineTo) {
        return std::nullopt;
    }
    // Four sides each along one axis through four distinct points can only go round a rectangle.
    std::set<std::pair<int32_t, int32_t>> distinct;
    for (size_t i = 0; i < 4; ++i) {
        const TwipPoint a = corners[i];
        const TwipPoint b = corners[(i + 1) % 4];
        if ((a.x == b.x) == (a.y == b.y)) {
            return std::nullopt;
        }
        distinct.emplace(a.x, a.y);
    }
    if (distinct.size() != 4) {
        return std::nullopt;
    }
    return outlineBounds(outline);
}

void flattenClipLayers(std::vector<DrawItem>& items, const TwipRect& stage) {
    std::vector<DrawItem> flat;
    flat.reserve(items.size());
    for (DrawItem& item : items) {
        auto* layer = std::get_if<ClipLayer>(&item.what);
        if (!layer) {
            flat.push_back(std::move(item));
            continue;
        }
        flattenClipLayers(layer->content, stage);
        foldIdenticalLayers(*layer);
        if (layer->content.empty()) {
            continue;
        }
        if (clipsNothing(*layer, stage)) {
            std::move(layer->content.begin(), layer->content.end(), std::back_inserter(flat));
        } else {
            flat.push_back(std::move(item));
        }
    }
    items = std::move(flat);
}

}  // namespace pageconv
