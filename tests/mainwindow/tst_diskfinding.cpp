#include "ui_mainwindow.h"
#include "windowtesting.h"

#include "batch/batchrunner.h"
#include "engine/diskfinder.h"
#include "engine/foundcircle.h"
#include "engine/mapconverter.h"
#include "globerenderer.h"
#include "mainwindow/selectiongeometry.h"

#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace windowtesting;

namespace {

// A globe whose limb lies exactly on the given circle, in a picture of 480 x 360 pixels.
QImage renderedGlobe(int centerX, int centerY, int radius)
{
    CameraSetup setup;
    setup.width = 480;
    setup.height = 360;
    setup.centerX = centerX;
    setup.centerY = centerY;
    setup.radius = radius;
    const auto surface = [](const GeoPoint &point) {
        const int band =
            int(std::floor(point.latitude / 15.0) + std::floor(point.longitude / 15.0));
        return band % 2 == 0 ? qRgb(200, 170, 120) : qRgb(90, 130, 190);
    };
    return renderGlobe(GlobeCamera(setup), surface);
}

QImage plainPicture()
{
    QImage picture(480, 360, QImage::Format_RGB32);
    picture.fill(qRgb(120, 120, 120));
    return picture;
}

QString savedPicture(const QImage &picture, const QString &path)
{
    return picture.save(path) ? path : QString();
}

} // namespace

// The disk finder where the user meets it: the menu entry, the open-time setting, batches
// whose disks drift from picture to picture, and the --find-disk command.
class DiskFindingTest : public QObject
{
    Q_OBJECT

private slots:
    void findDiskEntry_data();
    void findDiskEntry();
    void detectOnOpen_data();
    void detectOnOpen();
    void driftingBatch();
    void findDiskCommand_data();
    void findDiskCommand();
};

void DiskFindingTest::findDiskEntry_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<bool>("found");
    QTest::newRow("globe off centre") << renderedGlobe(290, 160, 110) << true;
    QTest::newRow("plain grey, no disk") << plainPicture() << false;
}

void DiskFindingTest::findDiskEntry()
{
    QFETCH(QImage, picture);
    QFETCH(bool, found);
    QTemporaryDir dir;
    auto window = makeWindow(dir.path());
    window->loadFileName = savedPicture(picture, dir.filePath("picture.png"));
    window->openImage();
    const int before[] = {window->centerX, window->centerY, window->radius};

    ModalAnswerer answerer;
    window->ui->actionFind_Disk->trigger();

    if (found) {
        QVERIFY(answerer.sawNothing());
        QVERIFY(std::abs(window->centerX - 290) <= 1);
        QVERIFY(std::abs(window->centerY - 160) <= 1);
        QVERIFY(std::abs(window->radius - 110) <= 1);
        QCOMPARE(window->ui->lineCenterX->text(), QString::number(window->centerX));
        QCOMPARE(window->ui->lineCenterY->text(), QString::number(window->centerY));
        QCOMPARE(window->ui->lineRadius->text(), QString::number(window->radius));
        return;
    }
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(answerer.boxes.first().title, window->ui->actionFind_Disk->text());
    QCOMPARE(answerer.boxes.first().text, window->texts.value("no_disk_found"));
    QCOMPARE(window->centerX, before[0]);
    QCOMPARE(window->centerY, before[1]);
    QCOMPARE(window->radius, before[2]);
}

void DiskFindingTest::detectOnOpen_data()
{
    QTest::addColumn<bool>("detect");
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QVector<int>>("circle");
    const selection::Circle standard = selection::defaultCircle(480, 360);
    const QVector<int> defaultCircle{standard.centerX, standard.centerY, standard.radius};
    QTest::newRow("on, globe: the found circle")
        << true << renderedGlobe(150, 200, 90) << QVector<int>{150, 200, 90};
    QTest::newRow("off, globe: the default circle")
        << false << renderedGlobe(150, 200, 90) << defaultCircle;
    QTest::newRow("on, no disk: the default circle") << true << plainPicture() << defaultCircle;
}

