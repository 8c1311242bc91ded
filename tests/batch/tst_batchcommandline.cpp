#include "app/settingsfile.h"
#include "batchtestsupport.h"
#include "engine/mapconverter.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A copy of the built program in a folder of its own, so its settings file beside it is the
// test's, with pictures in IN, an output folder OUT and a settings file that names it.
class ProgramFolder
{
public:
    bool setUp(bool withOutputFolder)
    {
        if (!QFile::copy(ORVIX_PROGRAM_PATH, program()) ||
            !QFile::setPermissions(program(), QFile::permissions(ORVIX_PROGRAM_PATH)) ||
            !QDir().mkpath(in()) || !QDir().mkpath(out()) ||
            !writeGlobe(in() + "/a.png", 80, 60, 1) || !writeGlobe(in() + "/b.jpg", 80, 60, 2) ||
            !writeGlobe(in() + "/c.JPG", 80, 60, 3, "JPG") ||
            !writeBytes(in() + "/notes.txt", "not a picture"))
            return false;
        QSettings settings(settingsFile(), QSettings::IniFormat);
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
            settings.setValue("OutputFolder", out());
        settings.sync();
        return settings.status() == QSettings::NoError;
    }

    QString program() const { return dir.filePath("orvix"); }
    QString in() const { return dir.filePath("in"); }
    QString out() const { return dir.filePath("out"); }
    QString settingsFile() const { return dir.filePath("orvix.ini"); }
    QString path(QString text) const
    {
        return text.replace("IN/", in() + "/").replace("OUT/", out() + "/");
    }

    // Runs "orvix /batch ARGUMENTS" as on a server: no display and no platform named, so the
    // program must choose one that needs no display by itself. Returns its standard error.
    QString run(const QStringList &arguments, const QString &loggingRules = QString())
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"})
            environment.remove(name);
        if (!loggingRules.isEmpty())
            environment.insert("QT_LOGGING_RULES", loggingRules);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QStringList all{"/batch"};
        for (const QString &argument : arguments)
            all << path(argument);
        process.start(program(), all);
        process.closeWriteChannel();
        // The run must end by itself; the bound only keeps a hanging program from hanging CTest.
        if (!process.waitForFinished(600000))
            return QStringLiteral("the silent run did not end");
        exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return QString::fromLocal8Bit(process.readAllStandardError());
    }

    QStringList outputs() const { return QDir(out()).entryList(QDir::Files, QDir::Name); }

    int exitCode = -1;

private:
    QTemporaryDir dir;
};

} // namespace

