// The disk finder on rendered globes with a known circle (stars, noise, JPEG, limb darkening,
// halo, night side, cropped limb, backdrops, small and large disks) and on pictures without
// a globe.

#include "engine/finder/circlefit.h"
#include "engine/finder/diskfinder.h"
#include "engine/finder/diskinfile.h"
#include "finderscenes.h"

#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

// Pictures of this size keep the run short; small disks keep their 50-pixel radius.
constexpr int pictureWidth = 640;
constexpr int pictureHeight = 480;
// Largest error of the centre and of the radius, pixels, and of the converted map, percent.
constexpr double cleanTolerance = 0.5;
constexpr double hardTolerance = 1.5;
constexpr double mapTolerancePercent = 2.0;

} // namespace

class DiskFinderTest : public QObject
{
    Q_OBJECT

private slots:
    void findsTheTrueCircle_data();
    void findsTheTrueCircle();
    void findsTheTrueCircleInOtherRenders_data();
    void findsTheTrueCircleInOtherRenders();
    void readsEveryPictureFormat_data();
    void readsEveryPictureFormat();
    void robustFitKeepsOnlyTheLimb_data();
    void robustFitKeepsOnlyTheLimb();
    void findsTheDiskInAReducedJpeg_data();
    void findsTheDiskInAReducedJpeg();

private:
    // Renders the scene, finds its disk and checks it against the true circle (or that a
    // picture without a globe gives none). A ring of surface texture can be drawn just inside
    // the limb, ringInside pixels inside it.
    static void checkScene(const FinderScene &scene, int width, int height,
                           double ringInside = 0.0);
};

void DiskFinderTest::findsTheTrueCircle_data()
{
    QTest::addColumn<int>("scene");
    const std::vector<FinderScene> &scenes = finderScenes();
    for (std::size_t i = 0; i < scenes.size(); ++i)
        QTest::newRow(qPrintable(scenes[i].name)) << int(i);
}

void DiskFinderTest::findsTheTrueCircle()
{
    QFETCH(int, scene);
    checkScene(finderScenes()[std::size_t(scene)], pictureWidth, pictureHeight);
}

void DiskFinderTest::findsTheTrueCircleInOtherRenders_data()
{
    QTest::addColumn<QString>("scene");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("seed");
    // Pictures larger than the coarse search's copy: the circle found on the reduced copy must
    // be carried back to full resolution in the right pixel convention.
    QTest::newRow("small disk, reduced by 3")
        << "clean, small, in a corner" << QSize(2400, 1800) << 0;
    QTest::newRow("night side, cropped, stars, reduced by 2")
        << "night side, cropped, stars" << QSize(2048, 1536) << 0;
    // A limb made soft by limb darkening among the stronger edges of the surface: it must still
    // get the centre votes.
    QTest::newRow("weak limb among strong surface edges")
        << "limb darkening 0.6" << QSize(1000, 750) << 0;
    // A large limb whose gradients a halo, noise and JPEG turn by several degrees: the votes
    // scatter beyond the vote cells of the full-resolution copy.
    QTest::newRow("soft noisy limb of a large disk")
        << "everything at once" << QSize(800, 600) << 0;
    // A ridge that follows a circle along part of its arc is not a limb: the circle runs through
    // the hills elsewhere, not over a backdrop.
    QTest::newRow("landscape with a round ridge")
        << "no globe: another landscape" << QSize(640, 480) << 1;
}

void DiskFinderTest::findsTheTrueCircleInOtherRenders()
{
    QFETCH(QString, scene);
    QFETCH(QSize, size);
    QFETCH(int, seed);
    checkScene(reseeded(finderScene(scene), seed), size.width(), size.height());
    // Bright texture along the inside of a weak limb is surface, not limb support.
    if (scene == QLatin1String("limb darkening 0.6"))
        checkScene(reseeded(finderScene(scene), seed), size.width(), size.height(), 4.0);
}

