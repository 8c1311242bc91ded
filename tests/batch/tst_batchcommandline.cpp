#include "app/settingsfile.h"
#include "batchtestsupport.h"
#include "engine/standard/mapconverter.h"

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
    // Variables given as NAME=VALUE are set for the run, and a bare NAME removed.
    QString run(const QStringList &arguments, const QString &loggingRules = QString(),
                const QStringList &variables = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"})
            environment.remove(name);
        if (!loggingRules.isEmpty())
            environment.insert("QT_LOGGING_RULES", loggingRules);
        for (const QString &variable : variables) {
            const int equals = variable.indexOf('=');
            if (equals < 0)
                environment.remove(variable);
            else
                environment.insert(variable.left(equals), variable.mid(equals + 1));
        }
        process.setProcessEnvironment(environment);
        // Bare names are the pictures of IN, as a user in that folder types them.
        process.setWorkingDirectory(in());
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
    void argumentsAreFiles_data();
    void argumentsAreFiles();
    void storedValuesAreChecked_data();
    void storedValuesAreChecked();
    void decimalCircle_data();
    void decimalCircle();
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
    // The settings file asks for PNG maps of 256 x 128 pixels.
    QTest::newRow("TIFF maps") << QStringList{"--format", "tiff", "IN/a.png", "IN/b.jpg"}
                               << QString() << 0 << QStringList{"a.tif", "b.tif"}
                               << "IN/b.jpg -> OUT/b.tif";
    QTest::newRow("world files, the second map renamed")
        << QStringList{"--world-file", "--format=jpg", "IN/b.jpg", "IN/b.jpg"} << QString() << 0
        << QStringList{"b.jgw", "b.jpg", "b_2.jgw", "b_2.jpg"} << "IN/b.jpg -> OUT/b_2.jpg";
    QTest::newRow("no world file beside a TIFF map")
        << QStringList{"--world-file", "--format", "TIFF", "IN/a.png"} << QString() << 0
        << QStringList{"a.tif"} << "IN/a.png -> OUT/a.tif";
    QTest::newRow("diagnostics asked for")
        << QStringList{"IN/a.png"} << "orvix.diagnostics.debug=true" << 0 << QStringList{"a.png"}
        << "Convert error  0";
    refused("circle of two numbers", {"--circle", "40,30"}, "--circle");
    refused("radius 0", {"--circle", "40,30,0"}, "--circle");
    refused("radius below one pixel", {"--circle", "40,30,0.6"}, "--circle");
    refused("centre not a number", {"--circle", "nan,30,20"}, "--circle");
    refused("radius negative", {"--circle", "40,30,-5"}, "--circle");
    refused("radius above the bound", {"--circle", "40,30,1048577"}, "--circle");
    refused("centre beyond an int", {"--circle", "2147483648,30,20"}, "--circle");
    refused("centre below the bound", {"--circle", "40,-1048577,20"}, "--circle");
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
    refused("world-file switch with a value", {"--world-file=on"}, "--world-file");
    refused("format tif is spelt tiff", {"--format", "tif"}, "--format");
    refused("unknown option", {"--radius", "5"}, "--radius");
    refused("good option before a bad one", {"--quality", "50", "--distance", "-1"}, "--distance");
    // Maps that take nothing of the picture fail their file and leave nothing behind.
    QTest::newRow("circle beside the picture")
        << QStringList{"--circle", "5000,5000,100", "IN/a.png"} << QString() << 1 << QStringList{}
        << "IN/a.png -> OUT/a.png: nothing of the picture lands in the map";
    QTest::newRow("circle beside the picture, precise")
        << QStringList{"--mode", "precise", "--circle", "-300,30,28", "IN/a.png"} << QString() << 1
        << QStringList{} << "IN/a.png -> OUT/a.png: nothing of the picture lands in the map";
    QTest::newRow("distance 1 sees a point")
        << QStringList{"--distance", "1", "IN/a.png", "IN/b.jpg"} << QString() << 1 << QStringList{}
        << "0 of 2 files converted, 2 failed.";
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
    for (const QString &name : written) {
        const QByteArray bytes = readBytes(folder.out() + "/" + name);
        // The maps of 256 x 128 pixels span the globe; TIFF maps carry that in their tags.
        if (name.endsWith("gw"))
            QCOMPARE(bytes, QByteArray("1.40625\n0\n0\n-1.40625\n-179.296875\n89.296875\n"));
        else if (name.endsWith(".tif"))
            QCOMPARE(bytes.left(4), QByteArray("II*\0", 4));
    }
    const SettingsRecord stored = SettingsFile(folder.settingsFile()).load();
    QCOMPARE(stored.radius, 28);
    QVERIFY(!stored.worldFile);
    QCOMPARE(stored.outputFormat, 1);
    QCOMPARE(stored.outputSizeX, 256);
    QCOMPARE(stored.outputFolder, folder.out());
}

