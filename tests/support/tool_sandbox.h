// Helpers for black-box tests of the built tool: a temporary program folder holding a copy of the
// tool and the fake converter, a working folder, runs of the tool, and the fake converter's log.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <vector>

// What the fake converter does in each kind of run (see fake_converter.cpp).
struct FakeConverterScript {
    QByteArray infoReply;      // written to standard output for "-I"
    QStringList pages;         // each replaces % in the conversion pattern: one page file each
    QByteArray convertStderr;  // written to standard error in the conversion run
    int convertExitStatus = 0;
    bool convertCrashes = false;
    int pageCount = 0;          // pages 1 to pageCount, after `pages`
    int stderrRepeat = 1;       // convertStderr written this many times
    double sleepSeconds = 0.0;  // wait after the pages; the process id goes to fake-converter.pid
    std::optional<QByteArray> bookIndex = std::nullopt;    // written as book.json beside the pages
    std::optional<QByteArray> textVersion = std::nullopt;  // written as text.html beside them
};

struct ToolRun {
    int exitStatus = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
};

// One argument list the fake converter was started with, byte for byte.
using ConverterArguments = std::vector<std::string>;

// root/prog is the program folder (tool + swfsdk.dll), root/work the working folder of runs.
struct ToolSandbox {
    QTemporaryDir root;
    QString programFolder;
    QString workFolder;
    QString toolPath;
};

// Fills the sandbox; returns false (and the test should fail) when a copy could not be made.
bool setUpSandbox(ToolSandbox& sandbox, bool withConverter = true);

bool installFakeConverter(const QString& folder, const QString& fileName = "swfsdk.dll");
bool writeFakeScript(const QString& converterFolder, const FakeConverterScript& script);
std::vector<ConverterArguments> readConverterLog(const QString& converterFolder);

ToolRun runProgram(
    const QString& program, const QStringList& arguments, const QString& workFolder,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
ToolRun runTool(const ToolSandbox& sandbox, const QStringList& arguments);

bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// File and folder names in a folder, sorted; empty when it does not exist.
QStringList entryNames(const QString& folder);
bool pathExists(const QString& path);
