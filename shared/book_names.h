// The names the tool, the page converter and the viewer share: the files of a book, the page
// list's elements and attributes, and the converter's progress line. The viewer spells them in
// Haxe and in index.html.in; the test shared_viewer_names holds those copies to this file.
#pragma once

namespace shared {

// The book's folder: index.html, the text version and the data folder beside it.
inline constexpr char kDataFolder[] = "data";
inline constexpr char kTextVersionFile[] = "text.html";  // beside index.html

// Files in data. The converter writes the index, the poster and the text version beside its
// pages; the tool writes the page list and the copy of the PDF.
inline constexpr char kPageListFile[] = "pages.xml";
inline constexpr char kBookIndexFile[] = "book.json";
inline constexpr char kPosterFile[] = "poster.jpg";
inline constexpr char kBookPdfFile[] = "book.pdf";  // with -download
// The fonts the pages import, written once for the whole book (given -L).
inline constexpr char kFontLibraryFile[] = "fonts.swf";
// Previews of the book's pages 2 to kPreviewPages, for index.html to turn before the player has
// started: "preview2.jpg" and on.
inline constexpr int kPreviewPages = 5;
inline constexpr char kPreviewFilePrefix[] = "preview";
inline constexpr char kPreviewFileSuffix[] = ".jpg";

// Files of a book beside its pages that are never pages and never carried over from an earlier
// book into a new one. A new file the converter or the tool puts into data belongs here.
inline constexpr const char* kBookFiles[] = {kBookIndexFile, kPosterFile,     "preview2.jpg",
                                             "preview3.jpg", "preview4.jpg",  "preview5.jpg",
                                             kBookPdfFile,   kFontLibraryFile};

// A page file in data: the prefix, the page number zero-filled to kPageNumberDigits (longer
// numbers kept whole) and the suffix: test0001.swf.
inline constexpr char kPageFilePrefix[] = "test";
inline constexpr char kPageFileSuffix[] = ".swf";
inline constexpr int kPageNumberDigits = 4;
// The pattern the tool gives the converter: "%" becomes the page number without zeros.
inline constexpr char kConverterPagePattern[] = "test%.swf";

// The page list: <content ATTRIBUTES> holding one <page src='data/test0001.swf' label='i'/> per
// page.
inline constexpr char kContentElement[] = "content";
inline constexpr char kPageElement[] = "page";
inline constexpr char kWidthAttribute[] = "width";
inline constexpr char kHeightAttribute[] = "height";
inline constexpr char kButtonColorAttribute[] = "buttoncolor";
inline constexpr char kPanelColorAttribute[] = "panelcolor";
inline constexpr char kTextColorAttribute[] = "textcolor";
inline constexpr char kBackgroundColorAttribute[] = "backgroundcolor";
inline constexpr char kHardCoverAttribute[] = "hcover";
inline constexpr char kGotoLabelAttribute[] = "gotolabel";
inline constexpr char kDirectionAttribute[] = "direction";
inline constexpr char kDownloadAttribute[] = "download";
inline constexpr char kPlayerAttribute[] = "player";  // with -player: the shared player folder
inline constexpr char kIndexAttribute[] = "index";
inline constexpr char kContentsAttribute[] = "contents";
inline constexpr char kSearchAttribute[] = "search";
inline constexpr char kTitleAttribute[] = "title";
inline constexpr char kLanguageAttribute[] = "lang";
inline constexpr char kTextVersionAttribute[] = "text";
inline constexpr char kSourceAttribute[] = "src";   // of a page
inline constexpr char kLabelAttribute[] = "label";  // of a page

// With this variable set to "1" the converter writes a progress line on standard error after
// each page: the prefix, then the pages finished and the pages in the run, "swfsdk.dll progress
// 3 20". The prefix ends with its separator, so that a line starting with it is a progress line.
inline constexpr char kProgressVariable[] = "QUAVELIN_PAGECONV_PROGRESS";
inline constexpr char kProgressPrefix[] = "swfsdk.dll progress ";

}  // namespace shared
