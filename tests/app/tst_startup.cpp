#include "app/commandline.h"
#include "app/programpaths.h"
#include "batch/batcharguments.h"
#include "mainwindow/mainwindow.h"
#include "preview/previewwindow.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

using windowdriver::formOf;

// Start-up: the file paths beside the program, the "/batch" switch, pattern expansion, the
// start-up work in an interactive and in a silent start, and the built program's silent runs.
class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void programPaths_data();
    void programPaths();
    void silentBatchSwitch_data();
    void silentBatchSwitch();
    void patternExpansion();
    void patternThatMatchesNothing();
    void oneFileIsOpened();
    void savedPictureIsReopened();
    void savedSwitchesAreApplied_data();
    void savedSwitchesAreApplied();
    void singlePatternIsNotExpanded();
    void severalFilesGoToBatchDialog_data();
    void severalFilesGoToBatchDialog();
    void silentStartWithoutFiles();
    void silentStartWithOneFile();
    void startupTimerRunsOnce();
    void builtProgramSilentRuns_data();
    void builtProgramSilentRuns();

private:
    std::unique_ptr<MainWindow> shownWindow();
    QString picture(const QString &name) const;

    QTemporaryDir folder;
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void StartupTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    QFile::remove(folder.filePath(QStringLiteral("orvix.ini")));
}

void StartupTest::cleanup()
{
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
}

std::unique_ptr<MainWindow> StartupTest::shownWindow()
{
    auto window = windowtesting::makeWindow(folder.path());
    window->show();
    return window;
}

QString StartupTest::picture(const QString &name) const
{
    return windowtesting::writePicture(folder.filePath(name), 80, 60);
}

void StartupTest::programPaths_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("language");

    QTest::newRow("absolute") << "/opt/kit/orvix.exe"
                              << "/opt/kit/orvix.ini"
                              << "/opt/kit/orvix_lang.ini";
    QTest::newRow("two dots") << "/opt/kit/orvix.test.exe"
                              << "/opt/kit/orvix.ini"
                              << "/opt/kit/orvix_lang.ini";
    QTest::newRow("no suffix") << "/usr/bin/orvix"
                               << "/usr/bin/orvix.ini"
                               << "/usr/bin/orvix_lang.ini";
    QTest::newRow("relative") << "bin/orvix" << QDir::currentPath() + "/bin/orvix.ini"
                              << QDir::currentPath() + "/bin/orvix_lang.ini";
}

void StartupTest::programPaths()
{
    QFETCH(QString, program);
    QFETCH(QString, settings);
    QFETCH(QString, language);

    const ProgramPaths paths = programPathsFor(program);
    QCOMPARE(paths.settingsFile, settings);
    QCOMPARE(paths.languageFile, language);
}

void StartupTest::silentBatchSwitch_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<bool>("silent");

    QTest::newRow("switch and files")
        << QByteArrayList{"orvix", "/batch", "a.jpg", "b.jpg"} << true;
    QTest::newRow("switch alone") << QByteArrayList{"orvix", "/batch"} << true;
    QTest::newRow("capitals") << QByteArrayList{"orvix", "/BATCH", "a.jpg"} << false;
    QTest::newRow("trailing blank") << QByteArrayList{"orvix", "/batch ", "a.jpg"} << false;
    QTest::newRow("longer word") << QByteArrayList{"orvix", "/batches"} << false;
    QTest::newRow("switch second") << QByteArrayList{"orvix", "a.jpg", "/batch"} << false;
    QTest::newRow("program only") << QByteArrayList{"orvix"} << false;
}

void StartupTest::silentBatchSwitch()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(bool, silent);

    std::vector<const char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(argument.constData());
    argv.push_back(nullptr);
    QCOMPARE(isSilentBatchStart(int(arguments.size()), argv.data()), silent);
}

void StartupTest::patternExpansion()
{
    QDir dir(folder.path());
    dir.mkdir(QStringLiteral("set"));
    const QString set = folder.filePath(QStringLiteral("set"));
    for (const char *name : {"A.PNG", "b.png", "c.jpg", ".hidden.png"})
        windowtesting::writePicture(set + "/" + name, 4, 4);
    dir.mkdir(QStringLiteral("set/folder.png"));

    const QStringList files =
        expandBatchArguments({set + "/*.png", QStringLiteral("plain name.jpg"), set + "/?.jpg"});
    QCOMPARE(files.size(), 4);
    QStringList expanded = files.mid(0, 2);
    expanded.sort();
    QCOMPARE(expanded, QStringList({set + "/A.PNG", set + "/b.png"}));
    QCOMPARE(files[2], QStringLiteral("plain name.jpg"));
    QCOMPARE(files[3], set + "/c.jpg");
}

void StartupTest::patternThatMatchesNothing()
{
    QCOMPARE(expandBatchArguments({folder.filePath("none/*.png"), folder.filePath("*.gif")}),
             QStringList());
}

