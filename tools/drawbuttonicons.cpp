// Draws the six 16x16 button icons into the folder given on the command line (resources/):
// arrows with a triangular head on a one-pixel shaft, a plus and a minus sign, black on
// transparent with hard edges so that they stay crisp at their natural size.
//
//   orvix-draw-icons <folder>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

#include <cstdlib>
#include <functional>

namespace {

constexpr int iconSize = 16;
const QRgb ink = qRgba(0, 0, 0, 255);

// The arrow pointing up: its tip on row 2, the head widening by one pixel each side per row
// down to row 6, then the shaft in column 7 down to row 13.
bool upArrow(int x, int y)
{
    constexpr int axis = 7, tipRow = 2, headRows = 5, shaftEnd = 13;
    if (y >= tipRow && y < tipRow + headRows)
        return std::abs(x - axis) <= y - tipRow;
    return x == axis && y >= tipRow + headRows && y <= shaftEnd;
}

// Bars two pixels thick, centred between pixels 7 and 8, from pixel 3 to pixel 12.
bool horizontalBar(int x, int y)
{
    return (y == 7 || y == 8) && x >= 3 && x <= 12;
}

QImage draw(const std::function<bool(int, int)> &inked)
{
    QImage image(iconSize, iconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < iconSize; ++y)
        for (int x = 0; x < iconSize; ++x)
            if (inked(x, y))
                image.setPixel(x, y, ink);
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: orvix-draw-icons <folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    constexpr int last = iconSize - 1;
    const struct
    {
        const char *name;
        std::function<bool(int, int)> inked;
    } icons[] = {
        {"up.png", upArrow},
        {"down.png", [](int x, int y) { return upArrow(x, last - y); }},
        {"left.png", [](int x, int y) { return upArrow(y, x); }},
        {"right.png", [](int x, int y) { return upArrow(y, last - x); }},
        {"large.png", [](int x, int y) { return horizontalBar(x, y) || horizontalBar(y, x); }},
        {"small.png", horizontalBar},
    };
    for (const auto &icon : icons) {
        const QString path = folder.filePath(icon.name);
        if (!draw(icon.inked).save(path, "PNG")) {
            err << "cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
