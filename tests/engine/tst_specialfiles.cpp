// Reading user files: only regular files (or links to them) are read; folders, FIFOs, sockets,
// devices, dangling links and files over the size bound are refused with a reason and never
// block. readPicture refuses the same files.

#include "engine/picturereader.h"
#include "engine/regularfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Makes the special file a row asks for at path; false (with a reason in skip) when it
// cannot be made here.
bool makeEntry(const QString &kind, const QString &path, const QString &folder, QString *skip)
{
    const QByteArray name = QFile::encodeName(path);
    const QByteArray target = QFile::encodeName(folder + "/target");
    if (kind == "regular" || kind == "large")
        return QFile(path).open(QIODevice::WriteOnly) &&
               QFile(path).resize(kind == "large" ? 5000 : 100);
    if (kind == "folder")
        return ::mkdir(name.constData(), 0700) == 0;
    if (kind == "fifo")
        return ::mkfifo(name.constData(), 0600) == 0;
    if (kind == "link to fifo")
        return ::mkfifo(target.constData(), 0600) == 0 &&
               ::symlink(target.constData(), name.constData()) == 0;
    if (kind == "link to regular")
        return QFile(folder + "/target").open(QIODevice::WriteOnly) &&
               ::symlink(target.constData(), name.constData()) == 0;
    if (kind == "dangling link")
        return ::symlink(target.constData(), name.constData()) == 0;
    if (kind == "socket") {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(name.size()) >= sizeof address.sun_path) {
            *skip = QStringLiteral("the temporary folder's path is too long for a socket");
            return false;
        }
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool bound = socket >= 0 && ::bind(socket, reinterpret_cast<sockaddr *>(&address),
                                                 sizeof address) == 0;
        if (socket >= 0)
            ::close(socket);
        return bound;
    }
    if (kind == "character device") {
        if (geteuid() != 0) {
            *skip = QStringLiteral("making a device node needs root");
            return false;
        }
        // The null device's numbers: reading it would give nothing, but it must not be read.
        return ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    }
    return true; // "missing": nothing is made
}

} // namespace

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
    QTest::newRow("socket") << "socket"
                            << "socket";
    QTest::newRow("character device") << "character device"
                                      << "device";
    QTest::newRow("over the size bound") << "large"
                                         << "too large";
}

void SpecialFilesTest::onlyRegularFilesAreRead()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("entry");
    QString skip;
    if (!makeEntry(kind, path, dir.path(), &skip)) {
        if (!skip.isEmpty())
            QSKIP(qPrintable(skip));
        QFAIL("the entry could not be made");
    }

    QByteArray contents("left over");
    QString error;
    const bool read = readRegularFile(path, 1000, &contents, &error);
    QCOMPARE(read, reason.isEmpty());
    const bool regular = kind == "regular" || kind == "link to regular" || kind == "large";
    QCOMPARE(regularFileProblem(path).isEmpty(), regular);
    if (read) {
        QCOMPARE(contents.size(), kind == "regular" ? 100 : 0);
        return;
    }
    QVERIFY(contents.isEmpty());
    QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
    // The picture reader refuses the same entries, without blocking on the FIFO either.
    QVERIFY(readPicture(path, &error).isNull());
    if (kind != "large")
        QVERIFY2(error.contains(reason, Qt::CaseInsensitive), qPrintable(error));
}

QTEST_GUILESS_MAIN(SpecialFilesTest)
#include "tst_specialfiles.moc"
