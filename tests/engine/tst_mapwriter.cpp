// writeMap: the format follows the output format code, the quality reaches the encoder, empty
// pixels come out black in a JPG, and a failed write reports why and leaves an existing file
// exactly as it was.

#include "engine/basics/rowscheduler.h"
#include "engine/pictureio/mapwriter.h"
#include "engine/pictureio/wholefilewriter.h"
#include "testfiles.h"
#include "testimages.h"
#include "tiffreading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// JPG is lossy: a pure black or white area may come back this far off.
constexpr int jpegNoise = 8;

enum class Failure
{
    MissingFolder,
    ParentIsFile,
    ReadOnlyFolder,
    TargetIsFolder,
    EncoderRefuses,
    NullMap,
    NotLetThrough,
};

// Gives a folder made read-only its write permission back, so that it can be removed.
struct WritableAgain
{
    QString folder;
    ~WritableAgain()
    {
        if (!folder.isEmpty())
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QByteArray detectedFormat(const QString &path)
{
    // Qt reads no TIFF here: a TIFF is told by its first bytes and read with libtiff.
    if (readBytes(path).startsWith(QByteArray("II*\0", 4)))
        return "tiff";
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.format();
}

QImage readMap(const QString &path)
{
    return detectedFormat(path) == "tiff" ? tiffreading::readTiff(path).pixels : QImage(path);
}

// A map with an opaque white square in the middle of transparent black.
QImage squareOnTransparent()
{
    QImage map = testimages::filled(128, 64, QImage::Format_ARGB32_Premultiplied, 0);
    for (int y = 16; y < 48; ++y)
        for (int x = 48; x < 80; ++x)
            map.setPixel(x, y, qRgb(255, 255, 255));
    return map;
}

} // namespace

Q_DECLARE_METATYPE(Failure)
Q_DECLARE_METATYPE(WholeFileWriter::Method)

class MapWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void formatFollowsCode_data();
    void formatFollowsCode();
    void qualityReachesEncoder_data();
    void qualityReachesEncoder();
    void emptyPixelsInFile_data();
    void emptyPixelsInFile();
    void failedWriteKeepsExistingFile_data();
    void failedWriteKeepsExistingFile();
    void successfulWriteReplacesExistingFile();
    void packedMapWritesTheSameJpeg_data();
    void packedMapWritesTheSameJpeg();
    void placementNeverReplacesATakenName_data();
    void placementNeverReplacesATakenName();

private:
    QImage textured = testimages::uniquePicture(256, 128);
};

void MapWriterTest::formatFollowsCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("fileFormat");

    QTest::newRow("1 writes PNG") << 1 << "png" << QByteArray("png");
    QTest::newRow("0 writes JPG") << 0 << "jpg" << QByteArray("jpeg");
    QTest::newRow("2 writes TIFF") << 2 << "tif" << QByteArray("tiff");
    QTest::newRow("3 writes JPG") << 3 << "jpg" << QByteArray("jpeg");
    QTest::newRow("-1 writes JPG") << -1 << "jpg" << QByteArray("jpeg");
    QTest::newRow("99 writes JPG") << 99 << "jpg" << QByteArray("jpeg");
}

void MapWriterTest::formatFollowsCode()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QFETCH(QByteArray, fileFormat);

    QCOMPARE(outputFormatName(code), name);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A neutral suffix: the format must come from the code, not from the name.
    const QString path = dir.filePath(QStringLiteral("map.out"));
    QString error;
    QVERIFY2(writeMap(textured, path, mapFormatForCode(code), 80, &error), qPrintable(error));
    QCOMPARE(detectedFormat(path), fileFormat);
    QCOMPARE(readMap(path).size(), textured.size());
}

void MapWriterTest::qualityReachesEncoder_data()
{
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("higher");

    QTest::newRow("10 against 95") << 10 << 95;
    QTest::newRow("1 against 50") << 1 << 50;
    QTest::newRow("80 against 100") << 80 << 100;
}

