// A vector page's tags as a player reads them: fill rules and line styles, long edges, clip
// depths, text records and far text, fonts, bitmaps, and the bounds on ids and depths.
#include "swf/vector_tags.h"

#include "swf_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace pageconv {
namespace {

constexpr int kPlace = 26;
constexpr int kShape4 = 83;

Outline polygon(std::initializer_list<TwipPoint> points) {
    Outline outline;
    for (const TwipPoint p : points) {
        outline.push_back(
            Segment{outline.empty() ? SegmentKind::MoveTo : SegmentKind::LineTo, {}, p});
    }
    return outline;
}

Outline square(int32_t x, int32_t y, int32_t side) {
    return polygon({{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}, {x, y}});
}

std::vector<swftest::Tag> tagsOf(const VectorPage& page, IdsAndDepths first = {}) {
    Bytes tags;
    appendVectorTags(tags, page, first);
    return swftest::readTags(tags);
}

std::vector<swftest::Tag> withCode(const std::vector<swftest::Tag>& tags, int code) {
    std::vector<swftest::Tag> found;
    for (const auto& tag : tags) {
        if (tag.code == code) {
            found.push_back(tag);
        }
    }
    return found;
}

DrawItem filled(Outline outline, FillRule rule = FillRule::NonZero) {
    return DrawItem{FilledShape{std::move(outline), rule, Rgba{10, 20, 30, 128}}};
}

TEST(VectorShapes, FillRuleSetsTheWindingFlagAndFillsOneSide) {
    for (const FillRule rule : {FillRule::NonZero, FillRule::EvenOdd}) {
        VectorPage page;
        page.items.push_back(filled(square(0, 0, 100), rule));
        const auto tags = tagsOf(page);
        ASSERT_EQ(tags.size(), 2U);
        const auto shape = swftest::readShape4(tags[0]);
        EXPECT_EQ((shape.flags & 0x04) != 0, rule == FillRule::NonZero);
        ASSERT_EQ(shape.fills.size(), 1U);
        EXPECT_EQ(shape.fills[0].rgba, 0x0A141E80U);
        ASSERT_FALSE(shape.edges.empty());
        EXPECT_EQ(shape.edges[0].fill0, 1);
        EXPECT_EQ(shape.edges[0].fill1, -1);
        EXPECT_EQ(shape.edges.back().to, (swftest::Point{0, 0}));
        EXPECT_EQ(shape.bounds[1], 100);
    }
}

TEST(VectorShapes, LineStyleFieldsAndWidenedBounds) {
    struct Case {
        LineStyle line;
        double miterRead;
        int32_t reach;
    };
    const Case cases[] = {
        {LineStyle{40, Rgba{1, 2, 3, 4}, LineCap::Round, LineCap::Round, LineJoin::Round, 10}, 0,
         20},
        {LineStyle{40, Rgba{1, 2, 3, 4}, LineCap::Butt, LineCap::Square, LineJoin::Bevel, 10}, 0,
         29},
        {LineStyle{60, Rgba{9, 8, 7, 6}, LineCap::Butt, LineCap::Butt, LineJoin::Miter, 4.5}, 4.5,
         135},
        {LineStyle{0, Rgba{}, LineCap::Square, LineCap::Butt, LineJoin::Miter, 1000}, 255.99, 0},
    };
    for (const Case& c : cases) {
        VectorPage page;
        page.items.push_back(DrawItem{StrokedShape{polygon({{100, 100}, {500, 300}}), c.line}});
        const auto shape = swftest::readShape4(tagsOf(page)[0]);
        ASSERT_EQ(shape.lines.size(), 1U);
        const auto& l = shape.lines[0];
        EXPECT_EQ(l.width, c.line.width);
        EXPECT_EQ(l.startCap, static_cast<int>(c.line.startCap));
        EXPECT_EQ(l.endCap, static_cast<int>(c.line.endCap));
        EXPECT_EQ(l.join, static_cast<int>(c.line.join));
        EXPECT_NEAR(l.miterLimit, c.miterRead, 1.0 / 256);
        EXPECT_EQ(l.rgba, (uint32_t{c.line.colour.r} << 24) | (c.line.colour.g << 16) |
                              (c.line.colour.b << 8) | c.line.colour.a);
        EXPECT_TRUE(shape.fills.empty());
        EXPECT_EQ(shape.flags & 0x05, 0x01);  // scaling strokes, no winding flag
        EXPECT_EQ(shape.edges[0].line, 1);
        EXPECT_EQ(shape.edgeBounds[0], 100);
        EXPECT_EQ(shape.bounds[0], 100 - c.reach);
        EXPECT_EQ(shape.bounds[3], 300 + c.reach);
        EXPECT_EQ(shape.edges.size(), 2U);  // a stroke stays open
    }
}

// Every point the outline passes through must be met, in order, by the decoded edges.
void expectPassesThrough(const std::vector<swftest::Edge>& edges, const Outline& outline) {
    size_t at = 0;
    for (const Segment& s : outline) {
        const swftest::Point want{s.to.x, s.to.y};
        while (at < edges.size() && !(edges[at].to == want)) {
            ++at;
        }
        ASSERT_LT(at, edges.size()) << want.x << "," << want.y;
    }
}

TEST(VectorShapes, EdgesPastTheFieldWidthAreSplitAndEndWhereAsked) {
    constexpr int32_t kFar = kFarthestShapeTwip;
    const Outline cases[] = {
        polygon({{0, 0}, {65535, 0}, {65536, 1}, {0, 0}}),
        polygon({{-kFar, 5}, {kFar, -7}, {kFar, kFar}, {-kFar, -kFar}}),
        polygon({{INT32_MAX, INT32_MIN}, {0, 0}}),
        Outline{{SegmentKind::MoveTo, {}, {0, 0}},
                {SegmentKind::CurveTo, {kFar, -kFar}, {-kFar, 3}},
                {SegmentKind::CurveTo, {100, 100}, {200000, 0}}},
    };
    for (const Outline& outline : cases) {
        VectorPage page;
        page.items.push_back(DrawItem{StrokedShape{outline, LineStyle{}}});
        const auto shape = swftest::readShape4(tagsOf(page)[0]);
        Outline wanted = outline;
        for (Segment& s : wanted) {
            s.to.x = std::clamp(s.to.x, -kFar, kFar);
            s.to.y = std::clamp(s.to.y, -kFar, kFar);
        }
        expectPassesThrough(shape.edges, wanted);
        EXPECT_EQ(shape.edges.back().to, (swftest::Point{wanted.back().to.x, wanted.back().to.y}));
    }
}

double distanceToQuadratic(const swftest::Point& p, const double (&q)[3][2]) {
    const auto at = [&](double t) {
        const double u = 1 - t;
        const double x = u * u * q[0][0] + 2 * u * t * q[1][0] + t * t * q[2][0];
        const double y = u * u * q[0][1] + 2 * u * t * q[1][1] + t * t * q[2][1];
        return std::hypot(x - static_cast<double>(p.x), y - static_cast<double>(p.y));
    };
    double best = 0;
    for (int i = 1; i <= 4096; ++i) {  // coarse, then narrowed around the nearest sample
        best = at(i / 4096.0) < at(best) ? i / 4096.0 : best;
    }
    double low = std::max(0.0, best - 1 / 4096.0);
    double high = std::min(1.0, best + 1 / 4096.0);
    for (int i = 0; i < 200; ++i) {
        const double a = low + (high - low) / 3;
        const double b = high - (high - low) / 3;
        if (at(a) < at(b)) {
            high = b;
        } else {
            low = a;
        }
    }
    return at((low + high) / 2);
}

TEST(VectorShapes, HalvedCurvesStayOnTheCurve) {
    constexpr double kFar = kFarthestShapeTwip;
    const double curve[3][2] = {{0, 0}, {kFar, -kFar}, {-kFar, 3}};
    VectorPage page;
    page.items.push_back(DrawItem{StrokedShape{Outline{{SegmentKind::MoveTo, {}, {0, 0}},
                                                       {SegmentKind::CurveTo,
                                                        {kFarthestShapeTwip, -kFarthestShapeTwip},
                                                        {-kFarthestShapeTwip, 3}}},
                                               LineStyle{}}});
    const auto edges = swftest::readShape4(tagsOf(page)[0]).edges;
    EXPECT_GT(edges.size(), 1000U);
    for (size_t i = 0; i < edges.size(); i += 1 + edges.size() / 500) {
        ASSERT_TRUE(edges[i].isMove || edges[i].curved);
        EXPECT_LT(distanceToQuadratic(edges[i].to, curve), 16.0) << i;
    }
}

TEST(VectorShapes, FilledSubpathsAreClosed) {
    VectorPage page;
    Outline open = polygon({{0, 0}, {100, 0}, {100, 100}});
    const Outline second = polygon({{500, 500}, {600, 500}, {600, 600}});
    open.insert(open.end(), second.begin(), second.end());
    page.items.push_back(filled(open));
    const auto edges = swftest::readShape4(tagsOf(page)[0]).edges;
    ASSERT_EQ(edges.size(), 8U);
    EXPECT_EQ(edges[3].to, (swftest::Point{0, 0}));
    EXPECT_TRUE(edges[4].isMove);
    EXPECT_EQ(edges[7].to, (swftest::Point{500, 500}));
}

ClipLayer clip(std::vector<DrawItem> content) {
    return ClipLayer{square(0, 0, 1000), FillRule::NonZero, std::move(content)};
}

TEST(VectorClips, ClipDepthCoversTheLayersContentAndNests) {
    VectorPage page;
    page.items.push_back(filled(square(0, 0, 10)));  // depth 20
    page.items.push_back(DrawItem{clip({
        filled(square(0, 0, 10)),                                      // 22
        DrawItem{clip({filled(square(0, 0, 10))})},                    // 23 clips 24
        filled(square(0, 0, 10)),                                      // 25
        DrawItem{clip({})},                                            // nothing
        DrawItem{clip({DrawItem{clip({})}, DrawItem{PlacedText{}}})},  // nothing
    })});                                                              // 21 clips to 25
    page.items.push_back(filled(square(0, 0, 10)));                    // 26
    const auto tags = tagsOf(page, IdsAndDepths{100, 20});
    std::vector<std::pair<int, int>> depths;
    for (const auto& tag : withCode(tags, kPlace)) {
        const auto place = swftest::readPlaceObject2(tag);
        depths.emplace_back(place.depth, place.clipDepth);
    }
    const std::vector<std::pair<int, int>> expected{{20, 0}, {21, 25}, {22, 0}, {23, 24},
                                                    {24, 0}, {25, 0},  {26, 0}};
    EXPECT_EQ(depths, expected);
    EXPECT_EQ(withCode(tags, kShape4).size(), 7U);
    EXPECT_EQ(swftest::readShape4(withCode(tags, kShape4).back()).id, 106);
}

SwfFont sampleFont() {
    SwfFont font{"Sample Sans", {}};
    font.glyphs.push_back(Glyph{square(0, -14000, 10000), 12000, 'A'});
    font.glyphs.push_back(Glyph{polygon({{0, 0}, {5000, -16000}, {9000, 4000}}), 40000, 'B'});
    font.glyphs.push_back(Glyph{{}, 5000, ' '});
    return font;
}

TEST(VectorFonts, DefineFont3ReadsBack) {
    VectorPage page;
    page.fonts.push_back(sampleFont());
    page.fonts.push_back(SwfFont{"empty", {}});  // writes nothing
    const auto tags = tagsOf(page);
    ASSERT_EQ(tags.size(), 1U);
    const auto font = swftest::readFont3(tags[0]);
    EXPECT_EQ(font.name, "Sample Sans");
    EXPECT_EQ(font.flags, 0x84);  // layout, wide codes, narrow offsets
    ASSERT_EQ(font.glyphs.size(), 3U);
    EXPECT_EQ(font.codes, (std::vector<int>{'A', 'B', ' '}));
    EXPECT_EQ(font.advances, (std::vector<int>{12000, 32767, 5000}));
    EXPECT_EQ(font.ascent, 16000);
    EXPECT_EQ(font.descent, 4000);
    EXPECT_EQ(font.kerningCount, 0);
    EXPECT_EQ(font.glyphBounds[0], (std::array<int32_t, 4>{0, 10000, -14000, -4000}));
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(font.glyphFillBits[i], 1);
        EXPECT_EQ(font.glyphs[i][0].fill0, 1);
        EXPECT_EQ(font.glyphs[i].back().to, font.glyphs[i][0].to);  // closed
    }
    EXPECT_TRUE(font.glyphs[2].empty());
}

