#include "engine/pictureio/worldfile.h"

#include <QFileInfo>
#include <QLocale>

namespace {

QByteArray decimal(double value)
{
    // -0 (from a zero term) is written as 0.
    return QString::number(value == 0.0 ? 0.0 : value, 'f', QLocale::FloatingPointShortest)
        .toLatin1();
}

} // namespace

QString worldFilePath(const QString &mapPath)
{
    const QFileInfo map(mapPath);
    const QString suffix = map.suffix();
    const QString stem = mapPath.left(mapPath.size() - suffix.size());
    if (suffix.isEmpty())
        return mapPath + QStringLiteral(".wld");
    const bool upper = suffix == suffix.toUpper() && suffix != suffix.toLower();
    const QString worldSuffix =
        suffix.left(1) + suffix.right(1) + (upper ? QLatin1Char('W') : QLatin1Char('w'));
    return stem + worldSuffix;
}

QByteArray worldFileText(QSize mapSize)
{
    const double width = mapSize.width();
    const double height = mapSize.height();
    const double columnDegrees = 360.0 / width;
    const double rowDegrees = 180.0 / height;
    QByteArray text;
    for (const double line :
         {columnDegrees, 0.0, 0.0, -rowDegrees, -180.0 + columnDegrees / 2, 90.0 - rowDegrees / 2})
        text += decimal(line) + '\n';
    return text;
}
