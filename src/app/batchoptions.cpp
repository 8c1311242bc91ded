#include "app/batchoptions.h"

#include "app/settinglimits.h"
#include "engine/finder/diskfinder.h"

#include <QDir>
#include <QFileInfo>

#include <functional>
#include <vector>

namespace {

// Applies an option's value to the record; returns why the value is refused, or nothing.
using Apply = std::function<QString(const QString &value, SettingsRecord &settings)>;

struct OptionRule
{
    QString name;
    // Empty for a switch, which takes no value.
    QString valueName;
    QString help;
    Apply apply;
};

QString limitText(double value)
{
    return QString::number(value, 'g', 10);
}

QString rangeText(const limits::Range &range)
{
    return QStringLiteral("%1 to %2").arg(limitText(range.lowest), limitText(range.highest));
}

// A number within the range, in the C locale ("2.5", "1e1").
Apply number(double SettingsRecord::*field, const limits::Range &range)
{
    return [field, range](const QString &value, SettingsRecord &settings) {
        bool ok = false;
        const double parsed = value.toDouble(&ok);
        if (!ok || !range.contains(parsed))
            return QStringLiteral("%1 is not a number from %2").arg(value, rangeText(range));
        settings.*field = parsed;
        return QString();
    };
}

// A whole number within the range; false when the text is none.
bool readWhole(const QString &text, const limits::Range &range, int *result)
{
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (!ok || !range.contains(parsed))
        return false;
    *result = parsed;
    return true;
}

// One word of the list, whose position is stored.
Apply choice(int SettingsRecord::*field, const QStringList &words)
{
    return [field, words](const QString &value, SettingsRecord &settings) {
        const int index = words.indexOf(value.toLower());
        if (index < 0)
            return QStringLiteral("%1 is not one of %2").arg(value, words.join(QLatin1Char('|')));
        settings.*field = index;
        return QString();
    };
}

Apply setSwitch(bool SettingsRecord::*field, bool on)
{
    return [field, on](const QString &, SettingsRecord &settings) {
        settings.*field = on;
        return QString();
    };
}

// The circle of --circle in picture pixels, decimals allowed: the precise mode takes it as it
// is, the standard mode whole pixels rounded as a found circle is (a whole number stays itself).
bool parseCircle(const QString &value, FoundCircle *circle)
{
    const QStringList parts = value.split(QLatin1Char(','));
    if (parts.size() != 3)
        return false;
    double numbers[3];
    const limits::Range ranges[3] = {limits::circleCentre, limits::circleCentre, limits::radius};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        numbers[i] = parts[i].toDouble(&ok);
        if (!ok || !ranges[i].contains(numbers[i]))
            return false;
    }
    DiskFinding finding;
    finding.found = true;
    finding.centerX = numbers[0];
    finding.centerY = numbers[1];
    finding.radius = numbers[2];
    *circle = foundCircle(finding);
    return true;
}

QString readCircle(const QString &value, SettingsRecord &settings)
{
    FoundCircle circle;
    if (!parseCircle(value, &circle))
        return QStringLiteral("%1 is not X,Y,R in picture pixels, the centre from %2 and the "
                              "radius from %3")
            .arg(value, rangeText(limits::circleCentre), rangeText(limits::radius));
    settings.centerX = circle.centerX;
    settings.centerY = circle.centerY;
    settings.radius = circle.radius;
    return QString();
}

QString readSize(const QString &value, SettingsRecord &settings)
{
    const QStringList parts = value.toLower().split(QLatin1Char('x'));
    int width = 0, height = 0;
    if (parts.size() != 2 || !readWhole(parts[0], limits::mapSide, &width) ||
        !readWhole(parts[1], limits::mapSide, &height))
        return QStringLiteral("%1 is not WxH with each side from %2")
            .arg(value, rangeText(limits::mapSide));
    settings.outputSizeX = width;
    settings.outputSizeY = height;
    return QString();
}

QString readQuality(const QString &value, SettingsRecord &settings)
{
    if (!readWhole(value, limits::quality, &settings.outputQuality))
        return QStringLiteral("%1 is not a whole number from %2")
            .arg(value, rangeText(limits::quality));
    return QString();
}

// The batch dialog only offers folders that exist; maps are never written into a folder
// that would have to be made first.
QString readOutputFolder(const QString &value, SettingsRecord &settings)
{
    if (value.isEmpty() || !QFileInfo(value).isDir())
        return QStringLiteral("%1 is not an existing folder").arg(value);
    settings.outputFolder = QDir::cleanPath(value);
    return QString();
}

