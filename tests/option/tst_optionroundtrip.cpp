#include "mainwindow/mainwindow.h"
#include "modalanswerer.h"
#include "option/option.h"
#include "preview/previewwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

const QStringList fieldOrder = {"lineDistance", "lineOutputSizeX", "lineOutputSizeY",
                                "lineQuality",  "lineColor",       "lineSize",
                                "lineLatitude", "lineLongitude",   "lineAzimuth"};

QLineEdit *field(const QWidget *dialog, const QString &name)
{
    return dialog->findChild<QLineEdit *>(name);
}

QPushButton *button(const QWidget *dialog, const QString &name)
{
    return dialog->findChild<QPushButton *>(name);
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QCoreApplication::processEvents();
}

// A main window as the program sets it up, with its files in folder (none of them present),
// and the start-up work left out.
std::unique_ptr<MainWindow> makeWindow(const QString &folder)
{
    auto window = std::make_unique<MainWindow>();
    window->startupTimer->stop();
    window->langFile = folder + "/orvix_lang.ini";
    window->loadLanguage();
    return window;
}

void setWindowValues(MainWindow &window)
{
    window.distance = 6.6;
    window.outputSizeX = 4096;
    window.outputSizeY = 2048;
    window.outputQuality = 90;
    window.outputFormat = 1;
    window.penColor = QColor(0, 255, 0);
    window.penSize = 5;
    window.latitude = 35.5;
    window.longitude = -20.25;
    window.azimuth = 90.0;
    window.conversionMode = 1;
}

// The eleven values of the round trip as text, to compare a window before and after.
QStringList windowValues(const MainWindow &window)
{
    return {QString::number(window.distance, 'g', 17),
            QString::number(window.outputSizeX),
            QString::number(window.outputSizeY),
            QString::number(window.outputQuality),
            QString::number(window.outputFormat),
            window.penColor.name(QColor::HexArgb),
            QString::number(window.penSize),
            QString::number(window.latitude, 'g', 17),
            QString::number(window.longitude, 'g', 17),
            QString::number(window.azimuth, 'g', 17),
            QString::number(window.conversionMode)};
}

// Chooses the settings command and plays the user in the option dialog it opens. Whatever
// the script leaves open is rejected, so a failed check inside it cannot block the test.
void runSettings(MainWindow &window, const std::function<void(Option *)> &user)
{
    QTimer::singleShot(0, &window, [user] {
        QPointer<Option> dialog = qobject_cast<Option *>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "the settings command opened no option dialog");
        user(dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
    window.findChild<QAction *>("actionSetting")->trigger();
}

// How many pixels of the picture have exactly this colour.
int pixelsOf(const QImage &picture, QRgb colour)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            count += line[x] == colour ? 1 : 0;
    }
    return count;
}

QImage viewPicture(const MainWindow &window)
{
    const QLabel *view = window.findChild<QLabel *>("label");
    return view ? view->pixmap(Qt::ReturnByValue).toImage() : QImage();
}

QString writeWhitePicture(const QString &path)
{
    QImage picture(240, 180, QImage::Format_RGB32);
    picture.fill(Qt::white);
    return picture.save(path) ? path : QString();
}

} // namespace

class TestOptionRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void acceptedValuesComeBack();
    void rejectedRunChangesNothing_data();
    void rejectedRunChangesNothing();
    void dialogUsesWindowLanguageFile();
    void newPenIsDrawnAtOnce();
    void previewIsNotRefreshed();

private:
    QTemporaryDir folder;
};

void TestOptionRoundTrip::cleanup()
{
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void TestOptionRoundTrip::acceptedValuesComeBack()
{
    auto window = makeWindow(folder.path());
    setWindowValues(*window);

    QStringList shown;
    int shownFormat = -1;
    int shownMode = -1;
    QWidget *dialogParent = nullptr;
    runSettings(*window, [&](Option *dialog) {
        dialogParent = dialog->parentWidget();
        for (const QString &name : fieldOrder)
            shown << field(dialog, name)->text();
        shownFormat = dialog->findChild<QComboBox *>("cbFormat")->currentIndex();
        shownMode = dialog->findChild<QComboBox *>("cbMode")->currentIndex();

        const QStringList typed = {"1e2", "8192", "4096",  "50", "#80abcdef",
                                   "7",   "-45",  "179.5", "360"};
        for (int i = 0; i < fieldOrder.size(); ++i)
            typeInto(field(dialog, fieldOrder[i]), typed[i]);
        dialog->findChild<QComboBox *>("cbFormat")->setCurrentIndex(0);
        dialog->findChild<QComboBox *>("cbMode")->setCurrentIndex(0);
        QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
    });

    QCOMPARE(dialogParent, window.get());
    QCOMPARE(shown,
             QStringList({"6.6", "4096", "2048", "90", "#FF00FF00", "5", "35.5", "-20.25", "90"}));
    QCOMPARE(shownFormat, 1);
    QCOMPARE(shownMode, 1);
    QCOMPARE(windowValues(*window), QStringList({"100", "8192", "4096", "50", "0", "#80abcdef", "7",
                                                 "-45", "179.5", "360", "0"}));
    QVERIFY(window->penColor.isValid());
    QCOMPARE(window->penColor.alpha(), 0x80);
    QVERIFY(window->findChildren<Option *>().isEmpty());
}

void TestOptionRoundTrip::rejectedRunChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel after typing") << "cancel";
    QTest::newRow("escape after typing") << "escape";
    QTest::newRow("defaults then cancel") << "defaults";
    QTest::newRow("refused OK then cancel") << "refused";
    QTest::newRow("enter in a field") << "enter";
}

