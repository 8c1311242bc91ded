// Writes that fail because of the file system: an output folder that is read-only, an output
// path that is an existing folder, and a file system that runs full while the map is written.
// At each level (writeMap, the window's convert command, a batch run) the failure is reported,
// an existing output file keeps every byte, no temporary file is left behind, and a batch
// goes on to write the next file where it can.
//
// Read-only folders and full file systems are small tmpfs mounts of the test's own, which
// needs root (as in CI); without it the full case is skipped and the read-only case uses
// folder permissions.

#include "engine/pictureio/mapwriter.h"
#include "mainwindow/mainwindow.h"
#include "scratchfilesystem.h"
#include "standarderrorcapture.h"
#include "testfiles.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

using windowdriver::formOf;

namespace {

enum class Failure
{
    ReadOnlyFolder,
    TargetIsFolder,
    FileSystemFull,
};

const QByteArray earlierMap("an earlier map that must survive, byte for byte");
const QString victimName = QStringLiteral("a-victim.png");
const QString laterName = QStringLiteral("b-later.png");
// Far less than the map of a noise picture takes, far more than a flat one's.
constexpr qint64 smallFileSystem = 64 * 1024;
const QSize pictureSize(400, 300);
const QSize mapSize(512, 256);

// Random colours in every pixel: its map does not compress to fit a small file system.
QImage noisePicture()
{
    QImage picture(pictureSize, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < picture.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return picture;
}

QImage flatPicture()
{
    QImage picture(pictureSize, QImage::Format_RGB32);
    picture.fill(qRgb(20, 90, 200));
    return picture;
}

} // namespace

Q_DECLARE_METATYPE(Failure)

class FileSystemFailuresTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void writeMapFails_data();
    void writeMapFails();
    void convertCommandReportsFailure_data();
    void convertCommandReportsFailure();
    void batchGoesOn_data();
    void batchGoesOn();

private:
    void addFailureRows();
    // Makes the output folder fail in the given way, with an earlier output at its place;
    // sets skipReason when this machine cannot arrange it.
    void arrange(Failure failure, QString *skipReason);
    // The earlier output is exactly as it was, and nothing but the allowed names was added.
    void verifyUntouched(Failure failure, const QStringList &added = {});
    QString victimPath() const { return out + QLatin1Char('/') + victimName; }

    QScopedPointer<QTemporaryDir> dir;
    QString in, out;
    QStringList entriesBefore;
    std::unique_ptr<ScratchFileSystem> scratch;
    std::unique_ptr<ReadOnlyPermissions> permissions;
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void FileSystemFailuresTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    dir.reset(new QTemporaryDir);
    in = dir->filePath(QStringLiteral("in"));
    out = dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
    QVERIFY(noisePicture().save(in + QLatin1Char('/') + victimName));
    QVERIFY(flatPicture().save(in + QLatin1Char('/') + laterName));
}

void FileSystemFailuresTest::cleanup()
{
    // Unmounted and unlocked before the temporary folder is removed.
    permissions.reset();
    scratch.reset();
    dir.reset();
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
}

void FileSystemFailuresTest::addFailureRows()
{
    QTest::addColumn<Failure>("failure");
    QTest::newRow("read-only output folder") << Failure::ReadOnlyFolder;
    QTest::newRow("output path is a folder") << Failure::TargetIsFolder;
    QTest::newRow("file system runs full") << Failure::FileSystemFull;
}

// Sets up the failure in a test function, or skips the test where this machine cannot
// produce it (QSKIP works only from the test function itself).
#define ARRANGE_OR_SKIP(failure)                                                                   \
    do {                                                                                           \
        QString skip;                                                                              \
        arrange(failure, &skip);                                                                   \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
        if (!skip.isEmpty())                                                                       \
            QSKIP(qPrintable(skip));                                                               \
    } while (false)

void FileSystemFailuresTest::arrange(Failure failure, QString *skipReason)
{
    switch (failure) {
    case Failure::TargetIsFolder:
        QVERIFY(QDir().mkdir(victimPath()));
        QVERIFY(writeBytes(victimPath() + QStringLiteral("/inside.txt"), earlierMap));
        break;
    case Failure::FileSystemFull:
        scratch = std::make_unique<ScratchFileSystem>(out, smallFileSystem);
        if (!scratch->isMounted()) {
            *skipReason = scratch->unavailableReason();
            return;
        }
        QVERIFY(writeBytes(victimPath(), earlierMap));
        break;
    case Failure::ReadOnlyFolder:
        scratch = std::make_unique<ScratchFileSystem>(out, smallFileSystem);
        QVERIFY(writeBytes(victimPath(), earlierMap));
        if (scratch->isMounted()) {
            QVERIFY(scratch->makeReadOnly());
        } else {
            permissions = std::make_unique<ReadOnlyPermissions>(out);
            QVERIFY(permissions->locked);
        }
        if (writeBytes(out + QStringLiteral("/probe"), "x")) {
            QFile::remove(out + QStringLiteral("/probe"));
            *skipReason = QStringLiteral("this user writes into read-only folders and cannot "
                                         "mount a read-only file system: ") +
                          scratch->unavailableReason();
        }
        break;
    }
    entriesBefore = entries(out);
}

void FileSystemFailuresTest::verifyUntouched(Failure failure, const QStringList &added)
{
    if (failure == Failure::TargetIsFolder) {
        QVERIFY(QFileInfo(victimPath()).isDir());
        QCOMPARE(entries(victimPath()), QStringList{QStringLiteral("inside.txt")});
        QCOMPARE(readBytes(victimPath() + QStringLiteral("/inside.txt")), earlierMap);
    } else {
        QCOMPARE(readBytes(victimPath()), earlierMap);
    }
    // No half-written map and no temporary file of the failed write.
    QStringList expected = entriesBefore + added;
    expected.sort();
    QCOMPARE(entries(out), expected);
}

