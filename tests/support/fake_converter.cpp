// A stand-in page converter for the black-box tests. The tests install it as swfsdk.dll next to a
// copy of the tool. It appends every argument list it gets to fake-converter.log in its own folder
// and acts as fake-converter.cfg there says: "key=value" lines, values with C escapes (\n \r \t
// \\ \0 \xHH). Keys per run kind ("info." for the -I query, "convert." otherwise): stdout, stderr,
// exit, crash (any value), convert.pages (comma-separated texts that replace % in the pattern),
// convert.pagecount (pages 1 to N), convert.stderrrepeat (the stderr text N times) and
// convert.sleep (seconds to wait after the pages, with the process id in fake-converter.pid) and
// convert.bookjson (written as book.json beside the pages, as the real converter writes its index),
// convert.texthtml (written as text.html there, as the real converter writes its text version).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Script = std::map<std::string, std::string>;

std::string ownFolder() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return ".";
    }
    const std::string path(buffer.data(), static_cast<size_t>(length));
    return path.substr(0, path.rfind('/'));
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 0;
}

std::string unescape(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        const char kind = text[++i];
        if (kind == 'x' && i + 2 < text.size()) {
            bytes += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            static const std::map<char, char> kSimple{
                {'n', '\n'}, {'r', '\r'}, {'t', '\t'}, {'0', '\0'}, {'\\', '\\'}};
            const auto found = kSimple.find(kind);
            bytes += found != kSimple.end() ? found->second : kind;
        }
    }
    return bytes;
}

Script readScript(const std::string& path) {
    Script script;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            script[line.substr(0, equals)] = unescape(line.substr(equals + 1));
        }
    }
    return script;
}

// One record per run: "run <count>" and one "<length>:<bytes>" line per argument, so spaces and
// line breaks inside arguments stay unambiguous.
void appendToLog(const std::string& path, int argc, char** argv) {
    std::ofstream log(path, std::ios::app | std::ios::binary);
    log << "run " << (argc - 1) << '\n';
    for (int index = 1; index < argc; ++index) {
        const std::string argument(argv[index]);
        log << argument.size() << ':' << argument << '\n';
    }
}

void writePages(const std::string& pattern, const std::string& pageList) {
    std::stringstream pages(pageList);
    std::string page;
    while (std::getline(pages, page, ',')) {
        std::string name = pattern;
        const size_t percent = name.find('%');
        if (percent != std::string::npos) {
            name.replace(percent, 1, page);
        }
        std::ofstream file(name, std::ios::binary);
        file << "fake page " << page << '\n';
    }
}

void writeNumberedPages(const std::string& pattern, int count) {
    std::string list;
    for (int page = 1; page <= count; ++page) {
        list += std::to_string(page) + ',';
    }
    writePages(pattern, list);
}

void writeBookIndex(const std::string& pattern, const Script& script) {
    const size_t slash = pattern.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash);
    for (const auto& [key, name] : {std::pair{"convert.bookjson", "/book.json"},
                                    std::pair{"convert.texthtml", "/text.html"}}) {
        const auto found = script.find(key);
        if (found != script.end()) {
            std::ofstream(folder + name, std::ios::binary) << found->second;
        }
    }
}

void sleepAsScripted(const std::string& folder, const std::string& seconds) {
    if (seconds.empty()) {
        return;
    }
    std::ofstream(folder + "/fake-converter.pid") << getpid() << '\n';
    usleep(static_cast<useconds_t>(std::atof(seconds.c_str()) * 1e6));
}

void writeStream(std::FILE* stream, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = ownFolder();
    appendToLog(folder + "/fake-converter.log", argc, argv);
    Script script = readScript(folder + "/fake-converter.cfg");
    const bool isInfoQuery = argc >= 2 && std::string(argv[1]) == "-I";
    const std::string kind = isInfoQuery ? "info." : "convert.";

    writeStream(stdout, script[kind + "stdout"]);
    const int repeat = std::max(1, std::atoi(script[kind + "stderrrepeat"].c_str()));
    for (int count = 0; count < repeat; ++count) {
        writeStream(stderr, script[kind + "stderr"]);
    }
    if (!isInfoQuery && argc >= 2) {
        writePages(argv[argc - 1], script["convert.pages"]);
        writeNumberedPages(argv[argc - 1], std::atoi(script["convert.pagecount"].c_str()));
        writeBookIndex(argv[argc - 1], script);
        sleepAsScripted(folder, script["convert.sleep"]);
    }
    if (script.count(kind + "crash") != 0) {
        std::abort();
    }
    return std::atoi(script[kind + "exit"].c_str());
}
