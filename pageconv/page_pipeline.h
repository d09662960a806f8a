// The conversion of one page into the contents of its page file.
#pragma once

#include "book_index.h"
#include "convert.h"
#include "options.h"
#include "pdf/pdf_pages.h"
#include "swf/font_library.h"
#include "swf/page_swf.h"

#include <optional>
#include <string>

namespace pageconv {

// What every page of a run shares.
struct PageJob {
    const ConvertOptions& options;
    RunTuning tuning;
    FontLibrary* fonts = nullptr;  // where the pages' fonts go, when they share one library
};

// MuPDF's store for each worker; half of it may hold images decoded ahead of drawing.
constexpr size_t kStoreBytesPerWorker = 64u << 20;

// Vector tags (DefineShape4 with its winding rule and stroke styles, DefineFont3) came with
// version 8; pages for older players are bitmaps.
constexpr int kMinVectorSwfVersion = 8;

// Bounds on a vector page, past which it is written as a bitmap: the player tessellates every
// edge when it draws a page and again at each zoom step, and each placed object costs it a
// display object, so pages past these turn slowly. Typeset text pages stay far below them
// (a few thousand edges, a few hundred objects).
constexpr size_t kMaxVectorEdges = 250000;
constexpr size_t kMaxVectorObjects = 20000;

// The whole page file and, when `text` is given, the page's words for the book index; or nothing
// and a message naming the page.
std::optional<Bytes> buildPageFile(PdfSession& session, const PageJob& job, int pageNumber,
                                   PageText* text, std::string& error);

}  // namespace pageconv
