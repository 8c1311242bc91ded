// writeMap: the format follows the output format code, the quality reaches the encoder, empty
// pixels come out black in a JPG, and a failed write reports why and leaves an existing file
// exactly as it was.

#include "engine/mapwriter.h"
#include "engine/rowscheduler.h"
#include "engine/wholefilewriter.h"
#include "testfiles.h"
#include "testimages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

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
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.format();
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
    void takenNameMovesOnOrFails();
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
    QTest::newRow("2 writes JPG") << 2 << "jpg" << QByteArray("jpeg");
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
    QCOMPARE(QImage(path).size(), textured.size());
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
}

void MapWriterTest::emptyPixelsInFile()
{
    QFETCH(int, code);
    QFETCH(int, emptyAlpha);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("map.") + outputFormatName(code));
    QVERIFY(writeMap(squareOnTransparent(), path, mapFormatForCode(code), 90));

    const QImage read = QImage(path).convertToFormat(QImage::Format_ARGB32);
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

// With replacing off, a taken name fails the write as existing, or moves on to the next name
// that the target gives; the file under the taken name keeps its bytes either way.
void MapWriterTest::takenNameMovesOnOrFails()
{
    QTemporaryDir dir;
    const QString taken = dir.filePath("map.png"), next = dir.filePath("map_2.png");
    QVERIFY(writeBytes(taken, "an earlier map"));
    MapTarget target{taken, false, {}};
    QString error;
    QVERIFY(!writeMap(textured, target, MapFormat::Png, 80, &error));
    QCOMPARE(error, QString("the output file already exists"));
    target.nextName = [&](const QString &name) { return name == taken ? next : QString(); };
    QVERIFY2(writeMap(textured, target, MapFormat::Png, 80, &error), qPrintable(error));
    QCOMPARE(target.path, next);
    QCOMPARE(testimages::compare(QImage(next), textured).count, qint64(0));
    QCOMPARE(readBytes(taken), QByteArray("an earlier map"));
    QCOMPARE(entries(dir.path()), (QStringList{"map.png", "map_2.png"}));
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

// Writers racing for one name: one gets it with its own bytes, the others find it taken and
// can take other names; replacing puts a file over a link, never through it. Nothing hidden
// is left behind.
void MapWriterTest::placementNeverReplacesATakenName()
{
    QFETCH(WholeFileWriter::Method, method);
    QTemporaryDir dir;
    const QString name = dir.filePath("map.png");
    constexpr int writers = 8;
    std::vector<std::unique_ptr<WholeFileWriter>> files;
    for (int i = 0; i < writers; ++i) {
        files.push_back(std::make_unique<WholeFileWriter>());
        if (!files.back()->begin(dir.path(), method))
            QSKIP(qPrintable("not on this file system: " + files.back()->errorString()));
        QCOMPARE(files.back()->write(QByteArray(200000, char('a' + i))), qint64(200000));
    }
    std::vector<WholeFileWriter::Placed> placed(writers);
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < writers; ++i)
        threads.emplace_back([&, i] {
            while (!go)
                std::this_thread::yield();
            placed[size_t(i)] = files[size_t(i)]->place(name, false);
        });
    go = true;
    for (std::thread &thread : threads)
        thread.join();
    const auto winner = std::find(placed.begin(), placed.end(), WholeFileWriter::Placed::Yes);
    QVERIFY(winner != placed.end());
    QCOMPARE(std::count(placed.begin(), placed.end(), WholeFileWriter::Placed::NameTaken),
             long(writers - 1));
    QCOMPARE(readBytes(name), QByteArray(200000, char('a' + (winner - placed.begin()))));

    std::vector<size_t> losers;
    for (size_t i = 0; i < placed.size(); ++i)
        if (placed[i] != WholeFileWriter::Placed::Yes)
            losers.push_back(i);
    QCOMPARE(files[losers[0]]->place(dir.filePath("map_2.png"), false),
             WholeFileWriter::Placed::Yes);
    QCOMPARE(readBytes(dir.filePath("map_2.png")), QByteArray(200000, char('a' + losers[0])));
    QVERIFY(writeBytes(dir.filePath("outside.txt"), "keep me"));
    QVERIFY(QFile::link(dir.filePath("outside.txt"), dir.filePath("link.png")));
    QCOMPARE(files[losers[1]]->place(dir.filePath("link.png"), true), WholeFileWriter::Placed::Yes);
    QVERIFY(!QFileInfo(dir.filePath("link.png")).isSymLink());
    QCOMPARE(readBytes(dir.filePath("link.png")), QByteArray(200000, char('a' + losers[1])));
    QCOMPARE(readBytes(dir.filePath("outside.txt")), QByteArray("keep me"));
    files.clear();
    QCOMPARE(entries(dir.path()), (QStringList{"link.png", "map.png", "map_2.png", "outside.txt"}));
}

QTEST_MAIN(MapWriterTest)
#include "tst_mapwriter.moc"
