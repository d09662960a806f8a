// Turning the converter's page files into the finished book: page list, pages, templates.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "app/settings.h"

struct AssemblyOutcome {
    bool ok = true;
    QString error;  // one line for standard error when !ok
};

// Removes page files an earlier, interrupted run left in tmp, before the conversion run. Page
// files are those named like the conversion pattern ("test<something>.swf"); others stay.
void removeStalePages(const OutputFolder& folder);

// True when the conversion run left at least one page file (named as above) in tmp.
bool hasPageFiles(const OutputFolder& folder);

// Resolves the page size, moves the pages from tmp into data under four-digit numbers, writes
// data/pages.xml, copies the viewer templates and removes tmp. Call once, after the conversion.
AssemblyOutcome assembleFlipbook(const OutputFolder& folder, FlipbookSettings& settings,
                                 const QString& programFolder);

// The name a page file gets in data: "test7.swf" becomes "test0007.swf", "test3b.swf" becomes
// "test0003.swf", "test12345.swf" stays; a name without digits is kept.
QString paddedPageName(const QString& fileName);

// The page list document for pages already in data, in the given order.
QByteArray pageListDocument(const FlipbookSettings& settings, const QStringList& pageNames);

// `&`, `<`, `>`, `'` and `"` as entities, for attribute values.
QString xmlEscaped(const QString& text);
