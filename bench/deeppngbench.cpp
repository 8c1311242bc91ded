// Reads a PNG of 16384 x 16384 pixels at 16 bits per channel (about 2 MB: a smooth gradient)
// and converts it into a 2048 x 1024 map the way a batch run does, and prints the process's
// peak memory. The picture is decoded straight to 8 bits per channel, 1 GiB; decoding it at
// 16 bits and converting afterwards would hold 3 GiB. With "--qt" the picture is decoded by
// Qt's own reader and converted instead, for comparison.

#include "engine/mapconverter.h"
#include "engine/picturereader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include <png.h>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int side = 16384;

qint64 peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) / 1024;
}

// Written row by row, so that making the file needs no picture in memory.
bool writeDeepPng(const QString &path)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_uint_16> row(size_t(side) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, side, side, 16, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_swap(png); // the rows below are in the machine's byte order
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            row[size_t(x) * 3] = png_uint_16(x * 4);
            row[size_t(x) * 3 + 1] = png_uint_16(y * 4);
            row[size_t(x) * 3 + 2] = 0x8000;
        }
        png_write_row(png, reinterpret_cast<png_bytep>(row.data()));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
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
