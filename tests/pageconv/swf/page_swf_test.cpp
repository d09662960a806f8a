// A page file as a player reads it: tag order per version, the bitmap fill over the stage, URL
// buttons, and the page-link metadata.
#include "swf/page_swf.h"

#include "swf_reader.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace pageconv {
namespace {

PageSwfInput samplePage(int version) {
    PageSwfInput page;
    page.version = static_cast<uint8_t>(version);
    page.stageWidth = 595;
    page.stageHeight = 842;
    page.image = PageImage{Bytes{0xFF, 0xD8, 0xFF, 0xD9}, 1190, 1684, PixelBox{0, 0, 1190, 1684}};
    return page;
}

std::vector<int> codesOf(const swftest::Movie& movie) {
    std::vector<int> codes;
    for (const auto& tag : movie.tags) {
        codes.push_back(tag.code);
    }
    return codes;
}

TEST(PageSwf, TagOrderPerVersionAndLinks) {
    struct Case {
        int version;
        bool urlLink;
        bool pageLink;
        std::vector<int> codes;
    };
    const Case cases[] = {
        {10, false, false, {69, 9, 21, 2, 2, 26, 26, 1, 0}},
        {8, true, true, {69, 77, 9, 21, 2, 2, 26, 26, 2, 34, 26, 1, 0}},
        // Before version 8 there is no FileAttributes tag; the metadata still comes first.
        {6, false, true, {77, 9, 21, 2, 2, 26, 26, 1, 0}},
        {7, true, false, {9, 21, 2, 2, 26, 26, 2, 34, 26, 1, 0}},
    };
    for (const Case& c : cases) {
        PageSwfInput page = samplePage(c.version);
        if (c.urlLink) {
            page.urlLinks.push_back(UrlLink{Box{72, 102, 272, 142}, "https://example.com/one"});
        }
        if (c.pageLink) {
            page.pageLinks.push_back(PageLink{Box{100, 642, 495, 742}, 7});
        }
        const auto movie = swftest::readMovie(buildPageSwf(page));
        EXPECT_EQ(codesOf(movie), c.codes) << "version " << c.version;
        EXPECT_EQ(movie.version, c.version);
        if (c.version >= 8) {
            // The metadata flag must match the presence of the tag or players ignore it.
            EXPECT_EQ((movie.tags[0].body[0] & 0x10) != 0, c.pageLink);
        }
    }
}

TEST(PageSwf, BitmapFillCoversTheStage) {
    const auto movie = swftest::readMovie(buildPageSwf(samplePage(10)));
    EXPECT_EQ(movie.stage[1], 11900);
    EXPECT_EQ(movie.stage[3], 16840);
    const auto shape = swftest::readShape(*swftest::tagsWithCode(movie, 2).at(0));
    EXPECT_EQ(shape.fillType, 0x41);
    EXPECT_EQ(shape.bitmapId, 1);
    EXPECT_DOUBLE_EQ(shape.scaleX * 1190, 11900);
    EXPECT_DOUBLE_EQ(shape.scaleY * 1684, 16840);
    const swftest::Tag* jpeg = swftest::tagsWithCode(movie, 21).at(0);
    EXPECT_TRUE(jpeg->longHeader);
    EXPECT_EQ(jpeg->body, (Bytes{1, 0, 0xFF, 0xD8, 0xFF, 0xD9}));
    EXPECT_EQ(swftest::tagsWithCode(movie, 9).at(0)->body, (Bytes{0xFF, 0xFF, 0xFF}));
}

// Only the inked part is encoded: it must land where it lies in the page, scaled as the whole
// page would be, over a white sheet that covers the stage beneath it.
TEST(PageSwf, EncodedPartLandsAtItsPlaceOverAWhiteSheet) {
    struct Case {
        const char* name;
        PixelBox part;
        int32_t bounds[4];
    };
    const Case cases[] = {
        {"whole page", PixelBox{0, 0, 1190, 1684}, {0, 11900, 0, 16840}},
        {"middle", PixelBox{96, 160, 992, 1200}, {960, 10880, 1600, 13600}},
        // A part ending at the bitmap's edge ends exactly at the stage's.
        {"bottom right", PixelBox{1184, 1680, 6, 4}, {11840, 11900, 16800, 16840}},
        {"blank corner", PixelBox{0, 0, 8, 8}, {0, 80, 0, 80}},
    };
    for (const Case& c : cases) {
        PageSwfInput page = samplePage(10);
        page.image->part = c.part;
        const auto movie = swftest::readMovie(buildPageSwf(page));
        const auto shapes = swftest::tagsWithCode(movie, 2);
        ASSERT_EQ(shapes.size(), 2u) << c.name;
        const auto bitmap = swftest::readShape(*shapes[0]);
        EXPECT_EQ(bitmap.fillType, 0x41) << c.name;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(bitmap.bounds[i], c.bounds[i]) << c.name << " side " << i;
        }
        EXPECT_EQ(bitmap.translateX, c.bounds[0]) << c.name;
        EXPECT_EQ(bitmap.translateY, c.bounds[2]) << c.name;
        EXPECT_DOUBLE_EQ(bitmap.scaleX, 10.0) << c.name;
        const auto sheet = swftest::readShape(*shapes[1]);
        EXPECT_EQ(sheet.fillType, 0x00) << c.name;
        EXPECT_EQ(sheet.solidRgb, 0xFFFFFFu) << c.name;
        EXPECT_EQ(sheet.bounds[1], 11900) << c.name;
        EXPECT_EQ(sheet.bounds[3], 16840) << c.name;
        // The sheet lies under the page: its shape is placed at the lower depth.
        const auto places = swftest::tagsWithCode(movie, 26);
        ASSERT_EQ(places.size(), 2u) << c.name;
        EXPECT_EQ(places[0]->body, (Bytes{0x02, 1, 0, 3, 0})) << c.name;
        EXPECT_EQ(places[1]->body, (Bytes{0x02, 2, 0, 2, 0})) << c.name;
    }
}

