// Bounds of outlines and the clip layers the "-G" switch removes or keeps.
#include "swf/clip_layers.h"

#include <gtest/gtest.h>

#include <string>

namespace pageconv {
namespace {

const TwipRect kStage{0, 12000, 0, 16000};

Outline polygon(std::initializer_list<TwipPoint> points) {
    Outline outline;
    for (const TwipPoint p : points) {
        outline.push_back(
            Segment{outline.empty() ? SegmentKind::MoveTo : SegmentKind::LineTo, {}, p});
    }
    return outline;
}

Outline rect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}});
}

DrawItem fill(Outline outline) {
    return DrawItem{FilledShape{std::move(outline), FillRule::NonZero, Rgba{}}};
}

DrawItem stroke(Outline outline, uint16_t width) {
    LineStyle line;
    line.width = width;
    line.join = LineJoin::Round;
    return DrawItem{StrokedShape{std::move(outline), line}};
}

DrawItem text() {
    return DrawItem{PlacedText{}};
}

DrawItem layer(Outline outline, std::vector<DrawItem> content) {
    return DrawItem{ClipLayer{std::move(outline), FillRule::NonZero, std::move(content)}};
}

// F a fill, S a stroke, T a text, C[...] a clip layer and what it holds.
std::string structure(const std::vector<DrawItem>& items) {
    std::string s;
    for (const DrawItem& item : items) {
        if (std::holds_alternative<FilledShape>(item.what)) {
            s += "F";
        } else if (std::holds_alternative<StrokedShape>(item.what)) {
            s += "S";
        } else if (std::holds_alternative<PlacedText>(item.what)) {
            s += "T";
        } else if (const auto* clip = std::get_if<ClipLayer>(&item.what)) {
            s += "C[" + structure(clip->content) + "]";
        }
    }
    return s;
}

TEST(FlattenClipLayers, RemovesOnlyLayersThatClipNothing) {
    const Outline triangle = polygon({{0, 0}, {5000, 0}, {0, 5000}, {0, 0}});
    const Outline whole = rect(-10, -10, 12010, 16010);
    struct Case {
        const char* name;
        std::vector<DrawItem> items;
        std::string after;
    };
    const Case cases[] = {
        {"rectangle around its content",
         {layer(rect(0, 0, 1000, 1000), {fill(rect(10, 10, 990, 990)), fill(rect(0, 0, 5, 5))})},
         "FF"},
        {"rectangle cutting its content",
         {layer(rect(0, 0, 1000, 1000), {fill(rect(10, 10, 1001, 990))})},
         "C[F]"},
        {"rectangle with its last side implied",
         {layer(polygon({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}), {fill(rect(1, 1, 9, 9))})},
         "F"},
        {"stroke reaching past the rectangle",
         {layer(rect(0, 0, 1000, 1000), {stroke(rect(10, 10, 990, 990), 40)})},
         "C[S]"},
        {"stroke inside the rectangle",
         {layer(rect(0, 0, 1000, 1000), {stroke(rect(30, 30, 970, 970), 40)})},
         "S"},
        {"text of unknown extent", {layer(rect(0, 0, 1000, 1000), {text()})}, "C[T]"},
        {"whole stage", {layer(whole, {text(), fill(rect(-99, 0, 5, 5))})}, "TF"},
        {"not a rectangle", {layer(triangle, {fill(rect(0, 0, 10, 10))})}, "C[F]"},
        {"curved",
         {layer(Outline{{SegmentKind::MoveTo, {}, {0, 0}},
                        {SegmentKind::CurveTo, {900, 0}, {1000, 1000}},
                        {SegmentKind::LineTo, {}, {0, 1000}},
                        {SegmentKind::LineTo, {}, {0, 0}}},
                {fill(rect(1, 1, 2, 2))})},
         "C[F]"},
        {"same outline nested",
         {layer(triangle,
                {fill(triangle), layer(triangle, {text(), layer(triangle, {fill(triangle)})})})},
         "C[FTF]"},
        {"different outline nested",
         {layer(triangle, {layer(rect(0, 0, 10, 20), {text()})})},
         "C[C[T]]"},
        {"empty", {fill(triangle), layer(triangle, {}), layer(triangle, {layer(whole, {})})}, "F"},
        {"whole stage inside a kept layer", {layer(triangle, {layer(whole, {text()})})}, "C[T]"},
    };
    for (const Case& c : cases) {
        std::vector<DrawItem> items = c.items;
        flattenClipLayers(items, kStage);
        EXPECT_EQ(structure(items), c.after) << c.name;
    }
}

TEST(ClipBounds, OutlinesStrokesAndRectangles) {
    const Outline curve{{SegmentKind::MoveTo, {}, {10, 20}},
                        {SegmentKind::CurveTo, {-50, 90}, {30, 40}}};
    const TwipRect b = outlineBounds(curve);
    EXPECT_EQ(b.xMin, -50);
    EXPECT_EQ(b.xMax, 30);
    EXPECT_EQ(b.yMin, 20);
    EXPECT_EQ(b.yMax, 90);
    LineStyle miter;
    miter.width = 100;
    miter.miterLimit = 3;
    EXPECT_EQ(strokeBounds(curve, miter).xMin, -50 - 150);
    EXPECT_FALSE(rectangleOf(polygon({{0, 0}, {10, 0}, {10, 10}, {5, 10}, {0, 0}})));
    EXPECT_FALSE(rectangleOf(polygon({{0, 0}, {10, 0}, {10, 0}, {0, 0}})));
    EXPECT_FALSE(rectangleOf(polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 1}})));
    const auto r = rectangleOf(polygon({{10, 10}, {10, 0}, {0, 0}, {0, 10}}));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->xMax, 10);
}

}  // namespace
}  // namespace pageconv
