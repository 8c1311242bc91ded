// The silent run against hostile settings and language files beside the program: values in
// QSettings' "@" notation, files over the size bound, special files and links in their place,
// lock files that are folders or left behind. The run neither crashes nor hangs, says once why a
// file is not used, and replaces only a regular settings file.

#include "batchtestsupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

// The file type of path itself, links not followed; 0 when it is missing.
static mode_t entryType(const QString &path)
{
    struct stat entry;
    return ::lstat(QFile::encodeName(path).constData(), &entry) == 0 ? entry.st_mode & S_IFMT : 0;
}

class TestUserFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void silentRun_data();
    void silentRun();
};

void TestUserFileFaults::silentRun_data()
{
    // Run in the program's folder, which holds a.png and orvix.ini with a usable circle.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("exitCode");
    // Said once on standard error; empty when nothing is to be said.
    QTest::addColumn<QString>("warning");
    QTest::addColumn<bool>("saved");

    // The value that made QSettings reserve a list of 2^31 - 1 items and abort.
    const QString hugeList = "'@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)'";
    const QString notUsed = ", not a regular file; the default settings are used and not saved";
    QTest::newRow("special value in the settings")
        << "echo PenColor=" + hugeList + " >>orvix.ini" << 0 << "" << true;
    QTest::newRow("special value in the language file")
        << "printf '[main]\\ntitle=%s\\n' " + hugeList + " >orvix_lang.ini" << 0 << "" << true;
    QTest::newRow("settings over the bound")
        << "truncate -s 66M orvix.ini" << 2 << "the file is too large" << false;
    QTest::newRow("language file over the bound")
        << "truncate -s 200M orvix_lang.ini" << 0 << "the built-in texts are used" << true;
    QTest::newRow("lock file is a folder")
        << "mkdir orvix.ini.lock" << 0 << "orvix.ini.lock is not a regular file" << false;
    QTest::newRow("lock file with garbage")
        << "printf '\\1garbage' >orvix.ini.lock" << 0 << "" << true;
    QTest::newRow("lock file of another host")
        << "printf '12345\\norvix\\nelsewhere\\n' >orvix.ini.lock" << 0 << "" << true;

    QTest::newRow("settings FIFO")
        << "rm orvix.ini && mkfifo orvix.ini" << 2 << "a FIFO (named pipe)" + notUsed << false;
    QTest::newRow("settings link to a FIFO") << "rm orvix.ini && mkfifo t && ln -s t orvix.ini" << 2
                                             << "a FIFO (named pipe)" + notUsed << false;
    QTest::newRow("settings folder")
        << "rm orvix.ini && mkdir orvix.ini" << 2 << "a folder" + notUsed << false;
    // The numbers of /dev/null; skipped unless run by root, who alone can make a device node.
    QTest::newRow("settings link to a device")
        << "rm orvix.ini && mknod t c 1 3 && ln -s t orvix.ini" << 2
        << "a character device" + notUsed << false;
    QTest::newRow("settings dangling link")
        << "rm orvix.ini && ln -s t orvix.ini" << 2 << "a symbolic link to nothing" << false;
    QTest::newRow("language FIFO") << "mkfifo orvix_lang.ini" << 0 << "FIFO" << true;
    // Read through the link; the save replaces the target in its folder and the link stays.
    QTest::newRow("settings link to a file")
        << "mv orvix.ini t && ln -s t orvix.ini" << 0 << "" << true;
    QTest::newRow("settings link in a loop")
        << "rm orvix.ini && ln -s orvix.ini orvix.ini" << 2 << "a symbolic link in a loop" << false;
    QTest::newRow("lock file a dangling link")
        << "ln -s nowhere orvix.ini.lock" << 0 << "orvix.ini.lock: it is a symbolic link to nothing"
        << false;

    // A link to a file that is not this program's settings: it is neither read nor replaced.
    QTest::newRow("settings link to a notes file")
        << "printf 'buy milk\\n' >t && rm orvix.ini && ln -s t orvix.ini" << 2
        << "which does not read as this program's settings" << false;
    QTest::newRow("settings link to an empty file")
        << ": >t && rm orvix.ini && ln -s t orvix.ini" << 2 << "" << true;

    // Only UTF-8 is read, with or without a byte order mark; other text is left as it is.
    QTest::newRow("settings in UTF-8 with a byte order mark")
        << "printf '\\357\\273\\277' | cat - orvix.ini >u && mv u orvix.ini" << 0 << "" << true;
    QTest::newRow("settings in UTF-16") << "iconv -f UTF-8 -t UTF-16 orvix.ini >u && mv u orvix.ini"
                                        << 2 << "it is UTF-16 text" << false;
    QTest::newRow("settings in UTF-16 without a byte order mark")
        << "iconv -f UTF-8 -t UTF-16LE orvix.ini >u && mv u orvix.ini" << 2
        << "it looks like UTF-16 text" << false;
    QTest::newRow("settings in Latin-1")
        << "printf 'InputFolder=/caf\\351\\n' >>orvix.ini" << 2 << "it is not UTF-8 text" << false;
}

