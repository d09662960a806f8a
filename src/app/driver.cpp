// The run from start to exit: help and version texts, argument checks, the steps in order.
#include "app/driver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <vector>

#include "app/options.h"
#include "app/settings.h"
#include "converter/page_converter.h"
#include "output/flipbook_assembly.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

// Printed exactly as stored, whichever path prints it; the build line is part of the text.
constexpr char kHelpText[] =
    "Quavelin software does convert PDF files to Flash flipbook.\n"
    "Build: May  3 2012\n"
    "--------------------------------------------------\n"
    "Usage: quavelin.exe file.pdf outdir [-options]\n"
    "-pw <int>            : Set flipbook page width\n"
    "-ph <int>            : Set flipbook page height\n"
    "                       page width and page height, the default unit is point\n"
    "                       page width and page height, can enter other unit mm,in\n"
    "-pp <string>         : Set flipbook page width and height, paper size contain\n"
    "                       A4,A3,Letter,A5,A6,Legal,Executive,etc.\n"
    "-bc <string>         : Set flipbook button color, e.g., -bc ffffff\n"
    "-pc <string>         : Set flipbook panel color, e.g., -pc ffffff\n"
    "-tc <string>         : Set flipbook text color, e.g., -tc ffffff\n"
    "-bgc <string>        : Set flipbook background color, e.g., -bgc ffffff\n"
    "-hc <string>         : Use HardCover or not, e.g., \"-hc true\" or \"-hc false\"\n"
    "--------------------------------------------------\n"
    "[The following are useful options for PDF to Flash Conversion:]\n"
    "-pagerange <string>  : Set the range of pages to convert, e.g. 1-20 or \n"
    "                       -pagerange 1,4,6,9-11\n"
    "-password <string>   : Use password for deciphering the pdf.\n"
    "-zlib                : Use Flash 6 (MX) zlib compression.\n"
    "-jpegquality <int>   : Set quality of embedded jpeg pictures to quality.\n"
    "                       0 is worst (small), 100 is best (big). (default:85)\n"
    "-shapes              : Don't use SWF Fonts, but store everything as shape.\n"
    "-fonts               : Store full fonts into SWF, don't reduce font data\n"
    "                       to used characters\n"
    "-flatten             : Remove as many clip layers from file as possible.\n"
    "-zoom <int>          : Set the resultion (default: 72)\n"
    "-poly2bitmap         : Convert graphics to bitmaps\n"
    "-all2bitmap          : Convert everything to bitmaps\n"
    "-flashversion <int>  : Set Flash Version in the SWF header to num\n"
    "-disablelinks        : Disable hyperlinks in output SWF files\n"
    "-addcmd <string>     : Reserved parameter for advanced users\n"
    "-version             : Print version info and exit\n"
    "-v                   : Print version info and exit\n"
    "------------------------------------------------------------\n"
    "Examples:\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir \n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pw 826 -ph 1024\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pw 400mm -ph 800mm\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -tc ffffff\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -bc ff0000\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pp A4\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pp A4 -addcmd -z\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -pagerange 1,4,6,9-11\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -password 583920\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -zlib -jpegquality 80\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -flatten -zoom 150\n"
    "  quavelin.exe D:\\test.pdf D:\\outdir -all2bitmap -zoom 300\n";

constexpr char kVersionLine[] = "quavelin - 2.0.0.0";

// Arguments are echoed as the raw bytes the user typed, so no conversion goes through Qt here.
void writeRaw(std::FILE* stream, const char* bytes) {
    std::fputs(bytes, stream);
    std::fflush(stream);
}

void printHelp() {
    writeRaw(stdout, kHelpText);
}

// Failure messages stay on one line even when they quote a value that holds a line break.
void printErrorLine(QString message) {
    message.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    writeRaw(stderr, (message + QLatin1Char('\n')).toLocal8Bit().constData());
}

bool isVersionWord(const char* word) {
    return qstricmp(word, "-v") == 0 || qstricmp(word, "-version") == 0;
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

// Any entry of that name counts as existing; a missing folder is made one level deep only.
bool makeFolderIfMissing(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QDir workingFolder;
    if (workingFolder.exists(path)) {
        return true;
    }
    workingFolder.mkdir(path);
    return workingFolder.exists(path);
}

// The word -I in place of the output folder skips the check and is used as a folder name as is.
bool ensureOutputFolder(const char* rawArgument, const QString& outputFolderPath) {
    if (qstricmp(rawArgument, "-I") == 0 || makeFolderIfMissing(outputFolderPath)) {
        return true;
    }
    writeRaw(stdout, rawArgument);
    writeRaw(stdout, "\tFolder does not exist\n");
    return false;
}

// Existing tmp and data folders and what they hold stay; later steps notice what is missing.
void prepareOutputFolder(const OutputFolder& folder) {
    const QDir root(folder.root);
    root.mkdir(QStringLiteral("tmp"));
    root.mkdir(QStringLiteral("data"));
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

// Nothing is assembled unless the converter ran cleanly and left pages, so an earlier book in
// the output folder survives a failed run untouched.
int convertAndAssemble(const QString& converterPath, const ConverterSwitches& switches,
                       const QString& pdfPath, const OutputFolder& folder,
                       FlipbookSettings& settings, const QString& programFolder) {
    removeStalePages(folder);
    const ConversionOutcome conversion =
        convertPages(converterPath, switches, pdfPath, folder.conversionPattern);
    if (!conversion.ok) {
        printErrorLine(conversion.error);
        return kFailure;
    }
    if (!hasPageFiles(folder)) {
        printErrorLine(
            QStringLiteral("the page converter produced no page files from %1").arg(pdfPath));
        return kFailure;
    }
    const AssemblyOutcome assembly = assembleFlipbook(folder, settings, programFolder);
    if (!assembly.ok) {
        printErrorLine(assembly.error);
        return kFailure;
    }
    return kSuccess;
}

int convertBook(int argc, char** argv) {
    const QString pdfPath = QString::fromLocal8Bit(argv[1]);
    const QString outputFolderPath = QString::fromLocal8Bit(argv[2]);
    if (!checkArgumentsAreText(argc, argv) || !checkInputFile(argv[1], pdfPath) ||
        !ensureOutputFolder(argv[2], outputFolderPath)) {
        return kFailure;
    }
    FlipbookSettings settings;
    ConverterSwitches switches;
    // The program's real folder, links resolved: never the working folder of a bare command name.
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString converterPath = programFolder + QStringLiteral("/swfsdk.dll");
    const OutputFolder folder = outputFolderFor(outputFolderPath);
    prepareOutputFolder(folder);

    queryPageSize(converterPath, pdfPath, settings);
    if (!applyOptions(optionArguments(argc, argv), settings, switches)) {
        return kFailure;
    }
    return convertAndAssemble(converterPath, switches, pdfPath, folder, settings, programFolder);
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
