// quavelin-pdfgen: writes the project's sample and test PDFs into a folder.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string_view>

#include "documents.h"

namespace {

int usage() {
    std::fputs("usage: quavelin-pdfgen OUTDIR | quavelin-pdfgen --colours\n", stderr);
    return 2;
}

int generate(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "quavelin-pdfgen: cannot create folder %s\n", dir.c_str());
        return 1;
    }
    pdfgen::writeAll(dir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        return usage();
    }
    const std::string_view arg = argv[1];
    try {
        if (arg == "--colours") {
            std::fputs(pdfgen::colourTableText().c_str(), stdout);
            return 0;
        }
        if (arg.starts_with("-")) {
            return usage();
        }
        return generate(arg);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quavelin-pdfgen: %s\n", e.what());
        return 1;
    }
}