void DiskFinderTest::checkScene(const FinderScene &s, int width, int height, double ringInside)
{
    RenderedScene rendered = renderFinderScene(s, width, height);
    if (ringInside > 0.0) {
        // Bright arcs of surface texture along a third of the limb.
        const CameraSetup &t = rendered.setup;
        QPainter painter(&rendered.picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(200, 200, 190), 2.0));
        const double r = t.radius - ringInside;
        const QRectF ring(t.centerX - r, t.centerY - r, 2 * r, 2 * r);
        constexpr int arcs = 12;
        // Qt's arcs are in sixteenths of a degree.
        for (int i = 0; i < arcs; ++i)
            painter.drawArc(ring, 16 * 360 * i / arcs, 16 * 10);
    }
    const DiskFinding f = findDisk(rendered.picture);
    if (s.kind != FinderScene::Kind::Globe) {
        QVERIFY2(!f.found, qPrintable(QStringLiteral("found centre %1 %2 radius %3")
                                          .arg(f.centerX)
                                          .arg(f.centerY)
                                          .arg(f.radius)));
        QVERIFY(!f.reason.isEmpty());
        return;
    }
    QVERIFY2(f.found, qPrintable(f.reason));
    QVERIFY(f.reason.isEmpty());
    const CameraSetup &t = rendered.setup;
    const double tolerance = s.hard || ringInside > 0.0 ? hardTolerance : cleanTolerance;
    const double centreError = std::hypot(f.centerX - t.centerX, f.centerY - t.centerY);
    QVERIFY2(centreError <= tolerance, qPrintable(QString::number(centreError)));
    QVERIFY2(std::fabs(f.radius - t.radius) <= tolerance, qPrintable(QString::number(f.radius)));
    QVERIFY(f.support > 0.0 && f.support <= 1.0);
    QVERIFY(f.rmsResidual >= 0.0 && f.rmsResidual < hardTolerance);
    const double map = mapDifferencePercent(rendered.picture, t, f.centerX, f.centerY, f.radius);
    QVERIFY2(map < mapTolerancePercent, qPrintable(QString::number(map)));
}

void DiskFinderTest::readsEveryPictureFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("RGB32") << int(QImage::Format_RGB32);
    QTest::newRow("grey 8 bits") << int(QImage::Format_Grayscale8);
    QTest::newRow("RGB888") << int(QImage::Format_RGB888);
    QTest::newRow("RGB16, converted first") << int(QImage::Format_RGB16);
    QTest::newRow("16 bits, opaque") << int(QImage::Format_RGBX64);
    QTest::newRow("16 bits with alpha") << int(QImage::Format_RGBA64);
    QTest::newRow("16 bits premultiplied") << int(QImage::Format_RGBA64_Premultiplied);
}

// Every format gives the circle that the ARGB32 picture gives: a wrongly read channel or row
// would move it.
void DiskFinderTest::readsEveryPictureFormat()
{
    QFETCH(int, format);
    const RenderedScene rendered =
        renderFinderScene(finderScenes().front(), pictureWidth, pictureHeight);
    const DiskFinding reference = findDisk(rendered.picture);
    QVERIFY(reference.found);
    const DiskFinding f = findDisk(rendered.picture.convertToFormat(QImage::Format(format)), 1);
    QVERIFY2(f.found, qPrintable(f.reason));
    QVERIFY(std::hypot(f.centerX - reference.centerX, f.centerY - reference.centerY) < 0.3);
    QVERIFY(std::fabs(f.radius - reference.radius) < 0.3);
}

void DiskFinderTest::robustFitKeepsOnlyTheLimb_data()
{
    QTest::addColumn<double>("strayOffset");
    QTest::addColumn<double>("startError");

    // Limb points on a circle and 12 stray points that far from it (inside when negative).
    QTest::newRow("limb alone") << 0.0 << 0.0;
    QTest::newRow("texture just inside") << -5.0 << 0.0;
    QTest::newRow("halo just outside") << 5.0 << 0.0;
    QTest::newRow("texture inside, start 3 pixels off") << -5.0 << 3.0;
}

