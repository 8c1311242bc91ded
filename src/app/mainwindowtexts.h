#pragma once

#include <QMap>
#include <QString>

class LanguageReader;

// The main window's texts that are kept in its text table rather than shown on a widget: the
// window title and the message and dialog texts. Each is stored as the language file's
// non-empty value for its key in section "main", or else as its built-in Japanese text.
void storeMainWindowTexts(const LanguageReader &reader, QMap<QString, QString> &texts);
