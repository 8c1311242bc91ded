#include "batch/batchrunner.h"
#include "batchtestsupport.h"

#include "engine/standard/mapconverter.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

namespace {

ConversionParameters smallMap()
{
    ConversionParameters params;
    params.centerX = 20;
    params.centerY = 15;
    params.radius = 14;
    params.distance = 6.6;
    params.outputWidth = 64;
    params.outputHeight = 32;
    return params;
}

// The map a fresh converter makes of the picture, as written to a PNG and read back.
QImage expectedMap(const QImage &picture, const ConversionParameters &params)
{
    MapConverter converter;
    return converter.convert(picture, params).map.convertToFormat(QImage::Format_ARGB32);
}

QImage readMap(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestBatchRunner : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void namingWithAFailureInTheMiddle_data();
    void namingWithAFailureInTheMiddle();
    void overwriteOffKeepsTheExistingFile();
    void overwriteOnReplaces();
    void sameBaseNameWithOverwriteOff();
    void mapsNeverReplaceInputs();
    void failuresDoNotStopTheRun_data();
    void failuresDoNotStopTheRun();
    void everyMapEqualsASingleConversion_data();
    void everyMapEqualsASingleConversion();
    void overlappedRunEqualsStepByStepRun_data();
    void overlappedRunEqualsStepByStepRun();
    void picturesHandedToTheHookStayIntact_data();
    void picturesHandedToTheHookStayIntact();

private:
    QScopedPointer<QTemporaryDir> dir;
    QString in, out;
};

void TestBatchRunner::init()
{
    dir.reset(new QTemporaryDir);
    in = dir->filePath("in");
    out = dir->filePath("out");
    QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
}

void TestBatchRunner::namingWithAFailureInTheMiddle_data()
{
    QTest::addColumn<int>("fileNameType");
    QTest::addColumn<int>("outputFormat");
    QTest::addColumn<QStringList>("written");

    QTest::newRow("numbered, jpg") << 1 << 0 << QStringList{"map_0.jpg", "map_2.jpg"};
    QTest::newRow("numbered, png") << 1 << 1 << QStringList{"map_0.png", "map_2.png"};
    QTest::newRow("input names, jpg") << 0 << 0 << QStringList{"a.jpg", "c.jpg"};
    QTest::newRow("input names, png") << 0 << 1 << QStringList{"a.png", "c.png"};
}

void TestBatchRunner::namingWithAFailureInTheMiddle()
{
    QFETCH(int, fileNameType);
    QFETCH(int, outputFormat);
    QFETCH(QStringList, written);

    QVERIFY(writeGlobe(in + "/a.png", 40, 30, 1));
    QVERIFY(writeBytes(in + "/b.png", "this is no picture"));
    QVERIFY(writeBytes(in + "/c.gif", greyGif(globePicture(40, 30, 2))));
    MapConverter converter;
    BatchSettings settings;
    settings.outputFolder = out;
    settings.fileNameType = fileNameType;
    settings.outputFormat = outputFormat;
    BatchRunner runner(converter, smallMap(), settings);
    QList<BatchFileOutcome> outcomes;
    runner.fileFinished = [&](const BatchFileOutcome &outcome) { outcomes << outcome; };
    const BatchSummary summary = runner.run({in + "/a.png", in + "/b.png", in + "/c.gif"});

    QCOMPARE(summary.total, 3);
    QCOMPARE(summary.succeeded, 2);
    QCOMPARE(summary.failed, 1);
    QVERIFY(!summary.stopped);
    QCOMPARE(QDir(out).entryList(QDir::Files), written);
    QCOMPARE(outcomes.size(), 3);
    QVERIFY(outcomes[0].written && outcomes[2].written);
    QVERIFY(!outcomes[1].loaded && !outcomes[1].written && !outcomes[1].reason.isEmpty());
    QCOMPARE(outcomes[2].position, 2);
    QCOMPARE(outcomes[2].output, out + "/" + written[1]);
    QCOMPARE(QImageReader(out + "/" + written[0]).format(),
             QByteArray(outputFormat == 1 ? "png" : "jpeg"));
}

void TestBatchRunner::overwriteOffKeepsTheExistingFile()
{
    QVERIFY(writeGlobe(in + "/a.png", 40, 30));
    QVERIFY(writeGlobe(in + "/b.png", 40, 30, 3));
    const QByteArray existing("an earlier map that must survive");
    QVERIFY(writeBytes(out + "/a.jpg", existing));
    MapConverter converter;
    BatchSettings settings;
    settings.outputFolder = out;
    settings.overwrite = false;
    BatchRunner runner(converter, smallMap(), settings);
    QStringList reasons;
    runner.fileFinished = [&](const BatchFileOutcome &outcome) { reasons << outcome.reason; };
    const BatchSummary summary = runner.run({in + "/a.png", in + "/b.png"});

    QCOMPARE(summary.succeeded, 1);
    QCOMPARE(summary.failed, 1);
    QCOMPARE(readBytes(out + "/a.jpg"), existing);
    QVERIFY(QFile::exists(out + "/b.jpg"));
    QVERIFY(reasons[0].contains("exists"));
    QVERIFY(reasons[1].isEmpty());
}

void TestBatchRunner::overwriteOnReplaces()
{
    QVERIFY(writeGlobe(in + "/a.png", 40, 30));
    QVERIFY(writeBytes(out + "/a.png", "old"));
    MapConverter converter;
    BatchSettings settings;
    settings.outputFolder = out;
    settings.outputFormat = 1;
    settings.overwrite = true;
    BatchRunner runner(converter, smallMap(), settings);
    QCOMPARE(runner.run({in + "/a.png"}).succeeded, 1);
    QCOMPARE(readMap(out + "/a.png"), expectedMap(QImage(in + "/a.png"), smallMap()));
}

void TestBatchRunner::sameBaseNameWithOverwriteOff()
{
    // a.jpg writes a.jpg; a.png finds that name written by this run and takes a_2.jpg.
    QVERIFY(writeGlobe(in + "/a.jpg", 40, 30, 1));
    QVERIFY(writeGlobe(in + "/a.png", 40, 30, 2));
    MapConverter converter;
    BatchSettings settings;
    settings.outputFolder = out;
    settings.overwrite = false;
    BatchRunner runner(converter, smallMap(), settings);
    const BatchSummary summary = runner.run({in + "/a.jpg", in + "/a.png"});
    QCOMPARE(summary.succeeded, 2);
    QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{"a.jpg", "a_2.jpg"}));
}

