#include "batch/batchfiles.h"
#include "batch/batchreport.h"
#include "batch/batchrunner.h"
#include "batch/folderopener.h"
#include "batchtestsupport.h"
#include "engine/pictureio/picturereader.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    char word[4];
    qToBigEndian(quint32(data.size()), word);
    QByteArray chunk(word, 4);
    chunk.append(type + data);
    qToBigEndian(crc32(type + data), word);
    chunk.append(word, 4);
    return chunk;
}

// A PNG whose header declares the given size; its pixel data is empty.
QByteArray pngHeaderDeclaring(quint32 width, quint32 height)
{
    char size[8];
    qToBigEndian(width, size);
    qToBigEndian(height, size + 4);
    QByteArray header(size, 8);
    header.append("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, no interlace
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("IDAT", QByteArray()) + pngChunk("IEND", QByteArray());
}

const QMap<QString, QString> builtInTexts{
    {"batch_success", "複数画像ファイル変換が終了しました"},
    {"batch_fail1", "複数画像ファイル変換は失敗しました\n("},
    {"batch_fail2", "個成功, "},
    {"batch_fail3", "個失敗)"},
};

} // namespace

class TestBatchFiles : public QObject
{
    Q_OBJECT

private slots:
    void sortByPath_data();
    void sortByPath();
    void sortByDate_data();
    void sortByDate();
    void outputPath_data();
    void outputPath();
    void readPicture_data();
    void readPicture();
    void resultText_data();
    void resultText();
    void silentLines_data();
    void silentLines();
    void explorerArgument_data();
    void explorerArgument();
};

void TestBatchFiles::sortByPath_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("sortType");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("upper-case B before lower-case a")
        << QStringList{"/p/a.jpg", "/p/B.jpg", "/p/c.jpg"} << 0
        << QStringList{"/p/B.jpg", "/p/a.jpg", "/p/c.jpg"};
    QTest::newRow("whole path, folder first")
        << QStringList{"/z/a.jpg", "/a/z.jpg", "/a/y.jpg"} << 0
        << QStringList{"/a/y.jpg", "/a/z.jpg", "/z/a.jpg"};
    QTest::newRow("code units, not numbers")
        << QStringList{"/p/10.jpg", "/p/9.jpg", "/p/1.jpg"} << 0
        << QStringList{"/p/1.jpg", "/p/10.jpg", "/p/9.jpg"};
    QTest::newRow("non-ASCII after ASCII")
        << QStringList{"/p/\u00e9.jpg", "/p/z.jpg", "/p/E.jpg"} << 0
        << QStringList{"/p/E.jpg", "/p/z.jpg", "/p/\u00e9.jpg"};
    QTest::newRow("other sort types keep the order")
        << QStringList{"/p/c.jpg", "/p/a.jpg", "/p/b.jpg"} << 2
        << QStringList{"/p/c.jpg", "/p/a.jpg", "/p/b.jpg"};
    QTest::newRow("negative sort type keeps the order")
        << QStringList{"/p/c.jpg", "/p/a.jpg"} << -1 << QStringList{"/p/c.jpg", "/p/a.jpg"};
    QTest::newRow("empty list") << QStringList{} << 0 << QStringList{};
}

void TestBatchFiles::sortByPath()
{
    QFETCH(QStringList, files);
    QFETCH(int, sortType);
    QFETCH(QStringList, sorted);
    sortBatchFiles(files, batchOrderForCode(sortType));
    QCOMPARE(files, sorted);
}

void TestBatchFiles::sortByDate_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("10:00, 12:00, 11:00 give newest first")
        << QStringList{"ten.jpg", "twelve.jpg", "eleven.jpg"}
        << QStringList{"10:00", "12:00", "11:00"}
        << QStringList{"twelve.jpg", "eleven.jpg", "ten.jpg"};
    QTest::newRow("the date counts, not the name")
        << QStringList{"a.jpg", "b.jpg", "c.jpg"} << QStringList{"09:00", "09:30", "08:00"}
        << QStringList{"b.jpg", "a.jpg", "c.jpg"};
    QTest::newRow("a missing file comes last")
        << QStringList{"gone.jpg", "old.jpg", "new.jpg"} << QStringList{"", "07:00", "08:00"}
        << QStringList{"new.jpg", "old.jpg", "gone.jpg"};
}

