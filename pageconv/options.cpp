// Reading the converter's switches. Every word must be understood: a mistyped word passed through
// by the tool is an error here rather than a silently different book.
#include "options.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "shared/converter_switches.h"
#include "shared/numbers.h"

namespace pageconv {
namespace {

// Beyond any screen or printer; a larger number is a typing mistake, not a resolution.
constexpr int kMaxZoomDpi = 100000;
constexpr size_t kMaxFontLibraryAddress = 2000;

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
    if (value.starts_with(shared::kZoomSetting)) {
        const int zoom =
            shared::leadingInteger(value.substr(std::strlen(shared::kZoomSetting))).value_or(0);
        if (zoom <= 0 || zoom > kMaxZoomDpi) {
            return UsageError{"-s \"" + value +
                              "\": the zoom must be a positive resolution in dpi"};
        }
        options.zoomDpi = zoom;
    } else if (value == shared::kDisableLinksSetting) {
        options.links = false;
    } else if (value == shared::kPoly2BitmapSetting) {
        options.pageMode = std::max(options.pageMode, PageMode::TextOverBitmap);
    } else if (value == shared::kBitmapSetting) {
        options.pageMode = PageMode::Bitmap;
    } else {
        return UsageError{"-s \"" + value +
                          "\": unknown setting (known: zoom=N, disablelinks, poly2bitmap, bitmap)"};
    }
    return std::nullopt;
}

std::optional<UsageError> readPageRange(const std::string& value, ConvertOptions& options) {
    options.pageRange = value;
    return std::nullopt;
}

std::optional<UsageError> readPassword(const std::string& value, ConvertOptions& options) {
    options.password = value;
    return std::nullopt;
}

// The address goes into every page as the player will resolve it; the file itself is written
// beside the pages.
std::optional<UsageError> readFontLibrary(const std::string& value, ConvertOptions& options) {
    const bool printable = std::all_of(value.begin(), value.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    });
    if (value.empty() || !printable || value.size() > kMaxFontLibraryAddress) {
        return UsageError{"-L \"" + value + "\": the font library's address must be 1-" +
                          std::to_string(kMaxFontLibraryAddress) + " printable characters"};
    }
    options.fontLibrary = value;
    return std::nullopt;
}

std::optional<UsageError> setCompress(const std::string& /*value*/, ConvertOptions& options) {
    options.compress = true;
    return std::nullopt;
}

std::optional<UsageError> setTextAsShapes(const std::string& /*value*/, ConvertOptions& options) {
    options.textAsShapes = true;
    return std::nullopt;
}

std::optional<UsageError> setFullFonts(const std::string& /*value*/, ConvertOptions& options) {
    options.fullFonts = true;
    return std::nullopt;
}

std::optional<UsageError> setFlattenClips(const std::string& /*value*/, ConvertOptions& options) {
    options.flattenClips = true;
    return std::nullopt;
}

// Reads a switch's value into the options, or says what is wrong with it; a switch that stands
// alone gets an empty value.
using SwitchReader = std::optional<UsageError> (*)(const std::string& value,
                                                   ConvertOptions& options);

struct SwitchRow {
    const char* name;
    bool takesValue;
    SwitchReader read;
};

// Every switch the converter reads; anything else is an error.
const SwitchRow kSwitches[] = {
    {shared::kPageRangeSwitch, true, readPageRange},
    {shared::kPasswordSwitch, true, readPassword},
    {shared::kFontLibrarySwitch, true, readFontLibrary},
    {shared::kJpegQualitySwitch, true, readJpegQuality},
    {shared::kSwfVersionSwitch, true, readSwfVersion},
    {shared::kSettingSwitch, true, readSetting},
    {shared::kCompressSwitch, false, setCompress},
    {shared::kShapesSwitch, false, setTextAsShapes},
    {shared::kFullFontsSwitch, false, setFullFonts},
    {shared::kFlattenSwitch, false, setFlattenClips},
};

const SwitchRow* findSwitch(const std::string& name) {
    for (const SwitchRow& row : kSwitches) {
        if (name == row.name) {
            return &row;
        }
    }
    return nullptr;
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
        const SwitchRow* row = findSwitch(args[i]);
        std::optional<UsageError> error;
        if (row == nullptr) {
            error = UsageError{"unknown switch \"" + args[i] + "\""};
        } else if (!row->takesValue) {
            error = row->read({}, options);
        } else if (i + 1 < switchEnd) {
            error = row->read(args[i + 1], options);
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
    if (!args.empty() && args[0] == shared::kInfoSwitch) {
        if (args.size() != 2) {
            return UsageError{"usage: swfsdk.dll -I file.pdf"};
        }
        return InfoRequest{args[1]};
    }
    return parseConversion(args);
}

}  // namespace pageconv
