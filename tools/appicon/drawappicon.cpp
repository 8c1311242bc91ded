// Writes the application icon into the folder given on the command line (resources/appicon/):
// orvix-<size>.png for each size the desktop themes use, and orvix.svg (run by hand when the
// design changes).
//
//   orvix-draw-app-icon <folder>

#include "appicondesign.h"
#include "appiconsizes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: orvix-draw-app-icon <folder>\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int size : appicon::pictureSizes) {
        const QString path = folder.filePath(QStringLiteral("orvix-%1.png").arg(size));
        if (!appicon::drawIcon(size).save(path)) {
            err << "cannot write " << path << "\n";
            return 1;
        }
    }
    QFile svg(folder.filePath(QStringLiteral("orvix.svg")));
    if (!svg.open(QIODevice::WriteOnly) || svg.write(appicon::svgDocument().toUtf8()) < 0) {
        err << "cannot write " << svg.fileName() << "\n";
        return 1;
    }
    return 0;
}
