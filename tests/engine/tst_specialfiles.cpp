// Only regular files (or links to them) are read: folders, FIFOs, devices, dangling links and
// files over the size bound are refused with a reason, by the file reader and the picture
// reader alike, and a FIFO never blocks either of them.

#include "engine/pictureio/picturereader.h"
#include "engine/pictureio/regularfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

class SpecialFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
};

void SpecialFilesTest::onlyRegularFilesAreRead_data()
{
    QTest::addColumn<QString>("kind");
    // Empty when the file is read; otherwise a word of the reason.
    QTest::addColumn<QString>("reason");

    QTest::newRow("regular file") << "regular"
                                  << "";
    QTest::newRow("link to a regular file") << "link to regular"
                                            << "";
    QTest::newRow("missing") << "missing"
                             << "not found";
    QTest::newRow("folder") << "folder"
                            << "folder";
    QTest::newRow("FIFO") << "fifo"
                          << "FIFO";
    QTest::newRow("link to a FIFO") << "link to fifo"
                                    << "FIFO";
    QTest::newRow("dangling link") << "dangling link"
                                   << "link to nothing";
    QTest::newRow("character device") << "device"
                                      << "device";
    QTest::newRow("over the size bound") << "large"
                                         << "too large";
}

void SpecialFilesTest::onlyRegularFilesAreRead()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    if (kind == "device" && geteuid() != 0)
        QSKIP("making a device node needs root");
    QTemporaryDir dir;
    const QString path = dir.filePath("entry");
    const QByteArray name = QFile::encodeName(path), target = name + ".target";
    const QString made = kind.startsWith("link to ") ? target : path;
    if (kind.endsWith("regular") || kind == "large")
        QVERIFY(QFile(made).open(QIODevice::WriteOnly) &&
                QFile(made).resize(kind == "large" ? 5000 : 100));
    if (kind.endsWith("fifo"))
        QVERIFY(::mkfifo(QFile::encodeName(made).constData(), 0600) == 0);
    if (kind.startsWith("link") || kind == "dangling link")
        QVERIFY(::symlink(target.constData(), name.constData()) == 0);
    if (kind == "folder")
        QVERIFY(::mkdir(name.constData(), 0700) == 0);
    // The null device's numbers: it must not even be opened.
    if (kind == "device")
        QVERIFY(::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0);

    QByteArray contents("left over");
    QString error;
    QCOMPARE(readRegularFile(path, 1000, &contents, &error), reason.isEmpty());
    QCOMPARE(regularFileProblem(path).isEmpty(), reason.isEmpty() || kind == "large");
    QCOMPARE(contents.size(), reason.isEmpty() ? 100 : 0);
    QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    if (!reason.isEmpty() && kind != "large") {
        QVERIFY(readPicture(path, &error).isNull());
        QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(SpecialFilesTest)
#include "tst_specialfiles.moc"
