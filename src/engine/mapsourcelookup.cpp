#include "mapsourcelookup.h"

#include "mapconverter.h"
#include "mapvisibility.h"
#include "numeric.h"

#include <algorithm>
#include <cmath>

namespace {

// Allowance, in units of the sine of a latitude angle, with which a rotated direction is
// judged to lie certainly outside the projected cap before its exact lookup is skipped. The
// rounding it has to cover is some 1e-15; the band it adds is a few pixels wide at most.
constexpr double capSkipAllowance = 1e-7;

// Source column for each map column after a cyclic shift, or the identity when the shift step
// is skipped.
std::vector<int> shiftTable(bool applies, double degrees, int width)
{
    std::vector<int> table(width);
    const int shift = applies ? MapProjector::shiftColumns(degrees, width) : 0;
    for (int column = 0; column < width; ++column)
        table[column] = MapProjector::shiftSourceColumn(shift, width, column);
    return table;
}

} // namespace

MapSourceLookup::MapSourceLookup(const ConversionParameters &params, QSize sourceSize)
{
    if (!MapConverter::refusalReason(params, sourceSize).isEmpty())
        return;
    if (params.mode == ConversionMode::Precise)
        precise.emplace(params);
    projector = MapProjector::forConversion(params, sourceSize);
    width = params.outputWidth;
    height = params.outputHeight;
    sourceWidth = sourceSize.width();
    sourceHeight = sourceSize.height();
    rotates = 90 - params.latitude != 0;
    longitudeColumns = shiftTable(params.longitude + 90 != 0, params.longitude + 90, width);
    azimuthColumns = shiftTable(params.azimuth != 0, -params.azimuth, width);

    // Projection row i lands in map row halfHeight - 1 - i.
    const int halfHeight = height / 2;
    const int first = std::max(projector.firstRow(sourceHeight), halfHeight - height);
    const int last = std::min(projector.lastRow(sourceHeight), halfHeight - 1);
    topRow = halfHeight - 1 - last;
    bottomRow = halfHeight - 1 - first;
    radiusOfRow.assign(height, 0.0);
    for (int row = std::max(topRow, 0); row <= bottomRow; ++row)
        radiusOfRow[row] = projector.samplingRadius(halfHeight - 1 - row, sourceHeight);
    cosPhi.resize(width);
    sinPhi.resize(width);
    for (int j = 0; j < width; ++j) {
        const double phi = projector.columnAngle(j, sourceWidth);
        cosPhi[j] = std::cos(phi);
        sinPhi[j] = std::sin(phi);
    }

    // The latitude rotation turns by whole degrees about the axis through longitude angle 0
    // on the middle row.
    const double k = projector.pi / 180;
    const double gamma = numeric::truncateToInt32(90 - params.latitude) * k;
    sc = std::sin(gamma);
    cc = std::cos(gamma);
    cosU.resize(width);
    sinU.resize(width);
    for (int j = 0; j < width; ++j) {
        const double u = j * 360.0 / width * k;
        cosU[j] = std::cos(u);
        sinU[j] = std::sin(u);
    }
    // A rotated direction lies below the cap when its latitude angle p reaches the row after
    // the cap's last; p grows with the rotated Z, so Z alone tells which pixels to skip.
    if (height > 1 && bottomRow + 1 <= height - 1)
        zAbove = std::sin(((bottomRow + 1) * 180.0 / (height - 1) - 90) * k) + capSkipAllowance;
    if (height > 1 && topRow >= 1)
        zBelow = std::sin((topRow * 180.0 / (height - 1) - 90) * k) - capSkipAllowance;
}