void TestUserFileFaults::silentRun()
{
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, warning);
    QFETCH(bool, saved);

    QTemporaryDir dir;
    const QString program = dir.filePath("orvix"), settings = dir.filePath("orvix.ini");
    QVERIFY(QFile::copy(ORVIX_PROGRAM_PATH, program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(ORVIX_PROGRAM_PATH)));
    QVERIFY(writeGlobe(dir.filePath("a.png"), 80, 60));
    QVERIFY(writeBytes(settings, "[General]\nCenterX=40\nCenterY=30\nRadius=28\nOutputFormat=1\n"
                                 "OutputSizeX=64\nOutputSizeY=32\nOutputFolder=" +
                                     QFile::encodeName(dir.path()) + "/out\n"));
    QVERIFY(QDir(dir.path()).mkdir("out"));
    if (setup.contains("mknod") && ::geteuid() != 0)
        QSKIP("device nodes can only be made by root");
    QProcess shell;
    shell.setWorkingDirectory(dir.path());
    shell.start("/bin/sh", {"-c", setup});
    QVERIFY(shell.waitForFinished() && shell.exitCode() == 0);
    const QString target = dir.filePath("t");
    const mode_t settingsType = entryType(settings), targetType = entryType(target);
    const QString written = settingsType == S_IFLNK ? target : settings;
    const QByteArray before = entryType(written) == S_IFREG ? readBytes(written) : QByteArray();

    QProcess run;
    run.start(program, {"/batch", dir.filePath("a.png")});
    QElapsedTimer clock;
    clock.start();
    // A bound far above a run's second or two: it tells a hang, or the 33 s wait for a lock
    // left behind, from a run.
    const bool ended = run.waitForFinished(20000);
    if (!ended) {
        run.kill();
        run.waitForFinished();
    }
    QVERIFY2(ended && clock.elapsed() < 20000, "the run did not end");
    const QString report = QString::fromLocal8Bit(run.readAllStandardError());
    QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == exitCode,
             qPrintable(report));
    QCOMPARE(report.count("orvix: "), warning.isEmpty() ? 0 : 1);
    QVERIFY2(report.contains(warning), qPrintable(report));
    // Nothing replaced, nothing made at a link's target.
    QCOMPARE(entryType(settings), settingsType);
    QCOMPARE(entryType(target), targetType);
    if (entryType(written) == S_IFREG) {
        // A save writes every key, among them PenSize, which no prepared file holds, and a
        // special value is replaced by the default.
        QCOMPARE(readBytes(written).contains("PenColor=#ffff0000\nPenSize=3"), saved);
        if (!saved)
            QCOMPARE(readBytes(written), before);
    }
}

QTEST_MAIN(TestUserFileFaults)
#include "tst_userfilefaults.moc"
