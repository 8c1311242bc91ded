// Draws the disk finder's example picture: a rendered globe with a night side, stars and a
// limb partly outside the frame, with the circle that the finder found drawn over it.
// Usage: orvix-draw-finder-example OUTPUT.png

#include "finderscenes.h"

#include "engine/finder/diskfinder.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPen>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const QString sceneName = QStringLiteral("night side, cropped, stars");
    for (const FinderScene &scene : finderScenes()) {
        if (scene.name != sceneName)
            continue;
        QImage picture =
            renderFinderScene(scene, 800, 600).picture.convertToFormat(QImage::Format_RGB32);
        const DiskFinding finding = findDisk(picture);
        if (!finding.found) {
            std::fprintf(stderr, "no disk found: %s\n", qPrintable(finding.reason));
            return 1;
        }
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(255, 60, 60), 2.0));
        painter.drawEllipse(QPointF(finding.centerX, finding.centerY), finding.radius,
                            finding.radius);
        painter.drawLine(QPointF(finding.centerX - 8, finding.centerY),
                         QPointF(finding.centerX + 8, finding.centerY));
        painter.drawLine(QPointF(finding.centerX, finding.centerY - 8),
                         QPointF(finding.centerX, finding.centerY + 8));
        painter.end();
        std::printf("centre %.2f %.2f radius %.2f\n", finding.centerX, finding.centerY,
                    finding.radius);
        return picture.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    }
    std::fprintf(stderr, "no scene named %s\n", qPrintable(sceneName));
    return 1;
}
