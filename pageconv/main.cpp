// swfsdk.dll: the page converter the quavelin tool runs, PDF pages in, one SWF file per page out.
#include "convert.h"
#include "options.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

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
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& failure) {
        std::cerr << "swfsdk.dll: " << failure.what() << "\n";
        return 1;
    }
}
