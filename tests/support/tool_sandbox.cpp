// Helpers for black-box tests of the built tool: a temporary program folder holding a copy of the
// tool and the fake converter, a working folder, runs of the tool, and the fake converter's log.
#include "support/tool_sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

QByteArray escapedValue(const QByteArray& bytes) {
    QByteArray escaped;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            escaped += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7f) {
            escaped += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QByteArray scriptLine(const char* key, const QByteArray& value) {
    return QByteArray(key) + '=' + escapedValue(value) + '\n';
}

// Parses "run <n>" followed by n lines of "<length>:<bytes>"; a damaged log ends the parse.
bool readOneRun(const QByteArray& log, qsizetype& pos, ConverterArguments& run) {
    const qsizetype lineEnd = log.indexOf('\n', pos);
    if (lineEnd < 0 || !log.mid(pos, 4).startsWith("run ")) {
        return false;
    }
    const int count = log.mid(pos + 4, lineEnd - pos - 4).toInt();
    pos = lineEnd + 1;
    for (int index = 0; index < count; ++index) {
        const qsizetype colon = log.indexOf(':', pos);
        if (colon < 0) {
            return false;
        }
        const qsizetype length = log.mid(pos, colon - pos).toLongLong();
        run.emplace_back(log.constData() + colon + 1, static_cast<size_t>(length));
        pos = colon + 1 + length + 1;
    }
    return true;
}

bool copyExecutable(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to) &&
           QFile::setPermissions(to, QFile::permissions(from) | QFileDevice::ExeOwner);
}

}  // namespace

bool setUpSandbox(ToolSandbox& sandbox, bool withConverter) {
    if (!sandbox.root.isValid()) {
        return false;
    }
    const QDir root(sandbox.root.path());
    sandbox.programFolder = root.filePath("prog");
    sandbox.workFolder = root.filePath("work");
    sandbox.toolPath = root.filePath("prog/quavelin");
    if (!root.mkdir("prog") || !root.mkdir("work")) {
        return false;
    }
    if (!copyExecutable(QStringLiteral(QUAVELIN_TOOL_BINARY), sandbox.toolPath)) {
        return false;
    }
    return !withConverter || installFakeConverter(sandbox.programFolder);
}

bool installFakeConverter(const QString& folder, const QString& fileName) {
    return copyExecutable(QStringLiteral(FAKE_CONVERTER_BINARY), folder + "/" + fileName);
}

bool writeFakeScript(const QString& converterFolder, const FakeConverterScript& script) {
    QByteArray text = scriptLine("info.stdout", script.infoReply) +
                      scriptLine("convert.pages", script.pages.join(',').toUtf8()) +
                      scriptLine("convert.stderr", script.convertStderr) +
                      scriptLine("convert.exit", QByteArray::number(script.convertExitStatus));
    text += scriptLine("convert.pagecount", QByteArray::number(script.pageCount));
    text += scriptLine("convert.stderrrepeat", QByteArray::number(script.stderrRepeat));
    if (script.sleepSeconds > 0) {
        text += scriptLine("convert.sleep", QByteArray::number(script.sleepSeconds));
    }
    if (script.textVersion) {
        text += scriptLine("convert.texthtml", *script.textVersion);
    }
    if (script.bookIndex) {
        text += scriptLine("convert.bookjson", *script.bookIndex);
    }
    if (script.convertCrashes) {
        text += "convert.crash=yes\n";
    }
    return writeFile(converterFolder + "/fake-converter.cfg", text);
}

std::vector<ConverterArguments> readConverterLog(const QString& converterFolder) {
    const QByteArray log = readFile(converterFolder + "/fake-converter.log");
    std::vector<ConverterArguments> runs;
    qsizetype pos = 0;
    while (pos < log.size()) {
        ConverterArguments run;
        if (!readOneRun(log, pos, run)) {
            break;
        }
        runs.push_back(run);
    }
    return runs;
}

ToolRun runProgram(const QString& program, const QStringList& arguments, const QString& workFolder,
                   const QProcessEnvironment& environment) {
    QProcess process;
    process.setWorkingDirectory(workFolder);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.closeWriteChannel();
    ToolRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.exitStatus = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

ToolRun runTool(const ToolSandbox& sandbox, const QStringList& arguments) {
    return runProgram(sandbox.toolPath, arguments, sandbox.workFolder);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entryNames(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool pathExists(const QString& path) {
    return QFileInfo::exists(path);
}
