// The conversion's progress on a terminal: pages done of pages in the run and the time left,
// rewritten in place on standard error and cleared at the end. Nothing is shown when standard
// error is not a terminal, so scripts and logs see the tool's output unchanged.
#pragma once

#include <QElapsedTimer>
#include <QString>

struct ProgressLine {
    QElapsedTimer clock;
    bool shown = false;
};

bool standardErrorIsTerminal();

// "12 of 200 pages, about 40 s left"; the time is left out until a page is done.
QString progressText(qint64 done, qint64 total, qint64 elapsedMilliseconds);

void showProgress(ProgressLine& line, qint64 done, qint64 total);
void clearProgress(ProgressLine& line);