void TestBatchFiles::sortByDate()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, times);
    QFETCH(QStringList, sorted);

    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < names.size(); ++i) {
        const QString path = dir.filePath(names[i]);
        files << path;
        if (times[i].isEmpty())
            continue;
        QVERIFY(writeBytes(path, "x"));
        const QDateTime when(QDate(2024, 5, 1), QTime::fromString(times[i], "hh:mm"));
        QVERIFY(setModified(path, when));
    }
    sortBatchFiles(files, BatchOrder::NewestFirst);
    QStringList expected;
    for (const QString &name : sorted)
        expected << dir.filePath(name);
    QCOMPARE(files, expected);
}

void TestBatchFiles::outputPath_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("fileNameType");
    QTest::addColumn<int>("outputFormat");
    QTest::addColumn<QString>("output");

    QTest::newRow("input name, jpg") << "/in/earth.png" << 3 << 0 << 0 << "/out/earth.jpg";
    QTest::newRow("input name, png") << "/in/earth.jpg" << 0 << 0 << 1 << "/out/earth.png";
    QTest::newRow("base name ends at the first dot")
        << "/in/moon.2024.05.gif" << 1 << 0 << 0 << "/out/moon.jpg";
    QTest::newRow("dots in the folder do not count")
        << "/in.v2/mars.jpg" << 0 << 0 << 1 << "/out/mars.png";
    QTest::newRow("numbered from 0") << "/in/earth.png" << 0 << 1 << 0 << "/out/map_0.jpg";
    QTest::newRow("numbered by position") << "/in/earth.png" << 12 << 1 << 1 << "/out/map_12.png";
    QTest::newRow("any other naming numbers") << "/in/earth.png" << 2 << 5 << 0 << "/out/map_2.jpg";
    QTest::newRow("any other format writes jpg") << "/in/a.png" << 0 << 0 << 7 << "/out/a.jpg";
}

void TestBatchFiles::outputPath()
{
    QFETCH(QString, input);
    QFETCH(int, position);
    QFETCH(int, fileNameType);
    QFETCH(int, outputFormat);
    QFETCH(QString, output);
    QCOMPARE(batchOutputPath("/out", input, position, outputNamingForCode(fileNameType),
                             mapFormatForCode(outputFormat)),
             output);
}

void TestBatchFiles::readPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("reasonContains");

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    globePicture(40, 30).save(&buffer, "PNG");

    QTest::newRow("png") << "globe.png" << png << true << "";
    QTest::newRow("content decides, not the suffix") << "globe.jpg" << png << true << "";
    QTest::newRow("missing") << "" << QByteArray() << false << "not found";
    QTest::newRow("not a picture") << "notes.jpg" << QByteArray("just some text") << false << "";
    QTest::newRow("gif") << "globe.gif" << greyGif(globePicture(40, 30)) << true << "";
    QTest::newRow("truncated") << "cut.png" << png.left(png.size() / 2) << false << "";
    QByteArray jpeg;
    QBuffer jpegBuffer(&jpeg);
    jpegBuffer.open(QIODevice::WriteOnly);
    globePicture(40, 30).save(&jpegBuffer, "JPG");
    // The JPEG decoder hands back a partly grey picture for a cut file; it is refused.
    QTest::newRow("truncated jpeg")
        << "cut.jpg" << jpeg.left(jpeg.size() - 40) << false << "ends before";
    QTest::newRow("absurd declared size")
        << "huge.png" << pngHeaderDeclaring(100000, 100000) << false << "too large";
    QTest::newRow("just over the limit")
        << "over.png" << pngHeaderDeclaring(16384, 16385) << false << "too large";
}

