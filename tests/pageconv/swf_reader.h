// A small independent SWF reader for the tests: header, stage, tags, and the few records the
// page files carry (shape bounds, bitmap fill matrix, button URLs, metadata text).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace swftest {

using Bytes = std::vector<uint8_t>;

struct Tag {
    int code = 0;
    bool longHeader = false;
    Bytes body;
};

struct Movie {
    std::string signature;  // "FWS" or "CWS"
    int version = 0;
    uint32_t declaredLength = 0;
    uint32_t actualLength = 0;        // after decompression
    int32_t stage[4] = {0, 0, 0, 0};  // xMin, xMax, yMin, yMax in twips
    int frameCount = 0;
    std::vector<Tag> tags;
};

// Throws std::runtime_error when the bytes are not a well-formed SWF ending in an End tag.
Movie readMovie(const Bytes& file);
Movie readMovieFile(const std::string& path);
Bytes readFileBytes(const std::string& path);

struct ShapeInfo {
    int id = 0;
    int32_t bounds[4] = {0, 0, 0, 0};
    int fillType = 0;
    int bitmapId = 0;
    double scaleX = 1;  // of the bitmap fill matrix
    double scaleY = 1;
    int32_t translateX = 0;  // twips
    int32_t translateY = 0;
    uint32_t solidRgb = 0;  // of a solid fill
};
ShapeInfo readShape(const Tag& tag);

// The URL and window target of a DefineButton2's GetURL action.
std::optional<std::pair<std::string, std::string>> buttonUrl(const Tag& tag);

std::vector<const Tag*> tagsWithCode(const Movie& movie, int code);

}  // namespace swftest
