#include "app/programversion.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// `cmake --install` into a fresh prefix: the program, a desktop entry the desktop accepts, the
// icon in every hicolor size and the English language file.
class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installsEveryFile_data();
    void installsEveryFile();
    void desktopEntryIsValid();
    void desktopEntryOpensPictures();
    void iconsHaveTheirSizes_data();
    void iconsHaveTheirSizes();
    void installedProgramRuns();

private:
    QString installed(const QString &relative) const { return prefix.filePath(relative); }

    QTemporaryDir prefix;
};

namespace {

const int iconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QString iconPath(int size)
{
    return QStringLiteral("share/icons/hicolor/%1x%1/apps/orvix.png").arg(size);
}

} // namespace

void InstallTest::initTestCase()
{
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(ORVIX_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(ORVIX_BUILD_DIR),
                   QStringLiteral("--prefix"), prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
}

void InstallTest::installsEveryFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("program") << "bin/orvix";
    QTest::newRow("desktop entry") << "share/applications/orvix.desktop";
    QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/orvix.svg";
    QTest::newRow("English texts") << "share/doc/orvix/examples/orvix_lang.ini";
    for (int size : iconSizes)
        QTest::addRow("icon %d", size) << iconPath(size);
}

void InstallTest::installsEveryFile()
{
    QFETCH(QString, path);
    QVERIFY2(QFileInfo(installed(path)).isFile(), qPrintable(path));
    if (path.startsWith(QLatin1String("bin/")))
        QVERIFY(QFileInfo(installed(path)).isExecutable());
}

void InstallTest::desktopEntryIsValid()
{
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed (tools/install-deps.sh installs it)");
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(validator, {installed(QStringLiteral("share/applications/orvix.desktop"))});
    QVERIFY(run.waitForFinished(60000));
    const QByteArray report = run.readAll();
    QVERIFY2(run.exitCode() == 0, report.constData());
    // Hints are fine; errors and warnings are not.
    QVERIFY2(!report.contains("error") && !report.contains("warning"), report.constData());
}

void InstallTest::desktopEntryOpensPictures()
{
    QSettings entry(installed(QStringLiteral("share/applications/orvix.desktop")),
                    QSettings::IniFormat);
    entry.setIniCodec("UTF-8");
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
    // The program's name is its icon's name, and the name it gives the desktop for its windows.
    QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), QStringLiteral("orvix"));
    QCOMPARE(entry.value(QStringLiteral("Exec")).toString(), QStringLiteral("orvix %F"));
    // The MIME types, so that "Open with" offers the program for pictures; read as text,
    // since the list is not in the settings reader's notation.
    QFile file(installed(QStringLiteral("share/applications/orvix.desktop")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("\nMimeType=image/jpeg;image/png;image/gif;image/tiff;image/webp;\n"));
}

void InstallTest::iconsHaveTheirSizes_data()
{
    QTest::addColumn<int>("size");
    for (int size : iconSizes)
        QTest::addRow("%d", size) << size;
}

void InstallTest::iconsHaveTheirSizes()
{
    QFETCH(int, size);
    QImageReader reader(installed(iconPath(size)));
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.size(), QSize(size, size));
}

void InstallTest::installedProgramRuns()
{
    QProcess run;
    run.start(installed(QStringLiteral("bin/orvix")), {QStringLiteral("--version")});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.readAllStandardOutput(), QByteArray("orvix ") + programVersion + "\n");
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
