#pragma once

#include <QImage>
#include <QString>

// The application icon: a globe standing on the equirectangular map it becomes. The design is
// one list of shapes on a 256-unit square, drawn both as PNG pictures of any size and as SVG
// text, so the two forms cannot drift apart.
namespace appicon {

constexpr int designSize = 256;

// The icon drawn at size x size pixels, anti-aliased on a transparent background.
QImage drawIcon(int size);

// The icon as a standalone SVG document.
QString svgDocument();

} // namespace appicon
