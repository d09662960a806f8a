// The tool's contact with the page converter: the info query and the conversion run.
#include "converter/page_converter.h"

#include "converter/progress_line.h"

#include <QRegularExpression>

#include "converter/converter_process.h"
#include "shared/book_names.h"
#include "shared/converter_switches.h"

#include <optional>

namespace {

// Splits like repeated strtok calls on one buffer: runs of delimiters count as one, and no field
// is ever empty. Returns the next field from `pos` on and leaves `pos` past its end.
std::optional<QString> nextField(const QString& text, qsizetype& pos, const QString& delimiters) {
    while (pos < text.size() && delimiters.contains(text[pos])) {
        ++pos;
    }
    if (pos >= text.size()) {
        return std::nullopt;
    }
    const qsizetype start = pos;
    while (pos < text.size() && !delimiters.contains(text[pos])) {
        ++pos;
    }
    return text.mid(start, pos - start);
}

// The value of a name=value field: the second "="-separated piece, when there is one.
std::optional<QString> valueOfField(const std::optional<QString>& field) {
    if (!field) {
        return std::nullopt;
    }
    qsizetype pos = 0;
    const QString equals = QStringLiteral("=");
    if (!nextField(*field, pos, equals)) {
        return std::nullopt;
    }
    return nextField(*field, pos, equals);
}

// The third field may run past the first line ending; only its part on the first line counts.
std::optional<QString> cutAtLineEnd(const std::optional<QString>& field) {
    if (!field) {
        return std::nullopt;
    }
    qsizetype pos = 0;
    return nextField(*field, pos, QStringLiteral("\r\n"));
}

// The converter's reply is 8-bit text that ends at the first NUL byte.
QString replyText(const QByteArray& reply) {
    const qsizetype nul = reply.indexOf('\0');
    return QString::fromLatin1(nul < 0 ? reply : reply.left(nul));
}

// The last line of the converter's standard error with any text on it, for a failure message.
QString lastNonEmptyLine(const QByteArray& output) {
    const QList<QByteArray> lines = output.split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        QString text = QString::fromLocal8Bit(*line).simplified();
        if (!text.isEmpty()) {
            return text;
        }
    }
    return {};
}

// The converter names its own switches; the user typed the tool's option that became them.
QString inToolTerms(QString converterLine) {
    static const QRegularExpression passwordSwitch(QStringLiteral("(^|\\s)-P(?=\\s|$|[.,:;])"));
    return converterLine.replace(passwordSwitch, QStringLiteral("\\1-password"));
}

QString failureOfFinishedRun(const ConverterRun& run, const QString& converterPath) {
    if (run.stopped) {
        return QStringLiteral("stopped by a signal");
    }
    if (run.timedOut) {
        return QStringLiteral(
                   "the page converter %1 did not finish within %2 seconds and was stopped")
            .arg(converterPath)
            .arg(run.deadlineSeconds);
    }
    if (run.crashed) {
        return QStringLiteral("the page converter %1 crashed").arg(converterPath);
    }
    if (run.exitCode == 0) {
        return {};
    }
    QString error = QStringLiteral("the page converter %1 failed with exit status %2")
                        .arg(converterPath)
                        .arg(run.exitCode);
    const QString converterSays = inToolTerms(lastNonEmptyLine(run.errorTail));
    if (!converterSays.isEmpty()) {
        error += QStringLiteral(": ") + converterSays;
    }
    return error;
}

// The pages import their fonts from one library in the data folder; the player resolves the
// address against index.html, which stands beside the data folder. It goes first, so that the
// words of -addcmd come after it and may change it.
QStringList fontLibrarySwitch() {
    return {QString::fromLatin1(shared::kFontLibrarySwitch),
            QStringLiteral("%1/%2").arg(QLatin1StringView(shared::kDataFolder),
                                        QLatin1StringView(shared::kFontLibraryFile))};
}

}  // namespace

void parseInfoReply(const QByteArray& reply, FlipbookSettings& settings) {
    const QString text = replyText(reply);
    const QString space = QStringLiteral(" ");
    qsizetype pos = 0;
    nextField(text, pos, space);
    const std::optional<QString> widthField = nextField(text, pos, space);
    const std::optional<QString> heightField = nextField(text, pos, space);

    if (const auto width = valueOfField(widthField)) {
        settings.pageWidth = *width;
    }
    if (const auto height = valueOfField(cutAtLineEnd(heightField))) {
        settings.pageHeight = *height;
    }
    settings.pageHeight = settings.pageHeight.simplified();
}

void queryPageSize(const QString& converterPath, const QString& pdfPath,
                   FlipbookSettings& settings) {
    // A converter that cannot be started, or fails, gives an empty reply, and the defaults stay.
    const ConverterRun run =
        runConverter(converterPath, {QString::fromLatin1(shared::kInfoSwitch), pdfPath}, -1,
                     KeptStream::OutputHead);
    parseInfoReply(run.outputHead, settings);
}

ConversionOutcome convertPages(const QString& converterPath, const ConverterSwitches& switches,
                               const QString& pdfPath, int workFolderFd) {
    // The converter runs inside the work folder and gets a bare pattern: a % in the output
    // folder's name is never taken for the page number.
    ProgressLine line;
    const ProgressReport progress = [&line](qint64 done, qint64 total) {
        showProgress(line, done, total);
    };
    const ConverterRun run =
        runConverter(converterPath,
                     fontLibrarySwitch() + switches +
                         QStringList{pdfPath, QString::fromLatin1(shared::kConverterPagePattern)},
                     workFolderFd, KeptStream::ErrorTail,
                     standardErrorIsTerminal() ? progress : ProgressReport{});
    clearProgress(line);
    if (!run.started) {
        return {false, QStringLiteral("cannot start the page converter %1: %2")
                           .arg(converterPath, run.startError)};
    }
    const QString error = failureOfFinishedRun(run, converterPath);
    return {error.isEmpty(), error, run.stopped};
}
