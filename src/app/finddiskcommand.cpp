#include "app/finddiskcommand.h"

#include "app/commandline.h"
#include "app/printabletext.h"
#include "engine/finder/diskinfile.h"
#include "engine/pictureio/wholefilewriter.h"

#include <QCoreApplication>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const char findDiskOption[] = "--find-disk";

QString findingLine(const QString &file, bool *found)
{
    *found = false;
    QString readError;
    const DiskFinding finding = findDiskInFile(file, &readError);
    if (!readError.isEmpty())
        return QStringLiteral("%1: no disk found (the picture could not be read: %2)")
            .arg(file, readError);
    if (!finding.found)
        return QStringLiteral("%1: no disk found (%2)").arg(file, finding.reason);
    *found = true;
    return QStringLiteral("%1: centre %2 %3 radius %4")
        .arg(file)
        .arg(finding.centerX, 0, 'f', 2)
        .arg(finding.centerY, 0, 'f', 2)
        .arg(finding.radius, 0, 'f', 2);
}

} // namespace

bool isFindDiskStart(int argc, const char *const *argv)
{
    return argc > 1 && argv[1] && std::strcmp(argv[1], findDiskOption) == 0;
}

int runFindDisk(int argc, char *argv[])
{
    // A core application only: the picture plug-ins are found without any display. It gets
    // the program file alone, so that every further argument is a picture, whatever its name.
    int qtArgumentCount = 1;
    QCoreApplication app(qtArgumentCount, argv);
    QStringList files = decodedArguments(argc, argv).mid(2);
    // "--" may end the (absent) options, as in a silent batch.
    if (!files.isEmpty() && files.first() == QLatin1String("--"))
        files.removeFirst();
    if (files.isEmpty()) {
        std::fprintf(stderr, "Usage: %s --find-disk PICTURE...\n",
                     argc > 0 && argv[0] ? argv[0] : "orvix");
        return 2;
    }
    // Results written to a file beyond the file size limit fail like any other write.
    ignoreFileSizeSignal();
    bool allFound = true;
    for (const QString &file : files) {
        bool found = false;
        // Spelled out as in the batch report: a name cannot forge a line or drive the terminal.
        const QString line = printableText(findingLine(file, &found));
        allFound = allFound && found;
        if (std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout) < 0 ||
            std::fflush(stdout) != 0) {
            // Results that cannot be delivered are not worth finding.
            std::fprintf(stderr, "%s --find-disk: the results could not be written: %s\n",
                         argc > 0 && argv[0] ? argv[0] : "orvix", std::strerror(errno));
            return 2;
        }
    }
    return allFound ? 0 : 1;
}