void MapWriterTest::qualityReachesEncoder()
{
    QFETCH(int, lower);
    QFETCH(int, higher);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString lowPath = dir.filePath(QStringLiteral("low.jpg"));
    const QString highPath = dir.filePath(QStringLiteral("high.jpg"));
    QVERIFY(writeMap(textured, lowPath, MapFormat::Jpg, lower));
    QVERIFY(writeMap(textured, highPath, MapFormat::Jpg, higher));
    QVERIFY2(QFileInfo(lowPath).size() < QFileInfo(highPath).size(),
             qPrintable(QStringLiteral("%1 bytes against %2")
                            .arg(QFileInfo(lowPath).size())
                            .arg(QFileInfo(highPath).size())));
}

void MapWriterTest::emptyPixelsInFile_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("emptyAlpha");

    QTest::newRow("JPG: black") << 0 << 255;
    QTest::newRow("PNG: transparent black") << 1 << 0;
    QTest::newRow("TIFF: transparent black") << 2 << 0;
}

void MapWriterTest::emptyPixelsInFile()
{
    QFETCH(int, code);
    QFETCH(int, emptyAlpha);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("map.") + outputFormatName(code));
    QVERIFY(writeMap(squareOnTransparent(), path, mapFormatForCode(code), 90));

    const QImage read = readMap(path).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(read.size(), QSize(128, 64));
    for (const QPoint corner : {QPoint(2, 2), QPoint(125, 2), QPoint(2, 61), QPoint(125, 61)}) {
        const QRgb pixel = read.pixel(corner);
        QCOMPARE(qAlpha(pixel), emptyAlpha);
        QVERIFY(qRed(pixel) <= jpegNoise && qGreen(pixel) <= jpegNoise &&
                qBlue(pixel) <= jpegNoise);
    }
    const QRgb middle = read.pixel(64, 32);
    QCOMPARE(qAlpha(middle), 255);
    QVERIFY(qRed(middle) >= 255 - jpegNoise && qBlue(middle) >= 255 - jpegNoise);
}

void MapWriterTest::failedWriteKeepsExistingFile_data()
{
    QTest::addColumn<Failure>("failure");

    QTest::newRow("missing folder") << Failure::MissingFolder;
    QTest::newRow("parent is a regular file") << Failure::ParentIsFile;
    QTest::newRow("read-only folder") << Failure::ReadOnlyFolder;
    QTest::newRow("target is a folder") << Failure::TargetIsFolder;
    QTest::newRow("JPG wider than the encoder allows") << Failure::EncoderRefuses;
    QTest::newRow("null map") << Failure::NullMap;
    QTest::newRow("encoded, then not let through") << Failure::NotLetThrough;
}

void MapWriterTest::failedWriteKeepsExistingFile()
{
    QFETCH(Failure, failure);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray existing("an earlier map that must survive");
    QString folder = dir.path();
    QString target = dir.filePath(QStringLiteral("map.jpg"));
    QString keptFile = target;
    QImage map = textured;
    WritableAgain unlock;

    switch (failure) {
    case Failure::MissingFolder:
        target = dir.filePath(QStringLiteral("missing/map.jpg"));
        keptFile = dir.filePath(QStringLiteral("map.jpg"));
        break;
    case Failure::ParentIsFile:
        keptFile = dir.filePath(QStringLiteral("plain"));
        target = keptFile + QStringLiteral("/map.jpg");
        break;
    case Failure::ReadOnlyFolder: {
        folder = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkdir(folder));
        target = keptFile = folder + QStringLiteral("/map.jpg");
        QVERIFY(writeBytes(keptFile, existing));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        unlock.folder = folder;
        const QString probe = folder + QStringLiteral("/probe");
        if (writeBytes(probe, "x")) {
            QFile::remove(probe);
            QSKIP("this user writes into read-only folders (root); the other rows cover failures");
        }
        break;
    }
    case Failure::TargetIsFolder:
        target = dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkdir(target));
        break;
    case Failure::EncoderRefuses:
        map = testimages::filled(70000, 1, QImage::Format_ARGB32_Premultiplied, qRgb(9, 9, 9));
        break;
    case Failure::NullMap:
        map = QImage();
        break;
    case Failure::NotLetThrough:
        break;
    }
    const std::function<bool()> mayReplace = [failure] {
        return failure != Failure::NotLetThrough;
    };
    if (failure != Failure::ReadOnlyFolder)
        QVERIFY(writeBytes(keptFile, existing));
    const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QString error;
    QVERIFY(!writeMap(map, target, MapFormat::Jpg, 80, &error, mayReplace));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(keptFile), existing);
    // No half-written file or leftover temporary file appears beside it.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    // The failure is reported without an error pointer too.
    QVERIFY(!writeMap(map, target, MapFormat::Jpg, 80, nullptr, mayReplace));
}