TEST(PageSwf, StagesWiderThanOneEdgeRecordStillClose) {
    // One straight edge holds at most 65535 twips; a 8000-pixel side needs several.
    PageSwfInput page = samplePage(10);
    page.stageWidth = 8000;
    page.stageHeight = 3300;
    page.image->width = 8000;
    page.image->height = 3300;
    page.image->part = PixelBox{0, 0, 8000, 3300};
    const auto movie = swftest::readMovie(buildPageSwf(page));
    const auto shape = swftest::readShape(*swftest::tagsWithCode(movie, 2).at(0));
    EXPECT_EQ(shape.bounds[1], 160000);
    EXPECT_EQ(shape.bounds[3], 66000);
    EXPECT_DOUBLE_EQ(shape.scaleX, 20.0);
}

TEST(PageSwf, ButtonsOpenTheirUrlInANewWindowOverTheLinkArea) {
    PageSwfInput page = samplePage(10);
    page.urlLinks.push_back(UrlLink{Box{72, 102, 272, 142}, "https://example.com/one"});
    page.urlLinks.push_back(UrlLink{Box{0.5, 1, 2, 3}, "mailto:a@example.com"});
    const auto movie = swftest::readMovie(buildPageSwf(page));
    const auto buttons = swftest::tagsWithCode(movie, 34);
    const auto shapes = swftest::tagsWithCode(movie, 2);
    ASSERT_EQ(buttons.size(), 2u);
    ASSERT_EQ(shapes.size(), 4u);
    EXPECT_EQ(swftest::buttonUrl(*buttons[0]),
              std::make_pair(std::string("https://example.com/one"), std::string("_blank")));
    EXPECT_EQ(swftest::buttonUrl(*buttons[1])->first, "mailto:a@example.com");
    const auto hit = swftest::readShape(*shapes[2]);
    EXPECT_EQ(hit.bounds[0], 1440);
    EXPECT_EQ(hit.bounds[1], 5440);
    EXPECT_EQ(hit.bounds[2], 2040);
    EXPECT_EQ(hit.bounds[3], 2840);
    // Only the hit-test state: the buttons draw nothing over the page.
    EXPECT_EQ(buttons[0]->body[5], 0x08);
    EXPECT_EQ(swftest::readShape(*shapes[3]).bounds[0], 10);
}

