// Hostile inputs and outputs of the program's silent batch run: special files among the
// inputs, symbolic links under the maps' names, maps whose names collide within one run, and
// the messages for folders, unreadable names, control characters and a missing output folder.

#include "batch/batchfiles.h"
#include "batchtestsupport.h"
#include "engine/picturereader.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A copy of the built program in a temporary folder, its settings file beside it pointing the
// maps into out(). run() goes through the shell, so that arguments can hold any bytes (printf
// escapes such as \377); IN and OUT in them stand for the folders.
class SilentBatch
{
public:
    explicit SilentBatch(bool overwrite = true)
    {
        QFile::copy(ORVIX_PROGRAM_PATH, program());
        QFile::setPermissions(program(), QFile::permissions(ORVIX_PROGRAM_PATH));
        QDir().mkpath(in());
        QDir().mkpath(out());
        writeBytes(dir.filePath("orvix.ini"),
                   "[General]\nCenterX=40\nCenterY=30\nRadius=28\nOutputSizeX=64\n"
                   "OutputSizeY=32\nOutputFormat=1\nOverwrite=" +
                       QByteArray(overwrite ? "true" : "false") +
                       "\nOutputFolder=" + QFile::encodeName(out()) + "\n");
    }
    QString program() const { return dir.filePath("orvix"); }
    QString in() const { return dir.filePath("in"); }
    QString out() const { return dir.filePath("out"); }

    QString run(QString arguments)
    {
        arguments.replace("IN", in()).replace("OUT", out());
        QProcess process;
        process.start("/bin/sh", {"-c", "exec \"$0\" /batch " + arguments, program()});
        // The bound only keeps a hanging program from hanging CTest.
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return QStringLiteral("the run did not end");
        }
        exitCode = process.exitCode();
        return QString::fromLocal8Bit(process.readAllStandardError());
    }

    int exitCode = -1;

private:
    QTemporaryDir dir;
};

} // namespace

class TestBatchHostile : public QObject
{
    Q_OBJECT

private slots:
    void outputsNeverWrittenThroughLinks_data();
    void outputsNeverWrittenThroughLinks();
    void collidingNamesAreKept();
    void messages_data();
    void messages();
};

void TestBatchHostile::outputsNeverWrittenThroughLinks_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("dangling");
    QTest::newRow("overwrite off, dangling link") << false << true;
    QTest::newRow("overwrite off, link to a file") << false << false;
    QTest::newRow("overwrite on, dangling link") << true << true;
    QTest::newRow("overwrite on, link to a file") << true << false;
}

// A link under the map's name in the output folder, pointing outside it: overwrite off
// counts the link as an existing file; overwrite on replaces the link itself.
void TestBatchHostile::outputsNeverWrittenThroughLinks()
{
    QFETCH(bool, overwrite);
    QFETCH(bool, dangling);
    SilentBatch batch(overwrite);
    QVERIFY(writeGlobe(batch.in() + "/a.png", 80, 60, 1));
    const QString outside = batch.in() + "/outside.txt";
    if (!dangling)
        QVERIFY(writeBytes(outside, "keep me"));
    QVERIFY(QFile::link(outside, batch.out() + "/a.png"));

    const QString report = batch.run("IN/a.png");
    QCOMPARE(batch.exitCode, overwrite ? 0 : 1);
    QCOMPARE(QFileInfo(batch.out() + "/a.png").isSymLink(), !overwrite);
    if (overwrite)
        QCOMPARE(QImage(batch.out() + "/a.png").size(), QSize(64, 32));
    else
        QVERIFY2(report.contains("exists"), qPrintable(report));
    QCOMPARE(QFile::exists(outside), !dangling);
    QCOMPARE(readBytes(outside), QByteArray(dangling ? "" : "keep me"));
}

