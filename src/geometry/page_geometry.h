// Page geometry: lengths with units, the paper-size table and the final page size of the book.
#pragma once

#include <QString>

#include <optional>
#include <span>

#include "run/settings.h"

struct PaperSize {
    const char* name;
    const char* widthText;
    const char* heightText;
};

// Rows in lookup order; names compare case-sensitively.
std::span<const PaperSize> paperSizeTable();

// The table's names in lookup order, joined by ", " (for messages).
QString paperNameList();

bool isAllDigits(const QString& text);

// A length in page units as "%g" text: bare and "pt" values as they stand, "mm" and "in" scaled.
// Never fails; text it cannot read gives the empty text.
QString convertLength(const QString& text);

// True when `text` is an unsigned decimal number, optionally followed by "pt", "mm" or "in"
// (lower case): the lengths convertLength turns into a number rather than into the empty text.
bool isReadableLength(const QString& text);

// The largest page side the book accepts, in page units: 200 inches of PDF user space.
constexpr double kMaxPageLength = 14400.0;

// A readable length whose value, in page units, is positive, finite and at most kMaxPageLength.
bool isUsableLength(const QString& text);

std::optional<PaperSize> findPaperSize(const QString& name);

// The "%g" text of a number: six significant digits, "." as the decimal point.
QString formatG(double value);

// Runs once per run, right before the page list's head line is written.
void resolvePageSize(FlipbookSettings& settings);
