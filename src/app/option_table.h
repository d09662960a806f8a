// The tool's options, one row each: the option reader, the help text and the converter's command
// line are made from these rows, and tests hold the man page and the bash completion to them. A
// new option is one row in option_table.cpp (and its entries in packaging/quavelin.1 and
// packaging/quavelin.bash-completion, which the tests ask for).
#pragma once

#include <QString>

#include <span>
#include <string>

// What an option does with its value (if it takes one).
enum class Effect {
    PageWidth,
    PageHeight,
    PaperName,
    Consumed,  // takes a value and changes nothing; kept so old command lines still run
    PanelColor,
    ButtonColor,
    TextColor,
    BackgroundColor,
    HardCover,
    Direction,
    Download,        // a flag: the book carries the PDF
    Player,          // the book loads a player folder shared by a site's books
    SwitchAndValue,  // appends `converterSwitch`, then the value as its own element
    SwitchOnly,      // appends `converterSwitch`
    SettingSwitch,   // appends "-s", then `converterSwitch`
    Zoom,
    PassRest,
    Version,  // only as the one argument: prints the version line
};

// Where the help text lists an option.
enum class HelpSection { Book, Conversion, Version, Hidden };

struct OptionRow {
    const char* name;
    Effect effect;
    const char* converterSwitch = nullptr;
    // The help text: the value's placeholder after the name ("<int>"), and the description,
    // its lines separated by '\n'.
    const char* valueHint = nullptr;
    const char* help = nullptr;
    HelpSection section = HelpSection::Hidden;
    // The values the option accepts, separated by spaces, when it accepts only a few words.
    const char* choices = nullptr;
};

// Every option, in the help text's order.
std::span<const OptionRow> optionTable();

// Flags stand alone; "-addcmd" takes the rest of the line, not one value.
bool takesValue(Effect effect);

// The row whose name equals `argument` but for the case of ASCII letters; nullptr when none does.
const OptionRow* findOption(const QString& argument);

// The help text as the tool prints it, with its fixed head and examples.
std::string helpText();
