// The watchdog thread: it sets a page's abort flag once the page has run past its budget, and
// hands the page to the overrun handler when the flag has not stopped it within a grace period.
#include "pdf/page_watchdog.h"

#include <algorithm>
#include <chrono>

namespace pageconv {
namespace {

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Long enough for MuPDF to unwind from an abort, short against the budget itself.
double graceSeconds(double budgetSeconds) {
    return std::clamp(budgetSeconds / 10, 1.0, 5.0);
}

// Often enough to stop a page within a tenth of its budget, seldom enough to cost nothing.
std::chrono::milliseconds tick(double budgetSeconds) {
    return std::chrono::milliseconds(
        std::clamp(static_cast<int64_t>(budgetSeconds * 100), int64_t{10}, int64_t{500}));
}

// The page that ran past budget and grace, or 0.
int checkClocks(PageWatchdog& watchdog) {
    const int64_t budgetMs = static_cast<int64_t>(watchdog.budgetSeconds * 1000);
    const int64_t graceMs = static_cast<int64_t>(graceSeconds(watchdog.budgetSeconds) * 1000);
    const int64_t now = nowMs();
    for (PageClock& clock : watchdog.clocks) {
        const int page = clock.page.load();
        const int64_t started = clock.startedMs.load();
        const int64_t elapsed = now - started;
        if (page == 0 || elapsed <= budgetMs) {
            continue;
        }
        if (fz_cookie* cookie = clock.cookie.load()) {
            cookie->abort = 1;
            // The page may have ended meanwhile and its worker begun the next one, whose cookie
            // is the same; the worker clears `page` before it resets the cookie, so a change
            // seen here means the abort landed on the wrong page or on none.
            if (clock.page.load() != page || clock.startedMs.load() != started) {
                cookie->abort = 0;
                continue;
            }
        }
        if (elapsed > budgetMs + graceMs) {
            return page;
        }
    }
    return 0;
}

void watch(PageWatchdog& watchdog) {
    std::unique_lock lock(watchdog.mutex);
    while (!watchdog.wake.wait_for(lock, tick(watchdog.budgetSeconds),
                                   [&] { return watchdog.stopping; })) {
        if (const int page = checkClocks(watchdog); page != 0) {
            watchdog.onOverrun(page);
        }
    }
}

}  // namespace

PageWatchdog::PageWatchdog(size_t workers, double budget, OverrunHandler handler)
    : clocks(workers), budgetSeconds(budget), onOverrun(std::move(handler)) {
    thread = std::thread(watch, std::ref(*this));
}

PageWatchdog::~PageWatchdog() {
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void pageStarted(PageClock& clock, int page, fz_cookie* cookie) {
    clock.page = 0;
    clock.cookie = cookie;
    clock.startedMs = nowMs();
    clock.page = page;
}

void pageEnded(PageClock& clock) {
    clock.page = 0;
}

}  // namespace pageconv
