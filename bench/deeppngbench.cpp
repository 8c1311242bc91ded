// Reads a PNG of 16384 x 16384 pixels at 16 bits per channel (about 2 MB: a smooth gradient)
// and converts it into a 2048 x 1024 map the way a batch run does, and prints the process's
// peak memory. The picture is decoded straight to 8 bits per channel, 1 GiB; decoding it at
// 16 bits and converting afterwards would hold 3 GiB. With "--qt" the picture is decoded by
// Qt's own reader and converted instead, for comparison.

#include "engine/pictureio/picturereader.h"
#include "engine/standard/mapconverter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include "deeppngwriter.h"

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

constexpr int side = 16384;

qint64 peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) / 1024;
}

// A gradient over the whole 16-bit range, written row by row.
bool writeDeepPng(const QString &path)
{
    return ::writeDeepPng(path, side, side, [](int y, std::uint16_t *row) {
        for (int x = 0; x < side; ++x) {
            row[size_t(x) * 3] = std::uint16_t(x * 4);
            row[size_t(x) * 3 + 1] = std::uint16_t(y * 4);
            row[size_t(x) * 3 + 2] = 0x8000;
        }
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool throughQt = argc > 1 && std::strcmp(argv[1], "--qt") == 0;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("deep.png"));
    if (!folder.isValid() || !writeDeepPng(path)) {
        std::fprintf(stderr, "cannot write the picture\n");
        return 1;
    }
    std::printf("picture written: %lld bytes; peak so far %lld MB\n", QFileInfo(path).size(),
                peakMegabytes());

    QString error;
    QImage picture;
    if (throughQt) {
        QImageReader reader(path);
        picture = reader.read().convertToFormat(QImage::Format_ARGB32);
    } else {
        picture = readPicture(path, &error);
    }
    if (picture.isNull()) {
        std::fprintf(stderr, "cannot read the picture: %s\n", qPrintable(error));
        return 1;
    }
    ConversionParameters params;
    params.centerX = side / 2;
    params.centerY = side / 2;
    params.radius = side / 2 - 8;
    params.distance = 6.6;
    MapConverter converter;
    const ConversionResult result = converter.convert(picture, params);
    if (!result.ok()) {
        std::fprintf(stderr, "conversion failed: %s\n", qPrintable(result.error));
        return 1;
    }
    std::printf("peak memory %dx%d 16-bit PNG%s: %lld MB\n", side, side,
                throughQt ? " (Qt's reader, then converted)" : "", peakMegabytes());
    return 0;
}
