// swfsdk.dll: the page converter the quavelin tool runs, PDF pages in, one SWF file per page out.
#include "convert.h"
#include "options.h"

#include <malloc.h>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Every page allocates and frees buffers of a few hundred kilobytes (the JPEG stream, the tags,
// the file). With glibc's defaults each of them is mapped afresh or the heap is trimmed and
// grown again, page after page, and the page faults cost more than the copies themselves.
// Fixed thresholds keep freed memory for the next page; the peak stays a few pages' worth.
void keepFreedMemoryForTheNextPage() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

int run(const std::vector<std::string>& args) {
    const pageconv::CommandLine command = pageconv::parseCommandLine(args);
    if (const auto* error = std::get_if<pageconv::UsageError>(&command)) {
        std::cerr << "swfsdk.dll: " << error->message << "\n";
        return 2;
    }
    if (const auto* info = std::get_if<pageconv::InfoRequest>(&command)) {
        return pageconv::runInfoQuery(*info);
    }
    return pageconv::runConversion(std::get<pageconv::ConvertOptions>(command));
}

}  // namespace

int main(int argc, char** argv) {
    keepFreedMemoryForTheNextPage();
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& failure) {
        std::cerr << "swfsdk.dll: " << failure.what() << "\n";
        return 1;
    }
}
