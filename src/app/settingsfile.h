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
// what it cannot use when it runs.
class SettingsFile
{
public:
    explicit SettingsFile(const QString &path);

    SettingsRecord load() const;
    // The file is replaced whole or not at all.
    void save(const SettingsRecord &record) const;

private:
    QString path;
};
