#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The texts a window shows: its title and those of its actions, buttons, labels and group
// boxes, with those of all its children.
QStringList shownTexts(const QWidget &window);

// The line that tells the user that no installed font can draw the Japanese characters of the
// texts, with the remedy; empty when every one can be drawn or there are none. Needs the
// application object.
QString missingJapaneseFontWarning(const QStringList &texts);

// Prints that line on standard error when it is not empty.
void warnIfJapaneseCannotBeDrawn(const QStringList &texts);
