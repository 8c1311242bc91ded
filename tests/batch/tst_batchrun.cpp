#include "batch/batchconvertdialog.h"
#include "batch/folderopener.h"
#include "batch/status.h"
#include "batchtestsupport.h"
#include "mainwindow/mainwindow.h"

#include "engine/standard/mapconverter.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString successText = QStringLiteral("複数画像ファイル変換が終了しました");
const QString batchTitle = QStringLiteral("複数画像ファイル変換");

void answer(QMessageBox *box, SeenBox &seen)
{
    seen = seenBox(box);
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
}

int dialogsLeft()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += qobject_cast<QDialog *>(widget) != nullptr;
    return count;
}

QImage readMap(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestBatchRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void interactiveRun_data();
    void interactiveRun();
    void scalesFollowTheLastLoadedPicture_data();
    void scalesFollowTheLastLoadedPicture();
    void windowDisabledWhileRunning();
    void stopDuringTheThirdOfTenFiles_data();
    void stopDuringTheThirdOfTenFiles();
    void openFolderAfterTheBox_data();
    void openFolderAfterTheBox();
    void emptyOutputFolderRefused_data();
    void emptyOutputFolderRefused();
    void silentRun_data();
    void silentRun();
    void dialogRoundTripKeepsChoices_data();
    void dialogRoundTripKeepsChoices();
    void dialogConvertTakesTheTypedCircle();
    void dialogReadsTheLanguageFileAtEachOpening();
    void commandLinePatternsOpenTheDialog();
    void droppedPicturesOpenTheDialog();

private:
    std::unique_ptr<MainWindow> makeWindow();
    // Writes globe pictures p0.png, p1.png ... into the input folder, the i-th 40 + i pixels
    // wide, and returns their paths.
    QStringList writeInputs(int count);

    QScopedPointer<QTemporaryDir> dir;
    QString in, out;
    QStringList opened;
    bool boxAnswered = false;
    bool boxAnsweredWhenOpened = false;
    // Whether the file manager could be started.
    bool openerWorks = true;
};

std::unique_ptr<MainWindow> TestBatchRun::makeWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->startupTimer->stop();
    window->settingsFile = dir->filePath("orvix.ini");
    window->langFile = dir->filePath("orvix_lang.ini");
    window->loadLanguage();
    window->loadSettings();
    window->centerX = 20;
    window->centerY = 15;
    window->radius = 14;
    window->outputSizeX = 64;
    window->outputSizeY = 32;
    window->outputFolder = out;
    window->openFiler = false;
    window->batchMode = 0;
    window->show();
    return window;
}

QStringList TestBatchRun::writeInputs(int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        files << QString("%1/p%2.png").arg(in).arg(i);
        if (!writeGlobe(files.last(), 40 + i, 30, i))
            qFatal("cannot write %s", qPrintable(files.last()));
    }
    return files;
}

void TestBatchRun::init()
{
    dir.reset(new QTemporaryDir);
    in = dir->filePath("in");
    out = dir->filePath("out");
    QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
    opened.clear();
    boxAnswered = false;
    boxAnsweredWhenOpened = false;
    openerWorks = true;
    setFolderOpener([this](const QString &folder) {
        opened << folder;
        boxAnsweredWhenOpened = boxAnswered;
        return openerWorks;
    });
}

void TestBatchRun::cleanup()
{
    setFolderOpener({});
    QCOMPARE(dialogsLeft(), 0);
}

void TestBatchRun::interactiveRun_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("broken");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("written");
    QTest::addColumn<bool>("detect");

    const QString failText = "複数画像ファイル変換は失敗しました\n(2個成功, 1個失敗)";
    QTest::newRow("all converted") << 3 << -1 << successText << 3 << false;
    QTest::newRow("second unreadable") << 3 << 1 << failText << 2 << false;
    QTest::newRow("empty list") << 0 << -1 << successText << 0 << false;
    // The pictures are too small for the disk finder: the maps are made with the batch's circle.
    const QString noDisk =
        "個の画像は円が見つからなかったため、一括変換の中心点、半径で変換しました：";
    QTest::newRow("no disk found")
        << 2 << -1 << successText + "\n2" + noDisk + "p0.png, p1.png" << 2 << true;
    QTest::newRow("no disk found, second unreadable")
        << 3 << 1 << failText + "\n2" + noDisk + "p0.png, p2.png" << 2 << true;
}

