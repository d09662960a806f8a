// The page list document: the book's settings in its head line, then one line per page.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

#include "run/settings.h"

// What the page list takes from the book index.
struct BookIndexSummary {
    QStringList labels;  // one per page, or none
    bool contents = false;
    bool search = false;
    QString title;             // of the document, for the book's page
    QString language;          // a language tag, or empty
    QString textVersion;       // the text version's name beside index.html, empty without one
    bool rightToLeft = false;  // the PDF reads right to left
};

// An index past this size is not read: the book plays without what it would add.
inline constexpr qint64 kMaxBookIndexBytes = qint64{64} << 20;

// The summary of a book index for a book of `pageCount` pages; nothing, with the reason, when
// the document is not a usable index. Labels that do not match the pages are left out.
std::optional<BookIndexSummary> summarizeBookIndex(const QByteArray& json, qsizetype pageCount,
                                                   QString& problem);

// Whether the book reads right to left: -direction where it was given, else the index's word.
bool readsRightToLeft(const FlipbookSettings& settings,
                      const std::optional<BookIndexSummary>& index);

// The page list document for pages in data, in the given order (page names without "data/"), with
// the index's labels and flags when there is one; the direction only for a right-to-left book, so
// that other books' lists stay as they were.
QByteArray pageListDocument(const FlipbookSettings& settings, const QStringList& pageNames,
                            const std::optional<BookIndexSummary>& index = std::nullopt);

// `&`, `<`, `>`, `'` and `"` as entities, for attribute values.
QString xmlEscaped(const QString& text);