void TestBatchFiles::readPicture()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    QFETCH(QString, reasonContains);

    QTemporaryDir dir;
    const QString path = dir.filePath(name.isEmpty() ? "missing.png" : name);
    if (!name.isEmpty())
        QVERIFY(writeBytes(path, content));
    QString error;
    const QImage picture = ::readPicture(path, &error);
    QCOMPARE(!picture.isNull(), readable);
    if (readable) {
        QCOMPARE(picture.size(), QSize(40, 30));
        const QRgb centre = globePicture(40, 30).pixel(20, 15);
        if (name.endsWith(".gif"))
            QCOMPARE(qGray(picture.pixel(20, 15)), qGray(centre) / 2 * 2);
        else
            QCOMPARE(picture.pixel(20, 15), centre);
    } else {
        QVERIFY(!error.isEmpty());
        QVERIFY2(error.contains(reasonContains, Qt::CaseInsensitive), qPrintable(error));
    }
}

void TestBatchFiles::resultText_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("succeeded");
    QTest::addColumn<int>("failed");
    QTest::addColumn<QString>("text");

    QTest::newRow("all converted") << 10 << 10 << 0 << "複数画像ファイル変換が終了しました";
    QTest::newRow("8 and 2") << 10 << 8 << 2
                             << "複数画像ファイル変換は失敗しました\n(8個成功, 2個失敗)";
    QTest::newRow("3 and 2") << 5 << 3 << 2
                             << "複数画像ファイル変換は失敗しました\n(3個成功, 2個失敗)";
    QTest::newRow("empty list succeeds") << 0 << 0 << 0 << "複数画像ファイル変換が終了しました";
    QTest::newRow("stopped after 3 of 10")
        << 10 << 3 << 0 << "複数画像ファイル変換は失敗しました\n(3個成功, 0個失敗)";
}

void TestBatchFiles::resultText()
{
    QFETCH(int, total);
    QFETCH(int, succeeded);
    QFETCH(int, failed);
    QFETCH(QString, text);
    BatchSummary summary;
    summary.total = total;
    summary.succeeded = succeeded;
    summary.failed = failed;
    QCOMPARE(batchResultText(builtInTexts, summary), text);
    // A text table without the keys still gives the counts.
    if (succeeded != total)
        QCOMPARE(batchResultText({}, summary),
                 QString::number(succeeded) + QString::number(failed));
}

void TestBatchFiles::silentLines_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("line");

    QTest::newRow("written") << "/out/a.jpg" << true << ""
                             << "/in/a.png -> /out/a.jpg";
    QTest::newRow("unreadable") << "" << false << "File not found"
                                << "/in/a.png: File not found";
    QTest::newRow("not written") << "/out/a.jpg" << false << "the output file already exists"
                                 << "/in/a.png -> /out/a.jpg: the output file already exists";
}

void TestBatchFiles::silentLines()
{
    QFETCH(QString, output);
    QFETCH(bool, written);
    QFETCH(QString, reason);
    QFETCH(QString, line);
    BatchFileOutcome outcome;
    outcome.input = "/in/a.png";
    outcome.output = output;
    outcome.written = written;
    outcome.reason = reason;
    QCOMPARE(batchFileLine(outcome), line);
}

void TestBatchFiles::explorerArgument_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("argument");
    QTest::newRow("drive path") << "C:/maps/out"
                                << "/e,C:\\maps\\out";
    QTest::newRow("already native") << "C:\\maps"
                                    << "/e,C:\\maps";
    QTest::newRow("trailing slash") << "D:/"
                                    << "/e,D:\\";
}

void TestBatchFiles::explorerArgument()
{
    QFETCH(QString, folder);
    QFETCH(QString, argument);
    QCOMPARE(::explorerArgument(folder), argument);
}

QTEST_MAIN(TestBatchFiles)
#include "tst_batchfiles.moc"
