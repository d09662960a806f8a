// The bounds on the work one document may cause. A crafted file of a few hundred bytes can ask
// for endless drawing, unbounded memory or millions of pages; each bound turns that into one
// failed page or one refused document, named in one line.
#pragma once

#include <cstddef>
#include <string>

namespace pageconv {

// Far above any book a reader turns through, far below what would exhaust memory or the disk.
constexpr int kMaxPageCount = 100000;
// Real pages draw in milliseconds; a minute is left for the slowest honest page on a slow machine.
constexpr double kPageTimeBudgetSeconds = 60;
// What one worker's MuPDF may hold at once: pages, fonts, images and its store together.
constexpr size_t kWorkerMemoryBudget = size_t{1} << 30;

// The bounds of this run: the values above unless tests or measurements set others through
// QUAVELIN_PAGECONV_PAGE_SECONDS and QUAVELIN_PAGECONV_WORKER_MEGABYTES.
struct RunLimits {
    double pageSeconds = kPageTimeBudgetSeconds;
    size_t workerMemoryBytes = kWorkerMemoryBudget;
};
RunLimits limitsFromEnvironment();

// An environment variable holding a positive whole number, or 0.
long positiveFromEnvironment(const char* name);

enum class PageLimit { None, Time, Memory };

// The one line for a page stopped by a limit.
std::string pageLimitMessage(PageLimit limit, int pageNumber, const RunLimits& limits);

}  // namespace pageconv
