// One run of the page converter as a child process that cannot outlive the tool, cannot fill the
// tool's memory with its output and cannot run for ever.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// The last resort against a converter that never ends; its own page limits come first.
inline constexpr int kConverterDeadlineSeconds = 30 * 60;
// Overrides kConverterDeadlineSeconds (whole seconds above 0).
inline constexpr char kDeadlineVariable[] = "QUAVELIN_CONVERTER_DEADLINE_SECONDS";
// Kept of each output stream: the head of standard output, the tail of standard error.
inline constexpr qsizetype kKeptOutputBytes = qsizetype(64) * 1024;

struct ConverterRun {
    bool started = false;
    QString startError;
    bool crashed = false;
    int exitCode = 0;
    bool timedOut = false;
    bool stopped = false;  // a stop signal reached the tool
    int deadlineSeconds = 0;
    QByteArray outputHead;
    QByteArray errorTail;
};

// The one stream of a run that is read; the other goes nowhere.
enum class KeptStream { OutputHead, ErrorTail };

// Pages finished and pages in the run, as the converter reports them.
using ProgressReport = std::function<void(qint64 done, qint64 total)>;

// Runs `program` in the folder `workFolderFd` (or the current one when it is -1) and waits for
// it, the deadline or a stop signal; the converter is killed in the latter two cases. With
// `progress` the converter is asked for progress lines, which go there and not into the kept
// error output.
ConverterRun runConverter(const QString& program, const QStringList& arguments, int workFolderFd,
                          KeptStream kept, const ProgressReport& progress = {});
