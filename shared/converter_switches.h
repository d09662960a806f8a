// The page converter's command line, as the tool writes it and the converter reads it:
//   swfsdk.dll -I book.pdf                         one line per page, page=N width=W height=H
//   swfsdk.dll [switches] book.pdf out/test%.swf   one page file per page
// A switch the converter learns is named here, read in pageconv/options.cpp (kSwitches) and,
// when the tool offers it, given an option row in src/app/option_table.cpp.
#pragma once

namespace shared {

inline constexpr char kInfoSwitch[] = "-I";

// Switches followed by a value.
inline constexpr char kPageRangeSwitch[] = "-p";  // 1-20, 1,4,6,9-11
inline constexpr char kPasswordSwitch[] = "-P";   // the user or owner password
// The address the pages import their fonts from (data/fonts.swf: the player resolves it against
// the page that shows the book); the library is written beside the pages as kFontLibraryFile.
inline constexpr char kFontLibrarySwitch[] = "-L";
inline constexpr char kJpegQualitySwitch[] = "-j";  // 0 to 100
inline constexpr char kSwfVersionSwitch[] = "-T";   // 6 and up
inline constexpr char kSettingSwitch[] = "-s";      // one of the settings below

// Switches standing alone.
inline constexpr char kCompressSwitch[] = "-z";
inline constexpr char kShapesSwitch[] = "-S";
inline constexpr char kFullFontsSwitch[] = "-f";
inline constexpr char kFlattenSwitch[] = "-G";

// The settings after -s.
inline constexpr char kZoomSetting[] = "zoom=";  // followed by the resolution in dpi
inline constexpr char kDisableLinksSetting[] = "disablelinks";
inline constexpr char kPoly2BitmapSetting[] = "poly2bitmap";
inline constexpr char kBitmapSetting[] = "bitmap";

}  // namespace shared
