// Damaged picture files through the main window: opening one gives the unreadable-picture box
// and changes nothing else, and a batch that mixes them with good pictures converts the good
// ones, counts the damaged ones as failures and, run silently, ends with a failing status.

#include "damagedpictures.h"
#include "engine/pictureio/picturereader.h"
#include "mainwindow/mainwindow.h"
#include "standarderrorcapture.h"
#include "testfiles.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using windowdriver::formOf;

using damagedpictures::Sample;

namespace {

// What the window shows and keeps that a failed open must leave alone.
struct WindowState
{
    int centerX, centerY, radius, imageWidth, imageHeight;
    QString saveFileName, proposedName;

    static WindowState of(const MainWindow &window)
    {
        return {window.centerX,
                window.centerY,
                window.radius,
                window.imageWidth,
                window.imageHeight,
                window.saveFileName,
                formOf(window).lineSaveFilename->text()};
    }
    bool operator==(const WindowState &other) const
    {
        return centerX == other.centerX && centerY == other.centerY && radius == other.radius &&
               imageWidth == other.imageWidth && imageHeight == other.imageHeight &&
               saveFileName == other.saveFileName && proposedName == other.proposedName;
    }
};

} // namespace

class DamagedInputsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openDamagedPicture_data();
    void openDamagedPicture();
    void silentBatchWithDamagedFiles();
    void interactiveBatchWithDamagedFiles();

private:
    // Good pictures and every damaged sample in one list, good ones first, between and last.
    QStringList writeMixedList();
    // The positions of the list whose files the reader takes.
    QList<int> readablePositions(const QStringList &files) const;
    void prepareBatch(int batchMode);

    QTemporaryDir folder;
    QString inputs, outputs;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void DamagedInputsTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    inputs = folder.filePath(QStringLiteral("in"));
    outputs = folder.filePath(QStringLiteral("out"));
    QDir(inputs).removeRecursively();
    QDir(outputs).removeRecursively();
    QVERIFY(QDir().mkpath(inputs) && QDir().mkpath(outputs));
    window = windowtesting::makeWindow(folder.path());
    window->show();
    window->startWith({QStringLiteral("orvix")});
    window->outputSizeX = 64;
    window->outputSizeY = 32;
}

void DamagedInputsTest::cleanup()
{
    window.reset();
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
}

void DamagedInputsTest::openDamagedPicture_data()
{
    damagedpictures::addDamagedSampleRows();
}

void DamagedInputsTest::openDamagedPicture()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(Sample::Outcome, outcome);
    QFETCH(QSize, declared);

    // A good picture is open, with a circle of its own and a proposed output name.
    window->loadFileName = folder.filePath(QStringLiteral("good.png"));
    QVERIFY(writeBytes(window->loadFileName, damagedpictures::intactFile(QStringLiteral("png"))));
    window->openImage();
    QVERIFY(!window->sourceImage.isNull());
    window->centerX = 30;
    window->centerY = 20;
    window->radius = 18;
    const WindowState before = WindowState::of(*window);

    const QString path = inputs + QLatin1Char('/') + fileName;
    QVERIFY(writeBytes(path, bytes));
    window->loadFileName = path;
    const bool readable = !readPicture(path).isNull();
    QVERIFY(!readable || outcome == Sample::RefusedOrDeclaredSize);
    {
        ModalAnswerer answerer;
        window->openImage();
        if (readable) {
            QVERIFY(answerer.sawNothing());
            QCOMPARE(window->sourceImage.size(), declared);
            QCOMPARE(window->loadFileName, path);
            return;
        }
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].title, formOf(*window).btnImageRead->text());
        QCOMPARE(answerer.boxes[0].text, path + QStringLiteral(" は開けませんでした"));
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Warning);
    }
    QVERIFY(window->loadFileName.isEmpty());
    QVERIFY(window->sourceImage.isNull());
    QVERIFY(!window->selectionVisible);
    QCOMPARE(formOf(*window).label->pixmap(Qt::ReturnByValue).size(), QSize(0, 0));
    QVERIFY2(WindowState::of(*window) == before, "a failed open changed the circle or the names");
    QVERIFY(window->isEnabled());
}

