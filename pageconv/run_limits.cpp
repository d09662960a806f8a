// The run's bounds, read once at start, and the words that name them to the user.
#include "run_limits.h"

#include "shared/numbers.h"

#include <cstdlib>

namespace pageconv {
namespace {

std::string wholeNumber(double value) {
    return std::to_string(static_cast<long long>(value));
}

}  // namespace

long positiveFromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    const long value = text == nullptr ? 0 : shared::leadingInteger(text).value_or(0);
    return value > 0 ? value : 0;
}

RunLimits limitsFromEnvironment() {
    RunLimits limits;
    if (const long seconds = positiveFromEnvironment("QUAVELIN_PAGECONV_PAGE_SECONDS")) {
        limits.pageSeconds = static_cast<double>(seconds);
    }
    if (const long megabytes = positiveFromEnvironment("QUAVELIN_PAGECONV_WORKER_MEGABYTES")) {
        limits.workerMemoryBytes = static_cast<size_t>(megabytes) << 20;
    }
    return limits;
}

std::string pageLimitMessage(PageLimit limit, int pageNumber, const RunLimits& limits) {
    const std::string page = "page " + std::to_string(pageNumber);
    const std::string advice = "; -pagerange can leave it out";
    if (limit == PageLimit::Time) {
        return page + " took longer than " + wholeNumber(limits.pageSeconds) +
               " s to draw (the time limit for one page)" + advice;
    }
    return page + " needed more than " + wholeNumber(limits.workerMemoryBytes >> 20) +
           " MB to draw (the memory limit for one page)" + advice;
}

}  // namespace pageconv
