// Reading the converter's switches. Every word must be understood: a mistyped word passed through
// by the tool is an error here rather than a silently different book.
#include "options.h"

#include <algorithm>
#include <charconv>

#include "shared/numbers.h"

namespace pageconv {
namespace {

std::optional<int> strictInteger(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<UsageError> readJpegQuality(const std::string& value, ConvertOptions& options) {
    const auto quality = strictInteger(value);
    if (!quality || *quality < 0 || *quality > 100) {
        return UsageError{"-j \"" + value + "\": the JPEG quality must be a whole number 0-100"};
    }
    options.jpegQuality = *quality;
    return std::nullopt;
}

std::optional<UsageError> readSwfVersion(const std::string& value, ConvertOptions& options) {
    const auto version = strictInteger(value);
    if (!version || *version < kMinSwfVersion || *version > kMaxSwfVersion) {
        return UsageError{"-T \"" + value + "\": the SWF version must be a whole number " +
                          std::to_string(kMinSwfVersion) + "-" + std::to_string(kMaxSwfVersion)};
    }
    options.swfVersion = *version;
    return std::nullopt;
}

std::optional<UsageError> readSetting(const std::string& value, ConvertOptions& options) {
    if (value.starts_with("zoom=")) {
        const int zoom = shared::leadingInteger(value.substr(5)).value_or(0);
        if (zoom <= 0 || zoom > 100000) {
            return UsageError{"-s \"" + value +
                              "\": the zoom must be a positive resolution in dpi"};
        }
        options.zoomDpi = zoom;
    } else if (value == "disablelinks") {
        options.links = false;
    } else if (value == "poly2bitmap") {
        options.pageMode = std::max(options.pageMode, PageMode::TextOverBitmap);
    } else if (value == "bitmap") {
        options.pageMode = PageMode::Bitmap;
    } else {
        return UsageError{"-s \"" + value +
                          "\": unknown setting (known: zoom=N, disablelinks, poly2bitmap, bitmap)"};
    }
    return std::nullopt;
}

bool takesValue(const std::string& name) {
    return name == "-p" || name == "-P" || name == "-j" || name == "-s" || name == "-T";
}

std::optional<UsageError> applyValueSwitch(const std::string& name, const std::string& value,
                                           ConvertOptions& options) {
    if (name == "-p") {
        options.pageRange = value;
    } else if (name == "-P") {
        options.password = value;
    } else if (name == "-j") {
        return readJpegQuality(value, options);
    } else if (name == "-T") {
        return readSwfVersion(value, options);
    } else {
        return readSetting(value, options);
    }
    return std::nullopt;
}

std::optional<UsageError> applyFlag(const std::string& name, ConvertOptions& options) {
    if (name == "-z") {
        options.compress = true;
    } else if (name == "-S") {
        options.textAsShapes = true;
    } else if (name == "-f") {
        options.fullFonts = true;
    } else if (name == "-G") {
        options.flattenClips = true;
    } else {
        return UsageError{"unknown switch \"" + name + "\""};
    }
    return std::nullopt;
}

CommandLine parseConversion(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return UsageError{
            "usage: swfsdk.dll -I file.pdf | swfsdk.dll [switches] file.pdf out%.swf"};
    }
    ConvertOptions options;
    options.pdfPath = args[args.size() - 2];
    options.outputPattern = args.back();
    const size_t switchEnd = args.size() - 2;
    for (size_t i = 0; i < switchEnd; ++i) {
        std::optional<UsageError> error;
        if (!takesValue(args[i])) {
            error = applyFlag(args[i], options);
        } else if (i + 1 < switchEnd) {
            error = applyValueSwitch(args[i], args[i + 1], options);
            ++i;
        } else {
            error = UsageError{args[i] + " needs a value"};
        }
        if (error) {
            return *error;
        }
    }
    if (std::count(options.outputPattern.begin(), options.outputPattern.end(), '%') != 1) {
        return UsageError{"output pattern \"" + options.outputPattern +
                          "\" must hold exactly one % for the page number"};
    }
    // A % in a folder name would spread the pages over folders nobody asked for.
    if (options.outputPattern.find('/', options.outputPattern.find('%')) != std::string::npos) {
        return UsageError{"output pattern \"" + options.outputPattern +
                          "\" must have its % in the file name, not in a folder"};
    }
    return options;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "-I") {
        if (args.size() != 2) {
            return UsageError{"usage: swfsdk.dll -I file.pdf"};
        }
        return InfoRequest{args[1]};
    }
    return parseConversion(args);
}

}  // namespace pageconv
