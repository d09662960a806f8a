// Turning the converter's page files into the finished book: page list, pages, templates.
#pragma once

#include <QString>

#include "app/settings.h"

struct AssemblyOutcome {
    bool ok = true;
    QString error;  // one line for standard error when !ok
};

// Removes page files an earlier, interrupted run left in tmp, before the conversion run.
void removeStalePages(const OutputFolder& folder);

// True when the conversion run left at least one page file in tmp.
bool hasPageFiles(const OutputFolder& folder);

AssemblyOutcome assembleFlipbook(const OutputFolder& folder, FlipbookSettings& settings,
                                 const QString& programFolder);