void TestOptionRoundTrip::rejectedRunChangesNothing()
{
    QFETCH(QString, how);

    auto window = makeWindow(folder.path());
    setWindowValues(*window);
    const QStringList before = windowValues(*window);
    ModalAnswerer catcher;
    catcher.leaveOtherDialogs();
    runSettings(*window, [&](Option *dialog) {
        typeInto(field(dialog, "lineDistance"), "50");
        typeInto(field(dialog, "lineColor"), "#ff0000ff");
        if (how == "cancel") {
            QTest::mouseClick(button(dialog, "btnCancel"), Qt::LeftButton);
        } else if (how == "escape") {
            QTest::keyClick(field(dialog, "lineColor"), Qt::Key_Escape);
        } else if (how == "defaults") {
            QTest::mouseClick(button(dialog, "btnDefault"), Qt::LeftButton);
            QTest::mouseClick(button(dialog, "btnCancel"), Qt::LeftButton);
        } else if (how == "refused") {
            typeInto(field(dialog, "lineSize"), "99");
            QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
            QCOMPARE(dialog->distance, 50.0);
            QTest::mouseClick(button(dialog, "btnCancel"), Qt::LeftButton);
        } else {
            QTest::keyClick(field(dialog, "lineColor"), Qt::Key_Enter);
        }
    });
    QCOMPARE(catcher.boxes.size(), how == "refused" ? 1 : 0);
    QCOMPARE(windowValues(*window), before);
    QVERIFY(window->findChildren<Option *>().isEmpty());
}

// Each opening reads the language file afresh; the dialog's title takes no version suffix.
void TestOptionRoundTrip::dialogUsesWindowLanguageFile()
{
    auto window = makeWindow(folder.path());
    QFile file(window->langFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[config]\ntitle=Settings\nbtn_cancel=Close\n");
    file.close();

    QString title;
    QString cancelText;
    runSettings(*window, [&](Option *dialog) {
        title = dialog->windowTitle();
        cancelText = button(dialog, "btnCancel")->text();
    });
    QVERIFY(QFile::remove(window->langFile));
    QCOMPARE(title, QString("Settings"));
    QCOMPARE(cancelText, QString("Close"));

    runSettings(*window, [&](Option *dialog) { title = dialog->windowTitle(); });
    QCOMPARE(title, QString("Kyuvia 画像変換ツール（設定）"));
}

void TestOptionRoundTrip::newPenIsDrawnAtOnce()
{
    auto window = makeWindow(folder.path());
    window->loadFileName = writeWhitePicture(folder.filePath("white.png"));
    window->openImage();
    QVERIFY(window->selectionVisible);
    const QRgb red = qRgb(255, 0, 0);
    const QRgb blue = qRgb(0, 0, 255);
    const int redBefore = pixelsOf(viewPicture(*window), red);
    QVERIFY(redBefore > 0);
    QCOMPARE(pixelsOf(viewPicture(*window), blue), 0);

    runSettings(*window, [&](Option *dialog) {
        typeInto(field(dialog, "lineColor"), "#ff0000ff");
        typeInto(field(dialog, "lineSize"), "9");
        QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
    });

    const QImage after = viewPicture(*window);
    QCOMPARE(pixelsOf(after, red), 0);
    QVERIFY2(pixelsOf(after, blue) > redBefore, "the wider pen should cover more pixels");
}

// Confirming new conversion values leaves the preview showing the map it has.
void TestOptionRoundTrip::previewIsNotRefreshed()
{
    auto window = makeWindow(folder.path());
    window->loadFileName = writeWhitePicture(folder.filePath("preview.png"));
    window->openImage();
    window->outputSizeX = 1024;
    window->outputSizeY = 1024;
    window->autoPreview = true;
    window->on_btnPreview_clicked();
    QVERIFY(window->previewWindow->isVisible());
    const QLabel *preview = window->previewWindow->findChild<QLabel *>("label2");
    QVERIFY(preview && !preview->pixmap(Qt::ReturnByValue).isNull());
    const qint64 shownMap = preview->pixmap(Qt::ReturnByValue).cacheKey();

    runSettings(*window, [&](Option *dialog) {
        typeInto(field(dialog, "lineLatitude"), "45");
        typeInto(field(dialog, "lineDistance"), "2");
        QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
    });
    QCOMPARE(window->latitude, 45.0);
    QCOMPARE(window->distance, 2.0);
    QCOMPARE(preview->pixmap(Qt::ReturnByValue).cacheKey(), shownMap);
    window->previewWindow->hide();
}

QTEST_MAIN(TestOptionRoundTrip)
#include "tst_optionroundtrip.moc"