// The fit keeps the points on the circle and reports only them as inliers, on either side.
void DiskFinderTest::robustFitKeepsOnlyTheLimb()
{
    QFETCH(double, strayOffset);
    QFETCH(double, startError);

    const Circle truth{321.5, 240.25, 150.0};
    constexpr int limbPoints = 72;
    constexpr int strayPoints = 12;
    // Inlier band and smallest residual scale, pixels, as the finder uses them.
    constexpr double cutoff = 2.0;
    constexpr double minScale = 0.5;
    std::vector<EdgePoint> points;
    for (int i = 0; i < limbPoints; ++i) {
        const double angle = 2 * M_PI * i / limbPoints;
        points.push_back({truth.centerX + truth.radius * std::cos(angle),
                          truth.centerY + truth.radius * std::sin(angle)});
    }
    if (strayOffset != 0.0) {
        for (int i = 0; i < strayPoints; ++i) {
            const double angle = 0.3 + 2 * M_PI * i / strayPoints;
            const double r = truth.radius + strayOffset;
            points.push_back(
                {truth.centerX + r * std::cos(angle), truth.centerY + r * std::sin(angle)});
        }
    }
    const Circle start{truth.centerX + startError, truth.centerY - startError, truth.radius};
    const CircleFit fit = robustCircleFit(points, start, minScale, cutoff);

    QVERIFY(fit.ok);
    QCOMPARE(fit.inlierCount, limbPoints);
    for (int i = 0; i < int(points.size()); ++i)
        QCOMPARE(bool(fit.inlier[std::size_t(i)]), i < limbPoints);
    constexpr double exact = 1e-6;
    QVERIFY2(fit.rmsResidual < exact, qPrintable(QString::number(fit.rmsResidual)));
    QVERIFY(std::fabs(fit.circle.centerX - truth.centerX) < exact);
    QVERIFY(std::fabs(fit.circle.centerY - truth.centerY) < exact);
    QVERIFY(std::fabs(fit.circle.radius - truth.radius) < exact);
}

void DiskFinderTest::findsTheDiskInAReducedJpeg_data()
{
    QTest::addColumn<int>("searchSide");
    QTest::addColumn<int>("reduction");
    QTest::addColumn<bool>("progressive");
    QTest::newRow("read whole") << 1600 << 1 << false;
    QTest::newRow("decoded at a quarter") << 400 << 4 << false;
    QTest::newRow("decoded at an eighth") << 200 << 8 << false;
    // Only the scans with the blocks' means are read.
    QTest::newRow("progressive, its means only") << 200 << 8 << true;
    QTest::newRow("progressive, at a half") << 800 << 2 << true;
}

// A JPEG searched in a reduced decoding: the circle comes back in the whole picture's pixels,
// a reduced pixel standing for the centre of its block.
void DiskFinderTest::findsTheDiskInAReducedJpeg()
{
    QFETCH(int, searchSide);
    QFETCH(int, reduction);
    QFETCH(bool, progressive);
    static const RenderedScene rendered = renderFinderScene(finderScenes().front(), 1600, 1200);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("globe.jpg"));
    QImageWriter writer(path, "jpeg");
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    QVERIFY(writer.write(rendered.picture));
    QString error;
    int used = 0;
    const DiskFinding f = findDiskInFile(path, &error, searchSide, &used);
    QCOMPARE(used, reduction);
    QVERIFY2(f.found, qPrintable(f.reason + error));
    const CameraSetup &t = rendered.setup;
    const double centreError = std::hypot(f.centerX - t.centerX, f.centerY - t.centerY);
    QVERIFY2(centreError <= 1.0, qPrintable(QString::number(centreError)));
    QVERIFY2(std::fabs(f.radius - t.radius) <= 1.0, qPrintable(QString::number(f.radius)));
}

QTEST_GUILESS_MAIN(DiskFinderTest)
#include "tst_diskfinder.moc"
