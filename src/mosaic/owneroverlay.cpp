#include "mosaic/owneroverlay.h"

QColor ownerColour(int index)
{
    // Hues a golden angle apart stay distinct for any number of pictures.
    const int hue = int((index * 137.508) + 0.5) % 360;
    return QColor::fromHsv(hue, 200, 255);
}

QImage ownerOverlay(const QImage &map, const QImage &owners)
{
    QImage out = map.convertToFormat(QImage::Format_ARGB32);
    if (owners.size() != map.size() || owners.format() != QImage::Format_Grayscale8)
        return out;
    const int width = out.width();
    const int height = out.height();
    for (int r = 0; r < height; ++r) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(r));
        const uchar *owner = owners.constScanLine(r);
        const uchar *below = owners.constScanLine(std::min(r + 1, height - 1));
        for (int c = 0; c < width; ++c) {
            if (owner[c] == 0)
                continue;
            const QColor tint = ownerColour(owner[c] - 1);
            const bool border = owner[(c + 1) % width] != owner[c] || below[c] != owner[c];
            const QRgb p = line[c];
            // Half the map's own grey, half the tint; borders in the tint alone.
            const int grey = (qRed(p) + qGreen(p) + qBlue(p)) / 6;
            line[c] = border ? qRgba(tint.red(), tint.green(), tint.blue(), 255)
                             : qRgba(grey + tint.red() / 2, grey + tint.green() / 2,
                                     grey + tint.blue() / 2, qAlpha(p));
        }
    }
    return out;
}
