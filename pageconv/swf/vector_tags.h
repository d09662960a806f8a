// The tags of a vector page: shapes, fonts, texts and bitmaps defined and placed in drawing
// order, clip layers as masks over the depths of their content.
#pragma once

#include "swf/vector_page.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pageconv {

// What a page's vectors cost in the file's 16-bit id and depth spaces, and in edges.
struct VectorStats {
    size_t edges = 0;          // of shapes, and of each font glyph once
    size_t placedObjects = 0;  // depths used
    size_t characters = 0;     // ids used
};
VectorStats vectorStats(const VectorPage& page);

// The next character id and depth free for use.
struct IdsAndDepths {
    uint32_t id = 1;
    uint32_t depth = 1;
};

// Defines and places the page's content starting at `first`, returns what is free after it.
// Throws std::length_error when the ids or depths run past 16 bits, and
// std::invalid_argument when an item names a font, glyph or bitmap the page lacks or a bitmap's
// pixels do not match its size; nothing is appended then.
IdsAndDepths appendVectorTags(Bytes& tags, const VectorPage& page, IdsAndDepths first);

// A font's character id and the name it is exported and imported by.
struct ExportedFont {
    uint16_t id = 0;
    std::string name;
};

// DefineFont3 of a font with every glyph it holds; for the book's font library.
Bytes fontTag(uint16_t id, const SwfFont& font);
// ExportAssets naming the fonts a library gives away.
Bytes exportAssets(const std::vector<ExportedFont>& fonts);

// Coordinates of outlines are held to what a shape's move-to field can reach (31 bits).
constexpr int32_t kFarthestShapeTwip = (1 << 30) - 1;

}  // namespace pageconv
