#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>

// What the language file under test makes a window show: the window's title when where is
// the window's own object name, the tool tip of the child widget named before ".toolTip",
// entry N of the list named before ".itemN", else the text of the child menu, action, label or
// button called where.
QString widgetText(const QWidget &window, const QString &where);

// The language files that check one key of one section: none at all, one where the key has
// text in every section ("text" in its own), and one where it is empty in its own section
// but not in the others.
struct KeyLanguageFiles
{
    KeyLanguageFiles(const QString &folder, const QByteArray &section, const QByteArray &key,
                     const QByteArray &text);

    QString missing, filled, emptied;
    bool written = false;
};

// A dialog with its texts loaded from langFile, as the program loads them.
template <class Dialog> std::unique_ptr<Dialog> dialogWithLanguage(const QString &langFile)
{
    auto dialog = std::make_unique<Dialog>();
    dialog->langFile = langFile;
    dialog->loadLanguage();
    return dialog;
}
