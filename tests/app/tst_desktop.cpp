#include "app/commandline.h"
#include "app/programpaths.h"
#include "app/programversion.h"
#include "batch/batchconvertdialog.h"
#include "mainwindow/mainwindow.h"
#include "option/option.h"
#include "preview/previewwindow.h"
#include "scratchfilesystem.h"
#include "windowtesting.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The program on a Linux desktop: --help and --version, the settings and language files kept in
// the user's configuration folder when the program's own folder is read-only, and the English
// language file that is installed as an example.
class DesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void printRequests_data();
    void printRequests();
    void printingOpensNoWindow_data();
    void printingOpensNoWindow();
    void startWithoutDisplay_data();
    void startWithoutDisplay();
    void filesForReadOnlyProgramFolder_data();
    void filesForReadOnlyProgramFolder();
    void silentRunKeepsSettingsInUserFolder_data();
    void silentRunKeepsSettingsInUserFolder();
    void englishTextsReplaceEveryBuiltInText();
    void englishValuesAreSingleTexts();
};

namespace {

QString englishLanguageFile()
{
    return qEnvironmentVariable("ORVIX_SOURCE_DIR") +
           QStringLiteral("/resources/lang/en/orvix_lang.ini");
}

// A copy of the built program in folder, so that the files beside it are the test's own.
QString copyProgram(const QString &folder)
{
    const QString program = folder + QStringLiteral("/orvix");
    if (!QFile::copy(QStringLiteral(ORVIX_PROGRAM), program))
        return QString();
    return program;
}

// A folder for the program that can be made read-only after it has been filled: for root, whom
// permissions do not stop, it is a small file system of its own, remounted read-only; for
// anyone else its write permission is taken away.
class LockableFolder
{
public:
    explicit LockableFolder(const QString &path) : path(path), scratch(path, qint64(1) << 30) {}

    bool lock()
    {
        if (scratch.isMounted())
            return scratch.makeReadOnly();
        if (geteuid() == 0)
            return false;
        permissions = std::make_unique<ReadOnlyPermissions>(path);
        return permissions->locked;
    }

private:
    QString path;
    ScratchFileSystem scratch;
    std::unique_ptr<ReadOnlyPermissions> permissions;
};

bool containsJapanese(const QString &text)
{
    for (const QChar c : text) {
        const ushort code = c.unicode();
        if ((code >= 0x3000 && code <= 0x30ff) || (code >= 0x4e00 && code <= 0x9fff) ||
            (code >= 0xff00 && code <= 0xffef))
            return true;
    }
    return false;
}

// Every text a user reads in the window: titles, labels, buttons, menus, actions and the
// window's message texts.
QStringList visibleTexts(QWidget *window, const QMap<QString, QString> &texts)
{
    QStringList all{window->windowTitle()};
    for (auto *label : window->findChildren<QLabel *>())
        all << label->text();
    for (auto *button : window->findChildren<QAbstractButton *>())
        all << button->text();
    for (auto *menu : window->findChildren<QMenu *>())
        all << menu->title();
    for (auto *action : window->findChildren<QAction *>())
        all << action->text();
    return all + texts.values();
}

} // namespace

void DesktopTest::printRequests_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<int>("request");

    const int none = int(PrintRequest::None);
    const int help = int(PrintRequest::Help);
    const int version = int(PrintRequest::Version);
    QTest::newRow("no argument") << QByteArrayList{"orvix"} << none;
    QTest::newRow("--help") << QByteArrayList{"orvix", "--help"} << help;
    QTest::newRow("-h") << QByteArrayList{"orvix", "-h"} << help;
    QTest::newRow("--version") << QByteArrayList{"orvix", "--version"} << version;
    QTest::newRow("-v") << QByteArrayList{"orvix", "-v"} << version;
    QTest::newRow("files after --help") << QByteArrayList{"orvix", "--help", "a.jpg"} << help;
    // Anything but the exact words stays a file name or pattern.
    QTest::newRow("capitals") << QByteArrayList{"orvix", "--HELP"} << none;
    QTest::newRow("single dash word") << QByteArrayList{"orvix", "-help"} << none;
    QTest::newRow("with a value") << QByteArrayList{"orvix", "--help=yes"} << none;
    QTest::newRow("trailing blank") << QByteArrayList{"orvix", "-v "} << none;
    QTest::newRow("joined letters") << QByteArrayList{"orvix", "-hv"} << none;
    QTest::newRow("after a picture") << QByteArrayList{"orvix", "a.jpg", "--help"} << none;
    QTest::newRow("after /batch") << QByteArrayList{"orvix", "/batch", "-v"} << none;
    QTest::newRow("picture") << QByteArrayList{"orvix", "globe.png"} << none;
}

void DesktopTest::printRequests()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(int, request);

    std::vector<const char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(argument.constData());
    argv.push_back(nullptr);
    QCOMPARE(int(printRequest(int(arguments.size()), argv.data())), request);
}

