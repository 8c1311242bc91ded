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
