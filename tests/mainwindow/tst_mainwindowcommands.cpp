#include "debuglog.h"
#include "engine/standard/mapconverter.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/myimage.h"
#include "preview/previewwindow.h"
#include "testfiles.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImageReader>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cmath>

using windowdriver::formOf;

namespace {

// Hands an event straight to the window's handlers, past the application's drag bookkeeping.
bool deliver(QObject *receiver, QEvent *event)
{
    return receiver->event(event);
}

// A PNG whose header declares the given size and which holds no picture data.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    auto crc32 = [](const QByteArray &data) {
        quint32 crc = 0xFFFFFFFFu;
        for (char c : data) {
            crc ^= quint8(c);
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        return ~crc;
    };
    auto be32 = [](quint32 v) {
        QByteArray out(4, '\0');
        for (int i = 0; i < 4; ++i)
            out[i] = char((v >> (24 - 8 * i)) & 0xFF);
        return out;
    };
    QByteArray ihdr = QByteArray("IHDR") + be32(width) + be32(height);
    ihdr += QByteArray("\x08\x02\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(13) + ihdr + be32(crc32(ihdr));
}

} // namespace

// The main window's commands: opening pictures, drag and drop, converting and saving with the
// overwrite question, the preview commands and the bounded preview refresh.
class MainWindowCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openGivesDefaultCircleAndName_data();
    void openGivesDefaultCircleAndName();
    void openKeepsCircleOfPreviousPicture();
    void openFailureIsReported_data();
    void openFailureIsReported();
    void openDialogOpensChosenPicture();
    void dragEnter_data();
    void dragEnter();
    void dropOfOnePictureOpensIt();
    void dropOfSeveralPicturesGoesToBatch();
    void browsePicksOutputName();
    void browseFilterFollowsTheFormat_data();
    void browseFilterFollowsTheFormat();
    void convertWritesNewFile_data();
    void convertWritesNewFile();
    void convertAsksBeforeOverwriting_data();
    void convertAsksBeforeOverwriting();
    void convertWithoutPictureDoesNothing();
    void refusedConversionIsReported_data();
    void refusedConversionIsReported();
    void failedWriteIsReported_data();
    void failedWriteIsReported();
    void previewCommands();
    void closingPreviewUnchecksAction();
    void autoPreviewOnlyWhileShown();
    void previewConversionsDoNotNest();
    void heldArrowMergesTicksIntoPreview();
    void autoSizeSwitchesScaling();

private:
    QString picture(const QString &name, int width = 400, int height = 300);
    void openSmallPicture();
    // The map the preview window shows, and a map of the window's circle made afresh.
    QImage shownPreview() const;
    QImage newestMap() const;

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
    // Answers any box a test did not expect, so that such a box fails the test instead of
    // waiting for a user.
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void MainWindowCommandsTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    window = windowtesting::makeWindow(folder.path());
    window->show();
    window->startWith({QStringLiteral("orvix")});
    // Small maps keep the conversions quick.
    window->outputSizeX = 256;
    window->outputSizeY = 128;
}

void MainWindowCommandsTest::cleanup()
{
    window.reset();
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
    QCOMPARE(windowtesting::visibleTopLevels(), 0);
}

QString MainWindowCommandsTest::picture(const QString &name, int width, int height)
{
    return windowtesting::writePicture(folder.filePath(name), width, height);
}

