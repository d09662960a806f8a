// The option reader: arguments after the output folder become book settings and converter switches.
#pragma once

#include <QString>
#include <QStringList>

#include "run/settings.h"

struct OptionsOutcome {
    enum class Kind { GoOn, Unrecognised, InvalidValue };
    Kind kind = Kind::GoOn;
    QString message;  // for InvalidValue: one line naming the option and the value
};

// `options` holds the arguments from the third on (the first after the output folder).
OptionsOutcome readOptions(const QStringList& options, FlipbookSettings& settings,
                           ConverterSwitches& switches);