// Runs the built program with "/batch" the way a script would, without a display.
class TestBatchCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void silentRun_data();
    void silentRun();
    void options_data();
    void options();
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

    ProgramFolder folder;
    QVERIFY(folder.setUp(withOutputFolder));
    const QString errors = folder.run(arguments);
    const QString out = folder.out();

    QVERIFY2(folder.exitCode == exitCode, qPrintable(errors));
    QCOMPARE(folder.outputs(), written);
    for (const QString &name : written)
        QCOMPARE(QImage(out + "/" + name).size(), QSize(256, 128));
    for (const QString &line : reported)
        QVERIFY2(errors.contains(folder.path(line)), qPrintable(line + " not in:\n" + errors));
    // The report is all there is: the diagnostic lines are off in a silent run.
    QVERIFY2(!errors.contains("batchConvert"), qPrintable(errors));

    // The settings were written at the close: keys the program owns were added, the hand
    // written key and the values it ran with survived.
    QSettings settings(folder.settingsFile(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QVERIFY(settings.contains("PenColor"));
    QVERIFY(settings.contains("Geometry"));
    QCOMPARE(settings.value("HandWritten").toString(), QString("kept"));
    QCOMPARE(settings.value("Radius").toInt(), 28);
    QCOMPARE(settings.value("OutputFolder").toString(), withOutputFolder ? out : QString());
}

void TestBatchCommandLine::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("loggingRules");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("written");
    // For a refused command: the option the refusal names.
    QTest::addColumn<QString>("reported");
    const auto refused = [](const char *name, const QStringList &arguments, const char *option) {
        QTest::newRow(name) << arguments + QStringList{"IN/a.png"} << QString() << 2
                            << QStringList{} << QString("orvix /batch: %1: ").arg(option);
    };

    QTest::newRow("every setting given")
        << QString("--circle 41,29,27 --distance=4.5 --size 1024x1024 --latitude 35.5 --longitude "
                   "-120 --azimuth 12.5 --format png --quality 60 --output-dir IN/../out/ --naming "
                   "numbered --order date --no-overwrite --mode standard --no-detect IN/a.png")
               .split(' ')
        << QString() << 0 << QStringList{"map_0.png"} << "IN/a.png -> OUT/map_0.png";
    QTest::newRow("after --, files named like options")
        << QStringList{"--format", "jpg", "--", "IN/--size", "--overwrite"} << QString() << 1
        << QStringList{"--size.jpg"} << "IN/--size -> OUT/--size.jpg";
    QTest::newRow("diagnostics asked for")
        << QStringList{"IN/a.png"} << "orvix.diagnostics.debug=true" << 0 << QStringList{"a.png"}
        << "Convert error  0";
    refused("circle of two numbers", {"--circle", "40,30"}, "--circle");
    refused("distance below the limit", {"--distance", "0.5"}, "--distance");
    refused("size below the limit", {"--size", "1023x1024"}, "--size");
    refused("latitude above the limit", {"--latitude=90.5"}, "--latitude");
    refused("azimuth not finite", {"--azimuth", "inf"}, "--azimuth");
    refused("unknown format", {"--format", "gif"}, "--format");
    refused("quality above the limit", {"--quality", "101"}, "--quality");
    refused("output folder missing", {"--output-dir", "IN/none"}, "--output-dir");
    refused("unknown naming", {"--naming", "random"}, "--naming");
    refused("unknown mode", {"--mode", "fast"}, "--mode");
    refused("switch with a value", {"--overwrite=yes"}, "--overwrite");
    refused("unknown option", {"--radius", "5"}, "--radius");
    refused("good option before a bad one", {"--quality", "50", "--distance", "-1"}, "--distance");
    QTest::newRow("value missing") << QStringList{"--quality"} << QString() << 2 << QStringList{}
                                   << "orvix /batch: --quality: ";
}

// The run converts with the options and the settings file keeps what it held; a refused
// command is refused before anything is read or written, the settings file included.
void TestBatchCommandLine::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, loggingRules);
    QFETCH(int, exitCode);
    QFETCH(QStringList, written);
    QFETCH(QString, reported);

    ProgramFolder folder;
    QVERIFY(folder.setUp(true));
    QVERIFY(writeGlobe(folder.in() + "/--size", 80, 60, 4, "PNG"));
    const QByteArray settingsBefore = readBytes(folder.settingsFile());
    const QString errors = folder.run(arguments, loggingRules);

    QVERIFY2(folder.exitCode == exitCode, qPrintable(errors));
    QCOMPARE(folder.outputs(), written);
    QVERIFY2(errors.contains(folder.path(reported)), qPrintable(errors));
    if (exitCode == 2) {
        QCOMPARE(readBytes(folder.settingsFile()), settingsBefore);
        return;
    }
    if (QTest::currentDataTag() == QLatin1String("every setting given")) {
        const ConversionParameters params{41, 29, 27, 4.5, 1024, 1024, 35.5, -120, 12.5};
        QCOMPARE(QImage(folder.out() + "/map_0.png").convertToFormat(QImage::Format_ARGB32),
                 MapConverter()
                     .convert(QImage(folder.in() + "/a.png"), params)
                     .map.convertToFormat(QImage::Format_ARGB32));
    }
    const SettingsRecord stored = SettingsFile(folder.settingsFile()).load();
    QCOMPARE(stored.radius, 28);
    QCOMPARE(stored.outputSizeX, 256);
    QCOMPARE(stored.outputFolder, folder.out());
}

QTEST_MAIN(TestBatchCommandLine)
#include "tst_batchcommandline.moc"