QImage MainWindowCommandsTest::shownPreview() const
{
    auto *shown = window->previewWindow->findChild<QLabel *>(QStringLiteral("label2"));
    return shown->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage MainWindowCommandsTest::newestMap() const
{
    ConversionParameters newest;
    newest.centerX = window->centerX;
    newest.centerY = window->centerY;
    newest.radius = window->radius;
    newest.outputWidth = 256;
    newest.outputHeight = 128;
    return MapConverter()
        .convert(window->sourceImage, newest)
        .map.convertToFormat(QImage::Format_ARGB32);
}

void MainWindowCommandsTest::openSmallPicture()
{
    window->loadFileName = picture(QStringLiteral("globe.png"));
    window->openImage();
    QVERIFY(!window->sourceImage.isNull());
}

void MainWindowCommandsTest::openGivesDefaultCircleAndName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("outputFormat");
    QTest::addColumn<QVector<int>>("circle");
    QTest::addColumn<QString>("proposed");

    QTest::newRow("1000 x 600") << "globe.jpg" << QSize(1000, 600) << 0
                                << QVector<int>{500, 300, 294} << "KY-globe.jpg";
    QTest::newRow("two dots") << "a.b.jpg" << QSize(100, 100) << 0 << QVector<int>{50, 50, 49}
                              << "KY-a.jpg";
    QTest::newRow("png output") << "PHOTO.PNG" << QSize(301, 501) << 1
                                << QVector<int>{150, 250, 147} << "KY-PHOTO.png";
    QTest::newRow("odd size") << "moon.jpg" << QSize(65, 33) << 0 << QVector<int>{32, 16, 15}
                              << "KY-moon.jpg";
    QTest::newRow("tiff output") << "mars.png" << QSize(100, 100) << 2 << QVector<int>{50, 50, 49}
                                 << "KY-mars.tif";
}

void MainWindowCommandsTest::openGivesDefaultCircleAndName()
{
    QFETCH(QString, fileName);
    QFETCH(QSize, size);
    QFETCH(int, outputFormat);
    QFETCH(QVector<int>, circle);
    QFETCH(QString, proposed);

    window->outputFormat = outputFormat;
    window->loadFileName = picture(fileName, size.width(), size.height());
    window->openImage();

    QCOMPARE(window->sourceImage.size(), size);
    QCOMPARE(window->imageWidth, size.width());
    QCOMPARE(window->imageHeight, size.height());
    QCOMPARE(window->centerX, circle[0]);
    QCOMPARE(window->centerY, circle[1]);
    QCOMPARE(window->radius, circle[2]);
    QVERIFY(window->selectionVisible);
    QVERIFY(formOf(*window).label->selectionVisible);
    QCOMPARE(formOf(*window).lineCenterX->text(), QString::number(circle[0]));
    QCOMPARE(formOf(*window).lineRadius->text(), QString::number(circle[2]));
    QCOMPARE(formOf(*window).lineSaveFilename->text(), proposed);
    QCOMPARE(window->saveFileName, folder.path() + "/" + proposed);
    QCOMPARE(formOf(*window).lineSaveFilename->toolTip(), window->saveFileName);
    QCOMPARE(formOf(*window).label->pixmap(Qt::ReturnByValue).size(), size);
}

void MainWindowCommandsTest::openKeepsCircleOfPreviousPicture()
{
    window->loadFileName = picture(QStringLiteral("first.png"), 1000, 600);
    window->openImage();
    window->centerX = 900;
    window->loadFileName = picture(QStringLiteral("second.png"), 200, 100);
    window->openImage();
    QCOMPARE(window->centerX, 900);
    QCOMPARE(window->centerY, 300);
    QCOMPARE(window->radius, 294);
    QVERIFY(window->selectionVisible);

    // A circle with a zero value gets the default of the new picture.
    window->centerY = 0;
    window->openImage();
    QCOMPARE(window->centerX, 100);
    QCOMPARE(window->centerY, 50);
    QCOMPARE(window->radius, 49);
}

void MainWindowCommandsTest::openFailureIsReported_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");

    const QString source = picture(QStringLiteral("source.jpg"), 300, 200);
    const QByteArray jpeg = readBytes(source);
    const QByteArray png = readBytes(picture(QStringLiteral("source.png"), 300, 200));

    QTest::newRow("text file") << "notes.jpg" << QByteArray("just some text\n");
    QTest::newRow("empty file") << "empty.png" << QByteArray();
    QTest::newRow("missing file") << "missing.png" << QByteArray("<none>");
    QTest::newRow("truncated png") << "cut.png" << png.left(png.size() / 2);
    QTest::newRow("truncated jpeg") << "cut.jpg" << jpeg.left(jpeg.size() / 2);
    QTest::newRow("absurdly large png") << "huge.png" << pngHeaderOnly(100000, 100000);
    // A valid one-pixel GIF whose screen is 20000 x 20000: decoding it would allocate 1.6 GB.
    QTest::newRow("gif with a huge screen")
        << "huge.gif"
        << QByteArray::fromHex("474946383961204e204e800000000000ffffff2c00000000010001000002"
                               "024401003b");
}