QStringList DamagedInputsTest::writeMixedList()
{
    QStringList files;
    auto add = [&](const QString &name, const QByteArray &bytes) {
        files << inputs + QLatin1Char('/') + QString::number(files.size()) + QLatin1Char('-') +
                     name;
        if (!writeBytes(files.last(), bytes))
            qFatal("cannot write %s", qPrintable(files.last()));
    };
    add(QStringLiteral("good.png"), damagedpictures::intactFile(QStringLiteral("png")));
    const QList<Sample> samples = damagedpictures::damagedSamples();
    for (int i = 0; i < samples.size(); ++i) {
        add(samples[i].fileName, samples[i].bytes);
        if (i == samples.size() / 2)
            add(QStringLiteral("good.gif"), damagedpictures::intactFile(QStringLiteral("gif")));
    }
    add(QStringLiteral("good.jpg"), damagedpictures::intactFile(QStringLiteral("jpg")));
    return files;
}

QList<int> DamagedInputsTest::readablePositions(const QStringList &files) const
{
    QList<int> positions;
    for (int p = 0; p < files.size(); ++p)
        if (!readPicture(files[p]).isNull())
            positions << p;
    return positions;
}

void DamagedInputsTest::prepareBatch(int batchMode)
{
    window->batchMode = batchMode;
    window->outputFolder = outputs;
    window->fileNameType = 1; // map_<position>: damaged files share base names
    window->sortType = 2;     // the list's own order
    window->outputFormat = 1;
    window->openFiler = false;
    window->centerX = 32;
    window->centerY = 24;
    window->radius = 22;
}

void DamagedInputsTest::silentBatchWithDamagedFiles()
{
    prepareBatch(1);
    const QStringList files = writeMixedList();
    const QList<int> readable = readablePositions(files);
    // The three good pictures, and the damaged files that still decode.
    QVERIFY(readable.contains(0) && readable.contains(files.size() - 1));
    QVERIFY(readable.size() < files.size() / 2);
    window->batchFiles = files;

    StandardErrorCapture errors(folder.filePath(QStringLiteral("stderr.txt")));
    QVERIFY(errors.capturing);
    window->batchConvert();
    const QString report = errors.text();

    QCOMPARE(window->batchExitCode, 1);
    QStringList expected;
    for (const int p : readable)
        expected << QStringLiteral("map_%1.png").arg(p);
    expected.sort();
    QStringList written = QDir(outputs).entryList(QDir::Files);
    written.sort();
    QCOMPARE(written, expected);
    for (const QString &name : written)
        QCOMPARE(QImage(outputs + QLatin1Char('/') + name).size(), QSize(64, 32));
    const QString summary = QStringLiteral("%1 of %2 files converted, %3 failed.")
                                .arg(readable.size())
                                .arg(files.size())
                                .arg(files.size() - readable.size());
    QVERIFY2(report.contains(summary), qPrintable(report));
    // Every damaged file that was refused is named with its reason.
    for (int p = 0; p < files.size(); ++p)
        if (!readable.contains(p))
            QVERIFY2(report.contains(files[p] + QStringLiteral(": ")), qPrintable(files[p]));
    QVERIFY(window->isEnabled());
    QVERIFY(window->sourceImage.isNull());
}

void DamagedInputsTest::interactiveBatchWithDamagedFiles()
{
    prepareBatch(0);
    const QStringList files = writeMixedList();
    const QList<int> readable = readablePositions(files);
    window->batchFiles = files;
    {
        ModalAnswerer answerer;
        window->batchConvert();
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].text,
                 QStringLiteral("複数画像ファイル変換は失敗しました\n(%1個成功, %2個失敗)")
                     .arg(readable.size())
                     .arg(files.size() - readable.size()));
    }
    QCOMPARE(QDir(outputs).entryList(QDir::Files).size(), readable.size());
    QVERIFY(QFile::exists(outputs + QStringLiteral("/map_0.png")));
    QVERIFY(QFile::exists(outputs + QStringLiteral("/map_%1.png").arg(files.size() - 1)));
    QVERIFY(window->isEnabled());
}

QTEST_MAIN(DamagedInputsTest)
#include "tst_damagedinputs.moc"
