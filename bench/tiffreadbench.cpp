// Reads TIFFs of 16384 x 16384 pixels the way every picture is read (readPicture): one of 16
// bits per channel (delivered at 8, beyond the 16-bit bound) and one of 8 bits, both RGB,
// Deflate with the horizontal predictor, in strips. Each file is written by libtiff row by row
// into a temporary folder and read in a child process of its own, which prints the read time
// and the process's peak memory.

#include "engine/pictureio/picturereader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "peakmemory.h"

#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr int side = 16384;

// A smooth gradient with a fine texture in blue, as a stacked planetary picture has.
bool writeTiff(const QString &path, int bits)
{
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, quint32(side));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, quint32(side));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, quint16(3));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, quint16(bits));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, 1);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<std::uint16_t> deep(size_t(side) * 3);
    std::vector<std::uint8_t> shallow(size_t(side) * 3);
    bool written = true;
    for (int y = 0; y < side && written; ++y) {
        for (int x = 0; x < side; ++x) {
            const unsigned texture = (unsigned(x) * unsigned(y)) >> 4 & 0xFFF;
            deep[size_t(x) * 3] = std::uint16_t(x * 4);
            deep[size_t(x) * 3 + 1] = std::uint16_t(y * 4);
            deep[size_t(x) * 3 + 2] = std::uint16_t(0x8000 + texture);
            for (int c = 0; c < 3; ++c)
                shallow[size_t(x) * 3 + c] = std::uint8_t(deep[size_t(x) * 3 + c] >> 8);
        }
        void *row = bits == 16 ? static_cast<void *>(deep.data()) : shallow.data();
        written = TIFFWriteScanline(tiff, row, quint32(y), 0) >= 0;
    }
    TIFFClose(tiff);
    return written;
}

// The process's processor time in milliseconds, on all its threads: on a loaded machine a
// steadier figure than the wall time.
qint64 processorMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// The child: reads the file and prints the line.
int readAndReport(const QString &path, const char *label)
{
    const qint64 processorBefore = processorMilliseconds();
    QElapsedTimer timer;
    timer.start();
    QString error;
    const QImage picture = readPicture(path, &error);
    const qint64 milliseconds = timer.elapsed();
    if (picture.isNull()) {
        std::fprintf(stderr, "cannot read the picture: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("read %dx%d %s tiff: %lld ms, peak %.0f MiB (processor time %lld ms on %d "
                "cores; delivered at %d bits per pixel)\n",
                side, side, label, milliseconds, peakResidentMiB(),
                processorMilliseconds() - processorBefore, QThread::idealThreadCount(),
                picture.depth());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--read") == 0)
        return readAndReport(QString::fromLocal8Bit(argv[2]), argv[3]);

    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    const struct
    {
        int bits;
        const char *label;
    } cases[] = {{16, "16-bit"}, {8, "8-bit Deflate"}};
    for (const auto &one : cases) {
        const QString path = folder.filePath(QStringLiteral("picture.tif"));
        if (!writeTiff(path, one.bits)) {
            std::fprintf(stderr, "cannot write the picture\n");
            return 1;
        }
        std::fflush(stdout);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--read"), path, QString::fromLatin1(one.label)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            return 1;
        std::printf("  (file of %lld MiB)\n", QFileInfo(path).size() >> 20);
    }
    return 0;
}
