// The parallel conversion run. Each worker
// owns a MuPDF context and document of its own, because workers sharing one store through cloned
// contexts serialise on its locks; page files are written as soon as they are ready, so memory
// stays at one page per worker however long the document is.
#include "convert.h"

#include "book_index.h"
#include "page_pipeline.h"
#include "page_range.h"
#include "pdf/book_sources.h"
#include "pdf/page_tags.h"
#include "pdf/page_watchdog.h"
#include "poster.h"
#include "run_limits.h"
#include "shared/book_names.h"
#include "text_version.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <system_error>
#include <thread>

namespace pageconv {

void printError(const std::string& message) {
    std::cerr << "swfsdk.dll: " << message << "\n";
}

RunTuning tuningFromEnvironment() {
    RunTuning tuning;
    tuning.workers =
        static_cast<int>(std::min(positiveFromEnvironment("QUAVELIN_PAGECONV_WORKERS"), 64L));
    if (const long oversample = positiveFromEnvironment("QUAVELIN_PAGECONV_OVERSAMPLE")) {
        tuning.oversample = static_cast<double>(std::min(oversample, 4L));
    }
    const char* progress = std::getenv(shared::kProgressVariable);
    tuning.progress = progress != nullptr && std::string(progress) == "1";
    const char* preload = std::getenv("QUAVELIN_PAGECONV_PRELOAD");
    tuning.preloadJpegs = preload == nullptr || std::string(preload) != "0";
    const char* noIndex = std::getenv("QUAVELIN_PAGECONV_NO_INDEX");
    tuning.index = noIndex == nullptr || std::string(noIndex) != "1";
    const char* rasterShadings = std::getenv("QUAVELIN_PAGECONV_RASTER_SHADINGS");
    tuning.gradients = rasterShadings == nullptr || std::string(rasterShadings) != "1";
    const char* drawBoth = std::getenv("QUAVELIN_PAGECONV_DRAW_BOTH");
    tuning.measurePages = drawBoth == nullptr || std::string(drawBoth) != "1";
    return tuning;
}

std::string pageFileName(const std::string& pattern, int page) {
    std::string name = pattern;
    const auto percent = name.find('%');
    return name.replace(percent, 1, std::to_string(page));
}

double stagePixels(double points, int zoomDpi) {
    return points * zoomDpi / 72.0;
}

namespace {

struct PageOutcome {
    std::atomic<bool> touched{false};       // its file was created by this run, whole or not
    std::atomic<bool> imageTouched{false};  // so was its poster or preview
    bool written = false;
    std::string error;
    PageLimit limit = PageLimit::None;
    PageText text;                      // the page's part of the book index
    std::vector<int> wordTags;          // of a tagged PDF: the structure's tag of each word
    std::vector<std::string> warnings;  // what was left out of the page, one line each
};

// What every worker reads; the outline and labels are read once before the workers start. Only
// `nextIndex`, `stopped` and the outcomes of its own pages are written.
struct ConversionJob {
    PageJob page;
    PageList pages;
    RunLimits limits;
    std::vector<OutlineEntry> outline;  // already numbered by book position
    std::vector<std::string> labels;
    DocumentFacts facts;
    std::vector<PageStructure> structure;  // per PDF page, for a tagged PDF
    std::atomic<size_t> nextIndex{0};
    std::atomic<bool> stopped{false};  // a page hit a limit: the run has failed as a whole
    std::atomic<size_t> finished{0};
    std::vector<PageOutcome> outcomes;
    ReadingDirection direction = ReadingDirection::LeftToRight;
};

// Progress lines for the tool, which shows them on a terminal: one complete line per call, so
// lines from several workers never mix.
void reportProgress(ConversionJob& job) {
    const size_t done = ++job.finished;
    if (job.page.tuning.progress) {
        std::fprintf(stderr, "%s%zu %zu\n", shared::kProgressPrefix, done, job.pages.size());
    }
}

// Past this many failed pages the rest are counted, not listed: a document whose every page
// fails must not bury the user (or the tool reading the output) in lines.
constexpr size_t kMaxErrorLines = 20;

bool writeFileBytes(const std::string& path, const Bytes& bytes, std::string& error) {
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (file.close(), file) {
            return true;
        }
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    error = "cannot write \"" + path + "\"";
    return false;
}

// Quietly, whatever happens: the book is whole without its poster or previews, and what the
// converter prints is the same with or without them.
void writePageImage(PdfSession& session, ConversionJob& job, size_t index) {
    const std::optional<std::string> path = previewPath(job.page.options.outputPattern, index + 1);
    if (!path) {
        return;
    }
    try {
        const std::optional<Bytes> jpeg = posterJpeg(session, job.pages[index]);
        if (jpeg) {
            job.outcomes[index].imageTouched = true;
            std::string ignored;
            writeFileBytes(*path, *jpeg, ignored);
        }
    } catch (const std::exception&) {
        // Out of memory before anything was written: the book goes on without this image.
    }
}

void convertPage(PdfSession& session, ConversionJob& job, size_t index) {
    const int pageNumber = job.pages[index];
    PageOutcome& outcome = job.outcomes[index];
    PageText* text = job.page.tuning.index ? &outcome.text : nullptr;
    const std::optional<Bytes> file =
        buildPageFile(session, job.page, pageNumber, text, outcome.error);
    outcome.warnings = std::move(session.warnings);
    if (!file) {
        outcome.limit = pageLimitHit(session);
        if (outcome.limit != PageLimit::None) {
            outcome.error = pageLimitMessage(outcome.limit, pageNumber, job.limits);
            job.stopped = true;
        }
        return;
    }
    if (text != nullptr && static_cast<size_t>(pageNumber) <= job.structure.size()) {
        try {
            outcome.wordTags = pageWordTags(
                session, pageNumber, job.structure[static_cast<size_t>(pageNumber) - 1], *text);
        } catch (const std::exception&) {
            // Out of memory: the page's words are laid out by their places alone.
        }
    }
    const std::string path = pageFileName(job.page.options.outputPattern, pageNumber);
    outcome.touched = true;
    outcome.written = writeFileBytes(path, *file, outcome.error);
    if (outcome.written) {
        writePageImage(session, job, index);
    }
}

std::unique_ptr<PdfSession> openUnlocked(const ConvertOptions& options, const RunLimits& limits,
                                         std::string& error) {
    auto session = openPdf(options.pdfPath, kStoreBytesPerWorker, error, limits.workerMemoryBytes);
    if (!session) {
        return nullptr;
    }
    switch (unlockPdf(*session, options.password ? &*options.password : nullptr)) {
        case Unlock::Open:
            // Counted only now: an encrypted page tree reads as empty before the password.
            return countPages(*session, options.pdfPath, error) ? std::move(session) : nullptr;
        case Unlock::NeedsPassword:
            error = "\"" + options.pdfPath + "\" is encrypted: give its password with -P";
            return nullptr;
        case Unlock::WrongPassword:
            error = "the password given with -P does not open \"" + options.pdfPath + "\"";
            return nullptr;
    }
    return nullptr;
}

void runWorker(std::unique_ptr<PdfSession> session, ConversionJob& job, PageClock& clock) {
    if (!session) {
        std::string ignored;
        session = openUnlocked(job.page.options, job.limits, ignored);
        if (!session) {
            return;  // the pages this worker would have taken go to the others
        }
    }
    for (size_t index = job.nextIndex++; index < job.pages.size() && !job.stopped;
         index = job.nextIndex++) {
        startPage(*session);
        pageStarted(clock, job.pages[index], &session->cookie);
        try {
            convertPage(*session, job, index);
        } catch (const std::exception& failure) {
            job.outcomes[index].error = failure.what();
        }
        reportProgress(job);
        pageEnded(clock);
    }
}

int workerCount(const RunTuning& tuning, size_t pages) {
    const unsigned hardware = std::max(1U, std::thread::hardware_concurrency());
    const size_t wanted = tuning.workers > 0 ? static_cast<size_t>(tuning.workers) : hardware;
    return static_cast<int>(std::max<size_t>(1, std::min(wanted, pages)));
}

// A run stopped by a limit leaves no page behind, nor its poster or previews: its pages would
// make a book with holes.
void removeTouchedPages(const ConversionJob& job) {
    const std::string& pattern = job.page.options.outputPattern;
    for (size_t i = 0; i < job.pages.size(); ++i) {
        std::error_code ignored;
        if (job.outcomes[i].touched) {
            std::filesystem::remove(pageFileName(pattern, job.pages[i]), ignored);
        }
        const std::optional<std::string> image = previewPath(pattern, i + 1);
        if (job.outcomes[i].imageTouched && image) {
            std::filesystem::remove(*image, ignored);
        }
    }
}

// Prints at most kMaxErrorLines of the messages, then how many more there were; `advice`, when
// there is some, ends the last line, which is the one the tool quotes.
void printBounded(const std::vector<std::string>& messages, const std::string& advice) {
    std::vector<std::string> lines(messages.begin(),
                                   messages.begin() + std::min(messages.size(), kMaxErrorLines));
    if (messages.size() > kMaxErrorLines) {
        lines.push_back("and " + std::to_string(messages.size() - kMaxErrorLines) +
                        " more pages failed");
    }
    if (!lines.empty() && !advice.empty()) {
        lines.back() += "; " + advice;
    }
    for (const std::string& line : lines) {
        printError(line);
    }
}

// The pages this run did write, for a run that failed on others.
PageList writtenPages(const ConversionJob& job) {
    PageList written;
    for (size_t i = 0; i < job.pages.size(); ++i) {
        if (job.outcomes[i].written) {
            written.push_back(job.pages[i]);
        }
    }
    return written;
}

// In page order, so that the output is the same whatever the number of workers; a run that
// succeeds prints them too.
void printWarnings(const ConversionJob& job) {
    size_t printed = 0;
    size_t more = 0;
    for (const PageOutcome& outcome : job.outcomes) {
        for (const std::string& warning : outcome.warnings) {
            if (printed < kMaxErrorLines) {
                printError("warning: " + warning);
                ++printed;
            } else {
                ++more;
            }
        }
    }
    if (more > 0) {
        printError("warning: and " + std::to_string(more) + " more");
    }
}

// Every page must have been written; a page no worker reached is an error too, unless a limit
// stopped the run, when only the pages that hit a limit are named.
int reportOutcomes(const ConversionJob& job) {
    printWarnings(job);
    std::vector<std::string> messages;
    for (size_t i = 0; i < job.pages.size(); ++i) {
        const PageOutcome& outcome = job.outcomes[i];
        if (job.stopped ? outcome.limit != PageLimit::None : !outcome.written) {
            messages.push_back(outcome.error.empty()
                                   ? "page " + std::to_string(job.pages[i]) + " was not converted"
                                   : outcome.error);
        }
    }
    if (job.stopped) {
        removeTouchedPages(job);
    }
    // A stopped run names its page and the advice to leave it out; any other failed run says
    // which pages do convert, so the user can make the book without the broken ones.
    printBounded(messages, job.stopped ? std::string() : convertibleAdvice(writtenPages(job)));
    return messages.empty() ? 0 : 1;
}

// A page that ignores its abort is stuck inside one MuPDF call: the process ends from here,
// after the same line and clean-up as a page stopped in time.
void endStuckRun(const ConversionJob& job, int page) {
    printError(pageLimitMessage(PageLimit::Time, page, job.limits));
    removeTouchedPages(job);
    std::cerr.flush();
    std::_Exit(1);
}

std::filesystem::path outputFolder(const std::string& pattern) {
    const std::filesystem::path folder = std::filesystem::path(pattern).parent_path();
    return folder.empty() ? "." : folder;
}

bool outputFolderExists(const std::string& pattern) {
    std::error_code ignored;
    return std::filesystem::is_directory(outputFolder(pattern), ignored);
}

void readDocumentIndex(PdfSession& session, ConversionJob& job) {
    job.outline = documentOutline(session);
    mapOutlineToBook(job.outline, job.pages);
    job.labels = labelsOfPages(documentLabelRanges(session), job.pages);
    job.direction = documentDirection(session);
    job.facts = documentFacts(session);
    job.structure = documentStructure(session);
    if (job.facts.title.empty()) {
        job.facts.title = titleFromPath(job.page.options.pdfPath);
    }
}

bool writeTextFile(const std::filesystem::path& path, const std::string& text) {
    std::string error;
    if (!writeFileBytes(path.string(), Bytes(text.begin(), text.end()), error)) {
        printError(error);
        return false;
    }
    return true;
}

// Beside the index; the tool puts it beside index.html, whose links it follows.
bool writeTextVersion(const ConversionJob& job, const BookIndex& index) {
    TextVersionFacts facts;
    facts.title = index.title;
    facts.language = index.language;
    facts.description = job.facts.subject;
    if (!job.structure.empty()) {
        for (size_t i = 0; i < job.pages.size(); ++i) {
            const PageStructure& page = job.structure[static_cast<size_t>(job.pages[i]) - 1];
            facts.tags.push_back(PageTags{page.tags, job.outcomes[i].wordTags});
        }
    }
    std::error_code ignored;
    facts.poster =
        std::filesystem::is_regular_file(posterPath(job.page.options.outputPattern), ignored);
    const std::filesystem::path folder = outputFolder(job.page.options.outputPattern);
    return writeTextFile(folder / shared::kTextVersionFile, textVersionHtml(facts, index));
}

// Written once every page is, by this thread alone and in page order: the same document and
// options give the same bytes whatever the number of workers.
int writeBookIndex(ConversionJob& job) {
    BookIndex index{
        std::move(job.labels), std::move(job.outline), {}, job.facts.title, job.facts.language};
    index.direction = job.direction;
    index.text.reserve(job.outcomes.size());
    for (PageOutcome& outcome : job.outcomes) {
        index.text.push_back(std::move(outcome.text));
    }
    const std::filesystem::path folder = outputFolder(job.page.options.outputPattern);
    const bool written = writeTextFile(folder / shared::kBookIndexFile, bookIndexJson(index)) &&
                         writeTextVersion(job, index);
    return written ? 0 : 1;
}

// After every page, so that the file holds the glyphs of all of them; a run without one page
// importing a font writes none.
int writeFontLibrary(ConversionJob& job) {
    if (job.page.fonts == nullptr) {
        return 0;
    }
    const ConvertOptions& options = job.page.options;
    const std::optional<Bytes> file = fontLibraryFile(
        *job.page.fonts, static_cast<uint8_t>(options.swfVersion), options.compress);
    if (!file) {
        return 0;
    }
    const std::filesystem::path path =
        outputFolder(options.outputPattern) / shared::kFontLibraryFile;
    std::string error;
    if (!writeFileBytes(path.string(), *file, error)) {
        printError(error);
        return 1;
    }
    return 0;
}

}  // namespace

int runConversion(const ConvertOptions& options) {
    if (!outputFolderExists(options.outputPattern)) {
        printError("the folder of output pattern \"" + options.outputPattern + "\" does not exist");
        return 1;
    }
    std::string error;
    const RunLimits limits = limitsFromEnvironment();
    auto first = openUnlocked(options, limits, error);
    if (!first) {
        printError(error);
        return 1;
    }
    auto pages = options.pageRange ? parsePageRange(*options.pageRange, first->pageCount)
                                   : std::variant<PageList, RangeError>(allPages(first->pageCount));
    if (const auto* rangeError = std::get_if<RangeError>(&pages)) {
        printError(rangeError->message);
        return 1;
    }
    ConversionJob job{{options, tuningFromEnvironment()},
                      std::get<PageList>(std::move(pages)),
                      limits,
                      {},
                      {},
                      {},
                      {},
                      {}};
    job.outcomes = std::vector<PageOutcome>(job.pages.size());
    FontLibrary fonts;
    if (options.fontLibrary) {
        fonts.address = *options.fontLibrary;
        job.page.fonts = &fonts;
    }
    if (job.page.tuning.index) {
        readDocumentIndex(*first, job);
    }
    const int workers = workerCount(job.page.tuning, job.pages.size());
    {
        PageWatchdog watchdog(static_cast<size_t>(workers), limits.pageSeconds,
                              [&job](int page) { endStuckRun(job, page); });
        std::vector<std::thread> helpers;
        try {
            for (int i = 1; i < workers; ++i) {
                helpers.emplace_back(runWorker, nullptr, std::ref(job),
                                     std::ref(watchdog.clocks[static_cast<size_t>(i)]));
            }
        } catch (const std::system_error&) {
            // Fewer threads than hoped for: the workers that did start share all pages.
        }
        runWorker(std::move(first), job, watchdog.clocks[0]);
        for (std::thread& helper : helpers) {
            helper.join();
        }
    }
    int status = reportOutcomes(job);
    status = status == 0 ? writeFontLibrary(job) : status;
    return status == 0 && job.page.tuning.index ? writeBookIndex(job) : status;
}

}  // namespace pageconv
