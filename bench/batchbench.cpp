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
//
// Last, the peak memory of a batch of three 16384 x 16384 pictures (JPEG, then PNG) against
// that of one of them alone, and of the main window opening one of them, each run in a process
// of its own.

#include "batch/batchrunner.h"
#include "engine/pictureio/mapwriter.h"
#include "engine/standard/mapconverter.h"
#include "mainwindow/mainwindow.h"
#include "peakmemory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

// Prints the process's peak resident memory in MB as a line of its own. A process started by
// this one must report it itself: the kernel's figure for a child carries over the parent's
// peak across the exec.
void printOwnPeak()
{
    std::printf("%.0f\n", peakResidentMiB());
}

// The peak memory of a batch is measured in a process of its own, this program started again
// with "--peak-batch KIND OUTPUT FILES...": KIND "huge" converts 16384 x 16384 pictures into
// small maps, "precise" the bench's pictures into precise 8192 x 8192 PNG maps, "standard" into
// the timed runs' standard 8192 x 4096 JPEG maps.
int runPeakBatch(const QStringList &arguments)
{
    ConversionParameters params;
    BatchSettings settings;
    if (arguments.at(0) == QLatin1String("huge")) {
        params.centerX = 8192;
        params.centerY = 8192;
        params.radius = 8000;
        params.outputWidth = 2048;
        params.outputHeight = 1024;
    } else {
        params.centerX = pictureWidth / 2;
        params.centerY = pictureHeight / 2;
        params.radius = 1470;
        params.outputWidth = 8192;
        params.outputHeight = 4096;
    }
    if (arguments.at(0) == QLatin1String("precise")) {
        params.outputHeight = 8192;
        params.mode = ConversionMode::Precise;
        settings.outputFormat = 1;
    }
    MapConverter converter;
    settings.outputFolder = arguments.at(1);
    BatchRunner runner(converter, params, settings);
    const bool converted = runner.run(arguments.mid(2)).allConverted();
    printOwnPeak();
    return converted ? 0 : 1;
}

// The window's peak on opening a huge picture, in a process of its own: this program started
// again with "--peak-window FILE", on the offscreen platform.
int runPeakWindow(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MainWindow window;
    window.loadFileName = QString::fromLocal8Bit(argv[2]);
    window.openImage();
    printOwnPeak();
    return window.sourceImage.isNull() ? 1 : 0;
}

// Runs this program with the arguments; the peak memory in MB that the child reports, or -1.
double peakOfChild(const char *program, const QStringList &childArguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromLocal8Bit(program), childArguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return -1;
    const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
    bool ok = false;
    const double peak = lines.last().toDouble(&ok);
    return ok ? peak : -1;
}

// A batch of three 16384 x 16384 pictures must hold no more than one of them at a time: its
// peak against that of the largest picture alone.
bool printHugeBatchPeak(const char *program, const QTemporaryDir &folder)
{
    QImage huge(16384, 16384, QImage::Format_RGB32);
    huge.fill(Qt::black);
    {
        QPainter painter(&huge);
        painter.setBrush(QColor(60, 120, 220));
        painter.drawEllipse(QPoint(8192, 8192), 8000, 8000);
    }
    QStringList files;
    for (const char *format : {"jpg", "png"}) {
        const QString path = folder.filePath(QStringLiteral("huge.") + format);
        if (!huge.save(path, format, 90))
            return false;
        files.clear();
        for (int i = 0; i < 3; ++i) {
            const QString link = folder.filePath(QStringLiteral("huge_%1.%2").arg(i).arg(format));
            if (!QFile::link(path, link))
                return false;
            files << link;
        }
        const QString output = folder.filePath(QStringLiteral("huge-maps"));
        QDir().mkpath(output);
        const QStringList batch{QStringLiteral("--peak-batch"), QStringLiteral("huge"), output};
        const double alone = peakOfChild(program, batch + files.mid(0, 1));
        const double three = peakOfChild(program, batch + files);
        const double window = peakOfChild(program, {QStringLiteral("--peak-window"), path});
        if (alone < 0 || three < 0 || window < 0)
            return false;
        std::printf("peak memory, 16384x16384 %s: one picture %.0f MB, a batch of three %.0f MB, "
                    "ratio %.2f (at most 1.3); the window opening it %.0f MB (at most 1500)\n",
                    format, alone, three, three / alone, window);
    }
    return true;
}

// Three pictures into precise 8192 x 8192 PNG maps (the maps, not the pictures, are what a
// batch must not hold twice) and into the timed runs' maps.
bool printMapBatchPeaks(const char *program, const QStringList &pictures,
                        const QTemporaryDir &folder)
{
    const QString output = folder.filePath(QStringLiteral("peak-maps"));
    QDir().mkpath(output);
    for (const char *kind : {"precise", "standard"}) {
        const QStringList batch{QStringLiteral("--peak-batch"), QLatin1String(kind), output};
        const double alone = peakOfChild(program, batch + pictures.mid(0, 1));
        const double three = peakOfChild(program, batch + pictures.mid(0, 3));
        if (alone < 0 || three < 0)
            return false;
        std::printf("peak memory, %s %s maps of %dx%d pictures: one picture %.0f MB, a batch of "
                    "three %.0f MB, ratio %.2f (at most 1.3)\n",
                    kind, std::strcmp(kind, "precise") == 0 ? "8192x8192 PNG" : "8192x4096 JPEG",
                    pictureWidth, pictureHeight, alone, three, three / alone);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(dropDebugLines);
    if (argc > 2 && std::strcmp(argv[1], "--peak-window") == 0)
        return runPeakWindow(argc, argv);
    QCoreApplication app(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "--peak-batch") == 0)
        return runPeakBatch(app.arguments().mid(2));
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
    if (!printMapBatchPeaks(argv[0], files, folder))
        std::printf("the batches of large maps could not be measured\n");
    if (!printHugeBatchPeak(argv[0], folder))
        std::printf("the batch of huge pictures could not be measured\n");
    return slowestLater <= first / 4 && identical && ratio <= 0.65 ? 0 : 2;
}
