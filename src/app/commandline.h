#pragma once

#include <QStringList>

// True when the program was started for a silent batch run: the first argument after the
// program file is exactly "/batch", compared byte by byte (case matters, nothing may follow).
bool isSilentBatchStart(int argc, const char *const *argv);

// The arguments as the program received them, decoded from the locale's encoding like Qt's
// own list. Needs the application object, which sets the locale.
QStringList decodedArguments(int argc, const char *const *argv);

// The line printed when "/batch" is given without any file.
QString silentBatchUsage(const QString &programFile);

// What a start asks to be printed instead of running: the help or the version. Only the exact
// first arguments "--help", "-h", "--version" and "-v" ask for it; any other argument is a file
// name or pattern, so a picture named like an option is opened as ./-v.
enum class PrintRequest
{
    None,
    Help,
    Version
};
PrintRequest printRequest(int argc, const char *const *argv);

// The help text: every way to start the program, the silent batch mode and its exit status.
QString helpText(const QString &programFile);
// The program's name and version, as --version prints it.
QString versionText();
