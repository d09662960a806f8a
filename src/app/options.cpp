// The option reader: arguments after the output folder become book settings and converter switches.
#include "app/options.h"

OptionsOutcome readOptions(const QStringList& options, FlipbookSettings& settings,
                           ConverterSwitches& switches) {
    (void)options;
    (void)settings;
    (void)switches;
    return {};
}
