#include "mainwindow/mainwindow.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using windowdriver::formOf;

// Parameter files: saving the circle through the save dialog, loading it back, and files that
// lack keys, hold other keys or are no INI text at all.
class ParameterFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void saveWritesTheCircle();
    void saveTakesTypedValuesAndKeepsOtherKeys();
    void saveReportsWhetherTheFileWasWritten_data();
    void saveReportsWhetherTheFileWasWritten();
    void cancelledDialogsChangeNothing();
    void loadSetsTheCircle_data();
    void loadSetsTheCircle();
    void loadWhileHiddenKeepsCircleHidden();
    void specialFilesAreRefused_data();
    void specialFilesAreRefused();

private:
    QString writeFile(const QString &name, const QByteArray &content);

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void ParameterFileTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    window = windowtesting::makeWindow(folder.path());
    window->show();
    window->startWith({QStringLiteral("orvix")});
    window->loadFileName =
        windowtesting::writePicture(folder.filePath(QStringLiteral("globe.png")), 1000, 600);
    window->openImage();
}

void ParameterFileTest::cleanup()
{
    window.reset();
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
}

QString ParameterFileTest::writeFile(const QString &name, const QByteArray &content)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

void ParameterFileTest::saveWritesTheCircle()
{
    window->centerX = 520;
    window->centerY = 295;
    window->radius = 294;
    window->updateScreenParameter();
    const QString path = folder.filePath(QStringLiteral("circle.ini"));
    QString proposed;
    ModalAnswerer answerer(QMessageBox::Ok, [&](QFileDialog *dialog) {
        proposed = dialog->selectedFiles().value(0);
        // Typed without a suffix: the file gets the one the load dialog lists.
        choose(folder.filePath(QStringLiteral("circle")))(dialog);
    });
    formOf(*window).actionSave_Param->trigger();

    QCOMPARE(answerer.fileDialogTitles,
             QStringList{
                 QStringLiteral("中心点、半径をファイルへ保存します、ファイル名を指定して下さい")});
    QCOMPARE(answerer.fileDialogFilters, QStringList{QStringLiteral("選択範囲 (*.ini)")});
    QCOMPARE(answerer.fileDialogFolders, QStringList{folder.path()});
    QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("KY_map_param.ini"));
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("中心点、半径の保存"));
    QCOMPARE(answerer.boxes[0].text, path + QStringLiteral(" へ保存されました"));
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Information);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[General]\nCenterX=520\nCenterY=295\nRadius=294\n"));
}

void ParameterFileTest::saveTakesTypedValuesAndKeepsOtherKeys()
{
    const QString path =
        writeFile(QStringLiteral("shared.ini"), "[General]\nNote=mine\nRadius=1\n[Other]\nA=2\n");
    formOf(*window).lineCenterX->setText(QStringLiteral("77"));
    formOf(*window).lineRadius->setText(QStringLiteral("not a number"));
    // Choosing an existing file makes the dialog ask whether to replace it: Yes.
    ModalAnswerer answerer(QMessageBox::Yes, choose(path));
    window->on_actionSave_Param_triggered();

    QCOMPARE(window->centerX, 77);
    QCOMPARE(window->radius, 0);
    QSettings file(path, QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("CenterX")).toInt(), 77);
    QCOMPARE(file.value(QStringLiteral("CenterY")).toInt(), 300);
    QCOMPARE(file.value(QStringLiteral("Radius")).toInt(), 0);
    QCOMPARE(file.value(QStringLiteral("Note")).toString(), QStringLiteral("mine"));
    QCOMPARE(file.value(QStringLiteral("Other/A")).toInt(), 2);
}

void ParameterFileTest::saveReportsWhetherTheFileWasWritten_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("previous");
    QTest::addColumn<bool>("written");

    QTest::newRow("below a regular file") << "plain.txt/circle.ini" << QByteArray() << false;
    QTest::newRow("deep below a regular file")
        << "plain.txt/a/b/circle.ini" << QByteArray() << false;
    QTest::newRow("in a folder not made yet") << "new/circle.ini" << QByteArray() << true;
    QTest::newRow("over a file that is no INI text")
        << "binary.ini" << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452fffe00ff") << true;
}

