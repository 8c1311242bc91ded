#include "app/mosaicfile.h"

#include "app/safeinifile.h"
#include "app/settinglimits.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

const QString general = QStringLiteral("General");
const QStringList generalKeys{"OutputSizeX", "OutputSizeY", "OutputQuality", "ExposureMatching"};
const QStringList pictureKeys{"File",     "Detect",   "CenterX",   "CenterY", "Radius",
                              "Distance", "Latitude", "Longitude", "Azimuth"};

QString rangeText(const limits::Range &range)
{
    return QStringLiteral("%1 to %2")
        .arg(QString::number(range.lowest, 'g', 10), QString::number(range.highest, 'g', 10));
}

// Reads the keys of one section, remembering the first refusal.
class SectionReader
{
public:
    SectionReader(QSettings &file, const QString &section, QString &error)
        : file(file), section(section), error(error)
    {
    }

    bool has(const QString &key) const { return file.contains(key); }

    void number(const QString &key, const limits::Range &range, double *value)
    {
        if (!error.isEmpty() || !has(key))
            return;
        bool ok = false;
        const QString text = file.value(key).toString().trimmed();
        const double parsed = text.toDouble(&ok);
        if (!ok || !range.contains(parsed))
            return refuse(
                key, QStringLiteral("\"%1\" is not a number from %2").arg(text, rangeText(range)));
        *value = parsed;
    }

    void whole(const QString &key, const limits::Range &range, int *value)
    {
        if (!error.isEmpty() || !has(key))
            return;
        bool ok = false;
        const QString text = file.value(key).toString().trimmed();
        const int parsed = text.toInt(&ok, 10);
        if (!ok || !range.contains(parsed))
            return refuse(
                key,
                QStringLiteral("\"%1\" is not a whole number from %2").arg(text, rangeText(range)));
        *value = parsed;
    }

    void flag(const QString &key, bool *value)
    {
        if (!error.isEmpty() || !has(key))
            return;
        const QString text = file.value(key).toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("1"))
            *value = true;
        else if (text == QLatin1String("false") || text == QLatin1String("0"))
            *value = false;
        else
            refuse(key, QStringLiteral("\"%1\" is not true or false").arg(text));
    }

    void require(const QString &key, const QString &why)
    {
        if (error.isEmpty() && !has(key))
            refuse(key, QStringLiteral("missing (%1)").arg(why));
    }

    void onlyKnown(const QStringList &known)
    {
        for (const QString &key : file.childKeys())
            if (error.isEmpty() && !known.contains(key))
                refuse(key, QStringLiteral("unknown key"));
    }

    void refuse(const QString &key, const QString &why)
    {
        error = QStringLiteral("[%1] %2: %3").arg(section, key, why);
    }

private:
    QSettings &file;
    QString section;
    QString &error;
};

MosaicPictureEntry readPicture(QSettings &file, const QString &section, QString &error)
{
    MosaicPictureEntry entry;
    file.beginGroup(section);
    SectionReader reader(file, section, error);
    reader.onlyKnown(pictureKeys);
    reader.require(QStringLiteral("File"), QStringLiteral("every picture names its file"));
    if (error.isEmpty()) {
        // An unquoted comma makes QSettings read a list; the name is the text as written.
        const QVariant value = file.value(QStringLiteral("File"));
        entry.file = value.type() == QVariant::StringList
                         ? value.toStringList().join(QLatin1Char(','))
                         : value.toString();
        if (entry.file.trimmed().isEmpty())
            reader.refuse(QStringLiteral("File"), QStringLiteral("empty"));
    }
    reader.flag(QStringLiteral("Detect"), &entry.detect);
    if (!entry.detect) {
        const QString why = QStringLiteral("give the circle or Detect=true");
        reader.require(QStringLiteral("CenterX"), why);
        reader.require(QStringLiteral("CenterY"), why);
        reader.require(QStringLiteral("Radius"), why);
    }
    reader.number(QStringLiteral("CenterX"), limits::circleCentre, &entry.centerX);
    reader.number(QStringLiteral("CenterY"), limits::circleCentre, &entry.centerY);
    reader.number(QStringLiteral("Radius"), limits::radius, &entry.radius);
    reader.number(QStringLiteral("Distance"), limits::distance, &entry.distance);
    reader.number(QStringLiteral("Latitude"), limits::latitude, &entry.latitude);
    reader.number(QStringLiteral("Longitude"), limits::longitude, &entry.longitude);
    reader.number(QStringLiteral("Azimuth"), limits::azimuth, &entry.azimuth);
    file.endGroup();
    return entry;
}

} // namespace