void MainWindowCommandsTest::openFailureIsReported()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);

    openSmallPicture();
    const QString path = folder.filePath(fileName);
    if (content != "<none>")
        QVERIFY(writeBytes(path, content));
    window->loadFileName = path;
    {
        ModalAnswerer answerer;
        window->openImage();
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].title, QStringLiteral("開く"));
        QCOMPARE(answerer.boxes[0].text, path + QStringLiteral(" は開けませんでした"));
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(answerer.boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    QVERIFY(window->loadFileName.isEmpty());
    QVERIFY(window->sourceImage.isNull());
    QVERIFY(!window->selectionVisible);
    QCOMPARE(formOf(*window).label->pixmap(Qt::ReturnByValue).size(), QSize(0, 0));
    // The size of the last picture that opened stays.
    QCOMPARE(window->imageWidth, 400);
}

void MainWindowCommandsTest::openDialogOpensChosenPicture()
{
    window->loadFileName = picture(QStringLiteral("first.png"));
    const QString chosen = picture(QStringLiteral("chosen.png"), 120, 80);
    ModalAnswerer answerer(QMessageBox::Ok, choose(chosen));
    formOf(*window).btnImageRead->click();
    QCOMPARE(answerer.fileDialogTitles,
             QStringList{QStringLiteral("表示したい画像ファイルを選択して下さい")});
    // The specified filter first, then the one of every format the reader takes.
    QCOMPARE(
        answerer.fileDialogFilters,
        QStringList{QStringLiteral("画像ファイル (*.gif *.png *.jpg);すべての画像 (*.gif *.png "
                                   "*.jpg *.jpeg *.tif *.tiff *.webp)")});
    QCOMPARE(answerer.fileDialogFolders, QStringList{folder.path()});
    QCOMPARE(window->loadFileName, chosen);
    QCOMPARE(window->sourceImage.size(), QSize(120, 80));
}

void MainWindowCommandsTest::dragEnter_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("accepted");

    const QString dir = QDir::tempPath();
    QTest::newRow("one upper-case PNG")
        << QList<QUrl>{QUrl::fromLocalFile(dir + "/PHOTO.PNG")} << true;
    QTest::newRow("one gif") << QList<QUrl>{QUrl::fromLocalFile(dir + "/a.gif")} << true;
    QTest::newRow("jpeg suffix") << QList<QUrl>{QUrl::fromLocalFile(dir + "/a.jpeg")} << false;
    QTest::newRow("no suffix") << QList<QUrl>{QUrl::fromLocalFile(dir + "/picture")} << false;
    QTest::newRow("remote url") << QList<QUrl>{QUrl("http://example.org/a.png")} << false;
    QTest::newRow("two pictures") << QList<QUrl>{QUrl::fromLocalFile(dir + "/a.png"),
                                                 QUrl::fromLocalFile(dir + "/b.jpg")}
                                  << true;
    QTest::newRow("picture and text")
        << QList<QUrl>{QUrl::fromLocalFile(dir + "/a.png"), QUrl::fromLocalFile(dir + "/b.txt")}
        << false;
}

void MainWindowCommandsTest::dragEnter()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, accepted);

    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    deliver(window.get(), &enter);
    QCOMPARE(enter.isAccepted(), accepted);

    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    if (!accepted) {
        deliver(window.get(), &drop);
        QVERIFY(!drop.isAccepted());
        QVERIFY(window->loadFileName.isEmpty());
        QVERIFY(window->batchFiles.isEmpty());
    }
}