void ParameterFileTest::saveReportsWhetherTheFileWasWritten()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, previous);
    QFETCH(bool, written);

    writeFile(QStringLiteral("plain.txt"), "keep me");
    if (!previous.isEmpty())
        writeFile(name, previous);
    const QString path = folder.filePath(name);
    {
        // Replacing an existing file is confirmed in the dialog's own question: Yes.
        ModalAnswerer answerer(QMessageBox::Yes, choose(path));
        window->on_actionSave_Param_triggered();
        QVERIFY(!answerer.boxes.isEmpty());
        const SeenBox &outcome = answerer.boxes.last();
        QCOMPARE(outcome.title, QStringLiteral("中心点、半径の保存"));
        QVERIFY(
            outcome.text.startsWith(path + (written ? QStringLiteral(" へ保存されました")
                                                    : QStringLiteral(" へ保存できませんでした"))));
        QCOMPARE(outcome.icon, written ? QMessageBox::Information : QMessageBox::Warning);
    }
    QCOMPARE(QSettings(path, QSettings::IniFormat).value(QStringLiteral("Radius")).toInt(),
             written ? 294 : 0);
    QFile plain(folder.filePath(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QCOMPARE(plain.readAll(), QByteArray("keep me"));
}

void ParameterFileTest::cancelledDialogsChangeNothing()
{
    const QString path = writeFile(QStringLiteral("p.ini"), "[General]\nCenterX=1\n");
    ModalAnswerer answerer;
    window->on_actionLoad_Param_triggered();
    window->on_actionSave_Param_triggered();
    QCOMPARE(answerer.fileDialogTitles.size(), 2);
    QVERIFY(answerer.boxes.isEmpty());
    QCOMPARE(window->centerX, 500);
    QCOMPARE(window->radius, 294);
    QSettings file(path, QSettings::IniFormat);
    QCOMPARE(file.allKeys(), QStringList{QStringLiteral("CenterX")});
}

void ParameterFileTest::loadSetsTheCircle_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QVector<int>>("circle");

    QTest::newRow("all three keys")
        << QByteArray("[General]\nCenterX=520\nCenterY=295\nRadius=250\n")
        << QVector<int>{520, 295, 250};
    QTest::newRow("no radius") << QByteArray("[General]\nCenterX=520\nCenterY=295\n")
                               << QVector<int>{520, 295, 0};
    QTest::newRow("a settings file")
        << QByteArray("[General]\nAutoSize=false\nCenterX=10\nCenterY=20\nRadius=30\n"
                      "Distance=6.6\n")
        << QVector<int>{10, 20, 30};
    QTest::newRow("values that are not numbers")
        << QByteArray("[General]\nCenterX=left\nCenterY=12.5\nRadius=-40\n")
        << QVector<int>{0, 0, -40};
    QTest::newRow("not INI text") << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452fffe00ff")
                                  << QVector<int>{0, 0, 0};
    // QSettings would decode it as a list of 2^31 - 1 items and abort.
    QTest::newRow("special value")
        << QByteArray("[General]\nCenterX=520\nCenterY=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)"
                      "\nRadius=250\n")
        << QVector<int>{520, 0, 250};
}

void ParameterFileTest::loadSetsTheCircle()
{
    QFETCH(QByteArray, content);
    QFETCH(QVector<int>, circle);

    const QString path = writeFile(QStringLiteral("load.ini"), content);
    ModalAnswerer answerer(QMessageBox::Ok, choose(path));
    formOf(*window).actionLoad_Param->trigger();
    QCOMPARE(answerer.fileDialogTitles,
             QStringList{
                 QStringLiteral("中心点、半径をファイルから読込ます、ファイル名を指定して下さい")});
    QCOMPARE(window->centerX, circle[0]);
    QCOMPARE(window->centerY, circle[1]);
    QCOMPARE(window->radius, circle[2]);
    QCOMPARE(formOf(*window).lineRadius->text(), QString::number(circle[2]));
    QCOMPARE(formOf(*window).lineCenterX->text(), QString::number(circle[0]));
    // The circle stays shown, whatever was loaded.
    QVERIFY(window->selectionVisible);
}

void ParameterFileTest::loadWhileHiddenKeepsCircleHidden()
{
    window->on_label_mouserightup();
    QVERIFY(!window->selectionVisible);
    const QString path = writeFile(QStringLiteral("hidden.ini"),
                                   "[General]\nCenterX=300\nCenterY=300\nRadius=100\n");
    ModalAnswerer answerer(QMessageBox::Ok, choose(path));
    window->on_actionLoad_Param_triggered();
    QCOMPARE(formOf(*window).lineCenterX->text(), QStringLiteral("300"));
    QVERIFY(!window->selectionVisible);
    const QImage shown = formOf(*window).label->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32),
             window->sourceImage.convertToFormat(QImage::Format_ARGB32));
}

void ParameterFileTest::specialFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("FIFO") << "fifo"
                          << "it is a FIFO (named pipe), not a regular file";
    QTest::newRow("over the size bound") << "large"
                                         << "the file is too large";
}

// Neither read nor replaced, and nothing waits on the FIFO: loading and saving each say why in a
// box, and the circle and the file stay as they were.
void ParameterFileTest::specialFilesAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString path = folder.filePath(kind + ".ini");
    if (kind == "fifo")
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    else
        QVERIFY(QFile(writeFile(kind + ".ini", "[General]\nRadius=1\n")).resize(5 << 20));
    for (QAction *action : {formOf(*window).actionLoad_Param, formOf(*window).actionSave_Param}) {
        ModalAnswerer answerer(QMessageBox::Yes, choose(path));
        action->trigger();
        QVERIFY(!answerer.boxes.isEmpty());
        QCOMPARE(answerer.boxes.last().icon, QMessageBox::Warning);
        QVERIFY2(answerer.boxes.last().text.contains(path + ": " + reason),
                 qPrintable(answerer.boxes.last().text));
    }
    QCOMPARE(window->radius, 294);
    QCOMPARE(QFileInfo(path).size(), kind == "fifo" ? 0 : 5 << 20);
}

QTEST_MAIN(ParameterFileTest)
#include "tst_parameterfile.moc"
