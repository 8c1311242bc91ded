#include "mainwindow/mainwindow.h"
#include "preview/previewwindow.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using windowdriver::formOf;

// The settings file: defaults on a first run, the round trip of all 26 keys, kept foreign keys,
// and hand-edited values that must neither crash nor write anything the engine refuses.
class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstRunDefaults();
    void roundTripOfEveryKey();
    void defaultColourIsWrittenInLowerCase();
    void handWrittenFileWithEveryKey();
    void unknownKeysSurvive();
    void negativeRadiusIsLoadedAsIs();
    void previewWindowComesBack();
    void handEditedValues_data();
    void handEditedValues();
    void oversizedGeometryIsShrunkToTheDesktop_data();
    void oversizedGeometryIsShrunkToTheDesktop();
    void overriddenSettingsAreNotSaved();
    void damagedGeometryIsIgnored();

private:
    QString settingsPath() const { return folder.filePath(QStringLiteral("orvix.ini")); }
    void writeSettings(const QByteArray &content);
    std::unique_ptr<MainWindow> startedWindow();

    QTemporaryDir folder;
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void SettingsTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    QFile::remove(settingsPath());
}

void SettingsTest::cleanup()
{
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
}

void SettingsTest::writeSettings(const QByteArray &content)
{
    QFile file(settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

std::unique_ptr<MainWindow> SettingsTest::startedWindow()
{
    auto window = windowtesting::makeWindow(folder.path());
    window->show();
    window->startWith({QStringLiteral("orvix")});
    return window;
}

void SettingsTest::firstRunDefaults()
{
    auto window = startedWindow();
    QVERIFY(window->autoSize);
    QVERIFY(formOf(*window).actionAuto_Size->isChecked());
    QVERIFY(formOf(*window).label->hasScaledContents());
    QVERIFY(!window->autoPreview);
    QVERIFY(!formOf(*window).actionAuto_Preview->isChecked());
    QVERIFY(!window->previewAtStart);
    QVERIFY(!window->previewWindow->isVisible());
    QCOMPARE(window->penColor, QColor(255, 0, 0, 255));
    QCOMPARE(window->penSize, 3);
    QCOMPARE(window->outputSizeX, 2048);
    QCOMPARE(window->outputSizeY, 1024);
    QCOMPARE(window->outputFormat, 0);
    QCOMPARE(window->outputQuality, 85);
    QCOMPARE(window->distance, 100.0);
    QCOMPARE(window->latitude, 0.0);
    QCOMPARE(window->longitude, 0.0);
    QCOMPARE(window->azimuth, 0.0);
    QVERIFY(window->overwrite);
    QVERIFY(window->openFiler);
    QVERIFY(!window->worldFile);
    QCOMPARE(window->sortType, 0);
    QCOMPARE(window->fileNameType, 0);
    QCOMPARE(window->centerX, 0);
    QCOMPARE(window->centerY, 0);
    QCOMPARE(window->radius, 0);
    QVERIFY(window->loadFileName.isEmpty());
    QVERIFY(window->saveFileName.isEmpty());
    QVERIFY(window->inputFolder.isEmpty());
    QVERIFY(window->outputFolder.isEmpty());
    QCOMPARE(window->batchMode, 0);
    // Reading never creates the file.
    QVERIFY(!QFile::exists(settingsPath()));
}

void SettingsTest::roundTripOfEveryKey()
{
    {
        auto window = windowtesting::makeWindow(folder.path());
        window->resize(700, 640);
        window->autoPreview = true;
        window->autoSize = false;
        window->penSize = 7;
        window->penColor = QColor(0x12, 0x34, 0x56, 0x78);
        window->centerX = 520;
        window->centerY = 295;
        window->radius = 294;
        window->distance = 6.6;
        window->outputSizeX = 4096;
        window->outputSizeY = 2000;
        window->loadFileName = QStringLiteral("/pictures/地球.jpg");
        window->saveFileName = QStringLiteral("/maps/KY-地球.jpg");
        window->inputFolder = QStringLiteral("/in");
        window->outputFolder = QStringLiteral("/out");
        window->sortType = 1;
        window->fileNameType = 1;
        window->outputFormat = 1;
        window->outputQuality = 42;
        window->latitude = 35.6;
        window->longitude = -139.7;
        window->azimuth = 12.25;
        window->overwrite = false;
        window->openFiler = false;
        window->worldFile = true;
        window->close();
    }
    QSettings file(settingsPath(), QSettings::IniFormat);
    // The 26 keys of the first release and ConversionMode, DetectDisk and WorldFile added since.
    QCOMPARE(file.allKeys().size(), 29);

    auto window = windowtesting::makeWindow(folder.path());
    QCOMPARE(window->size(), QSize(700, 640));
    QVERIFY(window->autoPreview);
    QVERIFY(!window->autoSize);
    QVERIFY(!window->previewAtStart);
    QCOMPARE(window->penSize, 7);
    QCOMPARE(window->penColor, QColor(0x12, 0x34, 0x56, 0x78));
    QCOMPARE(window->centerX, 520);
    QCOMPARE(window->centerY, 295);
    QCOMPARE(window->radius, 294);
    QCOMPARE(window->distance, 6.6);
    QCOMPARE(window->outputSizeX, 4096);
    QCOMPARE(window->outputSizeY, 2000);
    QCOMPARE(window->loadFileName, QStringLiteral("/pictures/地球.jpg"));
    QCOMPARE(window->saveFileName, QStringLiteral("/maps/KY-地球.jpg"));
    QCOMPARE(window->inputFolder, QStringLiteral("/in"));
    QCOMPARE(window->outputFolder, QStringLiteral("/out"));
    QCOMPARE(window->sortType, 1);
    QCOMPARE(window->fileNameType, 1);
    QCOMPARE(window->outputFormat, 1);
    QCOMPARE(window->outputQuality, 42);
    QCOMPARE(window->latitude, 35.6);
    QCOMPARE(window->longitude, -139.7);
    QCOMPARE(window->azimuth, 12.25);
    QVERIFY(!window->overwrite);
    QVERIFY(!window->openFiler);
    QVERIFY(window->worldFile);
    QCOMPARE(formOf(*window).lineRadius->text(), QStringLiteral("294"));
    QCOMPARE(formOf(*window).lineCenterX->text(), QStringLiteral("520"));
}

void SettingsTest::defaultColourIsWrittenInLowerCase()
{
    windowtesting::makeWindow(folder.path())->saveSettings();
    QFile file(settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY2(content.contains("PenColor=#ffff0000"), content.constData());
    QVERIFY(content.startsWith("[General]"));
    QCOMPARE(windowtesting::makeWindow(folder.path())->penColor, QColor(255, 0, 0, 255));
}

// A file written by hand with every key the README and the users' files know, each with a
// value other than its default: every value arrives, and a save writes exactly these keys, so
// a renamed key cannot pass through a round trip that reads and writes the same wrong name.
void SettingsTest::handWrittenFileWithEveryKey()
{
    writeSettings("[General]\n"
                  "PreviewWindow=false\n"
                  "AutoPreview=true\n"
                  "AutoSize=false\n"
                  "PenSize=9\n"
                  "PenColor=#80102030\n"
                  "CenterX=411\n"
                  "CenterY=-7\n"
                  "Radius=333\n"
                  "Distance=6.6\n"
                  "OutputSizeX=3000\n"
                  "OutputSizeY=1500\n"
                  "LoadFileName=/pictures/earth.png\n"
                  "SaveFileName=/maps/KY-earth.jpg\n"
                  "InputFolder=/pictures\n"
                  "OutputFolder=/maps\n"
                  "InputFileSortType=1\n"
                  "OutputFileNameType=1\n"
                  "OutputFormat=2\n"
                  "OutputQuality=77\n"
                  "Latitude=-12.5\n"
                  "Longitude=170.25\n"
                  "Azimuth=359\n"
                  "Overwrite=false\n"
                  "OpenFiler=false\n"
                  "ConversionMode=1\n"
                  "DetectDisk=true\n"
                  "WorldFile=true\n");
    {
        auto window = windowtesting::makeWindow(folder.path());
        QVERIFY(window->autoPreview);
        QVERIFY(!window->autoSize);
        QCOMPARE(window->penSize, 9);
        QCOMPARE(window->penColor, QColor(0x10, 0x20, 0x30, 0x80));
        QCOMPARE(window->centerX, 411);
        QCOMPARE(window->centerY, -7);
        QCOMPARE(window->radius, 333);
        QCOMPARE(window->distance, 6.6);
        QCOMPARE(window->outputSizeX, 3000);
        QCOMPARE(window->outputSizeY, 1500);
        QCOMPARE(window->loadFileName, QStringLiteral("/pictures/earth.png"));
        QCOMPARE(window->saveFileName, QStringLiteral("/maps/KY-earth.jpg"));
        QCOMPARE(window->inputFolder, QStringLiteral("/pictures"));
        QCOMPARE(window->outputFolder, QStringLiteral("/maps"));
        QCOMPARE(window->sortType, 1);
        QCOMPARE(window->fileNameType, 1);
        // TIFF, the third format.
        QCOMPARE(window->outputFormat, 2);
        QCOMPARE(window->outputQuality, 77);
        QCOMPARE(window->latitude, -12.5);
        QCOMPARE(window->longitude, 170.25);
        QCOMPARE(window->azimuth, 359.0);
        QVERIFY(!window->overwrite);
        QVERIFY(!window->openFiler);
        QCOMPARE(window->conversionMode, 1);
        QVERIFY(window->detectDisk);
        QVERIFY(window->worldFile);
        window->close();
    }
    QSettings file(settingsPath(), QSettings::IniFormat);
    QStringList keys = file.allKeys();
    keys.sort();
    QCOMPARE(keys.join(' '), QStringLiteral("AutoPreview AutoSize Azimuth CenterX CenterY "
                                            "ConversionMode DetectDisk Distance Geometry "
                                            "InputFileSortType InputFolder Latitude LoadFileName "
                                            "Longitude OpenFiler OutputFileNameType OutputFolder "
                                            "OutputFormat OutputQuality OutputSizeX OutputSizeY "
                                            "Overwrite PenColor PenSize PreviewGeometry "
                                            "PreviewWindow Radius SaveFileName WorldFile"));
}

void SettingsTest::unknownKeysSurvive()
{
    writeSettings("[General]\nMyNote=keep me\nRadius=12\n\n[Extra]\nOther=1\n");
    windowtesting::makeWindow(folder.path())->close();
    QSettings file(settingsPath(), QSettings::IniFormat);
    QCOMPARE(file.value("MyNote").toString(), QStringLiteral("keep me"));
    QCOMPARE(file.value("Extra/Other").toInt(), 1);
    QCOMPARE(file.value("Radius").toInt(), 12);
}

void SettingsTest::negativeRadiusIsLoadedAsIs()
{
    writeSettings("[General]\nRadius=-5\nCenterX=10\nCenterY=20\n");
    auto window = windowtesting::makeWindow(folder.path());
    QCOMPARE(window->radius, -5);
    QCOMPARE(formOf(*window).lineRadius->text(), QStringLiteral("-5"));
    QCOMPARE(formOf(*window).lineCenterY->text(), QStringLiteral("20"));
}

void SettingsTest::previewWindowComesBack()
{
    {
        auto window = startedWindow();
        formOf(*window).btnPreview->click();
        window->previewWindow->resize(500, 300);
        window->close();
    }
    auto window = startedWindow();
    QVERIFY(window->previewAtStart);
    QVERIFY(window->previewWindow->isVisible());
    QVERIFY(formOf(*window).actionPreview_Window->isChecked());
    QCOMPARE(window->previewWindow->size(), QSize(500, 300));
}

void SettingsTest::handEditedValues_data()
{
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<bool>("refused");

    QTest::newRow("output width 0") << QByteArray("OutputSizeX=0") << true;
    QTest::newRow("output width 100000") << QByteArray("OutputSizeX=100000") << true;
    QTest::newRow("output height text") << QByteArray("OutputSizeY=tall") << true;
    QTest::newRow("distance 0.5") << QByteArray("Distance=0.5") << true;
    QTest::newRow("distance NaN") << QByteArray("Distance=nan") << true;
    QTest::newRow("distance text") << QByteArray("Distance=far") << true;
    QTest::newRow("latitude infinite") << QByteArray("Latitude=inf") << true;
    QTest::newRow("pen size 0") << QByteArray("PenSize=0") << false;
    QTest::newRow("pen size 5000") << QByteArray("PenSize=5000") << false;
    QTest::newRow("pen colour text") << QByteArray("PenColor=rainbow") << false;
    QTest::newRow("quality 500") << QByteArray("OutputQuality=500") << false;
    // The circle is moved by the test's size step: this one stays beside the picture, and a
    // map that takes nothing of the picture is not written.
    QTest::newRow("centre far outside")
        << QByteArray("CenterX=2000000000\nCenterY=-2000000000\nRadius=50") << true;
    QTest::newRow("negative radius") << QByteArray("CenterX=50\nCenterY=40\nRadius=-5") << false;
    QTest::newRow("geometry garbage") << QByteArray("Geometry=@ByteArray(xyz)") << false;
}

void SettingsTest::handEditedValues()
{
    QFETCH(QByteArray, entries);
    QFETCH(bool, refused);

    writeSettings("[General]\nOutputSizeX=128\nOutputSizeY=64\n" + entries + "\n");
    auto window = startedWindow();
    window->loadFileName =
        windowtesting::writePicture(folder.filePath(QStringLiteral("globe.png")), 120, 90);
    window->openImage();
    QVERIFY(!window->sourceImage.isNull());
    window->on_label_mouse_move(60, 45);
    window->on_btnSizeUp_clicked();
    window->clickTimer->stop();
    window->click_timer();

    const QString target = folder.filePath(QStringLiteral("KY-globe.jpg"));
    QFile::remove(target);
    {
        ModalAnswerer answerer;
        window->on_btnConvert_clicked();
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].icon, refused ? QMessageBox::Warning : QMessageBox::Information);
    }
    QCOMPARE(QFile::exists(target), !refused);
    if (refused)
        QVERIFY(!window->lastConversionError.isEmpty());
}

void SettingsTest::oversizedGeometryIsShrunkToTheDesktop_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QSize>("size");

    QTest::newRow("main window, Qt limit")
        << QStringLiteral("Geometry") << QSize(16777215, 16777215);
    QTest::newRow("main window, very wide") << QStringLiteral("Geometry") << QSize(2000000, 580);
    QTest::newRow("preview window, Qt limit")
        << QStringLiteral("PreviewGeometry") << QSize(16777215, 16777215);
    QTest::newRow("preview window, very tall")
        << QStringLiteral("PreviewGeometry") << QSize(400, 3000000);
}