TEST(PageSwf, MetadataListsPageLinksInStagePixels) {
    EXPECT_EQ(pageLinksMetadata({}), "");
    EXPECT_EQ(pageLinksMetadata({PageLink{Box{100, 642, 495, 742}, 7},
                                 PageLink{Box{0.126, 1.5, 10, 20.004}, 12}}),
              "<links><link page=\"7\" x=\"100.00\" y=\"642.00\" width=\"395.00\" "
              "height=\"100.00\"/><link page=\"12\" x=\"0.13\" y=\"1.50\" width=\"9.87\" "
              "height=\"18.50\"/></links>");
    PageSwfInput page = samplePage(10);
    page.pageLinks.push_back(PageLink{Box{100, 642, 495, 742}, 7});
    const auto movie = swftest::readMovie(buildPageSwf(page));
    const Bytes& body = swftest::tagsWithCode(movie, 77).at(0)->body;
    ASSERT_FALSE(body.empty());
    EXPECT_EQ(body.back(), 0);
    EXPECT_EQ(std::string(body.begin(), body.end() - 1), pageLinksMetadata(page.pageLinks));
}

TEST(PageSwf, VectorsLieBetweenTheImageAndTheButtonsWithIdsOfTheirOwn) {
    for (const bool withImage : {true, false}) {
        PageSwfInput page = samplePage(10);
        if (!withImage) {
            page.image.reset();
        }
        const Outline box{{SegmentKind::MoveTo, {}, {0, 0}},
                          {SegmentKind::LineTo, {}, {100, 0}},
                          {SegmentKind::LineTo, {}, {100, 100}}};
        page.vectors.items.push_back(DrawItem{FilledShape{box, FillRule::NonZero, Rgba{}}});
        page.vectors.items.push_back(DrawItem{StrokedShape{box, LineStyle{}}});
        page.urlLinks.push_back(UrlLink{Box{72, 102, 272, 142}, "https://example.com/one"});
        const auto movie = swftest::readMovie(buildPageSwf(page));
        const std::vector<int> withImageCodes{69, 9,  21, 2, 2,  26, 26, 83,
                                              26, 83, 26, 2, 34, 26, 1,  0};
        const std::vector<int> sheetOnlyCodes{69, 9, 2, 26, 83, 26, 83, 26, 2, 34, 26, 1, 0};
        EXPECT_EQ(codesOf(movie), withImage ? withImageCodes : sheetOnlyCodes);
        std::vector<std::pair<int, int>> placed;  // depth, id
        for (const auto* tag : swftest::tagsWithCode(movie, 26)) {
            const auto p = swftest::readPlaceObject2(*tag);
            placed.emplace_back(p.depth, p.id);
        }
        std::vector<std::pair<int, int>> expected{{1, 3}, {2, 2}, {3, 4}, {4, 5}, {5, 7}};
        if (!withImage) {
            expected.erase(expected.begin() + 1);
        }
        EXPECT_EQ(placed, expected);
    }
}

TEST(PageSwf, TooManyVectorsForTheLinksThrow) {
    PageSwfInput page = samplePage(10);
    const Outline dot{{SegmentKind::MoveTo, {}, {0, 0}}, {SegmentKind::LineTo, {}, {1, 0}}};
    page.vectors.items.assign(kMaxVectorCharacters,
                              DrawItem{FilledShape{dot, FillRule::NonZero, Rgba{}}});
    page.urlLinks.assign(kMaxLinksPerPage, UrlLink{Box{1, 1, 2, 2}, "https://example.com"});
    EXPECT_NO_THROW(buildPageSwf(page));
    page.vectors.items.push_back(DrawItem{FilledShape{dot, FillRule::NonZero, Rgba{}}});
    EXPECT_THROW(buildPageSwf(page), std::length_error);
}

}  // namespace
}  // namespace pageconv
