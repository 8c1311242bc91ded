#include "testimages.h"

#include <cstdlib>

namespace testimages {

namespace {

constexpr qint64 maxUniquePixels = qint64(1) << 24;

QRgb uniqueColour(int x, int y, int width)
{
    const quint32 index = quint32(y) * quint32(width) + quint32(x);
    return qRgb(int(index >> 16), int((index >> 8) & 0xFF), int(index & 0xFF));
}

QImage premultiplied(const QImage &image)
{
    return image.format() == QImage::Format_ARGB32_Premultiplied
               ? image
               : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool channelsClose(QRgb a, QRgb b, int tolerance)
{
    return qAlpha(a) == qAlpha(b) && std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

QImage uniquePicture(int width, int height)
{
    Q_ASSERT(qint64(width) * height <= maxUniquePixels);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = uniqueColour(x, y, width);
    }
    return image;
}

QPoint uniqueSpot(QRgb colour, int width)
{
    if (qAlpha(colour) != 255)
        return {-1, -1};
    const int index = int(colour & 0xFFFFFFu);
    return {index % width, index / width};
}

QImage translucentPicture(int width, int height)
{
    QImage image = uniquePicture(width, height);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = (line[x] & 0xFFFFFFu) | (quint32((x * 7 + y * 13) & 0xFF) << 24);
    }
    return image;
}

QImage filled(int width, int height, QImage::Format format, QRgb colour)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

QString Difference::describe() const
{
    if (sizesDiffer)
        return QStringLiteral("the sizes differ");
    if (count == 0)
        return QStringLiteral("none");
    return QStringLiteral("%1 pixels differ, first at (%2, %3): %4 instead of %5")
        .arg(count)
        .arg(first.x())
        .arg(first.y())
        .arg(actual, 8, 16, QLatin1Char('0'))
        .arg(expected, 8, 16, QLatin1Char('0'));
}

Difference compare(const QImage &actual, const QImage &expected, int channelTolerance)
{
    Difference difference;
    if (actual.size() != expected.size() || actual.isNull() != expected.isNull()) {
        difference.sizesDiffer = true;
        difference.count = qMax(qint64(1), qint64(actual.width()) * actual.height());
        return difference;
    }
    const QImage a = premultiplied(actual);
    const QImage e = premultiplied(expected);
    for (int y = 0; y < a.height(); ++y) {
        const auto *lineA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *lineE = reinterpret_cast<const QRgb *>(e.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (channelsClose(lineA[x], lineE[x], channelTolerance))
                continue;
            if (difference.count++ == 0) {
                difference.first = QPoint(x, y);
                difference.actual = lineA[x];
                difference.expected = lineE[x];
            }
        }
    }
    return difference;
}

qint64 contentPixels(const QImage &image)
{
    const QImage a = premultiplied(image);
    qint64 count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            count += line[x] != 0;
    }
    return count;
}

} // namespace testimages