void MainWindowCommandsTest::dropOfOnePictureOpensIt()
{
    const QString path = picture(QStringLiteral("PHOTO.PNG"), 90, 70);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    deliver(window.get(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(window->loadFileName, path);
    QCOMPARE(window->sourceImage.size(), QSize(90, 70));

    // Text without URLs is neither opened nor refused.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    deliver(window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent textDrop(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    deliver(window.get(), &textDrop);
    QCOMPARE(window->loadFileName, path);
}

void MainWindowCommandsTest::dropOfSeveralPicturesGoesToBatch()
{
    const QString first = picture(QStringLiteral("one.png"));
    const QString second = picture(QStringLiteral("two.jpg"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    {
        // The batch dialog is cancelled; its list comes back all the same.
        ModalAnswerer answerer(QMessageBox::Cancel);
        deliver(window.get(), &drop);
        // The dialog opens after the drop has returned.
        QCOMPARE(answerer.otherDialogs, 0);
        QTRY_COMPARE(answerer.otherDialogs, 1);
    }
    QVERIFY(drop.isAccepted());
    QCOMPARE(window->batchFiles, QStringList({first, second}));
    QVERIFY(window->sourceImage.isNull());
}

void MainWindowCommandsTest::browseFilterFollowsTheFormat_data()
{
    QTest::addColumn<int>("outputFormat");
    QTest::addColumn<QString>("filter");

    QTest::newRow("JPG") << 0 << QStringLiteral("画像ファイル (*.jpg)");
    QTest::newRow("PNG") << 1 << QStringLiteral("画像ファイル (*.png)");
    QTest::newRow("TIFF") << 2 << QStringLiteral("GeoTIFF 地図 (*.tif *.tiff)");
}

void MainWindowCommandsTest::browseFilterFollowsTheFormat()
{
    QFETCH(int, outputFormat);
    QFETCH(QString, filter);

    openSmallPicture();
    window->outputFormat = outputFormat;
    ModalAnswerer answerer(QMessageBox::Ok, choose(folder.filePath(QStringLiteral("map"))));
    formOf(*window).btnBrowse->click();
    QCOMPARE(answerer.fileDialogFilters, QStringList{filter});
}

void MainWindowCommandsTest::browsePicksOutputName()
{
    openSmallPicture();
    const QString chosen = folder.filePath(QStringLiteral("out/result.jpg"));
    QDir(folder.path()).mkdir(QStringLiteral("out"));
    ModalAnswerer answerer(QMessageBox::Ok, choose(chosen));
    formOf(*window).btnBrowse->click();
    QCOMPARE(answerer.fileDialogTitles,
             QStringList{QStringLiteral("画像変換後のファイル名を指定して下さい")});
    QCOMPARE(answerer.fileDialogFilters, QStringList{QStringLiteral("画像ファイル (*.jpg)")});
    QCOMPARE(answerer.fileDialogFolders, QStringList{folder.path()});
    QCOMPARE(window->saveFileName, chosen);
    QCOMPARE(formOf(*window).lineSaveFilename->text(), QStringLiteral("result.jpg"));
    QCOMPARE(formOf(*window).lineSaveFilename->toolTip(), chosen);
}

void MainWindowCommandsTest::convertWritesNewFile_data()
{
    QTest::addColumn<int>("outputFormat");
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QByteArray>("writtenFormat");

    QTest::newRow("jpeg") << 0 << "map.jpg" << QByteArray("jpeg");
    QTest::newRow("png") << 1 << "map.png" << QByteArray("png");
    QTest::newRow("format follows the setting") << 1 << "other.jpg" << QByteArray("png");
}

void MainWindowCommandsTest::convertWritesNewFile()
{
    QFETCH(int, outputFormat);
    QFETCH(QString, typedName);
    QFETCH(QByteArray, writtenFormat);

    openSmallPicture();
    window->outputFormat = outputFormat;
    formOf(*window).lineSaveFilename->setText(typedName);
    formOf(*window).lineRadius->setText(QStringLiteral("140"));
    const QString target = folder.filePath(typedName);
    {
        ModalAnswerer answerer;
        formOf(*window).btnConvert->click();
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].title, QStringLiteral("画像変換"));
        QCOMPARE(answerer.boxes[0].text, target + QStringLiteral(" へ保存されました"));
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Information);
    }
    QCOMPARE(window->saveFileName, target);
    // Typed values are read before converting.
    QCOMPARE(window->radius, 140);
    QImageReader reader(target);
    QCOMPARE(reader.format(), writtenFormat);
    QCOMPARE(reader.size(), QSize(256, 128));
    QCOMPARE(window->columnScale, 256.0 / 400);
    QCOMPARE(window->rowScale, 128 * 0.5 / 300);
}

void MainWindowCommandsTest::convertAsksBeforeOverwriting_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << int(QMessageBox::No) << false;
}