QPoint MapSourceLookup::sourceOf(int column, int row) const
{
    if (column < 0 || column >= width || row < 0 || row >= height)
        return {-1, -1};
    // The steps read backwards, from the finished map to the source. Longitude shift: the map
    // column shows a column of the rotated map, or nothing.
    const int rotatedColumn = longitudeColumns[column];
    if (rotatedColumn < 0)
        return {-1, -1};
    // Latitude rotation: the rotated map's pixel reads one pixel of the azimuth-shifted map
    // (the step is skipped at latitude 90).
    const QPoint shifted =
        rotates ? rotatedFrom(rotatedColumn, rowAngles(row)) : QPoint(rotatedColumn, row);
    // Azimuth shift and projection: that pixel shows a pixel of the projected map, which
    // samples the source at one point of the disk.
    return projectedFrom(shifted.x(), shifted.y());
}

std::optional<QPointF> MapSourceLookup::sourcePosition(int column, int row) const
{
    if (column < 0 || column >= width || row < 0 || row >= height)
        return std::nullopt;
    if (!precise) {
        const QPoint pixel = sourceOf(column, row);
        return pixel.x() < 0 ? std::nullopt : std::optional<QPointF>(pixel);
    }
    const SourceFootprint f = precise->footprintAt(column + 0.5, row + 0.5);
    if (!visibility::showsPicture(f, sourceWidth, sourceHeight))
        return std::nullopt;
    return QPointF(f.x, f.y);
}

void MapSourceLookup::fillRow(int row, std::uint32_t *sourceIndices) const
{
    if (topRow > bottomRow) {
        std::fill(sourceIndices, sourceIndices + width, noSource);
        return;
    }
    const RowAngles angles = rowAngles(row);
    if (rotates ? rowMissesCap(angles) : row < topRow || row > bottomRow) {
        std::fill(sourceIndices, sourceIndices + width, noSource);
        return;
    }
    for (int column = 0; column < width; ++column) {
        // The same steps as in sourceOf, with the row's angles computed once.
        const int rotatedColumn = longitudeColumns[column];
        QPoint source(-1, -1);
        if (rotatedColumn >= 0 && !rotates) {
            source = projectedFrom(rotatedColumn, row);
        } else if (rotatedColumn >= 0 && !pixelMissesCap(rotatedColumn, angles)) {
            const QPoint shifted = rotatedFrom(rotatedColumn, angles);
            source = projectedFrom(shifted.x(), shifted.y());
        }
        sourceIndices[column] =
            source.x() < 0 ? noSource
                           : std::uint32_t(source.y()) * std::uint32_t(sourceWidth) + source.x();
    }
}

MapSourceLookup::RowAngles MapSourceLookup::rowAngles(int row) const
{
    const double v = (row * 180.0 / height - 90) * (projector.pi / 180);
    return {std::sin(v), std::cos(v)};
}

QPoint MapSourceLookup::rotatedFrom(int column, const RowAngles &angles) const
{
    return projector.rotatedPixel(MapProjector::columnZeroAxis, sc, cc, cosU[column], sinU[column],
                                  angles.sv, angles.cv, width, height);
}

QPoint MapSourceLookup::projectedFrom(int column, int row) const
{
    if (row < topRow || row > bottomRow)
        return {-1, -1};
    const int projected = azimuthColumns[column];
    if (projected < 0)
        return {-1, -1};
    // The projection writes its columns mirrored.
    const int j = width - 1 - projected;
    return projector.sampleSource(cosPhi[j], sinPhi[j], radiusOfRow[row], sourceWidth,
                                  sourceHeight);
}

bool MapSourceLookup::pixelMissesCap(int column, const RowAngles &angles) const
{
    // The rotated height alone tells most pixels outside the cap from those inside it.
    const double z = cc * angles.sv - sc * (sinU[column] * angles.cv);
    return z > zAbove || z < zBelow;
}

bool MapSourceLookup::rowMissesCap(const RowAngles &angles) const
{
    // Over a row the rotated height runs between these bounds, whatever the column.
    const double zMiddle = cc * angles.sv;
    const double zSpread = std::fabs(sc * angles.cv) + 1e-12;
    return zMiddle - zSpread > zAbove || zMiddle + zSpread < zBelow;
}