void TestBatchRun::interactiveRun()
{
    QFETCH(int, count);
    QFETCH(int, broken);
    QFETCH(QString, text);
    QFETCH(int, written);
    QFETCH(bool, detect);

    auto window = makeWindow();
    window->detectDisk = detect;
    window->fileNameType = 1;
    window->batchFiles = writeInputs(count);
    if (broken >= 0)
        QVERIFY(writeBytes(window->batchFiles[broken], "no picture"));
    std::reverse(window->batchFiles.begin(), window->batchFiles.end());
    SeenBox seen;
    ModalAnswerer script;
    script.then<QMessageBox>([&](QMessageBox *box) { answer(box, seen); });
    window->batchConvert();

    QCOMPARE(script.pending(), 0);
    QCOMPARE(seen.title, batchTitle);
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.icon, QMessageBox::Information);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(seen.defaultButton, QMessageBox::Ok);
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), written);
    // Sorted by path in place: map_0 is p0.
    QStringList sorted = window->batchFiles;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(window->batchFiles, sorted);
    if (count > 0) {
        QCOMPARE(QImage(out + "/map_0.jpg").size(), QSize(64, 32));
        QCOMPARE(window->imageWidth, 40 + count - 1);
        QCOMPARE(window->columnScale, 64.0 / (40 + count - 1));
    }
    // No picture is left open, and the window takes input again.
    QVERIFY(window->sourceImage.isNull());
    const QLabel *view = window->findChild<QLabel *>("label");
    QVERIFY(view->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(window->isEnabled());
    QVERIFY(!window->findChild<Status *>());
}

void TestBatchRun::scalesFollowTheLastLoadedPicture_data()
{
    QTest::addColumn<QString>("lastFile");
    QTest::newRow("converted") << "converted";
    QTest::newRow("skipped, its map exists") << "skipped";
    QTest::newRow("unreadable") << "unreadable";
}

// The scales are those of the last picture that was read, whether or not its map was written.
void TestBatchRun::scalesFollowTheLastLoadedPicture()
{
    QFETCH(QString, lastFile);

    auto window = makeWindow();
    window->fileNameType = 1;
    window->overwrite = false;
    window->batchFiles = writeInputs(3);
    if (lastFile == "skipped")
        QVERIFY(writeBytes(out + "/map_2.jpg", "an earlier map"));
    if (lastFile == "unreadable")
        QVERIFY(writeBytes(window->batchFiles[2], "no picture"));
    ModalAnswerer script;
    SeenBox seen;
    script.then<QMessageBox>([&](QMessageBox *box) { answer(box, seen); });
    window->batchConvert();

    QCOMPARE(script.pending(), 0);
    const int width = lastFile == "unreadable" ? 41 : 42;
    QCOMPARE(window->imageWidth, width);
    QCOMPARE(window->imageHeight, 30);
    QCOMPARE(window->columnScale, 64.0 / width);
    QCOMPARE(window->rowScale, 32 * 0.5 / 30);
    QCOMPARE(seen.text.startsWith(successText), lastFile == "converted");
}

void TestBatchRun::windowDisabledWhileRunning()
{
    auto window = makeWindow();
    window->batchFiles = writeInputs(2);
    bool windowEnabled = true, statusShown = false, statusEnabled = false;
    QString stopText, count;
    int bar = -1;
    // Runs in the event processing before the first file.
    QTimer::singleShot(0, window.get(), [&] {
        auto *status = window->findChild<Status *>();
        QVERIFY(status);
        windowEnabled = window->isEnabled();
        statusShown = status->isVisible();
        statusEnabled = status->isEnabled();
        stopText = status->findChild<QPushButton *>("btnStop")->text();
        count = status->findChild<QLabel *>("lblCount")->text();
        bar = status->findChild<QProgressBar *>("progStatus")->value();
    });
    SeenBox seen;
    ModalAnswerer script;
    script.then<QMessageBox>([&](QMessageBox *box) { answer(box, seen); });
    window->batchConvert();

    QVERIFY(!windowEnabled);
    QVERIFY(statusShown);
    QVERIFY(statusEnabled);
    QCOMPARE(stopText, QString("中止"));
    QCOMPARE(count, QString());
    QCOMPARE(bar, 0);
    QCOMPARE(seen.text, successText);
    QVERIFY(window->isEnabled());
}

void TestBatchRun::stopDuringTheThirdOfTenFiles_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("stop button") << "button";
    QTest::newRow("close box") << "close";
    QTest::newRow("escape key") << "escape";
}

