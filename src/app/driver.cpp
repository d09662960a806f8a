// The run from start to exit: help and version texts, argument checks, the steps in order.
#include "app/driver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/option_table.h"
#include "app/options.h"
#include "converter/page_converter.h"
#include "geometry/page_geometry.h"
#include "output/book_folder.h"
#include "output/flipbook_assembly.h"
#include "run/settings.h"
#include "run/stop_signals.h"
#include "shared/book_names.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kStoppedBase = 128;

// What every step of one conversion needs to know.
struct BookRun {
    QString pdfPath;
    QString outputPath;
    QString programFolder;
    QString converterPath;
    ConverterSwitches switches;
    int rootFd = -1;
};

constexpr char kVersionLine[] = "quavelin - 2.0.0.0";

// Arguments are echoed as the raw bytes the user typed, so no conversion goes through Qt here.
void writeRaw(std::FILE* stream, const char* bytes) {
    std::fputs(bytes, stream);
    std::fflush(stream);
}

// Printed exactly as made, whichever path prints it; the build line is part of the text.
void printHelp() {
    writeRaw(stdout, helpText().c_str());
}

// Failure messages stay on one line even when they quote a value that holds a line break.
void printErrorLine(QString message) {
    message.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    writeRaw(stderr, (message + QLatin1Char('\n')).toLocal8Bit().constData());
}

bool isVersionWord(const char* word) {
    const auto rows = optionTable();
    return std::any_of(rows.begin(), rows.end(), [word](const OptionRow& row) {
        return row.effect == Effect::Version && qstricmp(word, row.name) == 0;
    });
}

// A single argument never starts a conversion, so both answers end with the failure status.
int answerSingleArgument(const char* word) {
    if (isVersionWord(word)) {
        writeRaw(stdout, kVersionLine);
    } else {
        printHelp();
    }
    return kFailure;
}

// Qt holds every name as UTF-8 text, so other bytes would come back changed and the book would
// land in a folder of another name, or a PDF that exists would not be found. Such an argument is
// refused rather than passed on altered.
bool checkArgumentsAreText(int argc, char** argv) {
    for (int index = 1; index < argc; ++index) {
        const QString text = QString::fromLocal8Bit(argv[index]);
        if (text.toLocal8Bit() != QByteArrayView(argv[index])) {
            printErrorLine(
                QStringLiteral("cannot use the argument \"%1\": it is not valid UTF-8 text")
                    .arg(text));
            return false;
        }
    }
    return true;
}

bool checkInputFile(const char* rawArgument, const QString& pdfPath) {
    if (!pdfPath.isEmpty() && QFile::exists(pdfPath)) {
        return true;
    }
    writeRaw(stdout, rawArgument);
    writeRaw(stdout, "\tFile does not exist \n");
    return false;
}

// How the output folder came to be there: a run that fails removes a folder it made itself.
enum class OutputFolderState { Missing, Existing, MadeByThisRun };

// Any entry of that name counts as existing; a missing folder is made one level deep only.
OutputFolderState makeFolderIfMissing(const QString& path) {
    if (path.isEmpty()) {
        return OutputFolderState::Missing;
    }
    const QDir workingFolder;
    if (workingFolder.exists(path)) {
        return OutputFolderState::Existing;
    }
    workingFolder.mkdir(path);
    return workingFolder.exists(path) ? OutputFolderState::MadeByThisRun
                                      : OutputFolderState::Missing;
}

// Every name, -I included, is an ordinary folder name: the book is written through the folder.
OutputFolderState ensureOutputFolder(const char* rawArgument, const QString& outputFolderPath) {
    const OutputFolderState state = makeFolderIfMissing(outputFolderPath);
    if (state == OutputFolderState::Missing) {
        writeRaw(stdout, rawArgument);
        writeRaw(stdout, "\tFolder does not exist\n");
    }
    return state;
}

