#include "app/parameterfile.h"

#include "app/safeinifile.h"
#include "app/settingsfile.h"

#include <QSettings>

bool readParameterFile(const QString &path, CircleParameters *circle, QString *error)
{
    *circle = CircleParameters();
    const SafeIniFile safe(path);
    if (!safe.ok()) {
        if (error)
            *error = safe.error();
        return false;
    }
    QSettings file(safe.path(), QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    circle->centerX = file.value(QLatin1String(settingskeys::centerX), 0).toInt();
    circle->centerY = file.value(QLatin1String(settingskeys::centerY), 0).toInt();
    circle->radius = file.value(QLatin1String(settingskeys::radius), 0).toInt();
    return true;
}

bool writeParameterFile(const QString &path, const CircleParameters &circle, QString *error)
{
    return updateIniFile(
        path,
        [&circle](QSettings &file) {
            file.setValue(QLatin1String(settingskeys::centerX), circle.centerX);
            file.setValue(QLatin1String(settingskeys::centerY), circle.centerY);
            file.setValue(QLatin1String(settingskeys::radius), circle.radius);
        },
        {}, error);
}
