#pragma once

#include "app/settingsrecord.h"

#include <QString>

// The keys of the circle, which a parameter file shares with the settings file.
namespace settingskeys {
inline constexpr char centerX[] = "CenterX";
inline constexpr char centerY[] = "CenterY";
inline constexpr char radius[] = "Radius";
} // namespace settingskeys

// The settings file: the keys of the General section, read once at start-up and written at
// every close. Keys are only ever set, so keys added by hand survive a save. Values are taken
// as they convert, unchecked: a text that is no number gives 0, and the conversion refuses
// what it cannot use when it runs. A value in QSettings' special "@" notation (other than the
// geometries' byte arrays) reads as missing, that is as its default. A file that is not a
// regular file (or a link to one), that is larger than maxTextFileBytes or not UTF-8 text, or
// a link to a file that is neither empty nor reads as these settings (a notes file), is neither
// read nor written: it is reported once on standard error and the defaults are used.
class SettingsFile
{
public:
    explicit SettingsFile(const QString &path);

    SettingsRecord load() const;
    // The file is replaced whole or not at all (see updateIniFile); false, said on standard
    // error, when it was not written.
    bool save(const SettingsRecord &record) const;

private:
    QString path;
};
