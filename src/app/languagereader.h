#pragma once

#include "app/safeinifile.h"

#include <QMap>
#include <QSettings>
#include <QString>

class QAbstractButton;
class QAction;
class QLabel;
class QMenu;
class QWidget;

// Reads one window's section of the language file. The rule shared by every window: a
// widget keeps its built-in text unless the file holds a non-empty value for its key, and a
// text-table key stores the file's non-empty value or else its built-in text. A value that the
// INI reader splits into several items (an unquoted comma) counts as empty, and so does one in
// QSettings' special "@" notation. The file is only read, never created or written; one that is
// not a regular file (or a link to one) or is larger than maxTextFileBytes is not read at all,
// which is said once on standard error.
class LanguageReader
{
public:
    LanguageReader(const QString &languageFile, const QString &section);
    ~LanguageReader();
    LanguageReader(const LanguageReader &) = delete;
    LanguageReader &operator=(const LanguageReader &) = delete;

    // The key's text, or an empty string when it is absent, empty or a list.
    QString value(const QString &key) const;

    // Replace the widget's text (or the menu's title, or the window title) when the key has
    // a non-empty value.
    void applyText(const QString &key, QLabel *label) const;
    void applyText(const QString &key, QAbstractButton *button) const;
    void applyText(const QString &key, QAction *action) const;
    void applyTitle(const QString &key, QMenu *menu) const;
    void applyWindowTitle(const QString &key, QWidget *window) const;
    void applyToolTip(const QString &key, QWidget *widget) const;

    // texts[key] = the key's value, or builtIn when that is empty.
    void storeText(const QString &key, const QString &builtIn, QMap<QString, QString> &texts) const;

private:
    // Declared first: the settings read the safe copy it makes.
    const SafeIniFile file;
    mutable QSettings settings;
};