void TestBatchCommandLine::argumentsAreFiles_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QStringList>("written");

    // Names that Qt's own command line would take, drop or abort on.
    for (const char *name : {"-reverse", "-widgetcount", "-platform", "-style", "-session",
                             "-stylesheet", "-display", "-qwindowgeometry"})
        QTest::newRow(name) << QStringList{"--", name, "a.png"} << QStringList{}
                            << QStringList{QString(name) + ".png", "a.png"};
    // Runs without a window never need a window system, whatever the environment names.
    const QStringList picture{"a.png"};
    QTest::newRow("unreachable X server")
        << picture << QStringList{"DISPLAY=:97", "XDG_RUNTIME_DIR"} << picture;
    for (const char *platform : {"xcb", "wayland", "no-such-platform"})
        QTest::newRow(platform) << picture
                                << QStringList{QStringLiteral("QT_QPA_PLATFORM=") + platform,
                                               "WAYLAND_DISPLAY=wayland-97"}
                                << picture;
}

// Every name after "/batch"'s options is a picture, and the report is the run's alone: one
// line per file and the summary, without Qt's start-up remarks.
void TestBatchCommandLine::argumentsAreFiles()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, variables);
    QFETCH(QStringList, written);

    ProgramFolder folder;
    QVERIFY(folder.setUp(true));
    for (const QString &file : arguments)
        if (file.startsWith('-') && file != "--")
            QVERIFY(writeGlobe(folder.in() + '/' + file, 80, 60, 4, "PNG"));
    const QString errors = folder.run(arguments, QString(), variables);

    QVERIFY2(folder.exitCode == 0, qPrintable(errors));
    QCOMPARE(folder.outputs(), written);
    const QStringList lines = errors.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), written.size() + 1);
    for (const QString &line : lines.mid(0, written.size()))
        QVERIFY2(line.contains(" -> " + folder.out() + '/'), qPrintable(errors));
    QCOMPARE(lines.last(),
             QStringLiteral("%1 of %1 files converted, 0 failed.").arg(written.size()));
}

void TestBatchCommandLine::storedValuesAreChecked_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("refusal");

    const QStringList picture{"IN/a.png"};
    QTest::newRow("no circle yet") << "Radius" << QVariant(0) << picture << "no circle is set";
    QTest::newRow("negative radius") << "Radius" << QVariant(-100) << picture
                                     << "Radius=-100 in SETTINGS is not a whole number from 1 to";
    QTest::newRow("centre far away") << "CenterX" << QVariant(2147483647) << picture
                                     << "CenterX=2147483647 in SETTINGS is not a whole number";
    QTest::newRow("azimuth huge") << "Azimuth" << QVariant(1e20) << picture
                                  << "Azimuth=1e+20 in SETTINGS is not a number from 0 to 360";
    QTest::newRow("latitude beyond the pole")
        << "Latitude" << QVariant(91) << picture << "Latitude=91 in SETTINGS is not a number";
    QTest::newRow("distance inside the globe")
        << "Distance" << QVariant(0.5) << picture << "Distance=0.5 in SETTINGS is not a number";
    QTest::newRow("map too large") << "OutputSizeY" << QVariant(20000) << picture
                                   << "OutputSizeY=20000 in SETTINGS is not a whole number";
    QTest::newRow("quality 0") << "OutputQuality" << QVariant(0) << picture
                               << "OutputQuality=0 in SETTINGS is not a whole number";
    // An option replaces the stored value, and finding the disk needs no stored circle.
    QTest::newRow("bad radius replaced by --circle")
        << "Radius" << QVariant(-100) << QStringList{"--circle", "40,30,28", "IN/a.png"}
        << QString();
    QTest::newRow("no circle, disks found")
        << "Radius" << QVariant(0) << QStringList{"--detect", "IN/a.png"} << QString();
}