void DiskFindingTest::detectOnOpen()
{
    QFETCH(bool, detect);
    QFETCH(QImage, picture);
    QFETCH(QVector<int>, circle);
    QTemporaryDir dir;
    {
        auto first = makeWindow(dir.path());
        if (detect)
            first->ui->actionDetect_Disk->trigger();
        first->saveSettings();
    }
    auto window = makeWindow(dir.path());
    QCOMPARE(window->detectDisk, detect);
    QCOMPARE(window->ui->actionDetect_Disk->isChecked(), detect);

    ModalAnswerer answerer;
    window->loadFileName = savedPicture(picture, dir.filePath("picture.png"));
    window->openImage();
    QVERIFY(answerer.sawNothing());
    QVERIFY2(std::abs(window->centerX - circle[0]) <= 1,
             qPrintable(QString::number(window->centerX)));
    QVERIFY(std::abs(window->centerY - circle[1]) <= 1);
    QVERIFY(std::abs(window->radius - circle[2]) <= 1);
}

// Each picture is converted with its own disk; the one without a disk with the batch's circle.
void DiskFindingTest::driftingBatch()
{
    QTemporaryDir dir;
    const QVector<QImage> pictures = {renderedGlobe(200, 170, 120), renderedGlobe(260, 190, 130),
                                      renderedGlobe(300, 150, 100), plainPicture()};
    QStringList files;
    for (int i = 0; i < pictures.size(); ++i)
        files << savedPicture(pictures[i], dir.filePath(QStringLiteral("in%1.png").arg(i)));
    ConversionParameters params;
    params.centerX = 240;
    params.centerY = 180;
    params.radius = 150;
    params.outputWidth = 256;
    params.outputHeight = 128;
    BatchSettings settings;
    settings.outputFolder = dir.filePath("maps");
    QVERIFY(QDir().mkpath(settings.outputFolder));
    settings.outputFormat = 1;
    settings.detectDisk = true;

    MapConverter converter;
    BatchRunner runner(converter, params, settings);
    QVector<BatchFileOutcome> outcomes;
    runner.fileFinished = [&](const BatchFileOutcome &outcome) { outcomes << outcome; };
    QCOMPARE(runner.run(files).succeeded, pictures.size());

    MapConverter reference;
    for (int i = 0; i < pictures.size(); ++i) {
        ConversionParameters own = params;
        const DiskFinding finding = findDisk(pictures[i]);
        QCOMPARE(finding.found, i < 3);
        QCOMPARE(outcomes[i].note.contains("no disk found"), !finding.found);
        if (finding.found)
            applyFoundCircle(foundCircle(finding), own);
        const QImage expected = reference.convert(pictures[i], own).map;
        QCOMPARE(QImage(outcomes[i].output).convertToFormat(expected.format()), expected);
    }
}

void DiskFindingTest::findDiskCommand_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("one globe")
        << QStringList{"globe.png"}
        << QStringList{"globe.png: centre 290\\.\\d\\d 160\\.\\d\\d radius 1(09|10)\\.\\d\\d"} << 0;
    QTest::newRow("globe and plain")
        << QStringList{"globe.png", "plain.png"}
        << QStringList{"globe.png: centre .*", "plain.png: no disk found \\(.+\\)"} << 1;
    QTest::newRow("missing file") << QStringList{"missing.png"}
                                  << QStringList{"missing.png: no disk found \\(.+\\)"} << 1;
}

void DiskFindingTest::findDiskCommand()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, lines);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    QVERIFY(!savedPicture(renderedGlobe(290, 160, 110), dir.filePath("globe.png")).isEmpty());
    QVERIFY(!savedPicture(plainPicture(), dir.filePath("plain.png")).isEmpty());

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    run.setProcessEnvironment(environment);
    run.setWorkingDirectory(dir.path());
    run.start(QStringLiteral(ORVIX_PROGRAM), QStringList{"--find-disk"} + names);
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), exitCode);
    const QStringList printed =
        QString::fromLocal8Bit(run.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(printed.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(lines[i]))
                     .match(printed[i])
                     .hasMatch(),
                 qPrintable(printed[i]));
}

QTEST_MAIN(DiskFindingTest)
#include "tst_diskfinding.moc"
