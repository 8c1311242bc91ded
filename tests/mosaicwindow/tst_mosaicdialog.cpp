#include "../mosaic/mosaicscenes.h"
#include "app/mosaicfile.h"
#include "engine/pictureio/picturereader.h"
#include "modalanswerer.h"
#include "mosaic/mosaicpictures.h"
#include "mosaicwindow/mosaicdialog.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A mosaic file in dir with pictures in dir/views: a and b rendered globes.
struct MosaicFolder
{
    MosaicFolder()
    {
        QDir(dir.path()).mkpath("views");
        QDir(dir.path()).mkpath("copy");
        mosaicscenes::view(0.0).picture.save(dir.filePath("views/a.png"));
        mosaicscenes::view(90.0).picture.save(dir.filePath("views/b.png"));
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

MosaicPictureEntry entry(const char *file, double longitude, bool detect)
{
    MosaicPictureEntry e;
    e.file = file;
    e.detect = detect;
    if (!detect) {
        e.centerX = 120;
        e.centerY = 99.5;
        e.radius = 90.25;
    }
    e.distance = 6.6;
    e.longitude = longitude;
    e.latitude = 2.5;
    e.azimuth = 10;
    return e;
}

// The description with every picture file made absolute against the mosaic file's folder.
MosaicDescription resolved(const QString &mosaicFile)
{
    MosaicDescription d;
    QString error;
    if (!readMosaicFile(mosaicFile, &d, &error))
        qWarning() << error;
    for (MosaicPictureEntry &e : d.pictures)
        e.file = mosaicPicturePath(QFileInfo(mosaicFile).absolutePath(), e.file);
    return d;
}

// Clicks the button while its file dialog is answered with path.
void clickWithFile(QAbstractButton *button, const QString &path)
{
    ModalAnswerer answerer(QMessageBox::Ok, [path](QFileDialog *dialog) {
        dialog->setDirectory(QFileInfo(path).absolutePath());
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(path).fileName());
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(answerer.fileDialogTitles.size(), 1);
    QVERIFY(answerer.boxes.isEmpty());
}

} // namespace

Q_DECLARE_METATYPE(MosaicDescription)

class MosaicDialogTest : public QObject
{
    Q_OBJECT
private slots:
    // A mosaic file opened and saved elsewhere through the buttons holds the same mosaic, its
    // picture files relative to the new place.
    void roundTrip_data()
    {
        QTest::addColumn<MosaicDescription>("mosaic");
        MosaicDescription two;
        two.pictures = {entry("views/a.png", 0, false), entry("views/b.png", 90, false)};
        QTest::newRow("circles and views") << two;
        MosaicDescription detected = two;
        detected.pictures[1].detect = true;
        detected.pictures[1].centerX = detected.pictures[1].centerY = detected.pictures[1].radius =
            0;
        detected.outputSizeX = 1000;
        detected.outputSizeY = 500;
        detected.outputQuality = 55;
        detected.exposureMatching = false;
        QTest::newRow("a circle to be found, other map settings") << detected;
    }
    void roundTrip()
    {
        QFETCH(MosaicDescription, mosaic);
        MosaicFolder folder;
        QString error;
        QVERIFY2(writeMosaicFile(folder.path("m.ini"), mosaic, &error), qPrintable(error));
        MosaicDialog dialog;
        dialog.show();
        clickWithFile(dialog.findChild<QPushButton *>("btnOpen"), folder.path("m.ini"));
        QCOMPARE(dialog.findChild<QTableWidget *>("tablePictures")->rowCount(),
                 int(mosaic.pictures.size()));
        clickWithFile(dialog.findChild<QPushButton *>("btnSave"), folder.path("copy/m.ini"));
        QVERIFY(resolved(folder.path("copy/m.ini")) == resolved(folder.path("m.ini")));
        MosaicDescription saved;
        QVERIFY(readMosaicFile(folder.path("copy/m.ini"), &saved, &error));
        QCOMPARE(saved.pictures[0].file, QString("../views/a.png"));
    }

    // A circle typed over one that was to be found is saved as typed.
    void editedCircleIsKept()
    {
        MosaicFolder folder;
        MosaicDescription mosaic;
        mosaic.pictures = {entry("views/a.png", 0, true)};
        QVERIFY(writeMosaicFile(folder.path("m.ini"), mosaic, nullptr));
        MosaicDialog dialog;
        QVERIFY(dialog.openMosaicFile(folder.path("m.ini")));
        auto *table = dialog.findChild<QTableWidget *>("tablePictures");
        table->item(0, 1)->setText("121.5");
        table->item(0, 2)->setText("100");
        table->item(0, 3)->setText("89.75");
        QVERIFY(dialog.saveMosaicFile(folder.path("m.ini")));
        const MosaicDescription back = resolved(folder.path("m.ini"));
        QVERIFY(!back.pictures[0].detect);
        QCOMPARE(back.pictures[0].centerX, 121.5);
        QCOMPARE(back.pictures[0].radius, 89.75);
    }

    // The preview merges the pictures and shows either the map or its regions; a bad value
    // is refused naming its row and column, and nothing is merged.
    void preview_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("value");
        QTest::newRow("good values") << -1 << QString();
        QTest::newRow("radius no number") << 3 << "big";
        QTest::newRow("latitude beyond the pole") << 5 << "95";
    }
    void preview()
    {
        QFETCH(int, column);
        QFETCH(QString, value);
        MosaicFolder folder;
        MosaicDescription mosaic;
        mosaic.pictures = {entry("views/a.png", 0, false), entry("views/b.png", 90, true)};
        QVERIFY(writeMosaicFile(folder.path("m.ini"), mosaic, nullptr));
        MosaicDialog dialog;
        dialog.show();
        QVERIFY(dialog.openMosaicFile(folder.path("m.ini")));
        auto *table = dialog.findChild<QTableWidget *>("tablePictures");
        if (column >= 0)
            table->item(0, column)->setText(value);
        ModalAnswerer answerer;
        QTest::mouseClick(dialog.findChild<QPushButton *>("btnPreview"), Qt::LeftButton);
        if (column >= 0) {
            QCOMPARE(answerer.boxes.size(), 1);
            QVERIFY2(answerer.boxes[0].text.contains(
                         "1, " + table->horizontalHeaderItem(column)->text() + ": \"" + value),
                     qPrintable(answerer.boxes[0].text));
            QVERIFY(dialog.previewMap.isNull());
            return;
        }
        QVERIFY(answerer.boxes.isEmpty());
        QCOMPARE(dialog.previewMap.size(), QSize(720, 360));
        // Both pictures lead a region: two tints beside the equator's centre.
        const QImage &regions = dialog.previewRegions;
        QVERIFY(regions.pixel(360, 180) != regions.pixel(360 + 180, 180));
        QVERIFY(dialog.previewMap.pixel(360, 180) != regions.pixel(360, 180));
        auto *label = dialog.findChild<QLabel *>("labelPreview");
        QCOMPARE(label->pixmap(Qt::ReturnByValue)
                     .toImage()
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 dialog.previewMap.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        dialog.findChild<QCheckBox *>("checkOverlay")->setChecked(true);
        QCOMPARE(label->pixmap(Qt::ReturnByValue)
                     .toImage()
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 regions.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    // Writing: the map of the chosen size in the chosen place and format, the bar full, a box
    // saying so. A name typed without a suffix gets the chosen filter's.
    void writesTheMap_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("tiffFilter");
        QTest::addColumn<QString>("written");
        QTest::newRow("PNG named") << "map.png" << false << "map.png";
        QTest::newRow("no suffix, first filter") << "map" << false << "map.jpg";
        QTest::newRow("no suffix, TIFF filter") << "map" << true << "map.tif";
    }
    void writesTheMap()
    {
        QFETCH(QString, typed);
        QFETCH(bool, tiffFilter);
        QFETCH(QString, written);
        MosaicFolder folder;
        MosaicDescription mosaic;
        mosaic.outputSizeX = 360;
        mosaic.outputSizeY = 180;
        mosaic.pictures = {entry("views/a.png", 0, false), entry("views/b.png", 90, true)};
        QVERIFY(writeMosaicFile(folder.path("m.ini"), mosaic, nullptr));
        MosaicDialog dialog;
        dialog.show();
        QVERIFY(dialog.openMosaicFile(folder.path("m.ini")));
        const QString map = folder.path("copy/" + written);
        ModalAnswerer answerer(QMessageBox::Ok, [&](QFileDialog *picker) {
            picker->setDirectory(QFileInfo(map).absolutePath());
            if (tiffFilter) {
                // As the dialog reports the user's choice of the second filter.
                picker->selectNameFilter(picker->nameFilters().at(1));
                emit picker->filterSelected(picker->nameFilters().at(1));
            }
            picker->findChild<QLineEdit *>("fileNameEdit")->setText(typed);
            QMetaObject::invokeMethod(picker, "accept");
        });
        QTest::mouseClick(dialog.findChild<QPushButton *>("btnWrite"), Qt::LeftButton);
        QCOMPARE(answerer.boxes.size(), 1);
        QVERIFY2(answerer.boxes[0].text.endsWith(map), qPrintable(answerer.boxes[0].text));
        // The file's first bytes show the format it was written in.
        QFile file(map);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray signature = written.endsWith("tif")   ? QByteArray("II*")
                                     : written.endsWith("png") ? QByteArray("\x89PNG")
                                                               : QByteArray("\xff\xd8\xff");
        QVERIFY(file.read(4).startsWith(signature));
        QCOMPARE(readPicture(map).size(), QSize(360, 180));
        QCOMPARE(dialog.findChild<QProgressBar *>("progressBar")->value(), 100);
        QVERIFY(dialog.isEnabled());
    }

    // The shipped English file names every button and column; messages use its texts.
    void englishTexts()
    {
        MosaicDialog dialog;
        dialog.langFile =
            qEnvironmentVariable("ORVIX_SOURCE_DIR") + "/resources/lang/en/orvix_lang.ini";
        dialog.loadLanguage();
        QCOMPARE(dialog.windowTitle(), QString("Kyuvia Image Converter (Mosaic)"));
        QCOMPARE(dialog.findChild<QPushButton *>("btnWrite")->text(), QString("Write the Map..."));
        QCOMPARE(dialog.findChild<QTableWidget *>("tablePictures")->horizontalHeaderItem(3)->text(),
                 QString("Radius"));
        QCOMPARE(dialog.texts.value("no_pictures"), QString("There are no pictures."));
        ModalAnswerer answerer;
        QTest::mouseClick(dialog.findChild<QPushButton *>("btnPreview"), Qt::LeftButton);
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].text, QString("There are no pictures."));
    }
};

QTEST_MAIN(MosaicDialogTest)
#include "tst_mosaicdialog.moc"
