#pragma once

#include <QString>

class LanguageReader;

// The language of the interface: what the language file's section "main" names with its key
// "language" ("en" in the shipped English file), or Japanese, the language of the built-in
// texts, when it names none.
QString interfaceLanguage(const LanguageReader &mainSection);

// Puts Qt's own texts (the buttons of message boxes, the file dialogs) into the language:
// Qt's translation qtbase_<language>.qm from Qt's translations folder replaces the one loaded
// before. English, and a language that Qt has no translation for on this machine (the
// translations are a package of their own), leave Qt's own English texts. Returns whether a
// translation is in force.
bool useQtTranslation(const QString &language);
