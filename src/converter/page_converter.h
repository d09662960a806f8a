// The tool's contact with the page converter: the info query and the conversion run.
#pragma once

#include <QByteArray>
#include <QString>

#include "run/settings.h"

struct ConversionOutcome {
    bool ok = true;
    QString error;         // one line for standard error when !ok
    bool stopped = false;  // a signal to the tool ended the run
};

// Takes the width and height texts from the first line of an info reply; missing values keep
// what the settings held.
void parseInfoReply(const QByteArray& reply, FlipbookSettings& settings);

void queryPageSize(const QString& converterPath, const QString& pdfPath,
                   FlipbookSettings& settings);

// Runs the converter inside the work folder with the pattern test%.swf; `pdfPath` must not
// depend on the working folder.
ConversionOutcome convertPages(const QString& converterPath, const ConverterSwitches& switches,
                               const QString& pdfPath, int workFolderFd);
