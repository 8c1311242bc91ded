#pragma once

#include "app/settingsrecord.h"
#include "engine/finder/foundcircle.h"

#include <QString>
#include <QStringList>

#include <optional>

// A silent batch run's command line after "/batch": "[OPTIONS] [--] FILES...".
struct BatchCommand
{
    // The settings to convert with: the record the command was read against, with every
    // option applied in the order given (a repeated option counts once, the last time).
    SettingsRecord settings;
    // The circle of --circle with what rounding to whole pixels left out, for the precise mode
    // (the settings hold the whole pixels); empty without --circle.
    std::optional<FoundCircle> circle;
    // True when any option was given.
    bool overridden = false;
    // The file names and patterns, as given.
    QStringList files;
    // Why the command is refused, naming the option; empty when it is accepted.
    QString error;
};

// Reads the options, each as "--name VALUE" or "--name=VALUE", and the files. The options end
// at "--" or at the first argument that does not start with "-" (a lone "-" is a file), so
// that a file named like an option follows "--". An unknown option, a missing value and a
// value outside the option dialog's limits refuse the whole command.
BatchCommand readBatchCommand(const QStringList &arguments, const SettingsRecord &settings);

// The options with their values and limits, a line or two each, for the help text.
QString batchOptionsHelp();
