// sample.pdf: an eight-page brochure for a fictional coastal trail, the document users convert
// first. Photographs are generated landscapes; everything else is vector art and standard fonts.
#include <cmath>
#include <utility>

#include "documents.h"
#include "pdf_builder.h"
#include "photo.h"

namespace pdfgen {
namespace {

constexpr Rect kPage{0, 0, 595, 842};
const Rgb kTeal = rgbFromHex(0x0E4D5C);
const Rgb kSea = rgbFromHex(0x1F7A8C);
const Rgb kSeaLight = rgbFromHex(0xBFDCE4);
const Rgb kSand = rgbFromHex(0xF2E8CF);
const Rgb kCoral = rgbFromHex(0xE07A5F);
const Rgb kInk = rgbFromHex(0x22313F);
const Rgb kGrey = rgbFromHex(0x8A949C);
const Rgb kPaleGrey = rgbFromHex(0xDDE2E5);
const Rgb kWhite = rgbFromHex(0xFFFFFF);
const Rgb kLand = rgbFromHex(0xDCD3A8);
const Rgb kGreen = rgbFromHex(0xA9C48F);

constexpr const char* kSiteUrl = "https://example.com/northshore";

struct Fonts {
    WidthOf sans, bold, serif, italic;
};

// What a page function hands back: the page, and its links once every page exists.
struct Built {
    PageSpec page;
    std::vector<Link> links;
};

// Keeps image objects alive until the pages that show them are added.
struct Kit {
    PdfDoc& pdf;
    Fonts fonts;
    std::vector<PdfObjPtr> images;
};

void placePhoto(Kit& kit, PageSpec& page, uint32_t seed, Rect where) {
    const std::string name = "Im" + std::to_string(page.images.size() + 1);
    const int w = int(where.width() * 2);
    const int h = int(where.height() * 2);
    kit.images.push_back(addJpegImage(kit.pdf, encodeJpeg(makeLandscape(w, h, seed), 85)));
    page.images.emplace_back(name, kit.images.back().get());
    drawImage(page.content, name, where);
}

// A see-through bar laid over a photograph, so the text on it stays readable.
void translucentBand(Content& c, std::string_view alpha, Rgb colour, Rect band) {
    saveState(c);
    setGraphicsState(c, alpha);
    setFill(c, colour);
    fillRect(c, band);
    restoreState(c);
}

void textCentred(Content& c, std::string_view font, const WidthOf& w, double size, double cx,
                 double y, const std::string& text) {
    drawText(c, font, size, {cx - w(text) * size / 2, y}, text);
}

void textRight(Content& c, std::string_view font, const WidthOf& w, double size, double right,
               double y, const std::string& text) {
    drawText(c, font, size, {right - w(text) * size, y}, text);
}

void heading(Content& c, double y, const std::string& text) {
    setFill(c, kTeal);
    drawText(c, kSansBold, 26, {50, y}, text);
    setFill(c, kCoral);
    fillRect(c, {50, y - 16, 100, y - 12});
}

void footer(Content& c, const Fonts& f, int pageNumber) {
    setStroke(c, kPaleGrey, 0.75);
    strokePolyline(c, {{50, 42}, {545, 42}});
    setFill(c, kGrey);
    drawText(c, kSans, 8, {50, 28}, "Northshore Coastal Trail \xE2\x80\xA2 Visitor guide");
    setFill(c, kTeal);
    textRight(c, kSansBold, f.bold, 8, 545, 28, std::to_string(pageNumber));
}

void paragraphs(Content& c, const Fonts& f, Rect box, const std::vector<std::string>& text,
                double size = 11.5) {
    flowParagraphs(c, {kSerif, size, size * 1.42, kInk}, f.serif, box, text, 8);
}

Built cover(Kit& kit) {
    const Fonts& f = kit.fonts;
    Built b;
    Content& c = b.page.content;
    b.page.media = kPage;
    placePhoto(kit, b.page, 5, {0, 330, 595, 842});
    translucentBand(c, kAlpha50, rgbFromHex(0x000000), {0, 782, 595, 842});
    setFill(c, kWhite);
    drawText(c, kSansBold, 9, {50, 808}, "NORTHSHORE TOURISM  \xE2\x80\xA2  2026 EDITION");
    setFill(c, kTeal);
    fillRect(c, {0, 0, 595, 330});
    saveState(c);
    clipRect(c, {0, 0, 595, 330});
    setGraphicsState(c, kAlpha25);
    setFill(c, kSea);
    fillCircle(c, {560, 40}, 150);
    fillCircle(c, {470, -30}, 110);
    restoreState(c);
    setFill(c, kCoral);
    fillRect(c, {50, 268, 110, 274});
    setFill(c, kWhite);
    drawText(c, kSansBold, 60, {48, 196}, "Northshore");
    setFill(c, kSand);
    drawText(c, kSans, 26, {50, 158}, "Coastal Trail Guide");
    flowParagraphs(c, {kSerifItalic, 14, 19, kWhite}, f.italic, {50, 60, 430, 130},
                   {"Ninety miles of cliffs, coves and harbour villages, walked in eight "
                    "easy stages."},
                   0);
    setFill(c, kSand);
    drawText(c, kSans, 9, {50, 40},
             "Maps \xE2\x80\xA2 Stages \xE2\x80\xA2 Facts \xE2\x80\xA2 Practical tips");
    return b;
}

Built contents(Kit& kit) {
    const Fonts& f = kit.fonts;
    Built b;
    Content& c = b.page.content;
    b.page.media = kPage;
    heading(c, 770, "Welcome");
    paragraphs(c, f, {50, 520, 545, 735},
               {"The Northshore Coastal Trail follows the edge of the land from the fishing "
                "harbour at Kelmouth to the lighthouse on Skerry Head. It was pieced together "
                "from old coastguard paths, drovers\xE2\x80\x99 tracks and forgotten lanes, and "
                "it now runs unbroken for ninety miles.",
                "You do not need to be an athlete to walk it. Each of the eight stages ends in "
                "a village with a bed, a hot meal and a bus back to where you started, so you "
                "can walk it all in one go or a day at a time over many summers.",
                "This guide gives you the route at a glance, a map, the facts and figures, and "
                "everything you need to plan your visit."},
               12.5);
    setFill(c, kSand);
    fillRect(c, {40, 130, 555, 495});
    setFill(c, kTeal);
    drawText(c, kSansBold, 16, {60, 463}, "In this guide");
    const std::vector<std::pair<std::string, int>> entries = {
        {"Welcome", 2},
        {"The route at a glance", 3},
        {"Map of the trail", 4},
        {"Cliff walks", 5},
        {"Facts and figures", 6},
        {"Planning your visit", 7},
        {"Contact and tourist information", 8}};
    for (size_t i = 0; i < entries.size(); ++i) {
        const double y = 422 - double(i) * 38;
        const auto& [title, page] = entries[i];
        setFill(c, kInk);
        drawText(c, kSans, 13, {60, y}, title);
        setStroke(c, kGrey, 1);
        setDash(c, 1, 3);
        strokePolyline(c, {{66 + f.sans(title) * 13, y + 2}, {515, y + 2}});
        setDash(c, 1, 0);
        setFill(c, kCoral);
        textRight(c, kSansBold, f.bold, 13, 535, y, std::to_string(page));
        b.links.push_back({{55, y - 10, 540, y + 20}, "", page - 1});
    }
    setFill(c, kCoral);
    fillRect(c, {50, 58, 330, 90});
    setFill(c, kWhite);
    drawText(c, kSansBold, 12, {64, 70}, "Plan your trip at example.com/northshore");
    b.links.push_back({{50, 58, 330, 90}, kSiteUrl});
    footer(c, f, 2);
    return b;
}

void stageTile(Content& c, const Fonts& f, Rect r, int stage, const std::string& route,
               const std::string& miles) {
    setFill(c, stage % 2 == 1 ? kTeal : kSea);
    fillRect(c, r);
    setFill(c, kSand);
    drawText(c, kSansBold, 9, {r.x0 + 10, r.y1 - 18}, "STAGE " + std::to_string(stage));
    setFill(c, kWhite);
    flowParagraphs(c, {kSansBold, 11, 13, kWhite}, f.bold,
                   {r.x0 + 10, r.y0 + 22, r.x1 - 8, r.y1 - 24}, {route}, 0);
    setFill(c, kSand);
    drawText(c, kSans, 9, {r.x0 + 10, r.y0 + 10}, miles);
}

Built route(Kit& kit) {
    const Fonts& f = kit.fonts;
    Built b;
    Content& c = b.page.content;
    b.page.media = kPage;
    heading(c, 770, "The route at a glance");
    // Long paragraphs are split over several literals, one per source line.
    // NOLINTBEGIN(bugprone-suspicious-missing-comma)
    paragraphs(c, f, {50, 300, 290, 735},
               {"The trail begins on the quay at Kelmouth, climbs through beech woods to the "
                "first headland and then keeps the sea on its left for the rest of the way.",
                "The first three stages are gentle: sandy bays, salt marsh and the long "
                "shingle spit at Arnmouth, where terns nest behind the fences each May.",
                "From Porth Carrow the land rises. The cliff stages are the heart of the walk, "
                "with arches, stacks and the great seabird colonies of Black Nab.",
                "The last two stages drop back to the harbours of the north, ending beneath "
                "the white tower of the Skerry Head lighthouse.",
                "Waymarks are white acorns on a blue ground. Where the path splits, the "
                "acorn points the way; where it does not, follow the sea."});
    // NOLINTEND(bugprone-suspicious-missing-comma)
    placePhoto(kit, b.page, 6, {315, 520, 545, 735});
    setFill(c, kGrey);
    drawText(c, kSerifItalic, 9, {315, 506}, "Morning mist over the marshes at Arnmouth");
    setFill(c, kSand);
    fillRect(c, {315, 310, 545, 485});
    setFill(c, kCoral);
    fillRect(c, {315, 310, 321, 485});
    flowParagraphs(c, {kSerifItalic, 16, 21, kTeal}, f.italic, {337, 350, 532, 470},
                   {"\xE2\x80\x9CThe best ninety miles of coast I have ever walked, and I "
                    "never once carried more than a day pack.\xE2\x80\x9D"},
                   0);
    setFill(c, kGrey);
    drawText(c, kSans, 9, {337, 326}, "\xE2\x80\x94 A walker from Leeds, 2025");
    const std::vector<std::pair<std::string, std::string>> stages = {
        {"Kelmouth to Arnmouth", "11 miles"},   {"Arnmouth to Sallow", "10 miles"},
        {"Sallow to Porth Carrow", "12 miles"}, {"Porth Carrow to Black Nab", "13 miles"},
        {"Black Nab to Wick Bay", "11 miles"},  {"Wick Bay to Ormsby", "12 miles"},
        {"Ormsby to Tarn Quay", "10 miles"},    {"Tarn Quay to Skerry Head", "11 miles"}};
    for (size_t i = 0; i < stages.size(); ++i) {
        const double x = 50 + double(i % 4) * 125;
        const double y = i < 4 ? 185 : 75;
        stageTile(c, f, {x, y, x + 120, y + 100}, int(i) + 1, stages[i].first, stages[i].second);
    }
    footer(c, f, 3);
    return b;
}

std::vector<Point> coastline() {
    std::vector<Point> coast;
    for (int step = 0; step <= 95; ++step) {
        const double y = 160 + step * 6;
        coast.push_back(
            {330 + 55 * std::sin(y / 70) + 22 * std::sin(y / 23 + 1) + 8 * std::sin(y / 7), y});
    }
    return coast;
}

void compass(Content& c, Point o) {
    setFill(c, kWhite);
    fillCircle(c, o, 26);
    setFill(c, kTeal);
    fillPolygon(c, {{o.x, o.y + 22}, {o.x + 7, o.y}, {o.x - 7, o.y}});
    setFill(c, kGrey);
    fillPolygon(c, {{o.x, o.y - 22}, {o.x + 7, o.y}, {o.x - 7, o.y}});
    setFill(c, kTeal);
    drawText(c, kSansBold, 9, {o.x - 3, o.y + 30}, "N");
}

void scaleBar(Content& c, Point o) {
    for (int i = 0; i < 4; ++i) {
        setFill(c, i % 2 == 0 ? kInk : kWhite);
        fillRect(c, {o.x + i * 25, o.y, o.x + (i + 1) * 25, o.y + 6});
    }
    setStroke(c, kInk, 0.5);
    strokeRect(c, {o.x, o.y, o.x + 100, o.y + 6});
    setFill(c, kInk);
    drawText(c, kSans, 8, {o.x - 2, o.y - 11}, "0");
    drawText(c, kSans, 8, {o.x + 46, o.y - 11}, "5");
    drawText(c, kSans, 8, {o.x + 92, o.y - 11}, "10 miles");
}

// Sea behind the frame, the land up to the coastline, and farmland a little inland of it.
void landAndSea(Content& c, Rect frame, const std::vector<Point>& coast) {
    setFill(c, kSeaLight);
    fillRect(c, frame);
    std::vector<Point> land = {{40, 140}};
    land.insert(land.end(), coast.begin(), coast.end());
    land.push_back({40, 750});
    setFill(c, kLand);
    fillPolygon(c, land);
    for (Point& p : land) {
        p.x = p.x > 40 ? p.x - 30 : p.x;
    }
    setFill(c, kGreen);
    fillPolygon(c, land);
}

// The dashed trail just inland of the coast, with the numbered stage towns spread along it.
void trailWithTowns(Content& c, const Fonts& f, const std::vector<Point>& coast) {
    std::vector<Point> trail;
    for (size_t i = 0; i < coast.size(); i += 2) {
        trail.push_back({coast[i].x - 14, coast[i].y});
    }
    setStroke(c, kCoral, 2.5);
    setDash(c, 6, 4);
    strokePolyline(c, trail);
    setDash(c, 1, 0);
    const std::vector<std::string> towns = {"Kelmouth",     "Arnmouth",  "Sallow",
                                            "Porth Carrow", "Black Nab", "Wick Bay",
                                            "Ormsby",       "Tarn Quay", "Skerry Head"};
    for (size_t i = 0; i < towns.size(); ++i) {
        const Point p = trail[i * (trail.size() - 1) / (towns.size() - 1)];
        setFill(c, kTeal);
        fillCircle(c, p, 8);
        setFill(c, kWhite);
        textCentred(c, kSansBold, f.bold, 8, p.x, p.y - 3, std::to_string(i + 1));
        setFill(c, kInk);
        textRight(c, kSans, f.sans, 9, p.x - 14, p.y - 3, towns[i]);
    }
}

void mapLegend(Content& c) {
    setStroke(c, kCoral, 2.5);
    setDash(c, 6, 4);
    strokePolyline(c, {{50, 112}, {90, 112}});
    setDash(c, 1, 0);
    setFill(c, kInk);
    drawText(c, kSans, 10, {98, 108}, "Coastal trail");
    setFill(c, kTeal);
    fillCircle(c, {220, 112}, 7);
    setFill(c, kInk);
    drawText(c, kSans, 10, {234, 108}, "Stage start, with bed and bus");
    setFill(c, kGreen);
    fillRect(c, {420, 105, 440, 119});
    setFill(c, kInk);
    drawText(c, kSans, 10, {448, 108}, "Farmland");
}

Built map(Kit& kit) {
    Built b;
    Content& c = b.page.content;
    b.page.media = kPage;
    heading(c, 770, "Map of the trail");
    const Rect frame{50, 150, 545, 740};
    const std::vector<Point> coast = coastline();
    saveState(c);
    clipRect(c, frame);
    landAndSea(c, frame, coast);
    trailWithTowns(c, kit.fonts, coast);
    setFill(c, kSea);
    drawText(c, kSerifItalic, 16, {430, 420}, "North Sea");
    compass(c, {500, 680});
    scaleBar(c, {70, 175});
    restoreState(c);
    setStroke(c, kTeal, 1.5);
    strokeRect(c, frame);
    mapLegend(c);
    footer(c, kit.fonts, 4);
    return b;
}

void factLine(Content& c, double y, const std::string& label, const std::string& value) {
    setFill(c, kSand);
    drawText(c, kSans, 9, {340, y + 14}, label);
    setFill(c, kWhite);
    drawText(c, kSansBold, 13, {340, y}, value);
}

Built cliffs(Kit& kit) {
    const Fonts& f = kit.fonts;
    Built b;
    Content& c = b.page.content;
    b.page.media = kPage;
    placePhoto(kit, b.page, 8, {0, 470, 595, 842});
    translucentBand(c, kAlpha80, kTeal, {0, 470, 595, 545});
    setFill(c, kWhite);
    drawText(c, kSansBold, 30, {50, 496}, "Cliff walks");
    setFill(c, kSand);
    drawText(c, kSans, 11, {250, 498}, "Stages 4 and 5: Porth Carrow to Wick Bay");
    paragraphs(c, f, {50, 70, 300, 440},
               {"Beyond Porth Carrow the path climbs onto the high cliffs and stays there for "
                "two full days. This is the wildest part of the trail and, for many, the best.",
                "Keep to the path: the turf runs right to the edge and the cliffs are "
                "undercut in places. In a strong onshore wind take the inland alternative "
                "marked on the map.",
                "At Black Nab more than twenty thousand pairs of guillemots, razorbills and "
                "kittiwakes crowd the ledges from April to July. Puffins nest in the slope "
                "above the arch; look for them at dusk.",
                "Wick Bay makes a welcome end to the second cliff day: a sheltered beach, "
                "a pub with rooms and a bus back along the coast every hour."});
    setFill(c, kTeal);
    fillRect(c, {320, 70, 545, 440});
    setFill(c, kWhite);
    drawText(c, kSansBold, 15, {340, 410}, "At a glance");
    setFill(c, kCoral);
    fillRect(c, {340, 398, 380, 401});
    factLine(c, 360, "DISTANCE", "24 miles");
    factLine(c, 318, "ASCENT", "1,650 metres");
    factLine(c, 276, "DIFFICULTY", "Moderate to hard");
    factLine(c, 234, "BEST SEASON", "May to September");
    flowParagraphs(c, {kSerifItalic, 10.5, 14, kSand}, f.italic, {340, 90, 530, 200},
                   {"Tell someone your plans, carry water and a waterproof, and check the "
                    "forecast at the harbour office before you set out."},
                   0);
    footer(c, f, 5);
    return b;
}

void statTile(Content& c, const Fonts& f, Rect r, Rgb colour, const std::string& figure,
              const std::string& label) {
    setFill(c, colour);
    fillRect(c, r);
    setFill(c, kWhite);
    textCentred(c, kSansBold, f.bold, 36, (r.x0 + r.x1) / 2, r.y0 + 50, figure);
    textCentred(c, kSans, f.sans, 10, (r.x0 + r.x1) / 2, r.y0 + 22, label);
}

void barChart(Content& c, const Fonts& f, Rect area) {
    const std::vector<int> walkers = {2, 3, 6, 11, 17, 22, 28, 27, 19, 10, 4, 2};
    const char* months = "JFMAMJJASOND";
    const double top = 30;
    setFill(c, kInk);
    drawText(c, kSansBold, 11, {area.x0, area.y1 - 4},
             "Walkers on the trail each month, in thousands");
    const Rect plot{area.x0 + 20, area.y0 + 18, area.x1, area.y1 - 24};
    for (int g = 0; g <= 3; ++g) {
        const double y = plot.y0 + plot.height() * g * 10 / top;
        setStroke(c, kPaleGrey, 0.5);
        strokePolyline(c, {{plot.x0, y}, {plot.x1, y}});
        setFill(c, kGrey);
        textRight(c, kSans, f.sans, 8, plot.x0 - 4, y - 3, std::to_string(g * 10));
    }
    const double slot = plot.width() / double(walkers.size());
    for (size_t i = 0; i < walkers.size(); ++i) {
        const double x = plot.x0 + slot * double(i) + slot * 0.18;
        const double h = plot.height() * walkers[i] / top;
        setFill(c, walkers[i] >= 20 ? kCoral : kSea);
        fillRect(c, {x, plot.y0, x + slot * 0.64, plot.y0 + h});
        setFill(c, kInk);
        textCentred(c, kSans, f.sans, 8, x + slot * 0.32, plot.y0 + h + 4,
                    std::to_string(walkers[i]));
        textCentred(c, kSansBold, f.bold, 8, x + slot * 0.32, area.y0 + 4,
                    std::string(1, months[i]));
    }
}

void stageTable(Content& c, const Fonts& f, Rect area) {
    const std::vector<std::vector<std::string>> rows = {
        {"Stage", "From \xE2\x80\x93 to", "Miles", "Ascent"},
        {"1", "Kelmouth \xE2\x80\x93 Arnmouth", "11", "240 m"},
        {"2", "Arnmouth \xE2\x80\x93 Sallow", "10", "120 m"},
        {"3", "Sallow \xE2\x80\x93 Porth Carrow", "12", "310 m"},
        {"4", "Porth Carrow \xE2\x80\x93 Black Nab", "13", "890 m"},
        {"5", "Black Nab \xE2\x80\x93 Wick Bay", "11", "760 m"},
        {"6", "Wick Bay \xE2\x80\x93 Ormsby", "12", "540 m"},
        {"7", "Ormsby \xE2\x80\x93 Tarn Quay", "10", "280 m"},
        {"8", "Tarn Quay \xE2\x80\x93 Skerry Head", "11", "420 m"}};
    const double rowH = area.height() / double(rows.size());
    const double columns[] = {area.x0 + 10, area.x0 + 70, area.x1 - 120, area.x1 - 12};
    for (size_t r = 0; r < rows.size(); ++r) {
        const double y1 = area.y1 - rowH * double(r);
        setFill(c, r == 0 ? kTeal : r % 2 == 0 ? kSand : kWhite);
        fillRect(c, {area.x0, y1 - rowH, area.x1, y1});
        setFill(c, r == 0 ? kWhite : kInk);
        const std::string_view font = r == 0 ? kSansBold : kSans;
        const WidthOf& w = r == 0 ? f.bold : f.sans;
        const double y = y1 - rowH / 2 - 3.5;
        drawText(c, font, 10, {columns[0], y}, rows[r][0]);
        drawText(c, font, 10, {columns[1], y}, rows[r][1]);
        textRight(c, font, w, 10, columns[2], y, rows[r][2]);
        textRight(c, font, w, 10, columns[3], y, rows[r][3]);
    }
}

Built facts(Kit& kit) {
    const Fonts& f = kit.fonts;
    Built b;
    Content& c = b.page.content;
    b.page.media = kPage;
    heading(c, 770, "Facts and figures");
    statTile(c, f, {50, 610, 205, 720}, kTeal, "90", "miles of coast path");
    statTile(c, f, {220, 610, 375, 720}, kCoral, "8", "stages, village to village");
    statTile(c, f, {390, 610, 545, 720}, kSea, "3,560", "metres of ascent");
    barChart(c, f, {50, 350, 545, 580});
    stageTable(c, f, {50, 70, 545, 320});
    footer(c, f, 6);
    return b;
}

void infoPanel(Content& c, const Fonts& f, Rect r, Rgb colour, const std::string& letter,
               const std::string& title, const std::vector<std::string>& items) {
    setFill(c, rgbFromHex(0xF7F4EC));
    fillRect(c, r);
    setFill(c, colour);
    fillRect(c, {r.x0, r.y1 - 6, r.x1, r.y1});
    fillCircle(c, {r.x0 + 30, r.y1 - 38}, 18);
    setFill(c, kWhite);
    textCentred(c, kSansBold, f.bold, 16, r.x0 + 30, r.y1 - 44, letter);
    setFill(c, kTeal);
    drawText(c, kSansBold, 14, {r.x0 + 56, r.y1 - 43}, title);
    std::vector<std::string> bullets;
    bullets.reserve(items.size());
    for (const std::string& item : items) {
        bullets.push_back("\xE2\x80\xA2 " + item);
    }
    flowParagraphs(c, {kSans, 9.5, 13, kInk}, f.sans, {r.x0 + 12, r.y0 + 10, r.x1 - 10, r.y1 - 70},
                   bullets, 5);
}

Built planning(Kit& kit) {
    const Fonts& f = kit.fonts;
    Built b;
    Content& c = b.page.content;
    b.page.media = kPage;
    heading(c, 770, "Planning your visit");
    infoPanel(c, f, {50, 450, 205, 735}, kSea, "T", "Getting there",
              {"Trains run to Kelmouth from the city every two hours.",
               "The coast bus links every stage village, seven days a week from Easter.",
               "Park at the harbour car park; day tickets cover a week."});
    infoPanel(c, f, {220, 450, 375, 735}, kCoral, "B", "Where to stay",
              {"Inns, guest houses and two hostels in every stage village.",
               "Book ahead in July and August.",
               "Baggage transfer between stages costs a few pounds a bag."});
    infoPanel(c, f, {390, 450, 545, 735}, kTeal, "P", "What to pack",
              {"Walking boots with a good grip for the cliff stages.",
               "A waterproof and a warm layer, even in summer.",
               "Water, sun cream and the tide tables for the beach crossings."});
    const uint32_t seeds[] = {9, 10, 12};
    const char* captions[] = {"Evening at Wick Bay", "Sallow marshes", "The dunes at Ormsby"};
    for (int i = 0; i < 3; ++i) {
        const double x = 50 + i * 170;
        placePhoto(kit, b.page, seeds[i], {x, 120, x + 155, 420});
        setFill(c, kGrey);
        drawText(c, kSerifItalic, 9, {x, 104}, captions[i]);
    }
    footer(c, f, 7);
    return b;
}

Built backCover(Kit& kit) {
    const Fonts& f = kit.fonts;
    Built b;
    Content& c = b.page.content;
    b.page.media = kPage;
    setFill(c, kTeal);
    fillRect(c, kPage);
    saveState(c);
    clipCircle(c, {297.5, 580}, 170);
    placePhoto(kit, b.page, 11, {127.5, 410, 467.5, 750});
    restoreState(c);
    setStroke(c, kSand, 6);
    strokeCircle(c, {297.5, 580}, 170);
    setFill(c, kWhite);
    textCentred(c, kSansBold, f.bold, 36, 297.5, 340, "Northshore");
    setFill(c, kSand);
    textCentred(c, kSans, f.sans, 16, 297.5, 314, "Coastal Trail Guide");
    setFill(c, kWhite);
    textCentred(c, kSerif, f.serif, 11, 297.5, 270,
                "Northshore Visitor Centre, Harbour Street, Kelmouth");
    textCentred(c, kSerif, f.serif, 11, 297.5, 254,
                "Open daily 9:00 \xE2\x80\x93 17:00, April to October");
    setFill(c, kCoral);
    fillRect(c, {172.5, 180, 422.5, 220});
    setFill(c, kWhite);
    textCentred(c, kSansBold, f.bold, 14, 297.5, 195, "example.com/northshore");
    b.links.push_back({{172.5, 180, 422.5, 220}, kSiteUrl});
    setFill(c, kSand);
    textCentred(c, kSans, f.sans, 8, 297.5, 40,
                "Places, people and figures in this guide are fictional, made to show a sample "
                "document.");
    return b;
}

}  // namespace

void writeSample(const std::filesystem::path& dir) {
    PdfDoc pdf = newPdfDoc("Northshore Coastal Trail");
    Kit kit{pdf,
            {widthOf(pdf, kSans), widthOf(pdf, kSansBold), widthOf(pdf, kSerif),
             widthOf(pdf, kSerifItalic)},
            {}};
    std::vector<Built> pages;
    pages.reserve(8);
    for (Built (*make)(Kit&) : {cover, contents, route, map, cliffs, facts, planning, backCover}) {
        pages.push_back(make(kit));
        addPage(pdf, pages.back().page);
    }
    for (size_t i = 0; i < pages.size(); ++i) {
        addLinks(pdf, i, pages[i].links);
    }
    // The contents page's entries as bookmarks, and labels matching the printed page numbers.
    addOutline(pdf, {{"Cover", 0, {}},
                     {"Welcome", 1, {}},
                     {"The route at a glance", 2, {{"Map of the trail", 3, {}}}},
                     {"Cliff walks", 4, {}},
                     {"Facts and figures", 5, {}},
                     {"Planning your visit", 6, {{"Contact and tourist information", 7, {}}}}});
    setPageLabels(pdf, "0 <</P (Cover)>> 1 <</S /D /St 2>> 7 <</P (Back cover)>>");
    savePdf(pdf, dir / "sample.pdf");
}

}  // namespace pdfgen
