// The info query: the displayed size of every page, one line a page.
#include "convert.h"

#include "page_pipeline.h"

#include <array>
#include <cstdio>

namespace pageconv {

int runInfoQuery(const InfoRequest& request) {
    std::string error;
    auto session = openPdf(request.pdfPath, kStoreBytesPerWorker, error,
                           limitsFromEnvironment().workerMemoryBytes);
    if (!session || !countPages(*session, request.pdfPath, error)) {
        printError(error);
        return 1;
    }
    std::string lines;
    for (int page = 1; page <= session->pageCount; ++page) {
        const PagePtr loaded = loadPage(*session, page, error);
        Box bounds;
        if (!loaded || !pageBounds(*session, loaded.get(), bounds, error)) {
            std::fwrite(lines.data(), 1, lines.size(), stdout);
            printError(error);
            return 1;
        }
        std::array<char, 96> line{};
        std::snprintf(line.data(), line.size(), "page=%d width=%.2f height=%.2f\n", page,
                      bounds.x1 - bounds.x0, bounds.y1 - bounds.y0);
        lines += line.data();
    }
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    return 0;
}

}  // namespace pageconv