bool readMosaicFile(const QString &path, MosaicDescription *description, QString *error)
{
    *description = MosaicDescription();
    QString problem;
    const SafeIniFile safe(path);
    if (!safe.ok())
        problem = safe.error();
    else if (!safe.exists())
        problem = QStringLiteral("%1: no such file").arg(path);
    if (problem.isEmpty()) {
        QSettings file(safe.path(), QSettings::IniFormat);
        file.setIniCodec("UTF-8");
        SectionReader reader(file, general, problem);
        // Keys before any section belong to [General].
        reader.onlyKnown(generalKeys);
        reader.whole(QStringLiteral("OutputSizeX"), limits::storedMapSide,
                     &description->outputSizeX);
        reader.whole(QStringLiteral("OutputSizeY"), limits::storedMapSide,
                     &description->outputSizeY);
        reader.whole(QStringLiteral("OutputQuality"), limits::quality, &description->outputQuality);
        reader.flag(QStringLiteral("ExposureMatching"), &description->exposureMatching);
        // The picture sections in the order of their numbers.
        static const QRegularExpression pictureSection(
            QStringLiteral("^picture([1-9][0-9]{0,8})$"));
        std::vector<std::pair<int, QString>> sections;
        for (const QString &group : file.childGroups()) {
            const QRegularExpressionMatch match = pictureSection.match(group);
            if (match.hasMatch())
                sections.emplace_back(match.captured(1).toInt(), group);
            else if (problem.isEmpty())
                problem = QStringLiteral("[%1]: unknown section (pictures are in [picture1], "
                                         "[picture2], ...)")
                              .arg(group);
        }
        std::sort(sections.begin(), sections.end());
        if (problem.isEmpty() && sections.empty())
            problem = QStringLiteral("no picture: the pictures are in [picture1], [picture2], ...");
        if (problem.isEmpty() && int(sections.size()) > maxMosaicPictures)
            problem = QStringLiteral("%1 pictures: a mosaic takes at most %2")
                          .arg(sections.size())
                          .arg(maxMosaicPictures);
        for (const auto &section : sections) {
            if (!problem.isEmpty())
                break;
            description->pictures.push_back(readPicture(file, section.second, problem));
        }
        if (!problem.isEmpty())
            problem = QStringLiteral("%1: %2").arg(path, problem);
    }
    if (!problem.isEmpty()) {
        *description = MosaicDescription();
        if (error)
            *error = problem;
        return false;
    }
    return true;
}

bool writeMosaicFile(const QString &path, const MosaicDescription &description, QString *error)
{
    return updateIniFile(
        path,
        [&description](QSettings &file) {
            file.clear();
            file.setValue(QStringLiteral("OutputSizeX"), description.outputSizeX);
            file.setValue(QStringLiteral("OutputSizeY"), description.outputSizeY);
            file.setValue(QStringLiteral("OutputQuality"), description.outputQuality);
            file.setValue(QStringLiteral("ExposureMatching"), description.exposureMatching);
            int number = 0;
            for (const MosaicPictureEntry &entry : description.pictures) {
                file.beginGroup(QStringLiteral("picture%1").arg(++number));
                file.setValue(QStringLiteral("File"), entry.file);
                if (entry.detect) {
                    file.setValue(QStringLiteral("Detect"), true);
                } else {
                    file.setValue(QStringLiteral("CenterX"), entry.centerX);
                    file.setValue(QStringLiteral("CenterY"), entry.centerY);
                    file.setValue(QStringLiteral("Radius"), entry.radius);
                }
                file.setValue(QStringLiteral("Distance"), entry.distance);
                file.setValue(QStringLiteral("Latitude"), entry.latitude);
                file.setValue(QStringLiteral("Longitude"), entry.longitude);
                file.setValue(QStringLiteral("Azimuth"), entry.azimuth);
                file.endGroup();
            }
        },
        {}, error);
}

QString mosaicRelativeName(const QString &mosaicPath, const QString &pictureFile)
{
    const QDir folder = QFileInfo(mosaicPath).absoluteDir();
    return folder.relativeFilePath(QFileInfo(pictureFile).absoluteFilePath());
}
