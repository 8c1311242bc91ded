#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The built program started as on a server: DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM
// unset. Work without windows runs on the offscreen platform, an interactive start is refused
// with one line, and a platform the user named is left alone.
class TestNoDisplay : public QObject
{
    Q_OBJECT

private slots:
    void startWithoutDisplay_data();
    void startWithoutDisplay();
};

void TestNoDisplay::startWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");
    // -1: any failure.
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("mapWritten");
    QTest::addColumn<QString>("reported");

    QTest::newRow("silent run") << QStringList{"/batch", "IN"} << QString() << 0 << true
                                << "1 of 1 files converted";
    QTest::newRow("help") << QStringList{"--help"} << QString() << 0 << false << QString();
    QTest::newRow("interactive start") << QStringList{} << QString() << 2 << false << "no display";
    QTest::newRow("interactive start with a picture")
        << QStringList{"IN"} << QString() << 2 << false << "no display";
    QTest::newRow("silent run on the platform the user named")
        << QStringList{"/batch", "IN"} << "xcb" << -1 << false << "xcb";
    QTest::newRow("silent run with -platform")
        << QStringList{"-platform", "xcb", "/batch", "IN"} << QString() << -1 << false << "xcb";
}

void TestNoDisplay::startWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QFETCH(int, exitCode);
    QFETCH(bool, mapWritten);
    QFETCH(QString, reported);

    QTemporaryDir dir;
    const QString program = dir.filePath("orvix");
    QVERIFY(QFile::copy(ORVIX_PROGRAM, program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(ORVIX_PROGRAM)));
    QImage picture(80, 60, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(dir.filePath("in.png")));
    const QString out = dir.filePath("out");
    QVERIFY(QDir().mkpath(out));
    {
        QSettings settings(dir.filePath("orvix.ini"), QSettings::IniFormat);
        settings.setValue("CenterX", 40);
        settings.setValue("CenterY", 30);
        settings.setValue("Radius", 28);
        settings.setValue("OutputSizeX", 64);
        settings.setValue("OutputSizeY", 32);
        settings.setValue("OutputFormat", 1);
        settings.setValue("OutputFolder", out);
    }
    arguments.replaceInStrings(QRegularExpression("^IN$"), dir.filePath("in.png"));

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    if (!platform.isEmpty())
        environment.insert("QT_QPA_PLATFORM", platform);
    run.setProcessEnvironment(environment);
    run.start(program, arguments);
    QVERIFY(run.waitForStarted());
    run.closeWriteChannel();
    // Bounded only so that a program that opened a window cannot hang CTest.
    if (!run.waitForFinished(120000)) {
        run.kill();
        run.waitForFinished();
        QFAIL("the program did not end");
    }
    const QString errors = QString::fromLocal8Bit(run.readAllStandardError());

    if (exitCode >= 0) {
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QVERIFY2(run.exitCode() == exitCode, qPrintable(errors));
    } else {
        QVERIFY2(run.exitStatus() == QProcess::CrashExit || run.exitCode() != 0,
                 qPrintable(errors));
    }
    QCOMPARE(QFile::exists(out + "/in.png"), mapWritten);
    QVERIFY2(errors.contains(reported), qPrintable(errors));
    if (exitCode == 2)
        QCOMPARE(errors.count('\n'), 1);
}

QTEST_GUILESS_MAIN(TestNoDisplay)
#include "tst_nodisplay.moc"