void TestBatchHostile::collidingNamesAreKept()
{
    SilentBatch batch(false);
    for (const char *name : {"sat.001.png", "sat.002.png", "sat.003.png", "a.png", ".a.png"})
        QVERIFY(writeGlobe(batch.in() + "/" + name, 80, 60, int(std::strlen(name))));
    // Left by an earlier run: a renamed map takes the next free name instead.
    QVERIFY(writeBytes(batch.out() + "/sat_2.png", "earlier"));

    const QString report = batch.run("'IN/sat.*.png' IN/a.png IN/.a.png");
    QVERIFY2(batch.exitCode == 0, qPrintable(report));
    QVERIFY(report.contains("5 of 5 files converted"));
    QCOMPARE(QDir(batch.out()).entryList(QDir::Files, QDir::Name),
             (QStringList{"a.png", "a_2.png", "sat.png", "sat_2.png", "sat_3.png", "sat_4.png"}));
    QVERIFY2(report.contains(batch.in() + "/a.png -> " + batch.out() +
                             "/a_2.png (renamed: a.png was already written"),
             qPrintable(report));
    QVERIFY(report.contains("/sat_4.png (renamed: sat.png"));
}

void TestBatchHostile::messages_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<bool>("withOutputFolder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("folder as input") << "IN/folder" << true << "IN/folder: it is a folder";
    // Refused at once: the pictures after it are converted.
    QTest::newRow("FIFO as input") << "IN/fifo.jpg IN/two*" << true
                                   << "IN/fifo.jpg: it is a FIFO (named pipe), not a regular file";
    QTest::newRow("name not UTF-8")
        << "\"$(printf 'IN/bad\\377.png')\"" << true << "cannot be read (it is not valid UTF-8)";
    QTest::newRow("name not UTF-8 matched by a pattern")
        << "'IN/bad*'" << true << "cannot be read (it is not valid UTF-8)";
    QTest::newRow("newline in a name") << "\"$(printf 'IN/two\\nlines.png')\"" << true
                                       << "IN/two\\nlines.png -> OUT/two\\nlines.png";
    QTest::newRow("escape in a name") << "\"$(printf 'IN/\\033[2Jclear.png')\"" << true
                                      << "IN/\\x1b[2Jclear.png -> OUT/\\x1b[2Jclear.png";
    // Said once, before anything is converted: no line per file.
    QTest::newRow("output folder missing")
        << "IN/folder IN/missing.png" << false
        << "The output folder OUT does not exist: nothing was converted.";
}

void TestBatchHostile::messages()
{
    QFETCH(QString, arguments);
    QFETCH(bool, withOutputFolder);
    QFETCH(QString, expected);
    SilentBatch batch;
    QVERIFY(QDir(batch.in()).mkdir("folder"));
    QVERIFY(::mkfifo(QFile::encodeName(batch.in() + "/fifo.jpg").constData(), 0600) == 0);
    if (!withOutputFolder)
        QVERIFY(QDir(batch.out()).removeRecursively());
    // Written under a plain name first: a name that is not UTF-8 has no QString spelling.
    const QByteArray in = QFile::encodeName(batch.in());
    for (const QByteArray &name : {QByteArray("bad\377.png"), QByteArray("two\nlines.png"),
                                   QByteArray("\033[2Jclear.png")}) {
        QVERIFY(writeGlobe(batch.in() + "/plain.png", 80, 60));
        QVERIFY(::rename(in + "/plain.png", in + "/" + name) == 0);
    }
    const QString report = batch.run(arguments);
    expected.replace("IN", batch.in()).replace("OUT", batch.out());
    if (QTest::currentDataTag() == QLatin1String("name not UTF-8 matched by a pattern")) {
        // The helper of the command line's pattern expansion keeps such a name.
        const QStringList matches = filesMatchingPattern(batch.in(), "BAD*");
        QCOMPARE(matches.size(), 1);
        QString error;
        QVERIFY(readPicture(matches.first(), &error).isNull());
        QVERIFY(error.contains(expected));
    }
    QVERIFY2(report.contains(expected), qPrintable(report));
    if (!withOutputFolder)
        QVERIFY(!report.contains(batch.in() + "/folder:"));
    // Every report line is one line, free of raw control characters.
    for (const QChar c : report)
        QVERIFY(c == '\n' || c.category() != QChar::Other_Control);
}

QTEST_MAIN(TestBatchHostile)
#include "tst_batchhostile.moc"
