#include "appicondesign.h"

#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <vector>

namespace appicon {
namespace {

enum class Kind
{
    Ellipse,
    RoundedRect,
    Line
};

// Shapes are clipped to nothing, to the map plate or to the globe.
enum class Clip
{
    None,
    Map,
    Globe
};

struct Shape
{
    Kind kind;
    Clip clip;
    // Ellipse: centre x, y and radii; rounded rectangle: left, top, width, height, and the
    // corner radius in e; line: from x, y to the point (a, b).
    double x, y, a, b, e;
    QRgb fill;   // fully transparent: no fill
    QRgb stroke; // fully transparent: no stroke
    double strokeWidth;
};

constexpr QRgb none = 0;
constexpr QRgb mapBlue = 0xff1e3a5f;
constexpr QRgb mapGrid = 0xff3f6b99;
constexpr QRgb land = 0xff5fae62;
constexpr QRgb sea = 0xff2d7dd2;
constexpr QRgb rim = 0xff123a66;
constexpr QRgb graticule = 0x70ffffff;
constexpr QRgb shine = 0x40ffffff;

const double mapLeft = 16, mapTop = 136, mapWidth = 224, mapHeight = 112, mapCorner = 12;
const double globeX = 128, globeY = 100, globeRadius = 86;

std::vector<Shape> shapes()
{
    std::vector<Shape> list;
    auto add = [&list](Shape shape) { list.push_back(shape); };
    // The map plate, its graticule and three patches of land.
    add({Kind::RoundedRect, Clip::None, mapLeft, mapTop, mapWidth, mapHeight, mapCorner, mapBlue,
         none, 0});
    for (int column = 1; column < 8; ++column) {
        const double x = mapLeft + column * mapWidth / 8;
        add({Kind::Line, Clip::Map, x, mapTop, x, mapTop + mapHeight, 0, none, mapGrid, 3});
    }
    for (int row = 1; row < 4; ++row) {
        const double y = mapTop + row * mapHeight / 4;
        add({Kind::Line, Clip::Map, mapLeft, y, mapLeft + mapWidth, y, 0, none, mapGrid, 3});
    }
    add({Kind::Ellipse, Clip::Map, 54, 206, 26, 16, 0, land, none, 0});
    add({Kind::Ellipse, Clip::Map, 206, 214, 24, 14, 0, land, none, 0});
    add({Kind::Ellipse, Clip::Map, 128, 236, 40, 12, 0, land, none, 0});
    // The globe: sea, land, graticule, a soft shine and the rim.
    add({Kind::Ellipse, Clip::None, globeX, globeY, globeRadius, globeRadius, 0, sea, none, 0});
    add({Kind::Ellipse, Clip::Globe, 98, 78, 38, 26, 0, land, none, 0});
    add({Kind::Ellipse, Clip::Globe, 166, 138, 30, 22, 0, land, none, 0});
    add({Kind::Ellipse, Clip::Globe, 70, 150, 22, 14, 0, land, none, 0});
    for (double half : {30.0, 62.0})
        add({Kind::Ellipse, Clip::Globe, globeX, globeY, half, globeRadius, 0, none, graticule, 3});
    add({Kind::Line, Clip::Globe, globeX, globeY - globeRadius, globeX, globeY + globeRadius, 0,
         none, graticule, 3});
    for (double y : {globeY - 43, globeY, globeY + 43})
        add({Kind::Line, Clip::Globe, globeX - globeRadius, y, globeX + globeRadius, y, 0, none,
             graticule, 3});
    add({Kind::Ellipse, Clip::Globe, 96, 54, 34, 18, 0, shine, none, 0});
    add({Kind::Ellipse, Clip::None, globeX, globeY, globeRadius, globeRadius, 0, none, rim, 6});
    return list;
}

QPainterPath clipPath(Clip clip)
{
    QPainterPath path;
    if (clip == Clip::Map)
        path.addRoundedRect(QRectF(mapLeft, mapTop, mapWidth, mapHeight), mapCorner, mapCorner);
    else if (clip == Clip::Globe)
        path.addEllipse(QPointF(globeX, globeY), globeRadius, globeRadius);
    return path;
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QString svgColour(QRgb colour)
{
    return QStringLiteral("#%1").arg(colour & 0xffffff, 6, 16, QLatin1Char('0'));
}

// Fill and stroke attributes; transparency goes into the opacity attributes, which every SVG
// reader understands, rather than into eight-digit colours.
QString paintAttributes(const Shape &shape)
{
    QString attributes;
    if (qAlpha(shape.fill) == 0) {
        attributes += QStringLiteral(" fill=\"none\"");
    } else {
        attributes += QStringLiteral(" fill=\"%1\"").arg(svgColour(shape.fill));
        if (qAlpha(shape.fill) != 255)
            attributes +=
                QStringLiteral(" fill-opacity=\"%1\"").arg(number(qAlpha(shape.fill) / 255.0));
    }
    if (qAlpha(shape.stroke) != 0) {
        attributes += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"")
                          .arg(svgColour(shape.stroke), number(shape.strokeWidth));
        if (qAlpha(shape.stroke) != 255)
            attributes +=
                QStringLiteral(" stroke-opacity=\"%1\"").arg(number(qAlpha(shape.stroke) / 255.0));
    }
    if (shape.clip == Clip::Map)
        attributes += QStringLiteral(" clip-path=\"url(#map)\"");
    else if (shape.clip == Clip::Globe)
        attributes += QStringLiteral(" clip-path=\"url(#globe)\"");
    return attributes;
}

QString svgElement(const Shape &shape)
{
    switch (shape.kind) {
    case Kind::Ellipse:
        return QStringLiteral("  <ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\"%5/>\n")
            .arg(number(shape.x), number(shape.y), number(shape.a), number(shape.b),
                 paintAttributes(shape));
    case Kind::RoundedRect:
        return QStringLiteral(
                   "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\"%6/>\n")
            .arg(number(shape.x), number(shape.y), number(shape.a), number(shape.b),
                 number(shape.e), paintAttributes(shape));
    case Kind::Line:
        return QStringLiteral("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"%5/>\n")
            .arg(number(shape.x), number(shape.y), number(shape.a), number(shape.b),
                 paintAttributes(shape));
    }
    return QString();
}

} // namespace

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(double(size) / designSize, double(size) / designSize);
    for (const Shape &shape : shapes()) {
        painter.save();
        if (shape.clip != Clip::None)
            painter.setClipPath(clipPath(shape.clip));
        painter.setBrush(qAlpha(shape.fill) ? QBrush(QColor::fromRgba(shape.fill)) : Qt::NoBrush);
        if (qAlpha(shape.stroke))
            painter.setPen(QPen(QColor::fromRgba(shape.stroke), shape.strokeWidth, Qt::SolidLine,
                                Qt::FlatCap));
        else
            painter.setPen(Qt::NoPen);
        switch (shape.kind) {
        case Kind::Ellipse:
            painter.drawEllipse(QPointF(shape.x, shape.y), shape.a, shape.b);
            break;
        case Kind::RoundedRect:
            painter.drawRoundedRect(QRectF(shape.x, shape.y, shape.a, shape.b), shape.e, shape.e);
            break;
        case Kind::Line:
            painter.drawLine(QPointF(shape.x, shape.y), QPointF(shape.a, shape.b));
            break;
        }
        painter.restore();
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString svgDocument()
{
    QString svg =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
            "viewBox=\"0 0 %1 %1\">\n"
            "  <defs>\n"
            "    <clipPath id=\"map\"><rect x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\" "
            "rx=\"%6\"/></clipPath>\n"
            "    <clipPath id=\"globe\"><circle cx=\"%7\" cy=\"%8\" r=\"%9\"/></clipPath>\n"
            "  </defs>\n")
            .arg(QString::number(designSize), number(mapLeft), number(mapTop), number(mapWidth),
                 number(mapHeight), number(mapCorner), number(globeX), number(globeY),
                 number(globeRadius));
    for (const Shape &shape : shapes())
        svg += svgElement(shape);
    svg += QStringLiteral("</svg>\n");
    return svg;
}

} // namespace appicon