void FileSystemFailuresTest::writeMapFails_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<int>("outputFormat");
    QTest::newRow("read-only output folder") << Failure::ReadOnlyFolder << 1;
    QTest::newRow("output path is a folder") << Failure::TargetIsFolder << 1;
    QTest::newRow("file system runs full, PNG") << Failure::FileSystemFull << 1;
    QTest::newRow("file system runs full, JPG") << Failure::FileSystemFull << 0;
}

void FileSystemFailuresTest::writeMapFails()
{
    QFETCH(Failure, failure);
    QFETCH(int, outputFormat);
    ARRANGE_OR_SKIP(failure);

    const QImage map = noisePicture().scaled(mapSize);
    QString error;
    QVERIFY(!writeMap(map, victimPath(), mapFormatForCode(outputFormat), 100, &error));
    QVERIFY(!error.isEmpty());
    // What the system said, not the encoder's own words ("Unknown error").
    if (failure == Failure::FileSystemFull)
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    verifyUntouched(failure);
    if (QTest::currentTestFailed())
        return;

    // The folder takes a small map afterwards: the failed write left no space taken.
    if (failure != Failure::ReadOnlyFolder) {
        const QString later = out + QLatin1Char('/') + laterName;
        // Quality 85, as the settings give by default: the PNG writer compresses (from
        // quality 90 on it stores the pixels as they are).
        QVERIFY2(writeMap(flatPicture().scaled(mapSize), later, MapFormat::Png, 85, &error),
                 qPrintable(error));
        QCOMPARE(QImage(later).size(), mapSize);
        verifyUntouched(failure, {laterName});
    }
}

void FileSystemFailuresTest::convertCommandReportsFailure_data()
{
    addFailureRows();
}

void FileSystemFailuresTest::convertCommandReportsFailure()
{
    QFETCH(Failure, failure);
    ARRANGE_OR_SKIP(failure);

    auto window = windowtesting::makeWindow(dir->path());
    window->show();
    window->loadFileName = in + QLatin1Char('/') + victimName;
    window->openImage();
    QVERIFY(!window->sourceImage.isNull());
    window->centerX = 200;
    window->centerY = 150;
    window->radius = 148;
    window->updateScreenParameter();
    window->outputSizeX = mapSize.width();
    window->outputSizeY = mapSize.height();
    window->outputFormat = 1;
    window->saveFileName = victimPath();
    formOf(*window).lineSaveFilename->setText(victimName);
    {
        // Yes to the overwrite question that an existing file brings.
        ModalAnswerer answerer(QMessageBox::Yes);
        formOf(*window).btnConvert->click();
        QCOMPARE(answerer.boxes.size(), failure == Failure::TargetIsFolder ? 1 : 2);
        const SeenBox &report = answerer.boxes.last();
        QCOMPARE(report.title, formOf(*window).btnConvert->text());
        QCOMPARE(report.icon, QMessageBox::Warning);
        const QString prefix = victimPath() + QStringLiteral(" へ保存できませんでした\n");
        QVERIFY2(report.text.startsWith(prefix) && report.text.size() > prefix.size(),
                 qPrintable(report.text));
    }
    verifyUntouched(failure);
    QVERIFY(window->isEnabled());
}

void FileSystemFailuresTest::batchGoesOn_data()
{
    addFailureRows();
}

void FileSystemFailuresTest::batchGoesOn()
{
    QFETCH(Failure, failure);
    ARRANGE_OR_SKIP(failure);

    auto window = windowtesting::makeWindow(dir->path());
    window->centerX = 200;
    window->centerY = 150;
    window->radius = 148;
    window->outputSizeX = mapSize.width();
    window->outputSizeY = mapSize.height();
    window->outputFormat = 1;
    window->outputFolder = out;
    window->fileNameType = 0;
    window->sortType = 0;
    window->overwrite = true;
    window->batchMode = 1;
    window->batchFiles =
        QStringList{in + QLatin1Char('/') + laterName, in + QLatin1Char('/') + victimName};

    StandardErrorCapture errors(dir->filePath(QStringLiteral("stderr.txt")));
    QVERIFY(errors.capturing);
    window->batchConvert();
    const QString report = errors.text();

    QCOMPARE(window->batchExitCode, 1);
    // Sorted by path, the failing file comes first and the run goes on to the next.
    const QString victimLine = in + QLatin1Char('/') + victimName + QStringLiteral(" -> ") +
                               victimPath() + QStringLiteral(": ");
    QVERIFY2(report.contains(victimLine), qPrintable(report));
    if (failure == Failure::FileSystemFull)
        QVERIFY2(report.contains(victimLine + QString::fromLocal8Bit(std::strerror(ENOSPC)) + '\n'),
                 qPrintable(report));
    if (failure == Failure::ReadOnlyFolder) {
        QVERIFY2(report.contains(QStringLiteral("0 of 2 files converted, 2 failed.")),
                 qPrintable(report));
        verifyUntouched(failure);
        return;
    }
    QVERIFY2(report.contains(QStringLiteral("1 of 2 files converted, 1 failed.")),
             qPrintable(report));
    QCOMPARE(QImage(out + QLatin1Char('/') + laterName).size(), mapSize);
    verifyUntouched(failure, {laterName});
}

QTEST_MAIN(FileSystemFailuresTest)
#include "tst_filesystemfailures.moc"
