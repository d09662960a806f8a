// Page geometry: lengths with units, the paper-size table and the final page size of the book.
#pragma once

#include <QString>

#include <optional>
#include <span>

#include "app/settings.h"

struct PaperSize {
    const char* name;
    const char* widthText;
    const char* heightText;
};

// Rows in lookup order; names compare case-sensitively.
std::span<const PaperSize> PaperSizeTable();

bool isAllDigits(const QString& text);
QString convertLength(const QString& text);
std::optional<PaperSize> findPaperSize(const QString& name);

// Runs once per run, right before the page list's head line is written.
void resolvePageSize(FlipbookSettings& settings);
