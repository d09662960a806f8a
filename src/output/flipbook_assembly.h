// The page list document: the book's settings in its head line, then one line per page.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "app/settings.h"

// The page list document for pages in data, in the given order (page names without "data/").
QByteArray pageListDocument(const FlipbookSettings& settings, const QStringList& pageNames);

// `&`, `<`, `>`, `'` and `"` as entities, for attribute values.
QString xmlEscaped(const QString& text);
