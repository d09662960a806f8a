// Assembly of a page file's tags. The movie is deliberately plain (one frame, AVM1 buttons) so
// that every player from version 6 on shows it and an AS3 viewer can load it as a child movie.
#include "swf/page_swf.h"

#include "swf/vector_tags.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace pageconv {
namespace {

constexpr uint16_t kBitmapId = 1;
constexpr uint16_t kPageShapeId = 2;
constexpr uint16_t kSheetShapeId = 3;
constexpr uint16_t kFirstLinkId = 4;

constexpr uint16_t kSheetDepth = 1;
constexpr uint16_t kPageDepth = 2;
constexpr uint16_t kFirstLinkDepth = 3;

constexpr uint8_t kClippedSmoothedBitmapFill = 0x41;
constexpr uint8_t kSolidFill = 0x00;

constexpr std::array<uint8_t, 3> kWhite{0xFF, 0xFF, 0xFF};
constexpr std::array<uint8_t, 3> kBlack{0x00, 0x00, 0x00};

Bytes fileAttributes(bool hasMetadata) {
    // UseNetwork, so that links still open when a book is read from local files.
    BitWriter out;
    writeU32(out, (hasMetadata ? 0x10U : 0U) | 0x01U);
    return makeTag(tag::kFileAttributes, out.bytes);
}

Bytes whiteBackground() {
    return makeTag(tag::kSetBackgroundColor, kWhite);
}

// Written in place rather than through makeTag: the JPEG stream is by far the largest part of
// the file and is copied only once on its way into the tags.
void appendBitmapTag(Bytes& tags, const PageImage& image) {
    BitWriter head;
    writeTagHeader(head, tag::kDefineBitsJpeg2, 2 + image.jpeg.size(), true);
    writeU16(head, kBitmapId);
    tags.insert(tags.end(), head.bytes.begin(), head.bytes.end());
    tags.insert(tags.end(), image.jpeg.begin(), image.jpeg.end());
}

// An edge's delta field has at most 17 bits, so sides longer than 3276 pixels take several edges.
constexpr int32_t kMaxEdgeDelta = 65535;

void writeStraightEdge(BitWriter& out, int32_t dx, int32_t dy) {
    const bool vertical = dx == 0;
    int32_t remaining = vertical ? dy : dx;
    while (remaining != 0) {
        const int32_t delta = std::clamp(remaining, -kMaxEdgeDelta, kMaxEdgeDelta);
        const int bits = std::max(signedBitsFor(delta), 2);
        writeBits(out, 0b11, 2);  // edge record, straight
        writeBits(out, bits - 2, 4);
        writeBits(out, 0, 1);  // not a general line
        writeBits(out, vertical ? 1 : 0, 1);
        writeSignedBits(out, delta, bits);
        remaining -= delta;
    }
}

// A rectangle filled with fill style 1 on the right of its clockwise outline.
void writeRectangleOutline(BitWriter& out, const TwipRect& r) {
    writeBits(out, 0, 1);        // style change record
    writeBits(out, 0b00101, 5);  // new fill style 1, move to
    const int moveBits = std::max(signedBitsFor(r.xMin), signedBitsFor(r.yMin));
    writeBits(out, moveBits, 5);
    writeSignedBits(out, r.xMin, moveBits);
    writeSignedBits(out, r.yMin, moveBits);
    writeBits(out, 1, 1);  // fill style 1 (one fill bit)
    writeStraightEdge(out, r.xMax - r.xMin, 0);
    writeStraightEdge(out, 0, r.yMax - r.yMin);
    writeStraightEdge(out, r.xMin - r.xMax, 0);
    writeStraightEdge(out, 0, r.yMin - r.yMax);
    writeBits(out, 0, 6);  // end of shape
    alignToByte(out);
}

Bytes solidFill(std::span<const uint8_t> rgb) {
    BitWriter fill;
    writeU8(fill, kSolidFill);
    writeBytes(fill, rgb);
    return fill.bytes;
}

Bytes rectangleShape(uint16_t id, const TwipRect& bounds, const Bytes& fillStyle) {
    BitWriter out;
    writeU16(out, id);
    writeRect(out, bounds);
    writeU8(out, 1);  // one fill style
    writeBytes(out, fillStyle);
    writeU8(out, 0);       // no line styles
    writeBits(out, 1, 4);  // fill index bits
    writeBits(out, 0, 4);  // line index bits
    writeRectangleOutline(out, bounds);
    return makeTag(tag::kDefineShape, out.bytes);
}

// Where bitmap column (or row) `pixel` of a `pixels`-wide page lands on a stage side of `twips`;
// the page's far edge lands exactly on the stage's.
int32_t stageTwipsAt(int pixel, int pixels, int32_t twips) {
    if (pixel >= pixels) {
        return twips;
    }
    return static_cast<int32_t>(std::lround(static_cast<double>(pixel) * twips / pixels));
}

// The encoded part, scaled as the whole page would be and moved to where it lies in the page.
Bytes pageShapeTag(const PageImage& image, const TwipRect& stage) {
    const PixelBox& part = image.part;
    const TwipRect area{stageTwipsAt(part.left, image.width, stage.xMax),
                        stageTwipsAt(part.left + part.width, image.width, stage.xMax),
                        stageTwipsAt(part.top, image.height, stage.yMax),
                        stageTwipsAt(part.top + part.height, image.height, stage.yMax)};
    BitWriter fill;
    writeU8(fill, kClippedSmoothedBitmapFill);
    writeU16(fill, kBitmapId);
    writeMatrix(fill,
                SwfMatrix{stage.xMax / static_cast<double>(image.width),
                          stage.yMax / static_cast<double>(image.height), area.xMin, area.yMin});
    return rectangleShape(kPageShapeId, area, fill.bytes);
}

// The background colour only shows where nothing else is; a viewer that puts the page over a
// backdrop of its own would show that backdrop around the encoded part without this sheet.
Bytes whiteSheetTag(const TwipRect& stage) {
    return rectangleShape(kSheetShapeId, stage, solidFill(kWhite));
}

TwipRect twipsOf(const Box& box) {
    return TwipRect{toTwips(box.x0), toTwips(box.x1), toTwips(box.y0), toTwips(box.y1)};
}

Bytes hitAreaShape(uint16_t id, const Box& onStage) {
    return rectangleShape(id, twipsOf(onStage), solidFill(kBlack));
}

Bytes getUrlOnRelease(const std::string& url) {
    constexpr std::string_view kTarget = "_blank";
    BitWriter out;
    writeU16(out, 0);     // last (only) condition record
    writeU16(out, 0x08);  // on release inside the button
    writeU8(out, 0x83);   // GetURL
    writeU16(out, static_cast<uint16_t>(url.size() + kTarget.size() + 2));
    writeString(out, url);
    writeString(out, kTarget);
    writeU8(out, 0);  // end of actions
    return out.bytes;
}

// An invisible button: only the hit-test state has a shape, so nothing is drawn over the page.
Bytes urlButtonTag(uint16_t id, uint16_t shapeId, const std::string& url) {
    BitWriter record;
    writeU8(record, 0x08);  // hit-test state only
    writeU16(record, shapeId);
    writeU16(record, 1);  // depth inside the button
    writeMatrix(record, SwfMatrix{});
    writeU8(record, 0);  // colour transform without terms
    writeU8(record, 0);  // end of button records

    BitWriter out;
    writeU16(out, id);
    writeU8(out, 0);  // push button
    writeU16(out, static_cast<uint16_t>(2 + record.bytes.size()));
    writeBytes(out, record.bytes);
    writeBytes(out, getUrlOnRelease(url));
    return makeTag(tag::kDefineButton2, out.bytes);
}

// Buttons take the ids and depths after whatever is drawn under them.
void appendUrlButtons(Bytes& tags, const std::vector<UrlLink>& links, IdsAndDepths first) {
    if (first.id + 2 * links.size() > 0x10000 || first.depth + links.size() > 0x10000) {
        throw std::length_error("the page's links need more ids or depths than SWF has");
    }
    auto id = static_cast<uint16_t>(first.id);
    auto depth = static_cast<uint16_t>(first.depth);
    for (const UrlLink& link : links) {
        append(tags, hitAreaShape(id, link.onStage));
        append(tags, urlButtonTag(id + 1, id, link.url));
        append(tags, placeTag(id + 1, depth));
        id += 2;
        ++depth;
    }
}

// The image keeps the ids and depths it always had, so a page without vectors is written as
// before; the sheet is placed even without an image.
void appendPageImage(Bytes& tags, const std::optional<PageImage>& image, const TwipRect& stage) {
    if (image) {
        appendBitmapTag(tags, *image);
        append(tags, pageShapeTag(*image, stage));
    }
    append(tags, whiteSheetTag(stage));
    append(tags, placeTag(kSheetShapeId, kSheetDepth));
    if (image) {
        append(tags, placeTag(kPageShapeId, kPageDepth));
    }
}

}  // namespace

