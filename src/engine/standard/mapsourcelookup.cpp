#include "engine/standard/mapsourcelookup.h"

#include "engine/basics/angles.h"
#include "engine/basics/numeric.h"
#include "engine/standard/mapconverter.h"
#include "engine/precise/mapvisibility.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Allowance, in units of the sine of a latitude angle, with which a rotated direction is
// judged to lie certainly outside the projected cap before its exact lookup is skipped. The
// rounding it has to cover is some 1e-15; the band it adds is a few pixels wide at most.
constexpr double capSkipAllowance = 1e-7;

// Map columns that fillRow takes through the rotation together: their arithmetic runs as
// loops over arrays that the compiler vectorises.
constexpr int blockColumns = 256;

// Distance to the nearest whole number, in map pixels, below which a map coordinate from the
// fast arc tangent is not trusted. The fast arc tangent differs from std::atan of the quotient
// by at most 7e-16 radians (measured over 2e8 random pairs of every magnitude; its polynomial
// is within 5e-16 of the arc tangent, the rest is rounding), which moves a coordinate of a
// 16384-pixel map by less than 1e-10 pixels after the few operations that follow. Near whole
// numbers that is enough to truncate the other way now and then; the margin leaves a factor of
// 10^4 to spare and sends fewer than one pixel in a thousand to the exact computation.
constexpr double boundaryMargin = 1e-6;

// Marks, in the fast path's output, a pixel whose coordinates came too close to a whole number
// and that is looked up exactly. Source indices never reach it: pictures have far fewer pixels.
constexpr std::uint32_t exactLookup = MapSourceLookup::noSource - 1;

// The two loops below carry nearly all of the work; the build compiles this file so that the
// compiler may assume that floating-point operations neither trap nor set errno (neither
// happens here, and neither changes a result), which it needs to vectorise them. Where the
// platform can choose code at load time they are also compiled for wider vector units, and the
// widest that the processor has is used.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define WIDEST_VECTORS __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define WIDEST_VECTORS
#endif

// atan(a / b) for a, b >= 0, not both 0, computed from a and b: the range reduction of the
// Cephes library to |r| <= tan(pi / 8) uses the one division, and a polynomial (Chebyshev
// interpolation of atan(r) / r in r^2, within 5e-16 of the arc tangent) does the rest.
// Written without branches so that it runs on several pixels at once.
inline double arcTangentOfRatio(double a, double b)
{
    constexpr double tanPiOver8 = 0.41421356237309504880;
    constexpr double tan3PiOver8 = 2.41421356237309504880;
    constexpr double halfPi = 1.57079632679489661923;
    constexpr double quarterPi = 0.78539816339744830962;
    // The part of pi / 2 that the double halfPi misses.
    constexpr double halfPiRest = 6.123233995736765886130e-17;
    // atan(a / b) = pi / 2 + atan(-b / a) = pi / 4 + atan((a - b) / (a + b)). Every operand is
    // computed and then chosen: arithmetic under a condition would not be vectorised.
    const bool large = a > tan3PiOver8 * b;
    const bool middle = a > tanPiOver8 * b;
    const double minusB = -b;
    const double difference = a - b;
    const double sum = a + b;
    const double numerator = large ? minusB : middle ? difference : a;
    const double denominator = large ? a : middle ? sum : b;
    const double r = numerator / denominator;
    const double base = large ? halfPi : middle ? quarterPi : 0.0;
    const double rest = large ? halfPiRest : middle ? 0.5 * halfPiRest : 0.0;
    const double z = r * r;
    const double series = ((((((((-2.48299630896964586e-02 * z + 4.98871432154986416e-02) * z -
                                 6.49488907439887131e-02) *
                                    z +
                                7.67170078987813864e-02) *
                                   z -
                               9.08935383910394884e-02) *
                                  z +
                              1.11110389680374663e-01) *
                                 z -
                             1.42857123516238305e-01) *
                                z +
                            1.99999999735510359e-01) *
                               z -
                           3.33333333331925386e-01) *
                              z +
                          9.99999999999998779e-01;
    return base + (r * series + rest);
}

// The rotation as rotatedPixel turns a map direction about the column-zero axis: the sines and
// cosines of the turn, and those of the row's latitude angle.
struct RowRotation
{
    double sc;
    double cc;
    double sv;
    double cv;
};

// For each rotated-map column whose direction on the row may lie on the cap, true in keep;
// false for columns that show nothing (-1). The test is rotatedPixel's rotated height against
// the bounds beyond which the cap is certainly missed.
WIDEST_VECTORS void capCandidates(int count, const int *rotatedColumns, const double *sinU,
                                  RowRotation rotation, double zAbove, double zBelow,
                                  std::int32_t *__restrict keep)
{
    for (int i = 0; i < count; ++i) {
        const int column = rotatedColumns[i];
        const double y = sinU[column >= 0 ? column : 0] * rotation.cv;
        const double z = rotation.cc * rotation.sv - rotation.sc * y;
        keep[i] = (column >= 0) & (z <= zAbove) & (z >= zBelow);
    }
}

