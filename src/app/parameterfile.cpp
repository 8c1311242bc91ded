#include "app/parameterfile.h"

#include "app/settingsfile.h"

#include <QSettings>

CircleParameters readParameterFile(const QString &path)
{
    QSettings file(path, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    CircleParameters circle;
    circle.centerX = file.value(QLatin1String(settingskeys::centerX), 0).toInt();
    circle.centerY = file.value(QLatin1String(settingskeys::centerY), 0).toInt();
    circle.radius = file.value(QLatin1String(settingskeys::radius), 0).toInt();
    return circle;
}

bool writeParameterFile(const QString &path, const CircleParameters &circle)
{
    QSettings file(path, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    file.setValue(QLatin1String(settingskeys::centerX), circle.centerX);
    file.setValue(QLatin1String(settingskeys::centerY), circle.centerY);
    file.setValue(QLatin1String(settingskeys::radius), circle.radius);
    file.sync();
    return file.status() != QSettings::AccessError;
}