TEST(VectorFonts, LargeFontsUseWideOffsets) {
    SwfFont font{"big", {}};
    Outline zigzag{{SegmentKind::MoveTo, {}, {0, 0}}};
    for (int i = 1; i < 400; ++i) {
        zigzag.push_back(Segment{SegmentKind::LineTo, {}, {i * 40, (i % 2) * 9000}});
    }
    for (int i = 0; i < 100; ++i) {
        font.glyphs.push_back(Glyph{zigzag, 1000, static_cast<uint16_t>(i)});
    }
    VectorPage page;
    page.fonts.push_back(font);
    const auto read = swftest::readFont3(tagsOf(page)[0]);
    EXPECT_EQ(read.flags & 0x08, 0x08);
    EXPECT_GT(read.offsets.back(), 0xFFFFU);
    EXPECT_EQ(read.glyphs.size(), 100U);
}

PlacedText textOf(std::vector<GlyphPosition> glyphs) {
    return PlacedText{0, SwfMatrix{}, 240, Rgba{0, 0, 255, 255}, std::move(glyphs)};
}

TEST(VectorTexts, RecordsPerLineOfAtMost255Glyphs) {
    std::vector<GlyphPosition> glyphs;
    glyphs.reserve(302);
    for (int i = 0; i < 300; ++i) {
        glyphs.push_back(GlyphPosition{static_cast<uint16_t>(i % 3), i * 150 - 20000, 400});
    }
    glyphs.push_back(GlyphPosition{1, 7, 900});
    glyphs.push_back(GlyphPosition{0, 300, 900});
    VectorPage page;
    page.fonts.push_back(sampleFont());
    page.items.push_back(DrawItem{textOf(glyphs)});
    const auto texts = withCode(tagsOf(page), 33);
    ASSERT_EQ(texts.size(), 1U);
    const auto text = swftest::readText2(texts[0]);
    EXPECT_EQ(text.records, 3);
    EXPECT_EQ(text.glyphBits, 2);
    EXPECT_EQ(text.height, 240);
    EXPECT_EQ(text.rgba, 0x0000FFFFU);
    ASSERT_EQ(text.glyphs.size(), glyphs.size());
    for (size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_EQ(text.glyphs[i].index, glyphs[i].glyph);
        EXPECT_EQ(text.glyphs[i].x, glyphs[i].x);
        EXPECT_EQ(text.glyphs[i].y, glyphs[i].y);
    }
    EXPECT_EQ(text.glyphs[254].record, 0);
    EXPECT_EQ(text.glyphs[255].record, 1);
    // Glyph A spans -14000..-4000 font units: at 240 twips, 164 to 47 twips above the baseline.
    EXPECT_LE(text.bounds[0], -20000);
    EXPECT_GE(text.bounds[1], 298 * 150 - 20000 + 105);
    EXPECT_LE(text.bounds[2], 400 - 164);
    EXPECT_GE(text.bounds[3], 900 + 47);
}