void MapWriterTest::successfulWriteReplacesExistingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("map.png"));
    QVERIFY(writeBytes(path, "an earlier map"));
    QString error;
    QVERIFY2(writeMap(textured, path, MapFormat::Png, 80, &error), qPrintable(error));
    // PNG is lossless: the file holds exactly the map.
    QCOMPARE(testimages::compare(QImage(path), textured).count, qint64(0));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("map.png")});
}

void MapWriterTest::packedMapWritesTheSameJpeg_data()
{
    QTest::addColumn<QImage>("map");
    QTest::addColumn<bool>("spentFree");

    const QImage translucent =
        testimages::translucentPicture(96, 48).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QTest::newRow("opaque, spent memory free") << textured << true;
    QTest::newRow("premultiplied alpha, spent memory free") << translucent << true;
    QTest::newRow("spent memory still held") << textured << false;
    QTest::newRow("transparent with an opaque square") << squareOnTransparent() << true;
}

// The batch writes the packed map in place of the map: the files must be the same byte for
// byte, and a spent packed map is reused only when nobody else holds it.
void MapWriterTest::packedMapWritesTheSameJpeg()
{
    QFETCH(QImage, map);
    QFETCH(bool, spentFree);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    RowScheduler scheduler(2, [] {});
    QImage spent(map.size(), QImage::Format_RGB888);
    spent.fill(Qt::green);
    const uchar *spentMemory = spent.constBits();
    const QImage holder = spentFree ? QImage() : spent;
    const QImage packed = packedForJpeg(map, std::move(spent), scheduler);
    QCOMPARE(packed.format(), QImage::Format_RGB888);
    QCOMPARE(packed.constBits() == spentMemory, spentFree);
    // A holder of the spent map still sees its own pixels.
    QVERIFY(spentFree || holder.pixel(0, 0) == qRgb(0, 255, 0));

    const QString fromMap = dir.filePath("map.jpg"), fromPacked = dir.filePath("packed.jpg");
    QVERIFY(writeMap(map, fromMap, MapFormat::Jpg, 85));
    QVERIFY(writeMap(packed, fromPacked, MapFormat::Jpg, 85));
    QCOMPARE(readBytes(fromPacked), readBytes(fromMap));
}

void MapWriterTest::placementNeverReplacesATakenName_data()
{
    using Method = WholeFileWriter::Method;
    QTest::addColumn<Method>("method");
    QTest::newRow("the best the file system has") << Method::Automatic;
    QTest::newRow("unnamed file linked") << Method::UnnamedFile;
    QTest::newRow("rename that refuses existing names") << Method::RenameNoReplace;
    QTest::newRow("hard link") << Method::HardLink;
    QTest::newRow("name claimed, then renamed over") << Method::ClaimThenRename;
}

// Writers for one name: the first gets it with its own bytes, the others find it taken and
// leave it as it is, and nothing hidden is left behind.
void MapWriterTest::placementNeverReplacesATakenName()
{
    QFETCH(WholeFileWriter::Method, method);
    QTemporaryDir dir;
    for (char mark : {'a', 'b', 'c'}) {
        WholeFileWriter file;
        if (!file.begin(dir.path(), method))
            QSKIP(qPrintable("not on this file system: " + file.errorString()));
        QCOMPARE(file.write(QByteArray(200000, mark)), qint64(200000));
        QCOMPARE(file.place(dir.filePath("map.png"), false),
                 mark == 'a' ? WholeFileWriter::Placed::Yes : WholeFileWriter::Placed::NameTaken);
    }
    QCOMPARE(readBytes(dir.filePath("map.png")), QByteArray(200000, 'a'));
    QCOMPARE(entries(dir.path()), QStringList{"map.png"});
}

QTEST_MAIN(MapWriterTest)
#include "tst_mapwriter.moc"