// The map coordinates that rotatedPixel truncates, for the given rotated-map columns of a row:
// across is (width - 1) t / 360 and down (p / k + 90) (height - 1) / 180, with the arc
// tangents of arcTangentOfRatio. NaN where the direction has no longitude of its own or lies
// on an axis whose signed zeros the exact computation tells apart.
WIDEST_VECTORS void mapCoordinates(int count, const int *rotatedColumns, const double *cosU,
                                   const double *sinU, RowRotation rotation, double k, int width,
                                   int height, double *__restrict across, double *__restrict down)
{
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    const double lastColumn = width - 1;
    const double lastRow = height - 1;
    for (int i = 0; i < count; ++i) {
        // The rotated direction, as rotatedPixel forms it.
        const int column = rotatedColumns[i];
        const double unturnedY = sinU[column] * rotation.cv;
        const double x = cosU[column] * rotation.cv;
        const double y = rotation.cc * unturnedY + rotation.sc * rotation.sv;
        const double z = rotation.cc * rotation.sv - rotation.sc * unturnedY;
        // t: atan(y / x) in degrees, a half turn on when x < 0, a whole turn on when below 0.
        const double angle = arcTangentOfRatio(std::fabs(y), std::fabs(x));
        const double negativeAngle = -angle;
        const double t = ((y < 0) != (x < 0) ? negativeAngle : angle) / k;
        const double halfTurned = t + 180;
        const double t1 = x < 0 ? halfTurned : t;
        const double turned = t1 + 360;
        const double acrossValue = lastColumn * (t1 < 0 ? turned : t1) / 360;
        across[i] = x == 0 ? notANumber : acrossValue;
        // p: atan(z / horizontal distance).
        const double horizontal = std::sqrt(y * y + x * x);
        const double latitude = arcTangentOfRatio(std::fabs(z), horizontal);
        const double negativeLatitude = -latitude;
        const double downValue = ((z < 0 ? negativeLatitude : latitude) / k + 90) * lastRow / 180;
        down[i] = horizontal == 0 ? notANumber : downValue;
    }
}

// What projectedFrom needs, as plain arrays and numbers for the vectorised loop.
struct ProjectionTables
{
    const int *projectionColumns;
    const double *radiusOfRow;
    const double *cosPhi;
    const double *sinPhi;
    int width;
    int height;
    int topRow;
    int bottomRow;
    int sourceWidth;
    int sourceHeight;
    int centerX;
    int centerY;
};

// MapProjector::sixteenBitOffset without branches: numeric::truncateToInt32, then
// numeric::wrapToInt16.
inline std::int32_t wrappedOffset(double offset)
{
    const bool fits = (offset > -2147483649.0) & (offset < 2147483648.0);
    const std::int32_t truncated = std::int32_t(fits ? offset : 0.0);
    const std::int32_t low = std::int32_t(std::uint32_t(fits ? truncated : INT32_MIN) & 0xFFFFu);
    return low >= 0x8000 ? low - 0x10000 : low;
}