void DesktopTest::printingOpensNoWindow_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");

    QTest::newRow("--version") << "--version"
                               << QStringLiteral("orvix %1\n").arg(QLatin1String(programVersion));
    QTest::newRow("-v") << "-v" << QStringLiteral("orvix %1\n").arg(QLatin1String(programVersion));
    QTest::newRow("--help") << "--help"
                            << "Usage: orvix [PICTURE]\n";
    QTest::newRow("-h") << "-h"
                        << "Usage: orvix [PICTURE]\n";
}

void DesktopTest::printingOpensNoWindow()
{
    QFETCH(QString, option);
    QFETCH(QString, expected);

    QTemporaryDir place;
    const QString program = copyProgram(place.path());
    QVERIFY(!program.isEmpty());
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // No window system at all: the program would abort if it tried to open a window.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    environment.remove(QStringLiteral("DISPLAY"));
    run.setProcessEnvironment(environment);
    run.start(program, {option});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.readAllStandardError(), QByteArray());
    const QString printed = QString::fromLocal8Bit(run.readAllStandardOutput());
    QVERIFY2(printed.startsWith(expected), qPrintable(printed));
    if (option.startsWith(QLatin1String("-h")) || option == QLatin1String("--help")) {
        for (const char *part :
             {"/batch", "--version", "exit status", "orvix.ini", "orvix_lang.ini"})
            QVERIFY2(printed.contains(QLatin1String(part)), part);
    }
    // Nothing was loaded or saved.
    QCOMPARE(QDir(place.path()).entryList(QDir::Files), QStringList{QStringLiteral("orvix")});
}

void DesktopTest::startWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");
    QTest::newRow("interactive") << QStringList{} << QString();
    QTest::newRow("interactive, a picture named") << QStringList{"picture.png"} << QString();
    QTest::newRow("interactive, on the platform the user named")
        << QStringList{"picture.png"} << "xcb";
}

// Without any display server an interactive start ends at once with one line and status 2,
// and a platform the user named is tried, not replaced by the offscreen one. (The silent runs
// of tst_batchcommandline run without a display, and on the offscreen platform whatever the
// environment names.)
void DesktopTest::startWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QTemporaryDir place;
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    if (!platform.isEmpty())
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    run.setProcessEnvironment(environment);
    run.start(copyProgram(place.path()), arguments);
    QVERIFY(run.waitForFinished(60000));
    const QString errors = QString::fromLocal8Bit(run.readAllStandardError());
    const bool refused = run.exitStatus() == QProcess::NormalExit && run.exitCode() == 2 &&
                         errors.count(QLatin1Char('\n')) == 1 && errors.contains("no display");
    QVERIFY2(refused == platform.isEmpty(), qPrintable(errors));
    QVERIFY2(errors.contains(platform), qPrintable(errors));
}

void DesktopTest::filesForReadOnlyProgramFolder_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("languageBeside");
    QTest::addColumn<bool>("settingsInUserFolder");
    QTest::addColumn<bool>("languageInUserFolder");

    QTest::newRow("writable") << false << false << false << false;
    QTest::newRow("writable, language beside") << false << true << false << false;
    QTest::newRow("read-only") << true << false << true << true;
    QTest::newRow("read-only, language beside") << true << true << true << false;
}

void DesktopTest::filesForReadOnlyProgramFolder()
{
    QFETCH(bool, readOnly);
    QFETCH(bool, languageBeside);
    QFETCH(bool, settingsInUserFolder);
    QFETCH(bool, languageInUserFolder);

    QTemporaryDir place;
    const QString programFolder = place.filePath(QStringLiteral("bin"));
    const QString userFolder = place.filePath(QStringLiteral("config/orvix"));
    QVERIFY(QDir().mkpath(programFolder));
    LockableFolder folder(programFolder);
    if (languageBeside) {
        QFile language(programFolder + QStringLiteral("/orvix_lang.ini"));
        QVERIFY(language.open(QIODevice::WriteOnly));
    }
    if (readOnly && !folder.lock())
        QSKIP("this machine does not let the test make a folder read-only");

    const ProgramPaths paths =
        programPathsFor(programFolder + QStringLiteral("/orvix"), userFolder);
    QCOMPARE(paths.settingsFile,
             (settingsInUserFolder ? userFolder : programFolder) + QStringLiteral("/orvix.ini"));
    QCOMPARE(paths.languageFile, (languageInUserFolder ? userFolder : programFolder) +
                                     QStringLiteral("/orvix_lang.ini"));
    // Without a user folder (no home folder known) the files stay beside the program.
    QCOMPARE(programPathsFor(programFolder + QStringLiteral("/orvix"), QString()).settingsFile,
             programFolder + QStringLiteral("/orvix.ini"));
}

void DesktopTest::silentRunKeepsSettingsInUserFolder_data()
{
    QTest::addColumn<bool>("readOnly");

    QTest::newRow("program folder writable") << false;
    QTest::newRow("program folder read-only") << true;
}

