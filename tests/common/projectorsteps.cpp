#include "projectorsteps.h"

#include "engine/basics/diagnostics.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <vector>

namespace projectorsteps {

namespace {

// The image operations work on premultiplied 32-bit pixels, the format of the working maps.
QImage premultiplied(const QImage &image)
{
    return image.format() == QImage::Format_ARGB32_Premultiplied
               ? image
               : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void makePremultiplied(QImage &image)
{
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

int projectDisk(const MapProjector &projector, const QImage &source, QImage &target)
{
    const int W = source.width();
    const int H = source.height();
    if (!projector.projectionIsDefined(H) || source.isNull() || target.isNull())
        return 0;
    const QImage src = premultiplied(source);
    makePremultiplied(target);
    const int TW = target.width();
    const int TH2 = target.height() / 2;

    std::vector<double> cosPhi(TW), sinPhi(TW);
    for (int j = 0; j < TW; ++j) {
        const double phi = projector.columnAngle(j, W);
        cosPhi[j] = std::cos(phi);
        sinPhi[j] = std::sin(phi);
    }
    int errors = 0;
    const int last = projector.lastRow(H);
    for (int i = std::max(projector.firstRow(H), TH2 - target.height()); i <= last; ++i) {
        const double rho = projector.samplingRadius(i, H);
        auto *out = i < TH2 ? reinterpret_cast<QRgb *>(target.scanLine(TH2 - 1 - i)) : nullptr;
        for (int j = 0; j < TW; ++j) {
            const QPoint s = projector.sampleSource(cosPhi[j], sinPhi[j], rho, W, H);
            if (s.x() < 0)
                continue;
            if (out)
                out[TW - 1 - j] = reinterpret_cast<const QRgb *>(src.constScanLine(s.y()))[s.x()];
            else
                ++errors;
        }
        QCoreApplication::processEvents();
    }
    qCDebug(orvixDiagnostics) << "Convert error " << errors;
    return errors;
}

void shiftLongitude(double degrees, const QImage &source, QImage &target)
{
    const QImage src = premultiplied(source);
    makePremultiplied(target);
    const int W = std::min(src.width(), target.width());
    const int H = std::min(src.height(), target.height());
    const int shift = MapProjector::shiftColumns(degrees, src.width());
    // Each target column receives at most one source column. Fully transparent source pixels
    // leave the target alone; the others are copied, which is what compositing the shifted map
    // over the transparent black target that the callers pass gives.
    for (int y = 0; y < H; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(target.scanLine(y));
        for (int x = 0; x < W; ++x) {
            const int from = MapProjector::shiftSourceColumn(shift, src.width(), x);
            if (from >= 0 && qAlpha(in[from]) != 0)
                out[x] = in[from];
        }
    }
}

void rotateGlobe(const MapProjector &projector, int axis, int degrees, const QImage &source,
                 QImage &target)
{
    const QImage src = premultiplied(source);
    makePremultiplied(target);
    const int W = src.width();
    const int H = std::min(src.height(), target.height());
    for (int i = 0; i < H; ++i) {
        auto *out = reinterpret_cast<QRgb *>(target.scanLine(i));
        for (int j = 0; j < std::min(W, target.width()); ++j) {
            const QPoint s = projector.rotationSource(axis, degrees, W, src.height(), j, i);
            out[j] = reinterpret_cast<const QRgb *>(src.constScanLine(s.y()))[s.x()];
        }
    }
}

} // namespace projectorsteps
