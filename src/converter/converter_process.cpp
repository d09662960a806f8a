// One run of the page converter as a child process that cannot outlive the tool, cannot fill the
// tool's memory with its output and cannot run for ever.
#include "converter/converter_process.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <sys/prctl.h>
#include <unistd.h>
#include <csignal>

#include "run/stop_signals.h"
#include "shared/book_names.h"

namespace {

constexpr int kPollMilliseconds = 100;

int deadlineSeconds() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue(kDeadlineVariable, &ok);
    return ok && seconds > 0 ? seconds : kConverterDeadlineSeconds;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
void prepareChild(QProcess& process, int workFolderFd) {
    const pid_t tool = ::getpid();
    process.setChildProcessModifier([tool, workFolderFd] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The tool may have ended before the line above took effect.
        if (::getppid() != tool) {
            ::_exit(127);
        }
        if (workFolderFd >= 0 && ::fchdir(workFolderFd) != 0) {
            ::_exit(127);
        }
    });
}

void keepHead(QByteArray& kept, const QByteArray& more) {
    kept += more.left(kKeptOutputBytes - kept.size());
}

void keepTail(QByteArray& kept, const QByteArray& more) {
    kept += more;
    if (kept.size() > kKeptOutputBytes) {
        kept.remove(0, kept.size() - kKeptOutputBytes);
    }
}

// Error output read so far that does not end a line yet, and where progress lines go.
struct ErrorLines {
    const ProgressReport& progress;
    QByteArray partial;
};

bool takeProgressLine(const QByteArray& line, const ProgressReport& progress) {
    if (!line.startsWith(shared::kProgressPrefix)) {
        return false;
    }
    const QList<QByteArray> numbers =
        line.mid(qsizetype(sizeof shared::kProgressPrefix) - 1).trimmed().split(' ');
    if (numbers.size() == 2) {
        progress(numbers[0].toLongLong(), numbers[1].toLongLong());
    }
    return true;
}

void keepErrorLines(ErrorLines& lines, ConverterRun& run, const QByteArray& more, bool ended) {
    if (!lines.progress) {
        keepTail(run.errorTail, more);
        return;
    }
    lines.partial += more;
    qsizetype start = 0;
    for (qsizetype end = lines.partial.indexOf('\n'); end >= 0;
         start = end + 1, end = lines.partial.indexOf('\n', start)) {
        const QByteArray line = lines.partial.mid(start, end + 1 - start);
        if (!takeProgressLine(line, lines.progress)) {
            keepTail(run.errorTail, line);
        }
    }
    lines.partial.remove(0, start);
    if (ended || lines.partial.size() > kKeptOutputBytes) {
        keepTail(run.errorTail, lines.partial);
        lines.partial.clear();
    }
}

void collectOutput(QProcess& process, ConverterRun& run, ErrorLines& lines, bool ended = false) {
    if (process.readChannel() == QProcess::StandardOutput) {
        keepHead(run.outputHead, process.readAll());
    } else {
        keepErrorLines(lines, run, process.readAll(), ended);
    }
}

// With a single stream piped, every wait returns as soon as a pipe's worth has come, so no more
// than that piles up between two reads.
void pipeOnly(QProcess& process, KeptStream kept) {
    if (kept == KeptStream::OutputHead) {
        process.setStandardErrorFile(QProcess::nullDevice());
        process.setReadChannel(QProcess::StandardOutput);
    } else {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setReadChannel(QProcess::StandardError);
    }
}

void waitWithinLimits(QProcess& process, ConverterRun& run, ErrorLines& lines) {
    const QDeadlineTimer deadline(qint64(run.deadlineSeconds) * 1000);
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(kPollMilliseconds);
        collectOutput(process, run, lines);
        run.stopped = stopSignal() != 0;
        run.timedOut = deadline.hasExpired();
        if (run.stopped || run.timedOut) {
            process.kill();
            process.waitForFinished(-1);
            return;
        }
    }
    collectOutput(process, run, lines, true);
    // Ctrl-C reaches the converter too, and it may end of it before the tool looks.
    run.stopped = stopSignal() != 0;
}

}  // namespace

ConverterRun runConverter(const QString& program, const QStringList& arguments, int workFolderFd,
                          KeptStream kept, const ProgressReport& progress) {
    ConverterRun run;
    run.deadlineSeconds = deadlineSeconds();
    QProcess process;
    prepareChild(process, workFolderFd);
    pipeOnly(process, kept);
    if (progress) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(shared::kProgressVariable), QStringLiteral("1"));
        process.setProcessEnvironment(environment);
    }
    ErrorLines lines{progress, {}};
    process.start(program, arguments);
    if (!process.waitForStarted(-1)) {
        run.startError = process.errorString();
        return run;
    }
    run.started = true;
    process.closeWriteChannel();
    waitWithinLimits(process, run, lines);
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.exitCode = process.exitCode();
    return run;
}
