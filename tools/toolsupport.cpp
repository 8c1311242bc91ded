#include "toolsupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

namespace toolsupport {

Circle defaultCircle(int width, int height)
{
    Circle circle;
    circle.centerX = width / 2;
    circle.centerY = height / 2;
    circle.radius = static_cast<int>(std::min(circle.centerX, circle.centerY) * 0.98);
    return circle;
}

bool readInt(const QCommandLineParser &parser, const QString &option, int &value, QString &error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const int parsed = parser.value(option).toInt(&ok);
    if (!ok) {
        error = QStringLiteral("--%1 needs a whole number, not \"%2\"")
                    .arg(option, parser.value(option));
        return false;
    }
    value = parsed;
    return true;
}

bool readDouble(const QCommandLineParser &parser, const QString &option, double &value,
                QString &error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const double parsed = parser.value(option).toDouble(&ok);
    if (!ok) {
        error = QStringLiteral("--%1 needs a number, not \"%2\"").arg(option, parser.value(option));
        return false;
    }
    value = parsed;
    return true;
}

MapFormat mapFormatFor(const QString &path)
{
    MapFormat format = MapFormat::Jpg;
    mapFormatForSuffix(QFileInfo(path).suffix(), &format);
    return format;
}

int fail(const QString &message, int exitCode)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << '\n';
    return exitCode;
}

} // namespace toolsupport
