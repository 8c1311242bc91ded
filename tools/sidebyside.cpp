// orvix-side-by-side: puts the same crop of two pictures (two maps of one globe, say) next to
// each other, enlarged by whole pixels so that single pixels stay visible, for documentation.

#include "toolsupport.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QPainter>
#include <QRect>
#include <QTextStream>

using toolsupport::fail;

namespace {

// "x,y,width,height" with a positive size, or a null rectangle.
QRect readCrop(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return QRect();
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return QRect();
    }
    if (values[2] <= 0 || values[3] <= 0)
        return QRect();
    return QRect(values[0], values[1], values[2], values[3]);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvix-side-by-side"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Puts the same crop of two pictures side by side, enlarged."));
    parser.addHelpOption();
    parser.addOptions({
        {"crop", "Rectangle of both pictures to show (whole pictures).", "x,y,width,height"},
        {"zoom", "Whole-pixel enlargement, 1 to 16 (1).", "factor"},
        {"gap", "White gap between the two crops in output pixels (8).", "pixels"},
    });
    parser.addPositionalArgument("left", "Picture shown on the left.");
    parser.addPositionalArgument("right", "Picture shown on the right.");
    parser.addPositionalArgument("output", "Picture to write (.png or .jpg).");
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 3)
        return fail(QStringLiteral("give two pictures and one output file (see --help)"), 2);
    QImage pictures[2];
    for (int i = 0; i < 2; ++i) {
        QImageReader reader(positional.at(i));
        pictures[i] = reader.read();
        if (pictures[i].isNull())
            return fail(
                QStringLiteral("cannot read %1: %2").arg(positional.at(i), reader.errorString()));
    }
    if (pictures[0].size() != pictures[1].size())
        return fail(QStringLiteral("the two pictures differ in size"));

    QRect crop = pictures[0].rect();
    if (parser.isSet("crop")) {
        crop = readCrop(parser.value("crop"));
        if (crop.isNull() || !pictures[0].rect().contains(crop))
            return fail(QStringLiteral("--crop must be x,y,width,height inside the pictures"), 2);
    }
    int zoom = 1;
    int gap = 8;
    QString error;
    if (!toolsupport::readInt(parser, "zoom", zoom, error) ||
        !toolsupport::readInt(parser, "gap", gap, error))
        return fail(error, 2);
    if (zoom < 1 || zoom > 16 || gap < 0 || gap > 256)
        return fail(QStringLiteral("--zoom must lie between 1 and 16, --gap between 0 and 256"), 2);

    const QSize shown = crop.size() * zoom;
    QImage result(shown.width() * 2 + gap, shown.height(), QImage::Format_RGB32);
    result.fill(Qt::white);
    QPainter painter(&result);
    for (int i = 0; i < 2; ++i) {
        // Transparent map pixels (outside the visible cap) show as black, as in a JPG map.
        const QRect target(i * (shown.width() + gap), 0, shown.width(), shown.height());
        painter.fillRect(target, Qt::black);
        painter.drawImage(target, pictures[i].copy(crop));
    }
    painter.end();
    if (!result.save(positional.at(2), nullptr, 90))
        return fail(QStringLiteral("cannot write %1").arg(positional.at(2)));
    QTextStream(stdout) << "wrote " << positional.at(2) << ": " << result.width() << " x "
                        << result.height() << '\n';
    return 0;
}
