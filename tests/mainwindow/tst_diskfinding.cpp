#include "testfiles.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include "batch/batchrunner.h"
#include "engine/finder/diskfinder.h"
#include "engine/finder/foundcircle.h"
#include "engine/standard/mapconverter.h"
#include "globerenderer.h"
#include "mainwindow/selectiongeometry.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using windowdriver::formOf;

using namespace windowtesting;

// A 480 x 360 picture of a globe whose limb lies exactly on the circle; radius 0: plain grey.
static QString savedPicture(const QString &path, int centerX, int centerY, int radius)
{
    QImage picture(480, 360, QImage::Format_RGB32);
    picture.fill(qRgb(120, 120, 120));
    CameraSetup setup{480, 360, centerX, centerY, radius, 100.0, {}, 0.0};
    if (radius > 0)
        picture = renderGlobe(GlobeCamera(setup), [](const GeoPoint &point) {
            return int(std::floor(point.latitude / 15) + std::floor(point.longitude / 15)) % 2
                       ? qRgb(90, 130, 190)
                       : qRgb(200, 170, 120);
        });
    return picture.save(path) ? path : QString();
}

// The disk finder in the window (menu entry, open-time setting), in batches whose disks drift
// from picture to picture, and as --find-disk.
class DiskFindingTest : public QObject
{
    Q_OBJECT

private slots:
    void window_data();
    void window();
    void driftingBatch();
    void findDiskCommand_data();
    void findDiskCommand();
};

void DiskFindingTest::window_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::addColumn<bool>("detect");
    QTest::addColumn<int>("radius");
    QTest::newRow("menu, globe") << true << false << 90;
    QTest::newRow("menu, no disk: box, circle kept") << true << false << 0;
    QTest::newRow("open detecting, globe") << false << true << 90;
    QTest::newRow("open detecting, no disk: default") << false << true << 0;
    QTest::newRow("open not detecting: default") << false << false << 90;
}

void DiskFindingTest::window()
{
    QFETCH(bool, byMenu);
    QFETCH(bool, detect);
    QFETCH(int, radius);
    QTemporaryDir dir;
    {
        auto first = makeWindow(dir.path());
        if (detect)
            formOf(*first).actionDetect_Disk->trigger();
        first->saveSettings();
    }
    auto window = makeWindow(dir.path()); // the setting comes back from the file
    QCOMPARE(formOf(*window).actionDetect_Disk->isChecked(), detect);
    ModalAnswerer answerer;
    // Without a picture the entry and its shortcut are off.
    QVERIFY(!formOf(*window).actionFind_Disk->isEnabled());
    window->loadFileName = savedPicture(dir.filePath("in.png"), 150, 200, radius);
    window->openImage();
    QVERIFY(formOf(*window).actionFind_Disk->isEnabled());
    // A failed detection at opening is said in the status bar, which is hidden otherwise.
    const QStatusBar *bar = window->findChild<QStatusBar *>();
    const bool noted = detect && radius == 0;
    QCOMPARE(bar && !bar->isHidden(), noted);
    if (noted)
        QCOMPARE(bar->findChild<QLabel *>()->text(), window->texts.value("no_disk_at_opening"));
    if (byMenu)
        formOf(*window).actionFind_Disk->trigger();

    QCOMPARE(answerer.boxes.size(), byMenu && radius == 0 ? 1 : 0);
    for (const SeenBox &box : answerer.boxes)
        QCOMPARE(QStringList({box.title, box.text, QString::number(box.icon)}),
                 QStringList({formOf(*window).actionFind_Disk->text(),
                              window->texts.value("no_disk_found"),
                              QString::number(QMessageBox::Warning)}));
    const selection::Circle standard = selection::defaultCircle(480, 360);
    const QVector<int> expected =
        radius > 0 && (byMenu || detect)
            ? QVector<int>{150, 200, radius}
            : QVector<int>{standard.centerX, standard.centerY, standard.radius};
    const QVector<int> circle{window->centerX, window->centerY, window->radius};
    QCOMPARE((QVector<int>{formOf(*window).lineCenterX->text().toInt(),
                           formOf(*window).lineCenterY->text().toInt(),
                           formOf(*window).lineRadius->text().toInt()}),
             circle);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(std::abs(circle[i] - expected[i]) <= 1, qPrintable(QString::number(circle[i])));

    // A picture that does not open takes the note and the entry away again.
    window->loadFileName = dir.filePath("missing.png");
    window->openImage();
    QVERIFY(!formOf(*window).actionFind_Disk->isEnabled());
    QVERIFY(!bar || bar->isHidden());
}

