// Converts a batch of 20 pictures of 4000 x 3000 into maps of 8192 x 4096 with one
// MapConverter (read, convert, write each file in turn) and prints where the time of each file
// goes. Every file after the first should convert in at most a quarter of the first file's
// time, because equally sized pictures reuse the geometry.
//
// Then the same batch through BatchRunner twice, one step at a time and overlapped (the next
// picture read and the previous map written on other threads while a picture converts and is
// packed for the JPEG writer), and
// the ratio of their times; the target is at most 0.65 on two cores that nothing else uses.
// Both runs start with the geometry already computed, as it is for all but the first file of
// a long batch.

#include "batch/batchrunner.h"
#include "engine/mapconverter.h"
#include "engine/mapwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int fileCount = 20;
constexpr int pictureWidth = 4000;
constexpr int pictureHeight = 3000;

QImage benchPicture(int seed)
{
    QImage picture(pictureWidth, pictureHeight, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    QRadialGradient shade(QPointF(1800 + seed * 10, 1300), 1500);
    shade.setColorAt(0, QColor::fromHsv((seed * 37) % 360, 120, 255));
    shade.setColorAt(1, QColor::fromHsv((seed * 37 + 180) % 360, 255, 90));
    painter.setBrush(shade);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(pictureWidth / 2, pictureHeight / 2), 1470, 1470);
    return picture;
}

struct BatchTimes
{
    // Negative when a file failed.
    double wallMilliseconds = -1;
    // Of every thread of the process: on a machine busy with other work, the overlapped run
    // can only gain where cores are idle, and this shows what it costs.
    double cpuMilliseconds = 0;
};

// The time a BatchRunner takes for the files, with maps written into outputFolder.
BatchTimes timeBatch(const QStringList &files, const ConversionParameters &params,
                     const QString &outputFolder, bool overlapped)
{
    MapConverter converter;
    if (!converter.convert(QImageReader(files.first()).read(), params).ok())
        return {};
    BatchSettings settings;
    settings.outputFolder = outputFolder;
    BatchRunner runner(converter, params, settings);
    runner.overlapped = overlapped;
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    const BatchSummary summary = runner.run(files);
    BatchTimes times;
    times.cpuMilliseconds = double(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC;
    if (summary.allConverted())
        times.wallMilliseconds = clock.nsecsElapsed() / 1e6;
    return times;
}

double millisecondsSince(const QElapsedTimer &clock)
{
    return clock.nsecsElapsed() / 1e6;
}

// The engine logs a line per conversion; the figures are what this program is for.
void dropDebugLines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(dropDebugLines);
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    std::printf("writing %d pictures of %d x %d into %s\n", fileCount, pictureWidth, pictureHeight,
                qPrintable(folder.path()));
    for (int i = 0; i < fileCount; ++i) {
        if (!benchPicture(i).save(folder.filePath(QString("in_%1.jpg").arg(i)), "jpg", 90)) {
            std::fprintf(stderr, "cannot write picture %d\n", i);
            return 1;
        }
    }

    ConversionParameters params;
    params.centerX = pictureWidth / 2;
    params.centerY = pictureHeight / 2;
    params.radius = 1470;
    params.distance = 6.6;
    params.outputWidth = 8192;
    params.outputHeight = 4096;
    params.latitude = 35.6;
    params.longitude = 139.7;
    params.azimuth = 12.5;

    MapConverter converter;
    std::vector<double> convertTimes;
    double total = 0;
    std::printf("%4s %10s %10s %10s %10s %10s\n", "file", "decode", "convert", "geometry", "gather",
                "encode");
    for (int i = 0; i < fileCount; ++i) {
        QElapsedTimer clock;
        clock.start();
        const QImage picture = QImageReader(folder.filePath(QString("in_%1.jpg").arg(i))).read();
        const double decode = millisecondsSince(clock);

        clock.start();
        const ConversionResult result = converter.convert(picture, params);
        const double convert = millisecondsSince(clock);

        clock.start();
        QString error;
        if (!result.ok() || !writeMap(result.map, folder.filePath(QString("map_%1.jpg").arg(i)),
                                      MapFormat::Jpg, 85, &error)) {
            std::fprintf(stderr, "file %d failed: %s\n", i,
                         qPrintable(result.ok() ? error : result.error));
            return 1;
        }
        const double encode = millisecondsSince(clock);
        convertTimes.push_back(convert);
        total += decode + convert + encode;
        std::printf("%4d %8.1f ms %7.1f ms %7.1f ms %7.1f ms %7.1f ms\n", i + 1, decode, convert,
                    result.geometryMilliseconds, result.gatherMilliseconds, encode);
    }

    const double first = convertTimes.front();
    const double slowestLater = *std::max_element(convertTimes.begin() + 1, convertTimes.end());
    std::printf("whole batch: %.1f s for %d files\n", total / 1000, fileCount);
    std::printf("first convert %.1f ms; slowest later convert %.1f ms = %.3f of the first: %s\n",
                first, slowestLater, slowestLater / first,
                slowestLater <= first / 4 ? "every later file within a quarter"
                                          : "NOT within a quarter");

    QStringList files;
    for (int i = 0; i < fileCount; ++i)
        files << folder.filePath(QString("in_%1.jpg").arg(i));
    const QString serialFolder = folder.filePath("serial"),
                  overlappedFolder = folder.filePath("overlapped");
    if (!QDir().mkpath(serialFolder) || !QDir().mkpath(overlappedFolder)) {
        std::fprintf(stderr, "cannot create the output folders\n");
        return 1;
    }
    const BatchTimes serial = timeBatch(files, params, serialFolder, false);
    const BatchTimes overlapped = timeBatch(files, params, overlappedFolder, true);
    if (serial.wallMilliseconds < 0 || overlapped.wallMilliseconds < 0) {
        std::fprintf(stderr, "a batch run failed\n");
        return 1;
    }
    bool identical = true;
    for (int i = 0; i < fileCount; ++i) {
        const QString name = QString("in_%1.jpg").arg(i);
        QFile serialMap(serialFolder + "/" + name), overlappedMap(overlappedFolder + "/" + name);
        identical = identical && serialMap.open(QIODevice::ReadOnly) &&
                    overlappedMap.open(QIODevice::ReadOnly) &&
                    serialMap.readAll() == overlappedMap.readAll();
    }
    std::printf("maps of both runs byte-identical: %s\n", identical ? "yes" : "NO");
    std::printf("processor time: serial %.0f ms, overlapped %.0f ms\n", serial.cpuMilliseconds,
                overlapped.cpuMilliseconds);
    const double ratio = overlapped.wallMilliseconds / serial.wallMilliseconds;
    std::printf("batch %d files: serial %.0f ms, overlapped %.0f ms, ratio %.2f\n", fileCount,
                serial.wallMilliseconds, overlapped.wallMilliseconds, ratio);
    return slowestLater <= first / 4 && identical && ratio <= 0.65 ? 0 : 2;
}
