// Hostile inputs and outputs of the program's silent batch run: special files among the
// inputs, symbolic links under the maps' names, maps whose names collide within one run, and
// the messages for folders, unreadable names, control characters and a missing output folder.

#include "batch/batchfiles.h"
#include "batchtestsupport.h"
#include "engine/pictureio/picturereader.h"
#include "testimages.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

    QString run(const QString &arguments) { return runCommand("exec \"$0\" /batch " + arguments); }

    // A shell command line in which "$0" is the program; standard output goes to output.
    QString runCommand(QString commandLine)
    {
        commandLine.replace("IN", in()).replace("OUT", out());
        QProcess process;
        process.start("/bin/sh", {"-c", commandLine, program()});
        // The bound only keeps a hanging program from hanging CTest.
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return QStringLiteral("the run did not end");
        }
        exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        output = QString::fromLocal8Bit(process.readAllStandardOutput());
        return QString::fromLocal8Bit(process.readAllStandardError());
    }

    int exitCode = -1;
    QString output;

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
    void parallelRunsKeepTheirMaps_data();
    void parallelRunsKeepTheirMaps();
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

void TestBatchHostile::parallelRunsKeepTheirMaps_data()
{
    // Per run, its pictures' names, "|" between the names of one number (%1).
    QTest::addColumn<QStringList>("runs");
    QTest::newRow("two runs, the same names") << QStringList{"f%1.a", "f%1.a"};
    // f7.a and f7.b of one run make f7 and f7_2; the second run's f7_2.a wants f7_2 too.
    QTest::newRow("three runs, renamed maps racing for names")
        << QStringList{"f%1.a|f%1.b", "f%1_2.a", "f%1.a|f%1.b"};
}

// As the README recommends for large batches: runs at once into one folder, the same names,
// --no-overwrite. The pictures of each run have a colour of their own, so every map that a
// run reports as written must show its colour, and each map is reported by one run only.
void TestBatchHostile::parallelRunsKeepTheirMaps()
{
    QFETCH(QStringList, runs);
    SilentBatch batch(false);
    const QRgb colours[] = {qRgb(250, 0, 0), qRgb(0, 250, 0), qRgb(0, 0, 250)};
    constexpr int numbers = 20;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int run = 0; run < runs.size(); ++run) {
        const QString folder = QString("%1/%2").arg(batch.in()).arg(run);
        QVERIFY(QDir().mkpath(folder));
        for (int n = 0; n < numbers; ++n)
            for (const QString &name : runs[run].split('|'))
                QVERIFY(testimages::filled(80, 60, QImage::Format_RGB32, colours[run])
                            .save(folder + "/" + name.arg(n) + ".png"));
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(batch.program(), {"/batch", "--no-overwrite", "--size", "1024x1024",
                                                  "--", folder + "/*.png"});
    }
    QStringList reported;
    for (int run = 0; run < runs.size(); ++run) {
        QProcess &process = *processes[run];
        QVERIFY(process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit);
        const QString report = QString::fromLocal8Bit(process.readAllStandardError());
        int written = 0;
        for (const QString &line : report.split('\n', Qt::SkipEmptyParts)) {
            const int arrow = line.indexOf(" -> ");
            if (arrow < 0)
                continue;
            const QString input = QFileInfo(line.left(arrow)).fileName();
            const QString output = line.mid(arrow + 4).section(" (renamed", 0, 0);
            if (output.endsWith(": the output file already exists")) {
                // Only a map under its usual name fails: a renamed one claims a free number.
                QCOMPARE(QFileInfo(output).fileName().section('.', 0, 0), input.section('.', 0, 0));
                continue;
            }
            const QImage map(output);
            QVERIFY2(!map.isNull() && map.pixel(512, 512) == colours[run], qPrintable(line));
            reported << QFileInfo(output).fileName();
            ++written;
        }
        QVERIFY2(report.contains(QString("%1 of %2 files converted")
                                     .arg(written)
                                     .arg(numbers * (runs[run].count('|') + 1))),
                 qPrintable(report));
    }
    // Every map in the folder is reported once, and no temporary file is left.
    reported.sort();
    QCOMPARE(entries(batch.out()), reported);
}

