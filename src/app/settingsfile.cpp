#include "app/settingsfile.h"

#include "app/safeinifile.h"

#include <QSettings>

#include <variant>

namespace {

using Field = std::variant<bool SettingsRecord::*, int SettingsRecord::*, double SettingsRecord::*,
                           QString SettingsRecord::*, QByteArray SettingsRecord::*>;

struct SettingsKey
{
    const char *name;
    Field field;
};

const SettingsKey settingsKeys[] = {
    {"Geometry", &SettingsRecord::geometry},
    {"PreviewGeometry", &SettingsRecord::previewGeometry},
    {"PreviewWindow", &SettingsRecord::previewWindow},
    {"AutoPreview", &SettingsRecord::autoPreview},
    {"AutoSize", &SettingsRecord::autoSize},
    {"PenSize", &SettingsRecord::penSize},
    {"PenColor", &SettingsRecord::penColor},
    {settingskeys::centerX, &SettingsRecord::centerX},
    {settingskeys::centerY, &SettingsRecord::centerY},
    {settingskeys::radius, &SettingsRecord::radius},
    {"Distance", &SettingsRecord::distance},
    {"OutputSizeX", &SettingsRecord::outputSizeX},
    {"OutputSizeY", &SettingsRecord::outputSizeY},
    {"LoadFileName", &SettingsRecord::loadFileName},
    {"SaveFileName", &SettingsRecord::saveFileName},
    {"InputFolder", &SettingsRecord::inputFolder},
    {"OutputFolder", &SettingsRecord::outputFolder},
    {"InputFileSortType", &SettingsRecord::sortType},
    {"OutputFileNameType", &SettingsRecord::fileNameType},
    {"OutputFormat", &SettingsRecord::outputFormat},
    {"OutputQuality", &SettingsRecord::outputQuality},
    {"Latitude", &SettingsRecord::latitude},
    {"Longitude", &SettingsRecord::longitude},
    {"Azimuth", &SettingsRecord::azimuth},
    {"Overwrite", &SettingsRecord::overwrite},
    {"OpenFiler", &SettingsRecord::openFiler},
    {"ConversionMode", &SettingsRecord::conversionMode},
    {"DetectDisk", &SettingsRecord::detectDisk},
    {"WorldFile", &SettingsRecord::worldFile},
};

// The keys whose values are the windows' geometries, stored as "@ByteArray(...)".
const QStringList byteArrayKeys = {QStringLiteral("Geometry"), QStringLiteral("PreviewGeometry")};

// Every key's name: a file that holds none of them is not this program's settings.
QStringList allKeyNames()
{
    QStringList names;
    for (const SettingsKey &key : settingsKeys)
        names << QLatin1String(key.name);
    return names;
}

void convert(const QVariant &value, bool &out)
{
    out = value.toBool();
}
void convert(const QVariant &value, int &out)
{
    out = value.toInt();
}
void convert(const QVariant &value, double &out)
{
    out = value.toDouble();
}
void convert(const QVariant &value, QString &out)
{
    out = value.toString();
}
void convert(const QVariant &value, QByteArray &out)
{
    out = value.toByteArray();
}

} // namespace

SettingsFile::SettingsFile(const QString &path) : path(path)
{
}

SettingsRecord SettingsFile::load() const
{
    const SafeIniFile safe(path, byteArrayKeys, SafeIniFile::Text::Utf8Only);
    const QString foreign = foreignLinkTarget(path, safe, allKeyNames());
    const QString problem = safe.ok() ? foreign : safe.error();
    const SettingsRecord defaults;
    if (!problem.isEmpty()) {
        warnOnce(problem,
                 QStringLiteral("settings file %1; the default settings are used and not saved")
                     .arg(problem));
        return defaults;
    }
    QSettings file(safe.path(), QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    SettingsRecord record;
    for (const SettingsKey &key : settingsKeys) {
        std::visit(
            [&](auto member) {
                convert(file.value(QLatin1String(key.name), QVariant::fromValue(defaults.*member)),
                        record.*member);
            },
            key.field);
    }
    return record;
}

bool SettingsFile::save(const SettingsRecord &record) const
{
    QString error;
    const bool saved = updateIniFile(
        path,
        [&record](QSettings &file) {
            for (const SettingsKey &key : settingsKeys) {
                std::visit(
                    [&](auto member) {
                        file.setValue(QLatin1String(key.name), QVariant::fromValue(record.*member));
                    },
                    key.field);
            }
        },
        byteArrayKeys, &error, allKeyNames());
    if (!saved)
        warnOnce(error, QStringLiteral("settings file %1; the settings are not saved").arg(error));
    return saved;
}