TEST(VectorTexts, FarPositionsSplitIntoCharactersThatKeepEveryGlyphInPlace) {
    const std::vector<GlyphPosition> glyphs{{0, 10, 20},       {1, 40000, 20},
                                            {2, -70000, 20},   {0, -70100, 33000},
                                            {1, INT32_MAX, 0}, {2, INT32_MIN, INT32_MIN},
                                            {0, 5, 5}};
    VectorPage page;
    page.fonts.push_back(sampleFont());
    page.items.push_back(DrawItem{textOf(glyphs)});
    const auto texts = withCode(tagsOf(page), 33);
    EXPECT_GE(texts.size(), 5U);
    std::vector<GlyphPosition> decoded;
    for (const auto& tag : texts) {
        const auto text = swftest::readText2(tag);
        for (const auto& g : text.glyphs) {
            decoded.push_back(GlyphPosition{static_cast<uint16_t>(g.index),
                                            g.x + text.matrix.translateX,
                                            g.y + text.matrix.translateY});
        }
    }
    ASSERT_EQ(decoded.size(), glyphs.size());
    constexpr int32_t kFar = kFarthestShapeTwip;  // translations are held to 31 bits
    for (size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_EQ(decoded[i].glyph, glyphs[i].glyph);
        EXPECT_EQ(decoded[i].x, std::clamp(glyphs[i].x, -kFar, kFar)) << i;
        EXPECT_EQ(decoded[i].y, std::clamp(glyphs[i].y, -kFar, kFar)) << i;
    }
}