// The source index for each pair of coordinates that lies clear of whole numbers by the margin,
// as rotatedPixel's truncation and projectedFrom give it; exactLookup for the others. The
// conditions are combined with & rather than && so that the loop has no branches.
WIDEST_VECTORS void sourceIndicesAt(int count, const double *across, const double *down,
                                    ProjectionTables tables, std::uint32_t *__restrict indices)
{
    // Everything the loop reads besides the coordinates, in locals: the stores into indices
    // could otherwise change them as far as the compiler knows.
    const int *const projectionColumns = tables.projectionColumns;
    const double *const radiusOfRow = tables.radiusOfRow;
    const double *const cosPhi = tables.cosPhi;
    const double *const sinPhi = tables.sinPhi;
    const std::int32_t lastColumn = tables.width - 1;
    const std::int32_t lastRow = tables.height - 1;
    const std::int32_t topRow = tables.topRow;
    const std::int32_t bottomRow = tables.bottomRow;
    const double sourceWidth = tables.sourceWidth;
    const double sourceHeight = tables.sourceHeight;
    const double centerX = tables.centerX;
    const double centerY = tables.centerY;
    const std::uint32_t indexWidth = std::uint32_t(tables.sourceWidth);
    const std::uint32_t indexCenterX = std::uint32_t(tables.centerX);
    const std::uint32_t indexCenterY = std::uint32_t(tables.centerY);
    const double maxCoordinate = MapConverter::maxOutputSide;
    for (int i = 0; i < count; ++i) {
        // Both coordinates in the map's range (false for NaN), then clear of whole numbers.
        const double a = across[i];
        const double d = down[i];
        const bool inRange = (a >= boundaryMargin) & (a <= maxCoordinate) & (d >= boundaryMargin) &
                             (d <= maxCoordinate);
        const double safeA = inRange ? a : 0.0;
        const double safeD = inRange ? d : 0.0;
        const std::int32_t wholeA = std::int32_t(safeA);
        const std::int32_t wholeD = std::int32_t(safeD);
        const double fractionA = safeA - wholeA;
        const double fractionD = safeD - wholeD;
        const bool clear = inRange & (fractionA >= boundaryMargin) &
                           (fractionA <= 1 - boundaryMargin) & (fractionD >= boundaryMargin) &
                           (fractionD <= 1 - boundaryMargin);
        const std::int32_t column = wholeA < lastColumn ? wholeA : lastColumn;
        const std::int32_t row = wholeD < lastRow ? wholeD : lastRow;
        // projectedFrom(column, row).
        const std::int32_t j = projectionColumns[column];
        const bool projected = (row >= topRow) & (row <= bottomRow) & (j >= 0);
        const double rho = radiusOfRow[row];
        const std::int32_t safeJ = j >= 0 ? j : 0;
        const std::int32_t offsetX = wrappedOffset(cosPhi[safeJ] * rho);
        const std::int32_t offsetY = wrappedOffset(sinPhi[safeJ] * rho);
        // The sums in double, where they are exact, so that a centre near the int range
        // cannot overflow.
        const double sx = offsetX + centerX;
        const double sy = offsetY + centerY;
        const bool inside =
            projected & (sx >= 0) & (sx < sourceWidth) & (sy >= 0) & (sy < sourceHeight);
        // Wrapping unsigned arithmetic: the right index wherever the pixel lies inside.
        const std::uint32_t index = (std::uint32_t(offsetY) + indexCenterY) * indexWidth +
                                    (std::uint32_t(offsetX) + indexCenterX);
        const std::uint32_t found = inside ? index : MapSourceLookup::noSource;
        indices[i] = clear ? found : exactLookup;
    }
}

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
    // The projection writes its columns mirrored.
    projectionColumns = shiftTable(params.azimuth != 0, -params.azimuth, width);
    for (int &column : projectionColumns)
        column = column < 0 ? -1 : width - 1 - column;

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
    const double k = angles::pi / 180;
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
    const RowAngles angles = rowAngles(row);
    if (topRow > bottomRow || (rotates ? rowMissesCap(angles) : row < topRow || row > bottomRow)) {
        std::fill(sourceIndices, sourceIndices + width, noSource);
        return;
    }
    if (!rotates) {
        for (int column = 0; column < width; ++column) {
            const int rotatedColumn = longitudeColumns[column];
            sourceIndices[column] =
                rotatedColumn < 0 ? noSource : indexOf(projectedFrom(rotatedColumn, row));
        }
        return;
    }
    for (int begin = 0; begin < width; begin += blockColumns)
        fillRotatedColumns(angles, begin, std::min(begin + blockColumns, width), sourceIndices);
}

void MapSourceLookup::fillRotatedColumns(const RowAngles &angles, int begin, int end,
                                         std::uint32_t *sourceIndices) const
{
    // The columns whose rotated direction may lie on the cap.
    const RowRotation rotation{sc, cc, angles.sv, angles.cv};
    std::int32_t keep[blockColumns];
    capCandidates(end - begin, longitudeColumns.data() + begin, sinU.data(), rotation, zAbove,
                  zBelow, keep);
    int columns[blockColumns];
    int rotatedColumns[blockColumns];
    int count = 0;
    for (int column = begin; column < end; ++column) {
        sourceIndices[column] = noSource;
        columns[count] = column;
        rotatedColumns[count] = longitudeColumns[column];
        count += keep[column - begin];
    }

    // rotatedPixel's map coordinates before their truncation, with the fast arc tangent, and
    // the source pixels where they are clear of rounding boundaries.
    double across[blockColumns];
    double down[blockColumns];
    mapCoordinates(count, rotatedColumns, cosU.data(), sinU.data(), rotation, angles::pi / 180,
                   width, height, across, down);
    const ProjectionTables tables{projectionColumns.data(),
                                  radiusOfRow.data(),
                                  cosPhi.data(),
                                  sinPhi.data(),
                                  width,
                                  height,
                                  topRow,
                                  bottomRow,
                                  sourceWidth,
                                  sourceHeight,
                                  projector.centerX,
                                  projector.centerY};
    std::uint32_t indices[blockColumns];
    sourceIndicesAt(count, across, down, tables, indices);

    for (int i = 0; i < count; ++i) {
        std::uint32_t index = indices[i];
        if (index == exactLookup) {
            const QPoint shifted = rotatedFrom(rotatedColumns[i], angles);
            index = indexOf(projectedFrom(shifted.x(), shifted.y()));
        }
        sourceIndices[columns[i]] = index;
    }
}

MapSourceLookup::RowAngles MapSourceLookup::rowAngles(int row) const
{
    const double v = angles::degreesToRadians(row * 180.0 / height - 90);
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
    const int j = projectionColumns[column];
    if (j < 0)
        return {-1, -1};
    return projector.sampleSource(cosPhi[j], sinPhi[j], radiusOfRow[row], sourceWidth,
                                  sourceHeight);
}

bool MapSourceLookup::rowMissesCap(const RowAngles &angles) const
{
    // Over a row the rotated height runs between these bounds, whatever the column.
    const double zMiddle = cc * angles.sv;
    const double zSpread = std::fabs(sc * angles.cv) + 1e-12;
    return zMiddle - zSpread > zAbove || zMiddle + zSpread < zBelow;
}
