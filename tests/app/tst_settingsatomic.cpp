// The settings file is replaced whole or not at all: a save that fails because the file
// system is full (before or in the middle of the write) or because the settings folder has
// become read-only (the file itself writable or not) leaves the previous file byte for byte
// and no temporary or lock file beside it, and the next save that can write replaces the file
// completely.
//
// The settings folder is a small tmpfs of the test's own, which needs root (as in CI);
// without it the full cases are skipped and the read-only case uses folder permissions.

#include "mainwindow/mainwindow.h"
#include "scratchfilesystem.h"
#include "testfiles.h"
#include "windowtesting.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <unistd.h>

namespace {

enum class Failure
{
    FullBeforeTheSave,
    FullDuringTheSave,
    ReadOnlyFolder,
    // The folder takes no new file, but the settings file itself could still be written: a
    // save that fell back to writing into it directly would cut it short on a full file
    // system.
    ReadOnlyFolderWritableFile,
};

constexpr qint64 fileSystemSize = 256 * 1024;
// The user "nobody", as whom the save runs when folder permissions must apply to root.
constexpr uid_t ordinaryUser = 65534;
// What a full file system has left when the save starts writing: less than the new file.
constexpr qint64 spaceLeftForTheSave = 8 * 1024;

// The values of the first save.
void setFirstValues(MainWindow &window)
{
    window.centerX = 500;
    window.centerY = 300;
    window.radius = 294;
    window.distance = 6.6;
    window.outputSizeX = 4096;
    window.outputSizeY = 2048;
    window.latitude = 35.5;
    window.loadFileName = QStringLiteral("/pictures/first.jpg");
    window.outputFolder = QStringLiteral("/maps");
    window.outputQuality = 90;
}

// Other values for the second save; long names make its file larger than the first and than
// the space a full file system has left.
void setSecondValues(MainWindow &window)
{
    window.centerX = 12;
    window.centerY = 34;
    window.radius = 56;
    window.distance = 100;
    window.outputSizeX = 1024;
    window.outputSizeY = 512;
    window.latitude = -12.25;
    window.loadFileName = QStringLiteral("/pictures/") + QString(20000, QLatin1Char('a'));
    window.outputFolder = QStringLiteral("/maps/") + QString(20000, QLatin1Char('b'));
    window.outputQuality = 42;
}

} // namespace

Q_DECLARE_METATYPE(Failure)

class SettingsAtomicTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void failedSaveKeepsPreviousFile_data();
    void failedSaveKeepsPreviousFile();

private:
    QString settingsPath() const { return settingsFolder + QStringLiteral("/orvix.ini"); }

    QScopedPointer<QTemporaryDir> dir;
    QString settingsFolder;
    std::unique_ptr<ScratchFileSystem> scratch;
    std::unique_ptr<ReadOnlyPermissions> permissions;
};

void SettingsAtomicTest::init()
{
    dir.reset(new QTemporaryDir);
    settingsFolder = dir->filePath(QStringLiteral("settings"));
    QVERIFY(QDir().mkpath(settingsFolder));
}

void SettingsAtomicTest::cleanup()
{
    // Unlocked and unmounted before the temporary folder is removed.
    permissions.reset();
    scratch.reset();
    dir.reset();
}

void SettingsAtomicTest::failedSaveKeepsPreviousFile_data()
{
    QTest::addColumn<Failure>("failure");

    QTest::newRow("file system full before the save") << Failure::FullBeforeTheSave;
    QTest::newRow("file system runs full during the save") << Failure::FullDuringTheSave;
    QTest::newRow("settings folder became read-only") << Failure::ReadOnlyFolder;
    QTest::newRow("folder read-only, file writable on a full file system")
        << Failure::ReadOnlyFolderWritableFile;
}

