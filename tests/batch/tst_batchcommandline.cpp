#include "batchtestsupport.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Runs the built program with "/batch" the way a script would, without a display: a copy of it
// in a folder of its own, so its settings file beside it is the test's.
class TestBatchCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void silentRun_data();
    void silentRun();
};

void TestBatchCommandLine::silentRun_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("withOutputFolder");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("reported");

    QTest::newRow("two files") << QStringList{"IN/a.png", "IN/b.jpg"} << true << 0
                               << QStringList{"a.png", "b.png"}
                               << QStringList{"IN/a.png -> OUT/a.png", "IN/b.jpg -> OUT/b.png",
                                              "2 of 2 files converted, 0 failed"};
    QTest::newRow("pattern without regard to case and a plain file")
        << QStringList{"IN/*.JPG", "IN/a.png"} << true << 0
        << QStringList{"a.png", "b.png", "c.png"}
        << QStringList{"IN/c.JPG -> OUT/c.png", "3 of 3 files converted"};
    QTest::newRow("one file is a batch of one")
        << QStringList{"IN/a.png"} << true << 0 << QStringList{"a.png"}
        << QStringList{"1 of 1 files converted"};
    QTest::newRow("a failing file sets the exit status")
        << QStringList{"IN/missing.png", "IN/a.png", "IN/notes.txt"} << true << 1
        << QStringList{"a.png"}
        << QStringList{"IN/missing.png: ", "IN/notes.txt: ", "1 of 3 files converted, 2 failed"};
    QTest::newRow("a pattern that matches nothing")
        << QStringList{"IN/*.gif", "IN/*.tif"} << true << 0 << QStringList{}
        << QStringList{"No input files"};
    QTest::newRow("no files: usage and failure")
        << QStringList{} << true << 2 << QStringList{} << QStringList{"/batch"};
    QTest::newRow("no output folder: refused") << QStringList{"IN/a.png", "IN/b.jpg"} << false << 2
                                               << QStringList{} << QStringList{"No output folder"};
}

void TestBatchCommandLine::silentRun()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, withOutputFolder);
    QFETCH(int, exitCode);
    QFETCH(QStringList, written);
    QFETCH(QStringList, reported);

    QTemporaryDir dir;
    const QString program = dir.filePath("orvix");
    QVERIFY(QFile::copy(ORVIX_PROGRAM_PATH, program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(ORVIX_PROGRAM_PATH)));
    const QString in = dir.filePath("in"), out = dir.filePath("out");
    QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
    QVERIFY(writeGlobe(in + "/a.png", 80, 60, 1));
    QVERIFY(writeGlobe(in + "/b.jpg", 80, 60, 2));
    QVERIFY(writeGlobe(in + "/c.JPG", 80, 60, 3, "JPG"));
    QVERIFY(writeBytes(in + "/notes.txt", "not a picture"));

    const QString settingsFile = dir.filePath("orvix.ini");
    {
        QSettings settings(settingsFile, QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        settings.setValue("CenterX", 40);
        settings.setValue("CenterY", 30);
        settings.setValue("Radius", 28);
        settings.setValue("OutputSizeX", 256);
        settings.setValue("OutputSizeY", 128);
        settings.setValue("OutputFormat", 1);
        settings.setValue("OpenFiler", true);
        settings.setValue("HandWritten", "kept");
        if (withOutputFolder)
            settings.setValue("OutputFolder", out);
    }

    for (QString &argument : arguments)
        argument.replace("IN/", in + "/");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // As on a server: the program must choose a platform that needs no display by itself.
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, QStringList{"/batch"} + arguments);
    QVERIFY(process.waitForStarted());
    process.closeWriteChannel();
    // The run must end by itself; the bound only keeps a hanging program from hanging CTest.
    QVERIFY2(process.waitForFinished(600000), "the silent run did not end");
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, qPrintable(errors));
    QStringList outputs = QDir(out).entryList(QDir::Files);
    outputs.sort();
    QCOMPARE(outputs, written);
    for (const QString &name : written)
        QCOMPARE(QImage(out + "/" + name).size(), QSize(256, 128));
    for (QString line : reported) {
        line.replace("IN/", in + "/").replace("OUT/", out + "/");
        QVERIFY2(errors.contains(line), qPrintable(line + " not in:\n" + errors));
    }

    // The settings were written at the close: keys the program owns were added, the hand
    // written key and the values it ran with survived.
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QVERIFY(settings.contains("PenColor"));
    QVERIFY(settings.contains("Geometry"));
    QCOMPARE(settings.value("HandWritten").toString(), QString("kept"));
    QCOMPARE(settings.value("Radius").toInt(), 28);
    QCOMPARE(settings.value("OutputFolder").toString(), withOutputFolder ? out : QString());
}

QTEST_MAIN(TestBatchCommandLine)
#include "tst_batchcommandline.moc"
