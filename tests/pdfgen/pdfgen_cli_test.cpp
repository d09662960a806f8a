// The generator's command line: usage errors, the colour table, and a folder it cannot use.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "documents.h"

namespace pdfgen {
namespace {

struct Outcome {
    int status = -1;
    std::string output;  // stdout and stderr together
};

Outcome runGenerator(const std::string& args) {
    const std::string command = std::string("'") + QUAVELIN_PDFGEN + "' " + args + " 2>&1";
    Outcome run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buf[256];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) {
        run.output.append(buf, n);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(Cli, BadArgumentsGiveOneUsageLine) {
    const struct {
        const char* args;
        int status;
    } cases[] = {{"", 2}, {"a b", 2}, {"--colour", 2}, {"-x", 2}, {"''", 2}};
    for (const auto& c : cases) {
        const Outcome run = runGenerator(c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_EQ(run.output, "usage: quavelin-pdfgen OUTDIR | quavelin-pdfgen --colours\n")
            << c.args;
    }
}

TEST(Cli, ColoursPrintsTheTable) {
    const Outcome run = runGenerator("--colours");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, colourTableText());
}

// A file where the folder should be is reported, and left as it was.
TEST(Cli, OutdirThatIsAFileIsRefusedUntouched) {
    const auto file = std::filesystem::path(testing::TempDir()) / "pdfgen_not_a_folder";
    std::ofstream(file) << "keep me";
    const Outcome run = runGenerator("'" + file.string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "quavelin-pdfgen: cannot create folder " + file.string() + "\n");
    std::stringstream kept;
    kept << std::ifstream(file).rdbuf();
    EXPECT_EQ(kept.str(), "keep me");
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace pdfgen