// Each map equals the one made with its picture's own disk; without a disk, the batch's circle.
void DiskFindingTest::driftingBatch()
{
    QTemporaryDir dir;
    const QStringList files = {savedPicture(dir.filePath("a.png"), 200, 170, 120),
                               savedPicture(dir.filePath("b.png"), 260, 190, 130),
                               savedPicture(dir.filePath("c.png"), 300, 150, 100),
                               savedPicture(dir.filePath("d.png"), 0, 0, 0)};
    ConversionParameters params;
    params.centerX = 240, params.centerY = 180, params.radius = 150;
    params.outputWidth = 256, params.outputHeight = 128;
    BatchSettings settings;
    settings.outputFolder = dir.path();
    settings.fileNameType = 1;
    settings.outputFormat = 1;
    settings.detectDisk = true;
    MapConverter converter;
    BatchRunner runner(converter, params, settings);
    QVector<BatchFileOutcome> outcomes;
    runner.fileFinished = [&](const BatchFileOutcome &outcome) { outcomes << outcome; };
    QCOMPARE(runner.run(files).succeeded, 4);

    for (int i = 0; i < 4; ++i) {
        const QImage picture(files[i]);
        const DiskFinding finding = findDisk(picture);
        QCOMPARE(finding.found, i < 3);
        QCOMPARE(outcomes[i].note.contains("no disk found"), !finding.found);
        ConversionParameters own = params;
        if (finding.found)
            applyFoundCircle(foundCircle(finding), own);
        const QImage expected = MapConverter().convert(picture, own).map;
        QCOMPARE(QImage(outcomes[i].output).convertToFormat(expected.format()), expected);
    }
}

void DiskFindingTest::findDiskCommand_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("a globe") << QStringList{"g.png: centre 290\\.\\d\\d 160\\.\\d\\d radius "
                                            "1(09|10)\\.\\d\\d"}
                             << 0;
    QTest::newRow("a globe, a plain picture, a missing file")
        << QStringList{"g.png: centre .*", "p.png: no disk found \\(.+\\)",
                       "m.png: no disk found \\(.+\\)"}
        << 1;
}

void DiskFindingTest::findDiskCommand()
{
    QFETCH(QStringList, lines);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    QVERIFY(!savedPicture(dir.filePath("g.png"), 290, 160, 110).isEmpty());
    QVERIFY(!savedPicture(dir.filePath("p.png"), 0, 0, 0).isEmpty());
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    run.setProcessEnvironment(environment);
    run.setWorkingDirectory(dir.path());
    QStringList arguments{"--find-disk"};
    for (const QString &line : lines)
        arguments << line.section(':', 0, 0);
    run.start(QStringLiteral(ORVIX_PROGRAM), arguments);
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), exitCode);
    const QStringList printed = QString::fromLocal8Bit(run.readAllStandardOutput()).split('\n');
    QCOMPARE(printed.size(), lines.size() + 1);
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(QRegularExpression("^" + lines[i] + "$").match(printed[i]).hasMatch(),
                 qPrintable(printed[i]));
}

QTEST_MAIN(DiskFindingTest)
#include "tst_diskfinding.moc"