void TestBatchRunner::mapsNeverReplaceInputs()
{
    // Outputs into the input folder: a.png's map would be a.jpg, which is the next input; both
    // maps take free names instead, as maps whose name this run wrote already do.
    QVERIFY(writeGlobe(in + "/a.png", 40, 30, 1));
    QVERIFY(writeGlobe(in + "/a.jpg", 40, 30, 2));
    const QByteArray jpg = readBytes(in + "/a.jpg");
    MapConverter converter;
    BatchSettings settings;
    settings.outputFolder = in;
    settings.overwrite = true;
    BatchRunner runner(converter, smallMap(), settings);
    QStringList notes, outputs;
    runner.fileFinished = [&](const BatchFileOutcome &outcome) {
        notes << outcome.note;
        outputs << QFileInfo(outcome.output).fileName();
    };
    const BatchSummary summary = runner.run({in + "/a.png", in + "/./a.jpg"});
    QCOMPARE(summary.succeeded, 2);
    QCOMPARE(readBytes(in + "/a.jpg"), jpg);
    QCOMPARE(outputs, (QStringList{"a_2.jpg", "a_3.jpg"}));
    QCOMPARE(notes[0], QString("renamed: a.jpg is an input picture of this batch"));
    QCOMPARE(notes[1], QString("renamed: a.jpg is an input picture of this batch"));
}