std::string pageLinksMetadata(const std::vector<PageLink>& links) {
    if (links.empty()) {
        return {};
    }
    std::string text = "<links>";
    for (const PageLink& link : links) {
        text += internalLinkElement(link.targetPage, link.onStage);
    }
    return text + "</links>";
}

Bytes buildPageSwf(const PageSwfInput& page) {
    const TwipRect stage{0, toTwips(page.stageWidth), 0, toTwips(page.stageHeight)};
    const std::string metadata = pageLinksMetadata(page.pageLinks);
    Bytes tags;
    tags.reserve((page.image ? page.image->jpeg.size() : 0) + 1024);
    if (page.version >= 8) {
        append(tags, fileAttributes(!metadata.empty()));
    }
    if (!metadata.empty()) {
        BitWriter text;
        writeString(text, metadata);
        append(tags, makeTag(tag::kMetadata, text.bytes));
    }
    append(tags, whiteBackground());
    appendPageImage(tags, page.image, stage);
    const IdsAndDepths free =
        appendVectorTags(tags, page.vectors, IdsAndDepths{kFirstLinkId, kFirstLinkDepth});
    appendUrlButtons(tags, page.urlLinks, free);
    append(tags, makeTag(tag::kShowFrame, {}));
    append(tags, makeTag(tag::kEnd, {}));
    return makeSwfFile(SwfHeader{page.version, stage}, tags, page.compress);
}

}  // namespace pageconv