void TestBatchRun::stopDuringTheThirdOfTenFiles()
{
    QFETCH(QString, how);
    auto window = makeWindow();
    window->fileNameType = 1;
    window->batchFiles = writeInputs(10);
    // The run is stopped from the pipeline's event processing while the third picture
    // (42 pixels wide) converts: by the stop button, or by closing the progress window.
    MapConverter &converter = window->mapConverter();
    converter.setThreadCount(1);
    int clicks = 0;
    QString countAtClick;
    converter.setEventPump([&] {
        auto *status = window->findChild<Status *>();
        if (status && window->imageWidth == 42 && clicks++ == 0) {
            countAtClick = status->findChild<QLabel *>("lblCount")->text();
            if (how == "button")
                QTest::mouseClick(status->findChild<QPushButton *>("btnStop"), Qt::LeftButton);
            else if (how == "close")
                status->close();
            else
                QTest::keyClick(status, Qt::Key_Escape);
        }
        QCoreApplication::processEvents();
    });
    SeenBox seen;
    ModalAnswerer script;
    script.then<QMessageBox>([&](QMessageBox *box) { answer(box, seen); });
    window->batchConvert();

    QVERIFY(clicks > 0);
    QCOMPARE(countAtClick, QString("2 / 10"));
    QCOMPARE(QDir(out).entryList(QDir::Files),
             QStringList({"map_0.jpg", "map_1.jpg", "map_2.jpg"}));
    QCOMPARE(seen.text, QString("複数画像ファイル変換は失敗しました\n(3個成功, 0個失敗)"));
    QCOMPARE(window->batchFiles.size(), 10);
}

void TestBatchRun::openFolderAfterTheBox_data()
{
    QTest::addColumn<bool>("openFiler");
    QTest::addColumn<int>("batchMode");
    QTest::addColumn<int>("opens");
    QTest::addColumn<bool>("works");
    QTest::newRow("asked for") << true << 0 << 1 << true;
    QTest::newRow("not asked for") << false << 0 << 0 << true;
    QTest::newRow("never in a silent run") << true << 1 << 0 << true;
    QTest::newRow("no file manager: said after the box") << true << 0 << 1 << false;
}

void TestBatchRun::openFolderAfterTheBox()
{
    QFETCH(bool, openFiler);
    QFETCH(int, batchMode);
    QFETCH(int, opens);
    QFETCH(bool, works);

    openerWorks = works;
    auto window = makeWindow();
    window->openFiler = openFiler;
    window->batchMode = batchMode;
    window->batchFiles = writeInputs(1);
    ModalAnswerer script;
    SeenBox seen;
    bool openedBeforeTheBox = false;
    script.then<QMessageBox>([&](QMessageBox *box) {
        openedBeforeTheBox = !opened.isEmpty();
        answer(box, seen);
        boxAnswered = true;
    });
    window->batchConvert();

    QCOMPARE(script.pending(), batchMode == 0 ? 0 : 1);
    QVERIFY(!openedBeforeTheBox);
    QCOMPARE(opened.size(), opens);
    if (opens) {
        QCOMPARE(opened.first(), out);
        QVERIFY(boxAnsweredWhenOpened);
    }
    // A folder that could not be opened is named in a warning that follows the result.
    QCOMPARE(script.boxes.size(), works ? 0 : 1);
    for (const SeenBox &box : script.boxes)
        QCOMPARE(box.text + box.title + QString::number(box.icon),
                 out + " をファイルマネージャーで開けませんでした" + batchTitle + "2");
}

void TestBatchRun::emptyOutputFolderRefused_data()
{
    QTest::addColumn<int>("batchMode");
    QTest::newRow("interactive") << 0;
    QTest::newRow("silent") << 1;
}