// A failed run leaves the world as it found it: the folder it made goes again, lock file and all,
// unless another run holds it by now or something else has appeared in it meanwhile.
void removeFolderMadeByRun(int rootFd, const QString& outputFolderPath) {
    const BookLock lock = lockBook(rootFd);
    if (!lock.file.isOpen()) {
        return;
    }
    ::unlinkat(rootFd, kLockFileName, 0);
    QDir().rmdir(outputFolderPath);
}

QStringList optionArguments(int argc, char** argv) {
    QStringList options;
    for (int index = 3; index < argc; ++index) {
        options.append(QString::fromLocal8Bit(argv[index]));
    }
    return options;
}

// Returns false when the run must stop; the help text or the message has been printed then.
bool applyOptions(const QStringList& options, FlipbookSettings& settings,
                  ConverterSwitches& switches) {
    const OptionsOutcome outcome = readOptions(options, settings, switches);
    switch (outcome.kind) {
        case OptionsOutcome::Kind::GoOn:
            return true;
        case OptionsOutcome::Kind::Unrecognised:
            printHelp();
            return false;
        case OptionsOutcome::Kind::InvalidValue:
            printErrorLine(outcome.message);
            return false;
    }
    return false;
}

// The options are read once before anything is made, so a refused value leaves no trace.
bool optionsAreUsable(const QStringList& options) {
    FlipbookSettings settings;
    ConverterSwitches switches;
    return applyOptions(options, settings, switches);
}

// The converter runs in its work folder, so a relative name would be looked up from there.
QString absolutePdfPath(const QString& pdfPath) {
    return QFileInfo(pdfPath).absoluteFilePath();
}