void TestBatchHostile::messages_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<bool>("withOutputFolder");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("folder as input") << "IN/folder" << true << "IN/folder: it is a folder" << 1;
    // Refused at once: the pictures after it are converted.
    QTest::newRow("FIFO as input")
        << "IN/fifo.jpg IN/two*" << true
        << "IN/fifo.jpg: it is a FIFO (named pipe), not a regular file" << 1;
    QTest::newRow("name not UTF-8") << "\"$(printf 'IN/bad\\377.png')\"" << true
                                    << "cannot be read (it is not valid UTF-8)" << 1;
    QTest::newRow("name not UTF-8 matched by a pattern")
        << "'IN/bad*'" << true << "cannot be read (it is not valid UTF-8)" << 1;
    QTest::newRow("newline in a name") << "\"$(printf 'IN/two\\nlines.png')\"" << true
                                       << "IN/two\\nlines.png -> OUT/two\\nlines.png" << 0;
    QTest::newRow("escape in a name") << "\"$(printf 'IN/\\033[2Jclear.png')\"" << true
                                      << "IN/\\x1b[2Jclear.png -> OUT/\\x1b[2Jclear.png" << 0;
    // Said once, before anything is converted: no line per file, and nothing was run.
    QTest::newRow("output folder missing")
        << "IN/folder IN/missing.png" << false
        << "The output folder OUT does not exist: nothing was converted." << 2;
    QTest::newRow("symbolic link in a loop")
        << "IN/loop.png" << true << "IN/loop.png: it is a symbolic link in a loop" << 1;
    QTest::newRow("option without a name") << "--=5 IN/two*" << true << "--=5: unknown option" << 2;
    QTest::newRow("option value of 100000 characters")
        << "--quality=\"x$(printf '%099999d' 0)\" IN/two*" << true
        << "0000... (100000 characters in all) is not a whole number" << 2;
    // Whole command lines ("$0" is the program); the rows see standard output after standard
    // error. The noise picture's map does not fit under the limit (80 KB in blocks of 512 bytes).
    for (const QString format : {"jpg", "png"})
        QTest::newRow(qPrintable("file size limit, " + format))
            << "ulimit -f 160; exec \"$0\" /batch --format " + format +
                   " --circle 200,150,148 --size 1024x1024 IN/flat.png IN/noise.png"
            << true
            << QString("IN/flat.png -> OUT/flat.%1\nIN/noise.png -> OUT/noise.%1: %2\n1 of 2 files "
                       "converted, 1 failed.")
                   .arg(format, QString::fromLocal8Bit(std::strerror(EFBIG)))
            << 1;
    QTest::newRow("find-disk: newline in a name")
        << "exec \"$0\" --find-disk \"$(printf 'IN/gone\\nfile.png')\"" << true
        << "IN/gone\\nfile.png: no disk found" << 1;
    QTest::newRow("find-disk: escape in a name")
        << "exec \"$0\" --find-disk \"$(printf 'IN/\\033[2Jgone.png')\"" << true
        << "IN/\\x1b[2Jgone.png: no disk found" << 1;
    QTest::newRow("find-disk: standard output full")
        << "exec \"$0\" --find-disk IN/missing.png >/dev/full" << true
        << "the results could not be written: " + QString::fromLocal8Bit(std::strerror(ENOSPC))
        << 2;
}

void TestBatchHostile::messages()
{
    QFETCH(QString, arguments);
    QFETCH(bool, withOutputFolder);
    QFETCH(QString, expected);
    QFETCH(int, exitCode);
    SilentBatch batch;
    QVERIFY(QDir(batch.in()).mkdir("folder"));
    QVERIFY(::mkfifo(QFile::encodeName(batch.in() + "/fifo.jpg").constData(), 0600) == 0);
    QVERIFY(QFile::link("loop.png", batch.in() + "/loop.png"));
    if (!withOutputFolder)
        QVERIFY(QDir(batch.out()).removeRecursively());
    // Written under a plain name first: a name that is not UTF-8 has no QString spelling.
    const QByteArray in = QFile::encodeName(batch.in());
    for (const QByteArray &name : {QByteArray("bad\377.png"), QByteArray("two\nlines.png"),
                                   QByteArray("\033[2Jclear.png")}) {
        QVERIFY(writeGlobe(batch.in() + "/plain.png", 80, 60));
        QVERIFY(::rename(in + "/plain.png", in + "/" + name) == 0);
    }
    QImage noise(400, 300, QImage::Format_RGB32);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.bits()), 400 * 300);
    QVERIFY(noise.save(batch.in() + "/noise.png") &&
            testimages::filled(400, 300, QImage::Format_RGB32, 0xff1060c0)
                .save(batch.in() + "/flat.png"));
    const QString report = arguments.contains("$0") ? batch.runCommand(arguments) + batch.output
                                                    : batch.run(arguments);
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
    QVERIFY2(batch.exitCode == exitCode, qPrintable(report));
    if (!withOutputFolder)
        QVERIFY(!report.contains(batch.in() + "/folder:"));
    // Every report line is one short line, free of raw control characters.
    for (const QChar c : report)
        QVERIFY(c == '\n' || c.category() != QChar::Other_Control);
    QVERIFY2(report.size() < 2000, qPrintable(report.left(2000)));
    // A failed write says what the system said, and the encoders say nothing of their own.
    QVERIFY2(!report.contains("Bogus") && !report.contains("libpng"), qPrintable(report));
}

QTEST_MAIN(TestBatchHostile)
#include "tst_batchhostile.moc"