void MainWindowCommandsTest::convertAsksBeforeOverwriting()
{
    QFETCH(int, answer);
    QFETCH(bool, replaced);

    openSmallPicture();
    const QString target = folder.filePath(QStringLiteral("existing.jpg"));
    QVERIFY(writeBytes(target, "an older map"));
    formOf(*window).lineSaveFilename->setText(QStringLiteral("existing.jpg"));
    DebugLog log;
    {
        ModalAnswerer answerer{QMessageBox::StandardButton(answer)};
        formOf(*window).btnConvert->click();
        QCOMPARE(answerer.boxes.size(), replaced ? 2 : 1);
        const SeenBox &question = answerer.boxes[0];
        QCOMPARE(question.title, QStringLiteral("画像変換"));
        QCOMPARE(
            question.text,
            QStringLiteral("existing.jpg は既にファイルが存在します。\nファイルを上書きしますか？"
                           "\n（上書する前のファイルには戻せません）"));
        QCOMPARE(question.icon, QMessageBox::Warning);
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.defaultButton, QMessageBox::No);
    }
    // Declining ends the command before anything is converted.
    QCOMPARE(log.count(QStringLiteral("convertImage")), replaced ? 1 : 0);
    if (replaced)
        QCOMPARE(QImageReader(target).size(), QSize(256, 128));
    else
        QCOMPARE(readBytes(target), QByteArray("an older map"));
}

void MainWindowCommandsTest::convertWithoutPictureDoesNothing()
{
    formOf(*window).lineSaveFilename->setText(QStringLiteral("nothing.jpg"));
    window->saveFileName = folder.filePath(QStringLiteral("nothing.jpg"));
    DebugLog log;
    ModalAnswerer answerer;
    window->on_btnConvert_clicked();
    QVERIFY(answerer.boxes.isEmpty());
    QCOMPARE(log.count(QStringLiteral("convertImage")), 0);
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("nothing.jpg"))));
    QVERIFY(window->convertImage().isNull());
}

void MainWindowCommandsTest::refusedConversionIsReported_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<int>("circleShift");

    QTest::newRow("distance 0.5") << 0.5 << 256 << 0.0 << 0;
    QTest::newRow("distance not a number") << std::nan("") << 256 << 0.0 << 0;
    QTest::newRow("width 0") << 100.0 << 0 << 0.0 << 0;
    QTest::newRow("width 100000") << 100.0 << 100000 << 0.0 << 0;
    QTest::newRow("latitude infinite") << 100.0 << 256 << HUGE_VAL << 0;
    // Maps that would take nothing of the picture.
    QTest::newRow("distance 1 sees a point") << 1.0 << 256 << 0.0 << 0;
    QTest::newRow("circle beside the picture") << 100.0 << 256 << 0.0 << 5000;
}

void MainWindowCommandsTest::refusedConversionIsReported()
{
    QFETCH(double, distance);
    QFETCH(int, width);
    QFETCH(double, latitude);
    QFETCH(int, circleShift);

    openSmallPicture();
    window->distance = distance;
    window->outputSizeX = width;
    window->latitude = latitude;
    window->centerX += circleShift;
    window->updateScreenParameter();
    formOf(*window).lineSaveFilename->setText(QStringLiteral("refused.jpg"));
    {
        ModalAnswerer answerer;
        formOf(*window).btnConvert->click();
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].title, QStringLiteral("画像変換"));
        const QString prefix =
            window->loadFileName + QStringLiteral(" は画像変換できませんでした\n");
        QVERIFY2(answerer.boxes[0].text.startsWith(prefix), qPrintable(answerer.boxes[0].text));
        QVERIFY(answerer.boxes[0].text.size() > prefix.size());
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Warning);
    }
    QVERIFY(!window->lastConversionError.isEmpty());
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("refused.jpg"))));
}

void MainWindowCommandsTest::failedWriteIsReported_data()
{
    QTest::addColumn<QString>("typedName");

    QTest::newRow("folder that does not exist") << "missing/map.jpg";
    QTest::newRow("below a regular file") << "plain.txt/map.jpg";
    QTest::newRow("empty name") << "";
}