void TestBatchRunner::failuresDoNotStopTheRun_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("reasonContains");
    QTest::newRow("missing input") << "missing"
                                   << "not found";
    QTest::newRow("engine refuses the parameters") << "refused"
                                                   << "distance";
    QTest::newRow("output name taken by a folder") << "folder in the way"
                                                   << "";
}

void TestBatchRunner::failuresDoNotStopTheRun()
{
    QFETCH(QString, failure);
    QFETCH(QString, reasonContains);

    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << QString("%1/p%2.png").arg(in).arg(i);
        QVERIFY(writeGlobe(files.last(), 40, 30, i));
    }
    ConversionParameters params = smallMap();
    BatchSettings settings;
    settings.outputFolder = out;
    if (failure == "missing")
        QVERIFY(QFile::remove(files[1]));
    if (failure == "refused")
        params.distance = 0.5;
    if (failure == "folder in the way")
        QVERIFY(QDir(out).mkdir("p1.jpg"));

    MapConverter converter;
    BatchRunner runner(converter, params, settings);
    QList<BatchFileOutcome> outcomes;
    runner.fileFinished = [&](const BatchFileOutcome &outcome) { outcomes << outcome; };
    const BatchSummary summary = runner.run(files);

    QCOMPARE(outcomes.size(), 3);
    QCOMPARE(summary.succeeded + summary.failed, 3);
    QVERIFY(!outcomes[1].written);
    QVERIFY2(outcomes[1].reason.contains(reasonContains, Qt::CaseInsensitive),
             qPrintable(outcomes[1].reason));
    const bool others = failure == "missing" || failure == "folder in the way";
    QCOMPARE(outcomes[0].written, others);
    QCOMPARE(outcomes[2].written, others);
    QCOMPARE(summary.succeeded, others ? 2 : 0);
}

void TestBatchRunner::everyMapEqualsASingleConversion_data()
{
    QTest::addColumn<double>("azimuth");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::newRow("no turn") << 0.0 << 0.0 << 0.0;
    QTest::newRow("azimuth 37.5") << 37.5 << 0.0 << 0.0;
    QTest::newRow("all three turns") << 90.0 << 35.6 << -120.0;
}

void TestBatchRunner::everyMapEqualsASingleConversion()
{
    QFETCH(double, azimuth);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    ConversionParameters params = smallMap();
    params.azimuth = azimuth;
    params.latitude = latitude;
    params.longitude = longitude;

    // Equally sized pictures in a row, then one of another size.
    const QList<QSize> sizes{{40, 30}, {40, 30}, {40, 30}, {48, 30}};
    QStringList files;
    for (int i = 0; i < sizes.size(); ++i) {
        files << QString("%1/p%2.png").arg(in).arg(i);
        QVERIFY(writeGlobe(files.last(), sizes[i].width(), sizes[i].height(), i));
    }
    MapConverter converter;
    BatchSettings settings;
    settings.outputFolder = out;
    settings.outputFormat = 1;
    BatchRunner runner(converter, params, settings);
    QCOMPARE(runner.run(files).succeeded, sizes.size());
    for (int i = 0; i < files.size(); ++i) {
        const QImage map = readMap(QString("%1/p%2.png").arg(out).arg(i));
        QVERIFY2(map == expectedMap(QImage(files[i]), params), qPrintable(files[i]));
    }
}

void TestBatchRunner::overlappedRunEqualsStepByStepRun_data()
{
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("whole run") << -1 << true;
    QTest::newRow("stopped before the fourth file") << 3 << true;
    QTest::newRow("overwrite off, a name taken by the previous map") << -1 << false;
}

