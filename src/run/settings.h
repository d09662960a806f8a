// The records one run of the tool shares between its steps: the book's settings, the converter
// switches collected from the options and the paths inside the output folder.
#pragma once

#include <QString>
#include <QStringList>

// Which size options decide the page size; the last of -pw, -ph and -pp given wins.
enum class SizeSource { Unchanged = 0, WidthHeight = 1, Paper = 2 };

struct FlipbookSettings {
    QString pageWidth = QStringLiteral("595");
    QString pageHeight = QStringLiteral("842");
    QString paperName;
    SizeSource sizeSource = SizeSource::Unchanged;
    int zoom = 72;
    QString buttonColor = QStringLiteral("5d5d61");
    QString panelColor = QStringLiteral("5d5d61");
    QString textColor = QStringLiteral("ffffff");
    QString backgroundColor = QStringLiteral("cccccc");
    QString hardCover = QStringLiteral("false");
    QString direction;      // "rtl" or "ltr" from -direction; empty: as the PDF says
    bool download = false;  // a copy of the PDF goes into the book for readers to take
    QString player;  // from -player: the player folder the book loads (ends in '/'); empty: its own
};

// Extra arguments of the conversion run, one element per argument, in command-line order.
using ConverterSwitches = QStringList;