void TestBatchRun::emptyOutputFolderRefused()
{
    QFETCH(int, batchMode);

    auto window = makeWindow();
    window->batchMode = batchMode;
    window->outputFolder.clear();
    window->openFiler = true;
    const QStringList files = writeInputs(2);
    window->batchFiles = QStringList{files[1], files[0]};
    window->sourceImage = globePicture(10, 10);
    SeenBox seen;
    ModalAnswerer script;
    script.then<QMessageBox>([&](QMessageBox *box) { answer(box, seen); });
    const QString folderBefore = QDir::currentPath();
    QDir::setCurrent(in);
    window->batchConvert();
    QDir::setCurrent(folderBefore);

    if (batchMode == 0) {
        QCOMPARE(script.pending(), 0);
        QCOMPARE(seen.title, batchTitle);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.text,
                 QString("出力フォルダが選択されていません。\n出力フォルダを選択して下さい"));
        QCOMPARE(window->batchExitCode, 0);
    } else {
        QCOMPARE(script.pending(), 1);
        QCOMPARE(window->batchExitCode, 2);
    }
    // Nothing was converted or touched: no outputs, the list unsorted, the picture kept.
    QCOMPARE(QDir(in).entryList(QDir::Files), QStringList({"p0.png", "p1.png"}));
    QCOMPARE(window->batchFiles, QStringList({files[1], files[0]}));
    QVERIFY(!window->sourceImage.isNull());
    QVERIFY(opened.isEmpty());
    QVERIFY(!QFile::exists("/p0.jpg") && !QFile::exists("/p1.jpg"));
}

void TestBatchRun::silentRun_data()
{
    QTest::addColumn<int>("broken");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("all converted") << -1 << 0;
    QTest::newRow("one unreadable") << 0 << 1;
}

void TestBatchRun::silentRun()
{
    QFETCH(int, broken);
    QFETCH(int, exitCode);

    auto window = makeWindow();
    window->hide();
    window->batchMode = 1;
    window->batchFiles = writeInputs(3);
    if (broken >= 0)
        QVERIFY(writeBytes(window->batchFiles[broken], "no picture"));
    ModalAnswerer script;
    SeenBox seen;
    script.then<QDialog>([&](QDialog *dialog) {
        seen.title = dialog->windowTitle();
        dialog->reject();
    });
    window->batchConvert();

    QCOMPARE(script.pending(), 1);
    QCOMPARE(window->batchExitCode, exitCode);
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), broken >= 0 ? 2 : 3);
    QVERIFY(window->sourceImage.isNull());
}

void TestBatchRun::dialogRoundTripKeepsChoices_data()
{
    QTest::addColumn<QString>("closeWith");
    QTest::addColumn<int>("sortType");
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("close button stores the radio and check choices") << "btnClose" << 1 << false;
    QTest::newRow("close box keeps them") << "close box" << 0 << true;
}

void TestBatchRun::dialogRoundTripKeepsChoices()
{
    QFETCH(QString, closeWith);
    QFETCH(int, sortType);
    QFETCH(bool, overwrite);

    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    auto window = makeWindow();
    window->sortType = 0;
    window->overwrite = true;
    window->batchFiles = writeInputs(3);
    window->inputFolder = in;
    const QString newOut = dir->filePath("maps");
    QVERIFY(QDir().mkpath(newOut));
    QString countShown, dialogTitle;
    ModalAnswerer script;
    script
        .then<BatchConvertDialog>([&](BatchConvertDialog *dialog) {
            countShown = dialog->findChild<QLabel *>("labelSelectCount")->text();
            dialogTitle = dialog->windowTitle();
            dialog->findChild<QRadioButton *>("radioSortType2")->click();
            dialog->findChild<QCheckBox *>("checkOverwrite")->click();
            dialog->findChild<QPushButton *>("btnOutputFolder")->click();
        })
        .then<QFileDialog>([&](QFileDialog *picker) {
            picker->setDirectory(newOut);
            QMetaObject::invokeMethod(picker, "accept");
        })
        .then<BatchConvertDialog>([&](BatchConvertDialog *dialog) {
            if (closeWith == "close box")
                dialog->close();
            else
                QTest::mouseClick(dialog->findChild<QPushButton *>("btnClose"), Qt::LeftButton);
        });
    window->on_actionBatch_Convert_triggered();

    QCOMPARE(script.pending(), 0);
    QCOMPARE(countShown, QString("3 個のファイルが選択されました"));
    QCOMPARE(dialogTitle, QString("Kyuvia 画像変換ツール（複数画像ファイル変換）"));
    // A picked folder comes back however the dialog was closed; nothing is converted.
    QCOMPARE(window->outputFolder, newOut);
    QCOMPARE(window->sortType, sortType);
    QCOMPARE(window->overwrite, overwrite);
    QCOMPARE(window->batchFiles.size(), 3);
    QVERIFY(QDir(newOut).isEmpty());
    QVERIFY(QDir(out).isEmpty());
}