// A hand-edited geometry of millions of pixels would make Qt allocate the window's
// buffer at that size when the window is shown; it is shrunk to the desktop. Sizes up to twice
// the desktop are restored as they were (roundTripOfEveryKey).
void SettingsTest::oversizedGeometryIsShrunkToTheDesktop()
{
    QFETCH(QString, key);
    QFETCH(QSize, size);

    QWidget sample;
    sample.setGeometry(QRect(QPoint(10, 10), size));
    QCOMPARE(sample.size(), size);
    {
        QSettings file(settingsPath(), QSettings::IniFormat);
        file.setValue(key, sample.saveGeometry());
        file.setValue(QStringLiteral("PreviewWindow"), true);
    }
    auto window = startedWindow();
    QWidget *restored = key == QLatin1String("Geometry") ? static_cast<QWidget *>(window.get())
                                                         : window->previewWindow;
    QVERIFY(restored->isVisible());
    const QSize desktop = QGuiApplication::primaryScreen()->availableVirtualGeometry().size();
    const QSize expected(size.width() > 2 * desktop.width() ? desktop.width() : size.width(),
                         size.height() > 2 * desktop.height() ? desktop.height() : size.height());
    QCOMPARE(restored->size(), expected);
}

// A run may override the settings it converts with; the file keeps what it held.
void SettingsTest::overriddenSettingsAreNotSaved()
{
    writeSettings("[General]\nOutputSizeX=4096\nRadius=50\n");
    {
        auto window = windowtesting::makeWindow(folder.path());
        SettingsRecord run = window->settings();
        run.outputSizeX = 1024;
        run.radius = 7;
        run.outputFolder = QStringLiteral("/run");
        window->overrideSettings(run);
        QCOMPARE(window->outputSizeX, 1024);
        QCOMPARE(window->radius, 7);
        QCOMPARE(window->outputFolder, QStringLiteral("/run"));
        window->close();
    }
    QSettings file(settingsPath(), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("OutputSizeX")).toInt(), 4096);
    QCOMPARE(file.value(QStringLiteral("Radius")).toInt(), 50);
    QCOMPARE(file.value(QStringLiteral("OutputFolder")).toString(), QString());
}

void SettingsTest::damagedGeometryIsIgnored()
{
    const QSize unset = windowtesting::makeWindow(folder.path())->size();
    // QWidget's magic number and format version 3, then nothing: read in full, it gives an
    // empty window.
    writeSettings("[General]\nGeometry=@ByteArray(\\x1\\xd9\\xd0\\xcb\\0\\x3\\0\\0)\n");
    QCOMPARE(windowtesting::makeWindow(folder.path())->size(), unset);
}

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
