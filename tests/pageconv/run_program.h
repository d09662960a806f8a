// Running a built program from a test and collecting what it printed.
#pragma once

#include <string>
#include <vector>

namespace swftest {

struct RunResult {
    int status = -1;  // exit status, or -1 when it did not exit normally (crash, signal)
    std::string out;
    std::string err;
};

// `environment` entries ("NAME=value") are added to the test's own environment.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& environment = {});

std::vector<std::string> linesOf(const std::string& text);

}  // namespace swftest