void DesktopTest::silentRunKeepsSettingsInUserFolder()
{
    QFETCH(bool, readOnly);

    QTemporaryDir place;
    QDir root(place.path());
    for (const char *folder : {"bin", "in", "out", "config/orvix"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    LockableFolder programFolder(place.filePath(QStringLiteral("bin")));
    QVERIFY(!copyProgram(place.filePath(QStringLiteral("bin"))).isEmpty());
    windowtesting::writePicture(place.filePath(QStringLiteral("in/one.png")), 60, 40);
    // The settings of the last run, where this start is expected to find them.
    const QString settingsPath = readOnly ? place.filePath(QStringLiteral("config/orvix/orvix.ini"))
                                          : place.filePath(QStringLiteral("bin/orvix.ini"));
    {
        QSettings file(settingsPath, QSettings::IniFormat);
        file.setValue(QStringLiteral("OutputFolder"), place.filePath(QStringLiteral("out")));
        file.setValue(QStringLiteral("OutputSizeX"), 64);
        file.setValue(QStringLiteral("OutputSizeY"), 32);
        file.setValue(QStringLiteral("CenterX"), 30);
        file.setValue(QStringLiteral("CenterY"), 20);
        file.setValue(QStringLiteral("Radius"), 19);
        file.setValue(QStringLiteral("MyNote"), QStringLiteral("kept"));
    }
    if (readOnly && !programFolder.lock())
        QSKIP("this machine does not let the test make a folder read-only");

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), place.filePath(QStringLiteral("config")));
    run.setProcessEnvironment(environment);
    run.start(place.filePath(QStringLiteral("bin/orvix")),
              {QStringLiteral("/batch"), place.filePath(QStringLiteral("in/one.png"))});
    // A silent run ends by itself; the limit only keeps a broken build from hanging the suite.
    QVERIFY2(run.waitForFinished(120000), "the silent run did not end by itself");
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());
    // The saved output folder and size were read, and the settings written back in place.
    QCOMPARE(QImage(place.filePath(QStringLiteral("out/one.jpg"))).size(), QSize(64, 32));
    QSettings written(settingsPath, QSettings::IniFormat);
    QCOMPARE(written.value(QStringLiteral("MyNote")).toString(), QStringLiteral("kept"));
    // The 29 keys of the program and the one it does not know.
    QCOMPARE(written.allKeys().size(), 30);
    const QString other = readOnly ? place.filePath(QStringLiteral("bin/orvix.ini"))
                                   : place.filePath(QStringLiteral("config/orvix/orvix.ini"));
    QVERIFY(!QFile::exists(other));
}

void DesktopTest::englishTextsReplaceEveryBuiltInText()
{
    QTemporaryDir place;
    QVERIFY(QFile::copy(englishLanguageFile(), place.filePath(QStringLiteral("orvix_lang.ini"))));
    ModalAnswerer safetyNet;
    auto window = windowtesting::makeWindow(place.path());
    BatchConvertDialog batchDialog;
    batchDialog.langFile = window->langFile;
    batchDialog.loadLanguage();
    Option option;
    option.langFile = window->langFile;
    option.loadLanguage();

    QStringList all = visibleTexts(window.get(), window->texts) +
                      visibleTexts(&batchDialog, batchDialog.texts) +
                      visibleTexts(&option, option.texts);
    all << window->previewWindow->windowTitle();
    for (const QString &text : all)
        QVERIFY2(!containsJapanese(text), qPrintable(text));
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Kyuvia Image Converter ") + QLatin1String(programVersion));
    // Quoted values keep their blanks and commas; \n breaks lines.
    QCOMPARE(window->texts.value(QStringLiteral("open_error")),
             QStringLiteral(" could not be opened"));
    QCOMPARE(window->texts.value(QStringLiteral("batch_fail2")), QStringLiteral(" converted, "));
    QCOMPARE(batchDialog.texts.value(QStringLiteral("file_selected")),
             QStringLiteral(" files selected"));
    QVERIFY(window->texts.value(QStringLiteral("overwrite_question")).contains(QLatin1Char('\n')));
    QVERIFY(safetyNet.sawNothing());
}

void DesktopTest::englishValuesAreSingleTexts()
{
    // An unquoted comma would turn a value into a list, which the windows ignore.
    QSettings file(englishLanguageFile(), QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    QCOMPARE(file.childGroups(), (QStringList{"batch_convert", "config", "main", "mosaic"}));
    int keys = 0;
    for (const QString &group : file.childGroups()) {
        file.beginGroup(group);
        for (const QString &key : file.childKeys()) {
            ++keys;
            const QVariant value = file.value(key);
            QVERIFY2(value.type() == QVariant::String && !value.toString().isEmpty(),
                     qPrintable(group + "/" + key));
        }
        file.endGroup();
    }
    // 54 keys of the main window (three of them for its error messages, five for the disk
    // finder, two for the batch's closing boxes, two for the mosaic menu, the TIFF filter of
    // the save dialog, the open dialog's filter of every format, and its language), 27 of the
    // batch dialog (two for the world-file switch, one for the filter of every format), 18 of
    // the option dialog (one for the TIFF format), 44 of the mosaic dialog (one for the TIFF
    // filter).
    QCOMPARE(keys, 54 + 27 + 18 + 44);
}

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
