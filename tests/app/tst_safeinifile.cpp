// INI files handed to QSettings only without values that its special "@" notation would
// decode: "@Variant(...)" and the rest in every spelling that QSettings unescapes to it are
// removed (the key then reads as missing), plain values and the geometries' byte arrays stay,
// and only regular files of a bounded size are read.

#include "app/safeinifile.h"
#include "testfiles.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// The 43-byte value that makes QSettings reserve a list of 2^31 - 1 items.
const QByteArray hugeList = "@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)";

} // namespace

class TestSafeIniFile : public QObject
{
    Q_OBJECT

private slots:
    void specialValuesRemoved_data();
    void specialValuesRemoved();
    void onlySmallRegularFilesRead();

private:
    QTemporaryDir dir;
};

void TestSafeIniFile::specialValuesRemoved_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("key");
    // What QSettings then reads under key: invalid for a removed line.
    QTest::addColumn<QVariant>("expected");

    const QString x = "x";
    QTest::newRow("plain value") << QByteArray("[General]\nx=12\n") << x << QVariant("12");
    QTest::newRow("the 43-byte file") << "[General]\nx=" + hugeList + "\n" << x << QVariant();
    QTest::newRow("quoted") << "x=\"" + hugeList + "\"" << x << QVariant();
    QTest::newRow("after an empty quoted part") << "x=\"\"  " + hugeList << x << QVariant();
    QTest::newRow("hex escape") << "x=\\x40" + hugeList.mid(1) << x << QVariant();
    QTest::newRow("long hex escape") << "x=\\x10040" + hugeList.mid(1) << x << QVariant();
    QTest::newRow("octal escape") << "x=\\100" + hugeList.mid(1) << x << QVariant();
    QTest::newRow("comma list") << "x=1, " + hugeList << x << QVariant();
    QTest::newRow("continued line") << "x=1,\\\n" + hugeList << x << QVariant();
    QTest::newRow("byte order mark") << "x=\xEF\xBB\xBF" + hugeList << x << QVariant();
    QTest::newRow("@Invalid()") << QByteArray("x=@Invalid()") << x << QVariant();
    QTest::newRow("@Size") << QByteArray("x=@Size(1 2)") << x << QVariant();
    QTest::newRow("next line kept") << "x=" + hugeList + "\ny=2"
                                    << "y" << QVariant("2");
    QTest::newRow("@@ is a plain @") << QByteArray("x=@@home") << x << QVariant("@home");
    QTest::newRow("@ inside a path") << QByteArray("x=/a/b@c.png") << x << QVariant("/a/b@c.png");
    QTest::newRow("@ after a line break in quotes")
        << QByteArray("x=\"a\n@Size(1 2)\"") << x << QVariant("a\n@Size(1 2)");
    QTest::newRow("geometry") << QByteArray("Geometry=@ByteArray(abc)") << "Geometry"
                              << QVariant(QByteArray("abc"));
    QTest::newRow("geometry as a variant") << "Geometry=" + hugeList << "Geometry" << QVariant();
    QTest::newRow("byte array under another key")
        << QByteArray("PenColor=@ByteArray(abc)") << "PenColor" << QVariant();
    QTest::newRow("geometry in another section")
        << QByteArray("[main]\nGeometry=@ByteArray(abc)") << "main/Geometry" << QVariant();
    QTest::newRow("language section") << "[main]\ntitle=" + hugeList << "main/title" << QVariant();
}

void TestSafeIniFile::specialValuesRemoved()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    const QString path = dir.filePath("user.ini");
    QVERIFY(writeBytes(path, text));
    const SafeIniFile safe(path, {"Geometry", "PreviewGeometry"});
    QVERIFY2(safe.ok(), qPrintable(safe.error()));
    QSettings settings(safe.path(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    QCOMPARE(settings.value(key), expected);
    QCOMPARE(safe.removedKeys().contains(key.section('/', -1)), !expected.isValid());
}

// A FIFO is refused without waiting, a file over the bound is refused whole: every key then
// reads as its default. A missing file is no error.
void TestSafeIniFile::onlySmallRegularFilesRead()
{
    const QString fifo = dir.filePath("fifo.ini"), large = dir.filePath("large.ini");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QVERIFY(writeBytes(large, "x=1\n" + QByteArray(5 * 1024 * 1024, ';')));
    for (const QString &path : {fifo, large}) {
        const SafeIniFile safe(path);
        QVERIFY(!safe.ok() && safe.error().startsWith(path));
        QVERIFY(QSettings(safe.path(), QSettings::IniFormat).allKeys().isEmpty());
    }
    QVERIFY(SafeIniFile(dir.filePath("missing.ini")).ok());
}

QTEST_GUILESS_MAIN(TestSafeIniFile)
#include "tst_safeinifile.moc"