void TestBatchRun::dialogConvertTakesTheTypedCircle()
{
    auto window = makeWindow();
    window->outputFormat = 1;
    window->batchFiles = writeInputs(1);
    window->findChild<QLineEdit *>("lineCenterX")->setText("18");
    window->findChild<QLineEdit *>("lineCenterY")->setText("14");
    window->findChild<QLineEdit *>("lineRadius")->setText("12");
    SeenBox seen;
    ModalAnswerer script;
    script
        .then<BatchConvertDialog>([](BatchConvertDialog *dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton *>("btnConvert"), Qt::LeftButton);
        })
        .then<QMessageBox>([&](QMessageBox *box) { answer(box, seen); });
    window->on_actionBatch_Convert_triggered();

    QCOMPARE(script.pending(), 0);
    QCOMPARE(seen.text, successText);
    QCOMPARE(window->radius, 12);
    ConversionParameters params;
    params.centerX = 18;
    params.centerY = 14;
    params.radius = 12;
    params.outputWidth = 64;
    params.outputHeight = 32;
    MapConverter single;
    const QImage expected =
        single.convert(globePicture(40, 30, 0), params).map.convertToFormat(QImage::Format_ARGB32);
    QVERIFY(readMap(out + "/p0.png") == expected);
}

void TestBatchRun::dialogReadsTheLanguageFileAtEachOpening()
{
    auto window = makeWindow();
    window->batchFiles = writeInputs(2);
    const auto openDialog = [&window] {
        QStringList seen;
        ModalAnswerer script;
        script.then<BatchConvertDialog>([&seen](BatchConvertDialog *dialog) {
            seen << dialog->windowTitle() << dialog->findChild<QLabel *>("label_1")->text()
                 << dialog->findChild<QLabel *>("labelSelectCount")->text();
            QTest::mouseClick(dialog->findChild<QPushButton *>("btnClose"), Qt::LeftButton);
        });
        window->on_actionBatch_Convert_triggered();
        return seen;
    };

    QVERIFY(writeBytes(window->langFile, "[main]\nlbl_1=Main\n[batch_convert]\ntitle=Batch\n"
                                         "file_selected=\" pictures\"\n"));
    QCOMPARE(openDialog(), QStringList({"Batch", "現在の中心点と半径で複数の画像を一括変換します",
                                        "2 pictures"}));
    QVERIFY(writeBytes(window->langFile, "[batch_convert]\nlbl_1=Many at once\n"));
    QCOMPARE(openDialog(), QStringList({"Kyuvia 画像変換ツール（複数画像ファイル変換）",
                                        "Many at once", "2 個のファイルが選択されました"}));
    QVERIFY(QDir(out).isEmpty());
}

void TestBatchRun::commandLinePatternsOpenTheDialog()
{
    for (const char *name : {"a.png", "B.PNG", "c.Png", "d.jpg"})
        QVERIFY(writeGlobe(in + "/" + name, 20, 20));
    QVERIFY(QDir(in).mkdir("sub.png"));
    auto window = makeWindow();
    QStringList listed;
    ModalAnswerer script;
    script.then<BatchConvertDialog>([&](BatchConvertDialog *dialog) {
        listed = dialog->files;
        dialog->close();
    });
    window->startWith({"orvix", in + "/*.png", dir->filePath("plain.jpg")});

    QCOMPARE(script.pending(), 0);
    QCOMPARE(listed, window->batchFiles);
    QCOMPARE(listed.size(), 4);
    QCOMPARE(listed.last(), dir->filePath("plain.jpg"));
    QStringList expanded = listed.mid(0, 3);
    expanded.sort();
    QCOMPARE(expanded, QStringList({in + "/B.PNG", in + "/a.png", in + "/c.Png"}));
}

void TestBatchRun::droppedPicturesOpenTheDialog()
{
    const QStringList files = writeInputs(2);
    auto window = makeWindow();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(files[1]), QUrl::fromLocalFile(files[0])});
    QStringList listed;
    ModalAnswerer script;
    script.then<BatchConvertDialog>([&](BatchConvertDialog *dialog) {
        listed = dialog->files;
        QTest::mouseClick(dialog->findChild<QPushButton *>("btnClose"), Qt::LeftButton);
    });
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);

    QTRY_COMPARE(script.pending(), 0);
    QCOMPARE(listed, QStringList({files[1], files[0]}));
    QCOMPARE(window->batchFiles, listed);
    QVERIFY(QDir(out).isEmpty());
}

QTEST_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
