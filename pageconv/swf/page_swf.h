// One page file: a white sheet over the stage, the inked part of the rendered page as a bitmap fill
// on it, the page's vectors over that, URL buttons on top, and the record of links to other pages
// for the viewer.
#pragma once

#include "link_geometry.h"
#include "swf/blank_margins.h"
#include "swf/swf_writer.h"
#include "swf/vector_page.h"

#include <optional>

#include <string>
#include <vector>

namespace pageconv {

struct UrlLink {
    Box onStage;  // stage pixels
    std::string url;
};

struct PageLink {
    Box onStage;         // stage pixels
    int targetPage = 0;  // 1-based
};

struct PageImage {
    Bytes jpeg;
    int width = 0;  // pixels of the whole rendered page, not of the stage
    int height = 0;
    PixelBox part;  // where the JPEG's pixels lie in the rendered page; the rest is white
};

struct PageSwfInput {
    uint8_t version = 10;
    bool compress = false;
    double stageWidth = 0;  // pixels
    double stageHeight = 0;
    std::optional<PageImage> image;
    VectorPage vectors;  // drawn over the image
    std::vector<UrlLink> urlLinks;
    std::vector<PageLink> pageLinks;
};

// The text of the Metadata tag, empty when there are no links to pages.
std::string pageLinksMetadata(const std::vector<PageLink>& links);

// Throws std::length_error when the vectors and links need more ids or depths than SWF has (see
// the bounds below, which a caller checks against vectorStats first).
Bytes buildPageSwf(const PageSwfInput& page);

// The URL a button may carry: GetURL's record length is 16 bits, and browsers cut far earlier.
constexpr size_t kMaxUrlBytes = 8000;
// Character ids and depths are 16 bits and each button uses two ids; page links are capped
// alike so that a hostile page cannot bloat its file without end.
constexpr size_t kMaxLinksPerPage = 10000;
// What is left of the 16-bit ids and depths for a page's vectors once the sheet, the image and
// the most links a page may have are counted.
constexpr size_t kMaxVectorCharacters = 0xFFFF - 3 - 2 * kMaxLinksPerPage;
constexpr size_t kMaxVectorPlacedObjects = 0xFFFF - 2 - kMaxLinksPerPage;

}  // namespace pageconv
