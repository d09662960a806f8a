// The watch over the time each page takes. MuPDF checks its cookie between drawing operations, so
// an abort stops nearly every page; a single operation that never returns (a tiling pattern of
// billions of cells is painted inside one call) is ended by the overrun handler instead.
#pragma once

#include <mupdf/fitz.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pageconv {

// One worker's page in hand, as the watchdog sees it.
struct PageClock {
    std::atomic<int> page{0};  // 0 between pages
    std::atomic<int64_t> startedMs{0};
    std::atomic<fz_cookie*> cookie{nullptr};
};

// Called on the watchdog's thread with the page that ran past its budget and its grace; it must
// end the process.
using OverrunHandler = std::function<void(int page)>;

// Watches one clock per worker from a thread of its own, from construction to destruction.
struct PageWatchdog {
    PageWatchdog(size_t workers, double budgetSeconds, OverrunHandler onOverrun);
    ~PageWatchdog();
    PageWatchdog(const PageWatchdog&) = delete;
    PageWatchdog& operator=(const PageWatchdog&) = delete;

    std::vector<PageClock> clocks;
    double budgetSeconds = 0;
    OverrunHandler onOverrun;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;
};

// A worker calls these around each page, after `startPage` has reset the cookie and after
// `pageEnded` of the page before.
void pageStarted(PageClock& clock, int page, fz_cookie* cookie);
void pageEnded(PageClock& clock);

}  // namespace pageconv
