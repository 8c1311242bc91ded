#include "app/mosaiccommand.h"

#include "app/commandline.h"
#include "app/mosaicfile.h"
#include "app/printabletext.h"
#include "engine/basics/rowscheduler.h"
#include "engine/pictureio/mapwriter.h"
#include "engine/pictureio/wholefilewriter.h"
#include "mosaic/mosaicbuilder.h"
#include "mosaic/mosaicpictures.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

namespace {

const char mosaicOption[] = "--mosaic";

QString programName(int argc, char *argv[])
{
    return QString::fromLocal8Bit(argc > 0 && argv[0] ? argv[0] : "orvix");
}

// Prints a line (spelled out as in the batch report: a name cannot forge a line or drive the
// terminal); false when it could not be written.
bool printLine(std::FILE *stream, const QString &line)
{
    return std::fputs((printableText(line) + QLatin1Char('\n')).toLocal8Bit().constData(),
                      stream) >= 0 &&
           std::fflush(stream) == 0;
}

int refuse(int argc, char *argv[], const QString &reason)
{
    printLine(
        stderr,
        QStringLiteral("%1 --mosaic: %2; no map was written").arg(programName(argc, argv), reason));
    return 2;
}

QString percent(qint64 part, qint64 whole)
{
    return QString::number(whole > 0 ? 100.0 * part / whole : 0.0, 'f', 1);
}

} // namespace

bool isMosaicStart(int argc, const char *const *argv)
{
    return argc > 1 && argv[1] && std::strcmp(argv[1], mosaicOption) == 0;
}

int runMosaic(int argc, char *argv[])
{
    // A core application given the program file alone, as for --find-disk: every further
    // argument is the command's own, whatever its name, and no display is needed.
    int qtArgumentCount = 1;
    QCoreApplication app(qtArgumentCount, argv);
    QStringList arguments = decodedArguments(argc, argv).mid(2);
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--"))
        arguments.removeFirst();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "Usage: %s --mosaic MOSAIC-FILE MAP\n",
                     argc > 0 && argv[0] ? argv[0] : "orvix");
        return 2;
    }
    const QString mosaicFile = arguments.at(0);
    const QString mapFile = arguments.at(1);
    MapFormat format = MapFormat::Jpg;
    if (!mapFormatForSuffix(QFileInfo(mapFile).suffix(), &format))
        return refuse(argc, argv,
                      QStringLiteral("%1: the map's name must end in .jpg, .jpeg, .png, .tif or "
                                     ".tiff")
                          .arg(mapFile));
    ignoreFileSizeSignal();

    MosaicDescription description;
    QString error;
    if (!readMosaicFile(mosaicFile, &description, &error))
        return refuse(argc, argv, error);
    const LoadedMosaic loaded =
        loadMosaicPictures(description, QFileInfo(mosaicFile).absolutePath());
    if (loaded.views.empty()) {
        for (const LoadedMosaic::Picture &picture : loaded.pictures)
            printLine(stdout,
                      QStringLiteral("%1: left out (%2)").arg(picture.file, picture.reason));
        return refuse(argc, argv, QStringLiteral("no picture could be used"));
    }

    MosaicResult result;
    try {
        RowScheduler scheduler(int(std::thread::hardware_concurrency()), [] {});
        MosaicOptions options;
        options.mapSize = QSize(description.outputSizeX, description.outputSizeY);
        options.exposureMatching = description.exposureMatching;
        result = MosaicBuilder().build(loaded.views, options, scheduler);
    } catch (const std::bad_alloc &) {
        return refuse(argc, argv, QStringLiteral("not enough memory for the pictures and the map"));
    }
    result.owners = QImage();
    if (!writeMap(result.map, mapFile, format, description.outputQuality, &error))
        return refuse(argc, argv, error);

    bool allUsed = true;
    bool printed = true;
    for (const LoadedMosaic::Picture &picture : loaded.pictures) {
        allUsed = allUsed && picture.view >= 0;
        const QString line =
            picture.view >= 0
                ? QStringLiteral("%1: share %2 %")
                      .arg(picture.file,
                           percent(result.leadingPixels[picture.view], result.coveredPixels))
                : QStringLiteral("%1: left out (%2)").arg(picture.file, picture.reason);
        printed = printLine(stdout, line) && printed;
    }
    const qint64 mapPixels = qint64(description.outputSizeX) * description.outputSizeY;
    printed = printLine(stdout, QStringLiteral("%1: %2 x %3, covered %4 % of the map, %5 of %6 "
                                               "pictures used")
                                    .arg(mapFile)
                                    .arg(description.outputSizeX)
                                    .arg(description.outputSizeY)
                                    .arg(percent(result.coveredPixels, mapPixels))
                                    .arg(loaded.views.size())
                                    .arg(loaded.pictures.size())) &&
              printed;
    if (!printed)
        std::fprintf(stderr, "%s --mosaic: the report could not be written: %s\n",
                     argc > 0 && argv[0] ? argv[0] : "orvix", std::strerror(errno));
    return allUsed ? 0 : 1;
}
