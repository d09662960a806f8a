// The conversion of one page into the contents of its page file.
#pragma once

#include "convert.h"
#include "options.h"
#include "pdf/pdf_pages.h"
#include "swf/page_swf.h"

#include <string>

namespace pageconv {

// What every page of a run shares.
struct PageJob {
    const ConvertOptions& options;
    RunTuning tuning;
};

// MuPDF's store for each worker; half of it may hold images decoded ahead of drawing.
constexpr size_t kStoreBytesPerWorker = 64u << 20;

bool buildPage(PdfSession& session, const PageJob& job, int pageNumber, PageSwfInput& swf,
               std::string& error);

}  // namespace pageconv
