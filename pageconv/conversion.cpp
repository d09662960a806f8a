// The parallel conversion run. Each worker
// owns a MuPDF context and document of its own, because workers sharing one store through cloned
// contexts serialise on its locks; page files are written as soon as they are ready, so memory
// stays at one page per worker however long the document is.
#include "convert.h"

#include "page_pipeline.h"
#include "page_range.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>
#include <thread>

namespace pageconv {

void printError(const std::string& message) {
    std::cerr << "swfsdk.dll: " << message << "\n";
}

namespace {

// Reads an environment variable holding a positive whole number, or 0.
long positiveFromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    const long value = text == nullptr ? 0 : leadingInteger(text);
    return value > 0 ? value : 0;
}

}  // namespace

RunTuning tuningFromEnvironment() {
    RunTuning tuning;
    tuning.workers =
        static_cast<int>(std::min(positiveFromEnvironment("QUAVELIN_PAGECONV_WORKERS"), 64L));
    if (const long oversample = positiveFromEnvironment("QUAVELIN_PAGECONV_OVERSAMPLE")) {
        tuning.oversample = static_cast<double>(std::min(oversample, 4L));
    }
    const char* preload = std::getenv("QUAVELIN_PAGECONV_PRELOAD");
    tuning.preloadJpegs = preload == nullptr || std::string(preload) != "0";
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
    bool written = false;
    std::string error;
};

// What every worker reads; only `nextIndex` and the outcomes of its own pages are written.
struct ConversionJob {
    PageJob page;
    PageList pages;
    std::atomic<size_t> nextIndex{0};
    std::vector<PageOutcome> outcomes;
};

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

void convertPage(PdfSession& session, ConversionJob& job, size_t index) {
    const int pageNumber = job.pages[index];
    PageOutcome& outcome = job.outcomes[index];
    Bytes file;
    if (!buildPageFile(session, job.page, pageNumber, file, outcome.error)) {
        return;
    }
    const std::string path = pageFileName(job.page.options.outputPattern, pageNumber);
    outcome.written = writeFileBytes(path, file, outcome.error);
}

std::unique_ptr<PdfSession> openUnlocked(const ConvertOptions& options, std::string& error) {
    auto session = openPdf(options.pdfPath, kStoreBytesPerWorker, error);
    if (!session) {
        return nullptr;
    }
    switch (unlockPdf(*session, options.password ? &*options.password : nullptr)) {
        case Unlock::Open:
            return session;
        case Unlock::NeedsPassword:
            error = "\"" + options.pdfPath + "\" is encrypted: give its password with -P";
            return nullptr;
        case Unlock::WrongPassword:
            error = "the password given with -P does not open \"" + options.pdfPath + "\"";
            return nullptr;
    }
    return nullptr;
}

void runWorker(std::unique_ptr<PdfSession> session, ConversionJob& job) {
    if (!session) {
        std::string ignored;
        session = openUnlocked(job.page.options, ignored);
        if (!session) {
            return;  // the pages this worker would have taken go to the others
        }
    }
    for (size_t index = job.nextIndex++; index < job.pages.size(); index = job.nextIndex++) {
        try {
            convertPage(*session, job, index);
        } catch (const std::exception& failure) {
            job.outcomes[index].error = failure.what();
        }
    }
}

int workerCount(const RunTuning& tuning, size_t pages) {
    const unsigned hardware = std::max(1U, std::thread::hardware_concurrency());
    const size_t wanted = tuning.workers > 0 ? static_cast<size_t>(tuning.workers) : hardware;
    return static_cast<int>(std::max<size_t>(1, std::min(wanted, pages)));
}

// Every page must have been written; a page no worker reached is an error too.
int reportOutcomes(const ConversionJob& job) {
    int status = 0;
    for (size_t i = 0; i < job.pages.size(); ++i) {
        const PageOutcome& outcome = job.outcomes[i];
        if (!outcome.written) {
            printError(outcome.error.empty()
                           ? "page " + std::to_string(job.pages[i]) + " was not converted"
                           : outcome.error);
            status = 1;
        }
    }
    return status;
}

bool outputFolderExists(const std::string& pattern) {
    const std::filesystem::path folder = std::filesystem::path(pattern).parent_path();
    std::error_code ignored;
    return std::filesystem::is_directory(folder.empty() ? "." : folder, ignored);
}

}  // namespace

int runConversion(const ConvertOptions& options) {
    if (!outputFolderExists(options.outputPattern)) {
        printError("the folder of output pattern \"" + options.outputPattern + "\" does not exist");
        return 1;
    }
    std::string error;
    auto first = openUnlocked(options, error);
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
    ConversionJob job{
        {options, tuningFromEnvironment()}, std::get<PageList>(std::move(pages)), {}, {}};
    job.outcomes.resize(job.pages.size());
    std::vector<std::thread> helpers;
    try {
        for (int i = 1; i < workerCount(job.page.tuning, job.pages.size()); ++i) {
            helpers.emplace_back(runWorker, nullptr, std::ref(job));
        }
    } catch (const std::system_error&) {
        // Fewer threads than hoped for: the workers that did start share all pages.
    }
    runWorker(std::move(first), job);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return reportOutcomes(job);
}

}  // namespace pageconv