void MainWindowCommandsTest::failedWriteIsReported()
{
    QFETCH(QString, typedName);

    openSmallPicture();
    QVERIFY(writeBytes(folder.filePath(QStringLiteral("plain.txt")), "keep me"));
    formOf(*window).lineSaveFilename->setText(typedName);
    const QString target = folder.path() + "/" + typedName;
    {
        ModalAnswerer answerer;
        formOf(*window).btnConvert->click();
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].title, QStringLiteral("画像変換"));
        const QString prefix = target + QStringLiteral(" へ保存できませんでした\n");
        QVERIFY2(answerer.boxes[0].text.startsWith(prefix), qPrintable(answerer.boxes[0].text));
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Warning);
    }
    QCOMPARE(readBytes(folder.filePath(QStringLiteral("plain.txt"))), QByteArray("keep me"));
    QVERIFY(QFileInfo(folder.path()).isDir());
}

void MainWindowCommandsTest::previewCommands()
{
    openSmallPicture();
    DebugLog log;
    formOf(*window).btnPreview->click();
    QVERIFY(window->previewWindow->isVisible());
    QVERIFY(formOf(*window).actionPreview_Window->isChecked());
    QCOMPARE(log.count(QStringLiteral("convertImage")), 1);
    auto *shown = window->previewWindow->findChild<QLabel *>(QStringLiteral("label2"));
    QVERIFY(shown && !shown->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(shown->pixmap(Qt::ReturnByValue).size(), QSize(256, 128));

    // Unchecking the action hides the window without a conversion.
    formOf(*window).actionPreview_Window->trigger();
    QVERIFY(!window->previewWindow->isVisible());
    QVERIFY(!formOf(*window).actionPreview_Window->isChecked());
    formOf(*window).actionPreview_Window->trigger();
    QVERIFY(window->previewWindow->isVisible());
    QCOMPARE(log.count(QStringLiteral("convertImage")), 2);
    QCOMPARE(log.count(QStringLiteral("on_btnPreview_clicked")), 2);
    window->previewWindow->hide();
}

void MainWindowCommandsTest::closingPreviewUnchecksAction()
{
    formOf(*window).btnPreview->click();
    QVERIFY(formOf(*window).actionPreview_Window->isChecked());
    // Without a picture the shown preview window receives no map.
    auto *shown = window->previewWindow->findChild<QLabel *>(QStringLiteral("label2"));
    QVERIFY(shown);
    QVERIFY(shown->pixmap(Qt::ReturnByValue).isNull());
    window->previewWindow->close();
    QVERIFY(!window->previewWindow->isVisible());
    QVERIFY(!formOf(*window).actionPreview_Window->isChecked());
}

void MainWindowCommandsTest::autoPreviewOnlyWhileShown()
{
    openSmallPicture();
    formOf(*window).actionAuto_Preview->trigger();
    QVERIFY(window->autoPreview);
    DebugLog log;
    formOf(*window).lineRadius->setText(QStringLiteral("100"));
    window->on_lineRadius_returnPressed();
    QCOMPARE(log.count(QStringLiteral("updatePreview")), 1);
    QCOMPARE(log.count(QStringLiteral("convertImage")), 0);

    formOf(*window).actionPreview_Window->trigger();
    QCOMPARE(log.count(QStringLiteral("convertImage")), 1);
    window->on_lineRadius_returnPressed();
    QCOMPARE(log.count(QStringLiteral("convertImage")), 2);

    // The refresh order of a committed change: line edits, overlay, then the preview.
    log.lines.clear();
    window->on_btnUp_clicked();
    window->clickTimer->stop();
    window->click_timer();
    const int edits = log.lines.indexOf(QRegularExpression("^updateScreenParameter, .*"));
    const int preview = log.lines.indexOf(QStringLiteral("updatePreview"));
    QVERIFY(edits >= 0 && preview > edits);
    QCOMPARE(log.lines.indexOf(QStringLiteral("convertImage")), preview + 1);

    // With auto preview off nothing converts.
    formOf(*window).actionAuto_Preview->trigger();
    window->on_lineRadius_returnPressed();
    QCOMPARE(log.count(QStringLiteral("convertImage")), 1);
    window->previewWindow->hide();
}

void MainWindowCommandsTest::previewConversionsDoNotNest()
{
    openSmallPicture();
    window->autoPreview = true;
    formOf(*window).btnPreview->click();
    QVERIFY(window->previewWindow->isVisible());

    // Changes that arrive while the conversion processes events: three new radii and a
    // preview request. None of them may start a conversion inside the running one.
    DebugLog log;
    int pumpCalls = 0;
    int conversionsDuringChanges = -1;
    window->mapConverter().setThreadCount(1);
    window->mapConverter().setEventPump([&] {
        if (++pumpCalls != 1)
            return;
        for (int r : {120, 130, 140}) {
            formOf(*window).lineRadius->setText(QString::number(r));
            window->on_lineRadius_returnPressed();
        }
        window->on_btnPreview_clicked();
        conversionsDuringChanges = log.lines.count(QStringLiteral("convertImage"));
    });

    formOf(*window).lineRadius->setText(QStringLiteral("100"));
    window->on_lineRadius_returnPressed();
    QVERIFY(pumpCalls > 0);
    // Only the running conversion had started while the changes arrived.
    QCOMPARE(conversionsDuringChanges, 1);
    QCOMPARE(log.count(QStringLiteral("convertImage")), 2);
    QCOMPARE(window->radius, 140);

    // The preview shows the newest circle.
    QCOMPARE(shownPreview(), newestMap());
    window->mapConverter().setEventPump([] {});
    window->previewWindow->hide();
}

// An arrow button held for a fixed number of repeat ticks with auto preview on, every conversion
// lasting several ticks: each tick steps the circle, the ticks that fall due during a conversion
// go into the next one, and the preview ends on the newest circle.
void MainWindowCommandsTest::heldArrowMergesTicksIntoPreview()
{
    openSmallPicture();
    window->autoPreview = true;
    formOf(*window).btnPreview->click();
    const int startX = window->centerX;
    QPushButton *arrow = formOf(*window).btnRight;
    DebugLog log;
    const auto ticks = [&log] { return log.count(QStringLiteral("click_timer()")); };
    int ticksAtRelease = 0;
    int waitedIn = 0;
    QDeadlineTimer deadline(3000); // when no tick reaches a conversion, none waits any longer
    window->mapConverter().setThreadCount(1);
    window->mapConverter().setEventPump([&] {
        QCoreApplication::processEvents();
        const int conversion = log.count(QStringLiteral("convertImage"));
        for (const int until = ticks() + 4; arrow->isDown() && conversion != waitedIn &&
                                            ticks() < qMin(until, 25) && !deadline.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        waitedIn = conversion;
        if (!deadline.hasExpired())
            deadline.setRemainingTime(3000);
        if (arrow->isDown() && (ticksAtRelease = ticks()) >= 25)
            QTest::mouseRelease(arrow, Qt::LeftButton);
    });
    QTest::mousePress(arrow, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!arrow->isDown() && !window->clickTimer->isActive(), 60000);

    // Ten ticks of waiting, then a step at each tick and one at the release.
    QCOMPARE(window->centerX, startX + ticksAtRelease - 9);
    QCOMPARE(formOf(*window).lineCenterX->text().toInt(), window->centerX);
    QVERIFY2(log.count(QStringLiteral("convertImage")) * 2 <= ticksAtRelease,
             qPrintable(QString::number(log.count(QStringLiteral("convertImage")))));
    QCOMPARE(shownPreview(), newestMap());
    window->previewWindow->hide();
}

void MainWindowCommandsTest::autoSizeSwitchesScaling()
{
    // The default switch was applied at start-up.
    QVERIFY(formOf(*window).actionAuto_Size->isChecked());
    QVERIFY(formOf(*window).label->hasScaledContents());
    formOf(*window).actionAuto_Size->trigger();
    QVERIFY(!window->autoSize);
    QVERIFY(!formOf(*window).label->hasScaledContents());
    QCOMPARE(formOf(*window).label->minimumSize(), QSize(0, 0));
    formOf(*window).actionAuto_Size->trigger();
    QVERIFY(window->autoSize);
    QVERIFY(formOf(*window).label->hasScaledContents());
    QCOMPARE(formOf(*window).label->minimumSize(), QSize(320, 240));
}

QTEST_MAIN(MainWindowCommandsTest)
#include "tst_mainwindowcommands.moc"
