// The disk finder on rendered globes with a known circle (stars, noise, JPEG, limb darkening,
// halo, night side, cropped limb, backdrops, small and large disks) and on pictures without
// a globe.

#include "engine/diskfinder.h"
#include "finderscenes.h"

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

private:
    // Renders the scene, finds its disk and checks it against the true circle (or that a
    // picture without a globe gives none).
    static void checkScene(const FinderScene &scene, int width, int height);
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
}

void DiskFinderTest::checkScene(const FinderScene &s, int width, int height)
{
    const RenderedScene rendered = renderFinderScene(s, width, height);
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
    const double tolerance = s.hard ? hardTolerance : cleanTolerance;
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
    QTest::newRow("RGBA64, converted first") << int(QImage::Format_RGBA64);
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

QTEST_GUILESS_MAIN(DiskFinderTest)
#include "tst_diskfinder.moc"