// The converter's index is an aid: a missing one is an older converter, a broken one costs the
// book its labels, contents and search and one line of warning, never the book.
std::optional<BookIndexSummary> bookIndexIn(int runFd, qsizetype pageCount) {
    struct stat info {};
    if (::fstatat(runFd, shared::kBookIndexFile, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    QByteArray json;
    QString problem = readSmallFileAt(runFd, shared::kBookIndexFile, kMaxBookIndexBytes, json);
    if (problem.isEmpty()) {
        if (auto summary = summarizeBookIndex(json, pageCount, problem)) {
            if (::fstatat(runFd, shared::kTextVersionFile, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(info.st_mode)) {
                summary->textVersion = QLatin1StringView(shared::kTextVersionFile);
            }
            return summary;
        }
    }
    printErrorLine(QStringLiteral("warning: the book index %1 is left unused: %2")
                       .arg(QLatin1StringView(shared::kBookIndexFile), problem));
    return std::nullopt;
}

QByteArray pageListFor(const FlipbookSettings& settings, const std::vector<PageFile>& pages,
                       int runFd) {
    QStringList names;
    for (const PageFile& page : pages) {
        names.append(QFile::decodeName(paddedPageName(page.number)));
    }
    return pageListDocument(settings, names, bookIndexIn(runFd, names.size()));
}

// A signal ends the run with the conventional status of a process it ended.
int stoppedStatus() {
    printErrorLine(
        QStringLiteral("stopped by signal %1; the earlier book is unchanged").arg(stopSignal()));
    return kStoppedBase + stopSignal();
}

// Nothing is published unless the converter ran cleanly and left pages; until the exchange of
// the data folders an earlier book stays exactly as it was.
int convertAndAssemble(const BookRun& book, FlipbookSettings& settings) {
    WorkArea area;
    if (const QString error = makeWorkArea(book.rootFd, area); !error.isEmpty()) {
        printErrorLine(error);
        return kFailure;
    }
    const ConversionOutcome conversion =
        convertPages(book.converterPath, book.switches, absolutePdfPath(book.pdfPath), area.run.fd);
    if (conversion.stopped) {
        return stoppedStatus();
    }
    if (!conversion.ok) {
        printErrorLine(conversion.error);
        return kFailure;
    }
    if (settings.download) {
        const QString error = copyFileInto(book.pdfPath, area.run.fd, shared::kBookPdfFile);
        if (!error.isEmpty()) {
            printErrorLine(QStringLiteral("cannot copy %1 into the book for -download: %2")
                               .arg(book.pdfPath, error));
            return kFailure;
        }
    }
    PublishRequest request{.rootFd = book.rootFd,
                           .runFd = area.run.fd,
                           .pages = listPageFiles(area.run.fd),
                           .pageList = {},
                           .programFolder = book.programFolder,
                           .ownPlayer = settings.player.isEmpty()};
    if (request.pages.empty()) {
        printErrorLine(
            QStringLiteral("the page converter produced no page files from %1").arg(book.pdfPath));
        return kFailure;
    }
    resolvePageSize(settings);
    request.pageList = pageListFor(settings, request.pages, area.run.fd);
    const QString error = publishBook(request, [](PublishStep) { return stopSignal() == 0; });
    if (stopSignal() != 0 && !error.isEmpty()) {
        return stoppedStatus();
    }
    if (!error.isEmpty()) {
        printErrorLine(error);
        return kFailure;
    }
    return kSuccess;
}

// Everything from the lock on: the info query, the options, the conversion and the publication.
int convertLockedBook(BookRun& book, const QStringList& options) {
    const BookLock lock = lockBook(book.rootFd);
    if (lock.heldElsewhere) {
        printErrorLine(
            QStringLiteral("another run is writing the book in %1").arg(book.outputPath));
        return kFailure;
    }
    if (!lock.file.isOpen()) {
        printErrorLine(QStringLiteral("cannot lock the book in %1: %2 (%3)")
                           .arg(book.outputPath, lock.error, QLatin1StringView(kLockFileName)));
        return kFailure;
    }
    if (const QString link = linkInTheWay(book.rootFd); !link.isEmpty()) {
        printErrorLine(
            QStringLiteral("%1/%2 is a symbolic link; the tool does not write through links")
                .arg(book.outputPath, link));
        return kFailure;
    }
    removeLeftovers(book.rootFd);
    FlipbookSettings settings;
    queryPageSize(book.converterPath, book.pdfPath, settings);
    if (stopSignal() != 0) {
        return stoppedStatus();
    }
    applyOptions(options, settings, book.switches);
    return convertAndAssemble(book, settings);
}

int convertBook(int argc, char** argv) {
    const QString pdfPath = QString::fromLocal8Bit(argv[1]);
    const QString outputFolderPath = QString::fromLocal8Bit(argv[2]);
    const QStringList options = optionArguments(argc, argv);
    if (!checkArgumentsAreText(argc, argv) || !checkInputFile(argv[1], pdfPath) ||
        !optionsAreUsable(options)) {
        return kFailure;
    }
    const OutputFolderState folderState = ensureOutputFolder(argv[2], outputFolderPath);
    if (folderState == OutputFolderState::Missing) {
        return kFailure;
    }
    const UniqueFd root(::open(QFile::encodeName(outputFolderPath).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.isOpen()) {
        writeRaw(stdout, argv[2]);
        writeRaw(stdout, "\tFolder does not exist\n");
        return kFailure;
    }
    installStopHandlers();
    // The program's real folder, links resolved: never the working folder of a bare command name.
    const QString programFolder = QCoreApplication::applicationDirPath();
    BookRun book{
        pdfPath, outputFolderPath, programFolder, programFolder + QStringLiteral("/swfsdk.dll"),
        {},      root.fd};
    const int status = convertLockedBook(book, options);
    if (status != kSuccess && folderState == OutputFolderState::MadeByThisRun) {
        removeFolderMadeByRun(root.fd, outputFolderPath);
    }
    return status;
}

}  // namespace

int runQuavelin(int argc, char** argv) {
    // Qt takes its own debugging switches out of the list it is given; the tool reads every
    // argument as typed, so Qt gets a copy.
    int qtArgumentCount = argc;
    std::vector<char*> qtArguments(argv, argv + argc);
    qtArguments.push_back(nullptr);
    const QCoreApplication app(qtArgumentCount, qtArguments.data());
    if (argc < 2) {
        printHelp();
        return kSuccess;
    }
    if (argc == 2) {
        return answerSingleArgument(argv[1]);
    }
    return convertBook(argc, argv);
}