const std::vector<OptionRule> &optionRules()
{
    static const std::vector<OptionRule> rules{
        {"--circle", "X,Y,R",
         "the disk's centre and radius in picture pixels (decimals are kept by the precise "
         "mode)",
         readCircle},
        {"--distance", "D", "camera distance in globe radii, " + rangeText(limits::distance),
         number(&SettingsRecord::distance, limits::distance)},
        {"--size", "WxH", "map size in pixels, each side " + rangeText(limits::mapSide), readSize},
        {"--latitude", "A", "latitude in degrees, " + rangeText(limits::latitude),
         number(&SettingsRecord::latitude, limits::latitude)},
        {"--longitude", "A", "longitude in degrees, " + rangeText(limits::longitude),
         number(&SettingsRecord::longitude, limits::longitude)},
        {"--azimuth", "A", "azimuth in degrees, " + rangeText(limits::azimuth),
         number(&SettingsRecord::azimuth, limits::azimuth)},
        {"--format", "jpg|png|tiff", "format of the maps (a TIFF map is a GeoTIFF)",
         choice(&SettingsRecord::outputFormat, {"jpg", "png", "tiff"})},
        {"--quality", "Q", "JPG quality, " + rangeText(limits::quality), readQuality},
        {"--output-dir", "DIR", "an existing folder for the maps", readOutputFolder},
        {"--naming", "input|numbered", "maps named after the pictures, or map_0, map_1...",
         choice(&SettingsRecord::fileNameType, {"input", "numbered"})},
        {"--order", "name|date", "order of the pictures: by name, or newest first",
         choice(&SettingsRecord::sortType, {"name", "date"})},
        {"--overwrite", "", "replace maps that exist", setSwitch(&SettingsRecord::overwrite, true)},
        {"--no-overwrite", "", "keep maps that exist and report their pictures as failed",
         setSwitch(&SettingsRecord::overwrite, false)},
        {"--mode", "standard|precise", "the standard conversion or the precise one",
         choice(&SettingsRecord::conversionMode, {"standard", "precise"})},
        {"--detect", "", "find the disk in each picture",
         setSwitch(&SettingsRecord::detectDisk, true)},
        {"--no-detect", "", "use the circle for every picture",
         setSwitch(&SettingsRecord::detectDisk, false)},
        {"--world-file", "", "write a world file beside each JPG or PNG map (.jgw, .pgw)",
         setSwitch(&SettingsRecord::worldFile, true)},
        {"--no-world-file", "", "write no world files",
         setSwitch(&SettingsRecord::worldFile, false)},
    };
    return rules;
}

const OptionRule *findRule(const QString &name)
{
    for (const OptionRule &rule : optionRules()) {
        if (rule.name == name)
            return &rule;
    }
    return nullptr;
}

// A value longer than this is cut in messages, which must stay one readable line.
constexpr int maxShownValue = 80;

QString shownInMessage(const QString &text)
{
    if (text.size() <= maxShownValue)
        return text;
    return text.left(maxShownValue) + QStringLiteral("... (%1 characters in all)").arg(text.size());
}

bool isOption(const QString &argument)
{
    return argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-");
}

} // namespace

BatchCommand readBatchCommand(const QStringList &arguments, const SettingsRecord &settings)
{
    BatchCommand command;
    command.settings = settings;
    int next = 0;
    while (next < arguments.size() && isOption(arguments.at(next))) {
        const QString argument = arguments.at(next++);
        if (argument == QLatin1String("--"))
            break;
        const int equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        const OptionRule *rule = findRule(name);
        if (!rule) {
            // "--=5" has no name before its equals sign, so it is shown whole.
            const bool nameless = name == QLatin1String("--") || name == QLatin1String("-");
            command.error = QStringLiteral("%1: unknown option (a file whose name starts with "
                                           "\"-\" goes after \"--\")")
                                .arg(shownInMessage(nameless ? argument : name));
            return command;
        }
        QString value;
        if (rule->valueName.isEmpty()) {
            if (equals >= 0) {
                command.error = QStringLiteral("%1: takes no value").arg(name);
                return command;
            }
        } else if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (next < arguments.size()) {
            value = arguments.at(next++);
        } else {
            command.error = QStringLiteral("%1: needs a value %2").arg(name, rule->valueName);
            return command;
        }
        QString refusal = rule->apply(value, command.settings);
        if (!refusal.isEmpty()) {
            if (value.size() > maxShownValue)
                refusal.replace(value, shownInMessage(value));
            command.error = name + QStringLiteral(": ") + refusal;
            return command;
        }
        command.overridden = true;
        if (rule->name == QLatin1String("--circle")) {
            FoundCircle circle;
            parseCircle(value, &circle);
            command.circle = circle;
        }
    }
    command.files = arguments.mid(next);
    return command;
}

QString batchOptionsHelp()
{
    QString help;
    for (const OptionRule &rule : optionRules()) {
        const QString usage = QStringLiteral("  ") + rule.name +
                              (rule.valueName.isEmpty() ? QString() : ' ' + rule.valueName);
        // The help starts in the column of the other options' help, or on a line of its own.
        constexpr int column = 21;
        help += usage.size() < column - 1
                    ? usage.leftJustified(column, QLatin1Char(' ')) + rule.help + '\n'
                    : usage + '\n' + QString(column, QLatin1Char(' ')) + rule.help + '\n';
    }
    return help;
}
