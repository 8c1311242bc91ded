#pragma once

#include <QString>

// The settings file and the language file lie beside the program file, named after its base
// name (the file name up to the first dot): orvix.exe gives orvix.ini and orvix_lang.ini.
struct ProgramPaths
{
    QString settingsFile;
    QString languageFile;
};

ProgramPaths programPathsFor(const QString &programFile);

// The same, for a program whose folder may not be writable (installed under /usr, say): there
// the settings file could never be written, so it is kept in userFolder (the user's
// configuration folder) instead, and the language file is taken from userFolder too unless one
// lies beside the program. A program in a writable folder keeps both files beside it.
ProgramPaths programPathsFor(const QString &programFile, const QString &userFolder);