void StartupTest::oneFileIsOpened()
{
    auto window = shownWindow();
    const QString path = picture(QStringLiteral("one.png"));
    QDir::setCurrent(folder.path());
    window->startWith({QStringLiteral("orvix"), QStringLiteral("one.png")});
    // loadFileName keeps the argument as typed.
    QCOMPARE(window->loadFileName, QStringLiteral("one.png"));
    QCOMPARE(window->sourceImage.size(), QSize(80, 60));
    QCOMPARE(window->batchMode, 0);
    QVERIFY(window->batchFiles.isEmpty());
    QCOMPARE(window->saveFileName, folder.filePath(QStringLiteral("KY-one.jpg")));
    // The settings keep its absolute path, so that a start from another folder opens it.
    window->saveSettings();
    QCOMPARE(QSettings(folder.filePath("orvix.ini"), QSettings::IniFormat).value("LoadFileName"),
             QVariant(path));
}

void StartupTest::savedPictureIsReopened()
{
    const QString path = picture(QStringLiteral("last.png"));
    {
        QSettings file(folder.filePath(QStringLiteral("orvix.ini")), QSettings::IniFormat);
        file.setValue(QStringLiteral("LoadFileName"), path);
    }
    auto window = shownWindow();
    QVERIFY(window->sourceImage.isNull());
    window->startWith({QStringLiteral("orvix")});
    QCOMPARE(window->sourceImage.size(), QSize(80, 60));
    QCOMPARE(window->loadFileName, path);
}

void StartupTest::savedSwitchesAreApplied_data()
{
    QTest::addColumn<bool>("autoSize");
    QTest::addColumn<bool>("autoPreview");
    QTest::addColumn<bool>("previewWindow");

    QTest::newRow("all on") << true << true << true;
    QTest::newRow("all off") << false << false << false;
    QTest::newRow("scaling off, previews on") << false << true << true;
    QTest::newRow("scaling on, previews off") << true << false << false;
}

void StartupTest::savedSwitchesAreApplied()
{
    QFETCH(bool, autoSize);
    QFETCH(bool, autoPreview);
    QFETCH(bool, previewWindow);

    {
        QSettings file(folder.filePath(QStringLiteral("orvix.ini")), QSettings::IniFormat);
        file.setValue(QStringLiteral("AutoSize"), autoSize);
        file.setValue(QStringLiteral("AutoPreview"), autoPreview);
        file.setValue(QStringLiteral("PreviewWindow"), previewWindow);
    }
    auto window = shownWindow();
    // Nothing is applied before the start-up work runs.
    QVERIFY(!window->previewWindow->isVisible());
    QVERIFY(!formOf(*window).actionAuto_Preview->isChecked());
    window->startWith({QStringLiteral("orvix")});
    QCOMPARE(formOf(*window).actionAuto_Size->isChecked(), autoSize);
    QCOMPARE(formOf(*window).label->hasScaledContents(), autoSize);
    QCOMPARE(formOf(*window).label->minimumSize(), autoSize ? QSize(320, 240) : QSize(0, 0));
    QCOMPARE(formOf(*window).actionAuto_Preview->isChecked(), autoPreview);
    QCOMPARE(window->autoPreview, autoPreview);
    QCOMPARE(formOf(*window).actionPreview_Window->isChecked(), previewWindow);
    QCOMPARE(window->previewWindow->isVisible(), previewWindow);
    window->previewWindow->hide();
}

void StartupTest::singlePatternIsNotExpanded()
{
    picture(QStringLiteral("x.png"));
    auto window = shownWindow();
    const QString pattern = folder.filePath(QStringLiteral("*.png"));
    ModalAnswerer answerer;
    window->startWith({QStringLiteral("orvix"), pattern});
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].text, pattern + QStringLiteral(" は開けませんでした"));
    QVERIFY(window->loadFileName.isEmpty());
    QVERIFY(window->batchFiles.isEmpty());
}

void StartupTest::severalFilesGoToBatchDialog_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("two files") << QStringList{"a.jpg", "b.jpg"} << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("switch in capitals")
        << QStringList{"/BATCH", "a.jpg"} << QStringList{"/BATCH", "a.jpg"};
}

void StartupTest::severalFilesGoToBatchDialog()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, listed);

    auto window = shownWindow();
    {
        // The batch dialog is cancelled; the list comes back all the same.
        ModalAnswerer answerer(QMessageBox::Cancel);
        window->startWith(QStringList{QStringLiteral("orvix")} + arguments);
        QCOMPARE(answerer.otherDialogs, 1);
    }
    QVERIFY(window->isVisible());
    QCOMPARE(window->batchFiles, listed);
    QVERIFY(window->sourceImage.isNull());
}

void StartupTest::silentStartWithoutFiles()
{
    auto window = windowtesting::makeWindow(folder.path());
    window->startWith({QStringLiteral("orvix"), QStringLiteral("/batch")});
    QCOMPARE(window->batchExitCode, 2);
    QVERIFY(window->batchFiles.isEmpty());
    QVERIFY(!window->isVisible());
    // Closing wrote the settings.
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("orvix.ini"))));
}