// A value of the settings file that the option dialog would refuse ends a silent run before
// anything is converted, naming the key, the file and the limits.
void TestBatchCommandLine::storedValuesAreChecked()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QStringList, arguments);
    QFETCH(QString, refusal);

    ProgramFolder folder;
    QVERIFY(folder.setUp(true));
    {
        QSettings settings(folder.settingsFile(), QSettings::IniFormat);
        settings.setValue(key, value);
    }
    const QString errors = folder.run(arguments);
    if (refusal.isEmpty()) {
        QVERIFY2(folder.exitCode != 2, qPrintable(errors));
        return;
    }
    QVERIFY2(folder.exitCode == 2, qPrintable(errors));
    QCOMPARE(folder.outputs(), QStringList{});
    QVERIFY2(errors.contains(QString(refusal).replace("SETTINGS", folder.settingsFile())),
             qPrintable(errors));
    QVERIFY2(errors.trimmed().endsWith("nothing was converted"), qPrintable(errors));
}

// --circle in decimals: the precise mode converts with the circle as given, the standard mode
// with it rounded as a found circle is, which for a whole-pixel circle is the circle itself.
void TestBatchCommandLine::decimalCircle_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("circle");
    // The circle the map must equal a conversion with: whole pixels and the precise parts.
    QTest::addColumn<QList<double>>("expected");
    QTest::newRow("whole pixels, standard") << "standard"
                                            << "40,30,28" << QList<double>{40, 30, 28, 0, 0, 0};
    QTest::newRow("decimals, standard rounds them")
        << "standard"
        << "39.5,30.25,27.7" << QList<double>{40, 30, 28, 0, 0, 0};
    QTest::newRow("decimals, precise keeps them")
        << "precise"
        << "39.5,30.25,27.7" << QList<double>{40, 30, 28, -0.5, 0.25, -0.3};
    QTest::newRow("whole pixels, precise") << "precise"
                                           << "40,30,28" << QList<double>{40, 30, 28, 0, 0, 0};
}

void TestBatchCommandLine::decimalCircle()
{
    QFETCH(QString, mode);
    QFETCH(QString, circle);
    QFETCH(QList<double>, expected);
    ProgramFolder folder;
    QVERIFY(folder.setUp(true));
    const QString errors = folder.run({"--mode", mode, "--circle", circle, "IN/a.png"});
    QVERIFY2(folder.exitCode == 0, qPrintable(errors));
    const QImage picture(folder.in() + "/a.png");
    ConversionParameters params;
    params.centerX = int(expected[0]);
    params.centerY = int(expected[1]);
    params.radius = int(expected[2]);
    params.centerXFraction = expected[3];
    params.centerYFraction = expected[4];
    params.radiusFraction = expected[5];
    params.outputWidth = 256;
    params.outputHeight = 128;
    params.mode = mode == "precise" ? ConversionMode::Precise : ConversionMode::Standard;
    const QImage want = MapConverter().convert(picture, params).map;
    const QImage got = QImage(folder.out() + "/a.png").convertToFormat(want.format());
    QCOMPARE(got, want);
    // The sub-pixel parts change the precise map: dropping them would not pass unseen.
    if (expected[3] != 0) {
        params.centerXFraction = params.centerYFraction = params.radiusFraction = 0;
        QVERIFY(MapConverter().convert(picture, params).map != want);
    }
}

QTEST_MAIN(TestBatchCommandLine)
#include "tst_batchcommandline.moc"
