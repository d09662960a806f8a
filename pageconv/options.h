// The converter's command line: the info query (-I file.pdf) or a conversion run
// ([switches] file.pdf pattern%.swf).
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pageconv {

struct InfoRequest {
    std::string pdfPath;
};

// How pages are drawn: vectors where SWF draws them the same; text as vectors over one bitmap
// of everything else; or the whole page as one bitmap. A later switch never asks for less
// bitmap than an earlier one.
enum class PageMode { Vectors, TextOverBitmap, Bitmap };

struct ConvertOptions {
    std::string pdfPath;
    std::string outputPattern;  // exactly one "%", replaced by the page number
    std::optional<std::string> pageRange;
    std::optional<std::string> password;
    std::optional<std::string> fontLibrary;  // -L: pages import their fonts from this address
    bool compress = false;
    int jpegQuality = 85;
    int zoomDpi = 72;
    int swfVersion = 10;
    bool links = true;
    PageMode pageMode = PageMode::Vectors;
    bool textAsShapes = false;  // -S
    bool fullFonts = false;     // -f
    bool flattenClips = false;  // -G
};

struct UsageError {
    std::string message;
};

using CommandLine = std::variant<InfoRequest, ConvertOptions, UsageError>;

// `args` excludes the program name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

constexpr int kMinSwfVersion = 6;
constexpr int kMaxSwfVersion = 255;

}  // namespace pageconv