void SettingsAtomicTest::failedSaveKeepsPreviousFile()
{
    QFETCH(Failure, failure);

    scratch = std::make_unique<ScratchFileSystem>(settingsFolder, fileSystemSize);
    const bool permissionsSuffice =
        failure == Failure::ReadOnlyFolder || failure == Failure::ReadOnlyFolderWritableFile;
    if (!scratch->isMounted() && !permissionsSuffice)
        QSKIP(qPrintable(scratch->unavailableReason()));

    auto window = windowtesting::makeWindow(settingsFolder);
    setFirstValues(*window);
    window->saveSettings();
    const QByteArray previous = readBytes(settingsPath());
    QVERIFY(previous.contains("LoadFileName=/pictures/first.jpg"));

    const QString filler = settingsFolder + QStringLiteral("/filler");
    switch (failure) {
    case Failure::FullBeforeTheSave:
        QVERIFY(scratch->fill(filler));
        break;
    case Failure::FullDuringTheSave:
        QVERIFY(scratch->fill(filler, spaceLeftForTheSave));
        break;
    case Failure::ReadOnlyFolderWritableFile:
        if (scratch->isMounted()) {
            // As root, folder permissions stop nothing: the save runs as an ordinary user
            // who owns the settings file but may not create files in the folder, whose file
            // system is full.
            QVERIFY(QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                           QFile::ExeOwner | QFile::ReadGroup |
                                                           QFile::ExeGroup | QFile::ReadOther |
                                                           QFile::ExeOther));
            QCOMPARE(::chown(QFile::encodeName(settingsPath()).constData(), ordinaryUser, -1), 0);
            QVERIFY(scratch->fill(filler));
            break;
        }
        Q_FALLTHROUGH();
    case Failure::ReadOnlyFolder:
        if (scratch->isMounted()) {
            QVERIFY(scratch->makeReadOnly());
        } else {
            permissions = std::make_unique<ReadOnlyPermissions>(settingsFolder);
            QVERIFY(permissions->locked);
            // The file itself stays writable: only the folder refuses new files.
            QFile probe(settingsFolder + QStringLiteral("/probe"));
            if (probe.open(QIODevice::WriteOnly))
                QSKIP("this user writes into read-only folders and cannot mount a file system");
        }
        break;
    }
    const QStringList before = entries(settingsFolder);

    setSecondValues(*window);
    if (failure == Failure::ReadOnlyFolderWritableFile && scratch->isMounted()) {
        const EffectiveUser user(ordinaryUser);
        QVERIFY(user.switched);
        QFile file(settingsPath());
        QVERIFY2(file.open(QIODevice::ReadWrite), "the settings file must stay writable");
        file.close();
        window->saveSettings();
    } else {
        window->saveSettings();
    }
    QCOMPARE(readBytes(settingsPath()), previous);
    QCOMPARE(entries(settingsFolder), before);
    // The window is closed as usual, which saves again and fails again.
    window->close();
    QCOMPARE(readBytes(settingsPath()), previous);
    QCOMPARE(entries(settingsFolder), before);

    // Once the file system takes it again, the next save replaces the file completely: it
    // holds exactly what a save into an empty folder writes.
    QFile::remove(filler);
    permissions.reset();
    if (permissionsSuffice && scratch->isMounted())
        QVERIFY(scratch->makeWritable());
    window->saveSettings();
    const QString reference = dir->filePath(QStringLiteral("reference"));
    QVERIFY(QDir().mkpath(reference));
    window->settingsFile = reference + QStringLiteral("/orvix.ini");
    window->saveSettings();
    const QByteArray expected = readBytes(window->settingsFile);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(readBytes(settingsPath()), expected);
    QCOMPARE(entries(settingsFolder), QStringList{QStringLiteral("orvix.ini")});

    auto reloaded = windowtesting::makeWindow(settingsFolder);
    QCOMPARE(reloaded->centerX, 12);
    QCOMPARE(reloaded->radius, 56);
    QCOMPARE(reloaded->latitude, -12.25);
    QCOMPARE(reloaded->loadFileName, window->loadFileName);
    QCOMPARE(reloaded->outputFolder, window->outputFolder);
    QCOMPARE(reloaded->outputQuality, 42);
}

QTEST_MAIN(SettingsAtomicTest)
#include "tst_settingsatomic.moc"
