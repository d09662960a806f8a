// The progress line: a carriage return and an erase to the end of the line keep it in place.
#include "converter/progress_line.h"

#include <unistd.h>

#include <cstdio>

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

namespace {

QString durationText(qint64 seconds) {
    if (seconds < 60) {
        return QStringLiteral("%1 s").arg(qMax<qint64>(seconds, 1));
    }
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

void writeToTerminal(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

QString progressText(qint64 done, qint64 total, qint64 elapsedMilliseconds) {
    QString text = QStringLiteral("%1 of %2 pages").arg(done).arg(total);
    if (done > 0 && done < total) {
        const qint64 left = elapsedMilliseconds * (total - done) / done / 1000;
        text += QStringLiteral(", about %1 left").arg(durationText(left));
    }
    return text;
}

void showProgress(ProgressLine& line, qint64 done, qint64 total) {
    if (!line.clock.isValid()) {
        line.clock.start();
    }
    writeToTerminal(QStringLiteral("\r") + progressText(done, total, line.clock.elapsed()) +
                    QStringLiteral("\x1b[K"));
    line.shown = true;
}

void clearProgress(ProgressLine& line) {
    if (line.shown) {
        writeToTerminal(QStringLiteral("\r\x1b[K"));
        line.shown = false;
    }
}