// Same files byte for byte, same hook calls in the same order on the caller's thread, with an
// unreadable file, a cut one, two inputs of one output name and a stop.
void TestBatchRunner::overlappedRunEqualsStepByStepRun()
{
    QFETCH(int, stopAt);
    QFETCH(bool, overwrite);
    QStringList files;
    for (const QString name : {"p0.png", "p1.png", "p2.png", "p2.jpg", "p3.png", "p4.png"}) {
        files << in + "/" + name;
        QVERIFY(writeGlobe(files.last(), 40, 30, files.size()));
    }
    QVERIFY(writeBytes(files[1], "no picture"));
    // A JPEG cut short is refused only through the decoder's warning, which the read ahead
    // receives on its own thread.
    files << in + "/cut.jpg";
    QVERIFY(writeGlobe(files.last(), 40, 30, 7, "JPG"));
    QVERIFY(writeBytes(files.last(), readBytes(files.last()).chopped(200)));

    auto runInto = [&](const QString &folder, bool overlapped) {
        QDir().mkpath(folder);
        MapConverter converter;
        BatchSettings settings{folder, 0, 0, 85, overwrite};
        BatchRunner runner(converter, smallMap(), settings);
        runner.overlapped = overlapped;
        QStringList calls;
        auto call = [&, caller = QThread::currentThread()](const QString &text) {
            calls << text + (QThread::currentThread() == caller ? "" : " elsewhere");
        };
        runner.beforeFile = [&] { call("before"); };
        runner.stopRequested = [&] { return calls.count("before") - 1 == stopAt; };
        runner.pictureLoaded = [&](const QImage &) { call("loaded"); };
        runner.fileFinished = [&](const BatchFileOutcome &outcome) {
            call(QString("finished %1 %2 %3")
                     .arg(outcome.position)
                     .arg(outcome.output, outcome.reason));
        };
        runner.run(files);
        for (const QString &name : QDir(folder).entryList(QDir::Files))
            calls << name + readBytes(folder + "/" + name).toHex();
        return calls.join('\n').replace(folder, "OUT");
    };
    const QString serial = runInto(dir->filePath("serial"), false);
    QCOMPARE(runInto(out, true), serial);
    // p2.png and p2.jpg both map to p2.jpg: the later one is renamed p2_2.jpg.
    QCOMPARE(serial.count(".jpgffd8"), stopAt >= 0 ? 2 : 5);
    QCOMPARE(serial.contains("finished 6  the file ends before the picture does"), stopAt < 0);
}

void TestBatchRunner::picturesHandedToTheHookStayIntact_data()
{
    QTest::addColumn<int>("kept");
    QTest::newRow("hook keeps every picture") << 100;
    QTest::newRow("hook keeps the last picture, as the window does") << 1;
    QTest::newRow("hook keeps none") << 0;
}

// Frames of one size are decoded into the memory of pictures already converted: never into
// one that the hook still holds, and the maps stay those of fresh reads.
void TestBatchRunner::picturesHandedToTheHookStayIntact()
{
    QFETCH(int, kept);
    QStringList files;
    for (int i = 0; i < 6; ++i) {
        files << QString("%1/f%2.jpg").arg(in).arg(i);
        QVERIFY(writeGlobe(files.last(), 40, 30, i + 1, "JPG"));
    }
    MapConverter converter;
    BatchSettings settings{out, 0, 1, 85, true};
    BatchRunner runner(converter, smallMap(), settings);
    QList<QImage> held;
    runner.pictureLoaded = [&](const QImage &picture) {
        held << picture;
        while (held.size() > kept)
            held.removeFirst();
    };
    QVERIFY(runner.run(files).allConverted());
    for (int i = 0; i < held.size(); ++i)
        QVERIFY(held[i] == QImage(files[files.size() - held.size() + i]));
    for (int i = 0; i < files.size(); ++i)
        QVERIFY2(readMap(QString("%1/f%2.png").arg(out).arg(i)) ==
                     expectedMap(QImage(files[i]), smallMap()),
                 qPrintable(files[i]));
}

QTEST_MAIN(TestBatchRunner)
#include "tst_batchrunner.moc"
