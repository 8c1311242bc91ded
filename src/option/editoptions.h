#pragma once

#include "app/settingsrecord.h"

#include <QString>

class QWidget;

// Runs the option dialog on a copy of the settings' distance, map size, format, quality, turns,
// pen and conversion mode, with the texts of languageFile. They come back into the record only when
// the user confirms, and then the function returns true.
bool editOptions(QWidget *parent, const QString &languageFile, SettingsRecord &settings);