TEST(VectorBitmaps, PixelsRoundTripThroughZlib) {
    VectorPage page;
    const Bytes argb{255, 1, 2, 3, 128, 4, 5, 6, 0, 0, 0, 0, 255, 9, 9, 9, 10, 2, 3, 4, 7, 7, 7, 7};
    page.bitmaps.push_back(SwfBitmap{BitmapKind::Lossless, argb, {}, 3, 2});
    page.bitmaps.push_back(
        SwfBitmap{BitmapKind::JpegWithAlpha, {0xFF, 0xD8, 0xFF, 0xD9}, {1, 2, 3, 4, 5, 6}, 2, 3});
    page.bitmaps.push_back(SwfBitmap{BitmapKind::Jpeg, {0xFF, 0xD8, 0xFF, 0xD9}, {}, 8, 8});
    const auto tags = tagsOf(page, IdsAndDepths{7, 1});
    ASSERT_EQ(tags.size(), 3U);
    EXPECT_EQ(tags[0].code, 36);
    const auto lossless = swftest::readBitmap(tags[0]);
    EXPECT_EQ(lossless.id, 7);
    EXPECT_EQ(lossless.format, 5);
    EXPECT_EQ(lossless.width, 3);
    EXPECT_EQ(lossless.height, 2);
    EXPECT_EQ(lossless.pixels, argb);
    EXPECT_EQ(tags[1].code, 35);
    const auto jpeg3 = swftest::readBitmap(tags[1]);
    EXPECT_EQ(jpeg3.jpeg, (Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
    EXPECT_EQ(jpeg3.alpha, (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(tags[2].code, 21);
    EXPECT_EQ(swftest::readBitmap(tags[2]).jpeg, (Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
}

TEST(VectorBitmaps, PlacedBitmapFillsItsParallelogram) {
    VectorPage page;
    page.bitmaps.push_back(SwfBitmap{BitmapKind::Jpeg, {0xFF, 0xD9}, {}, 100, 50});
    SwfMatrix placement{2.0, 3.0, 1000, 2000, 0.5, -0.25};
    page.items.push_back(DrawItem{PlacedBitmap{0, placement, false}});
    page.items.push_back(DrawItem{PlacedBitmap{0, placement, true}});
    const auto shapes = withCode(tagsOf(page), kShape4);
    ASSERT_EQ(shapes.size(), 2U);
    const auto hard = swftest::readShape4(shapes[0]);
    ASSERT_EQ(hard.fills.size(), 1U);
    EXPECT_EQ(hard.fills[0].type, 0x43);
    EXPECT_EQ(swftest::readShape4(shapes[1]).fills[0].type, 0x41);
    EXPECT_EQ(hard.fills[0].bitmapId, 1);
    EXPECT_DOUBLE_EQ(hard.fills[0].matrix.scaleX, 2.0);
    EXPECT_DOUBLE_EQ(hard.fills[0].matrix.rotateSkew0, 0.5);
    EXPECT_DOUBLE_EQ(hard.fills[0].matrix.rotateSkew1, -0.25);
    EXPECT_EQ(hard.fills[0].matrix.translateY, 2000);
    // (100, 0) -> (1200, 2050); (100, 50) -> (1187.5, 2200); (0, 50) -> (987.5, 2150)
    const std::vector<swftest::Point> corners{
        {1000, 2000}, {1200, 2050}, {1188, 2200}, {988, 2150}, {1000, 2000}};
    ASSERT_EQ(hard.edges.size(), corners.size());
    for (size_t i = 0; i < corners.size(); ++i) {
        EXPECT_EQ(hard.edges[i].to, corners[i]) << i;
    }
}

TEST(VectorLimits, StatsCountIdsDepthsAndEdges) {
    VectorPage page;
    page.fonts.push_back(sampleFont());
    page.fonts.push_back(SwfFont{});
    page.bitmaps.push_back(SwfBitmap{BitmapKind::Jpeg, {0xFF}, {}, 1, 1});
    page.items.push_back(filled(square(0, 0, 10)));
    page.items.push_back(DrawItem{clip({DrawItem{textOf({{0, 0, 0}, {1, 100000, 0}})}})});
    page.items.push_back(DrawItem{clip({})});
    const VectorStats stats = vectorStats(page);
    EXPECT_EQ(stats.edges, 4U + 2U + 4U + 4U);  // glyphs, square, clip outline
    EXPECT_EQ(stats.placedObjects, 4U);         // square, clip, two text pieces
    EXPECT_EQ(stats.characters, 6U);            // font, bitmap and the four above
    Bytes tags;
    const IdsAndDepths next = appendVectorTags(tags, page, IdsAndDepths{10, 10});
    EXPECT_EQ(next.id, 16U);
    EXPECT_EQ(next.depth, 14U);
}

TEST(VectorLimits, PagesPastSixteenBitsOrWithBadReferencesThrowAndWriteNothing) {
    VectorPage many;
    for (int i = 0; i < 100; ++i) {
        many.items.push_back(filled(square(0, 0, 10)));
    }
    Bytes tags{1, 2, 3};
    EXPECT_THROW(appendVectorTags(tags, many, IdsAndDepths{0xFFFF - 50, 1}), std::length_error);
    EXPECT_THROW(appendVectorTags(tags, many, IdsAndDepths{1, 0xFFF0}), std::length_error);
    EXPECT_NO_THROW(appendVectorTags(tags, VectorPage{}, IdsAndDepths{0x10000, 0x10000}));

    VectorPage badGlyph;
    badGlyph.fonts.push_back(sampleFont());
    badGlyph.items.push_back(DrawItem{textOf({{3, 0, 0}})});
    EXPECT_THROW(appendVectorTags(tags, badGlyph, {}), std::invalid_argument);
    VectorPage badBitmap;
    badBitmap.bitmaps.push_back(SwfBitmap{BitmapKind::Lossless, Bytes(15), {}, 2, 2});
    EXPECT_THROW(appendVectorTags(tags, badBitmap, {}), std::invalid_argument);
    EXPECT_EQ(tags, (Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace pageconv