void StartupTest::silentStartWithOneFile()
{
    const QString path = picture(QStringLiteral("single.png"));
    auto window = windowtesting::makeWindow(folder.path());
    window->outputFolder = folder.path();
    window->outputSizeX = 64;
    window->outputSizeY = 32;
    window->centerX = 20;
    window->centerY = 15;
    window->radius = 10;
    window->startWith({QStringLiteral("orvix"), QStringLiteral("/batch"), path});
    QCOMPARE(window->batchFiles, QStringList{path});
    QCOMPARE(window->batchMode, 1);
    QVERIFY(!window->isVisible());
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("orvix.ini"))));
}

void StartupTest::startupTimerRunsOnce()
{
    MainWindow window;
    window.settingsFile = folder.filePath(QStringLiteral("orvix.ini"));
    window.langFile = folder.filePath(QStringLiteral("orvix_lang.ini"));
    window.loadLanguage();
    window.loadSettings();
    window.show();
    QVERIFY(window.startupTimer->isActive());
    QCOMPARE(window.batchMode, 1);
    // Run the tick by hand: the slot stops the timer, so it never runs again.
    window.timeout();
    QVERIFY(!window.startupTimer->isActive());
    QCOMPARE(window.batchMode, 0);
}

void StartupTest::builtProgramSilentRuns_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<bool>("throughPath");

    QTest::newRow("no file") << QStringList() << 2 << QStringList() << false;
    QTest::newRow("one file") << QStringList{"in/one.png"} << 0 << QStringList{"out/one.jpg"}
                              << false;
    QTest::newRow("pattern and file")
        << QStringList{"in/*.png", "in/three.jpg"} << 0
        << QStringList{"out/one.jpg", "out/two.jpg", "out/three.jpg"} << false;
    // Started by its bare name from another folder: the settings beside the program count.
    QTest::newRow("found through PATH") << QStringList{"in/one.png", "in/two.png"} << 0
                                        << QStringList{"out/one.jpg", "out/two.jpg"} << true;
}

void StartupTest::builtProgramSilentRuns()
{
    QFETCH(QStringList, files);
    QFETCH(int, exitCode);
    QFETCH(QStringList, outputs);
    QFETCH(bool, throughPath);

    // The settings file lies beside the program, so the program runs from a copy.
    QTemporaryDir place;
    const QString program = place.filePath(QStringLiteral("orvix"));
    QVERIFY(QFile::copy(QStringLiteral(ORVIX_PROGRAM), program));
    QDir(place.path()).mkdir(QStringLiteral("in"));
    QDir(place.path()).mkdir(QStringLiteral("out"));
    for (const char *name : {"in/one.png", "in/two.png", "in/three.jpg"})
        windowtesting::writePicture(place.filePath(QString::fromLatin1(name)), 60, 40);
    {
        QSettings file(place.filePath(QStringLiteral("orvix.ini")), QSettings::IniFormat);
        file.setValue(QStringLiteral("OutputFolder"), place.filePath(QStringLiteral("out")));
        file.setValue(QStringLiteral("OutputSizeX"), 64);
        file.setValue(QStringLiteral("OutputSizeY"), 32);
        file.setValue(QStringLiteral("CenterX"), 30);
        file.setValue(QStringLiteral("CenterY"), 20);
        file.setValue(QStringLiteral("Radius"), 19);
        file.setValue(QStringLiteral("MyNote"), QStringLiteral("kept"));
    }

    QStringList arguments{QStringLiteral("/batch")};
    for (const QString &file : files)
        arguments << place.filePath(file);
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QTemporaryDir elsewhere;
    if (throughPath) {
        // The shell finds the program through PATH and hands it its bare name as typed.
        environment.insert(QStringLiteral("PATH"),
                           place.path() + QLatin1Char(':') + environment.value("PATH"));
        run.setWorkingDirectory(elsewhere.path());
        arguments = QStringList{QStringLiteral("-c"), QStringLiteral("exec orvix \"$@\""),
                                QStringLiteral("sh")} +
                    arguments;
    }
    run.setProcessEnvironment(environment);
    run.start(throughPath ? QStringLiteral("/bin/sh") : program, arguments);
    QVERIFY(run.waitForStarted());
    // A silent run ends by itself; the limit only keeps a broken build from hanging the suite.
    QVERIFY2(run.waitForFinished(120000), "the silent run did not end by itself");
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    const QByteArray errors = run.readAllStandardError();
    QVERIFY2(run.exitCode() == exitCode, errors.constData());
    if (files.isEmpty())
        QVERIFY(errors.contains("usage: orvix /batch"));
    for (const QString &output : outputs)
        QVERIFY2(QFile::exists(place.filePath(output)), qPrintable(output));

    QSettings written(place.filePath(QStringLiteral("orvix.ini")), QSettings::IniFormat);
    QCOMPARE(written.value(QStringLiteral("MyNote")).toString(), QStringLiteral("kept"));
    // The 29 keys of the program and the one it does not know.
    QCOMPARE(written.allKeys().size(), 30);
    QVERIFY(!QFile::exists(QDir(elsewhere.path()).filePath(QStringLiteral("orvix.ini"))));
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
