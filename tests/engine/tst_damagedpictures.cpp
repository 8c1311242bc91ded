// readPicture on damaged files: JPEG, PNG and GIF cut at many lengths, with flipped bytes in
// the header and the data, empty and text files, and headers that declare enormous sizes.
// Each is refused with a reason or, where the damage still decodes, gives a picture of the
// size its header declares; the enormous ones are refused as too large before any decoding,
// which the test checks with the address space capped where the build allows it.

#include "damagedpictures.h"
#include "engine/pictureio/picturereader.h"
#include "standarderrorcapture.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

using damagedpictures::Sample;

namespace {

// The address sanitizer reserves terabytes of address space itself; there a huge allocation
// is reported by the sanitizer instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSpaceCanBeCapped = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSpaceCanBeCapped = false;
#else
constexpr bool addressSpaceCanBeCapped = true;
#endif
#else
constexpr bool addressSpaceCanBeCapped = true;
#endif

// Caps the process's address space at its present size plus a margin while it lives, so that
// an allocation of gigabytes fails instead of succeeding lazily and hiding the fault.
class AddressSpaceCap
{
public:
    explicit AddressSpaceCap(qint64 margin)
    {
        if (!addressSpaceCanBeCapped || getrlimit(RLIMIT_AS, &previous) != 0)
            return;
        QFile status(QStringLiteral("/proc/self/statm"));
        if (!status.open(QIODevice::ReadOnly))
            return;
        const qint64 pages = status.readAll().split(' ').value(0).toLongLong();
        if (pages <= 0)
            return;
        rlimit capped = previous;
        capped.rlim_cur = rlim_t(pages * 4096 + margin);
        if (previous.rlim_max != RLIM_INFINITY && capped.rlim_cur > previous.rlim_max)
            return;
        active = setrlimit(RLIMIT_AS, &capped) == 0;
    }
    ~AddressSpaceCap()
    {
        if (active)
            setrlimit(RLIMIT_AS, &previous);
    }
    AddressSpaceCap(const AddressSpaceCap &) = delete;
    AddressSpaceCap &operator=(const AddressSpaceCap &) = delete;

    bool active = false;

private:
    rlimit previous{};
};

} // namespace

class DamagedPicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void intactFilesRead_data();
    void intactFilesRead();
    void damagedFiles_data();
    void damagedFiles();
    void enormousRefusedWithoutMemory_data();
    void enormousRefusedWithoutMemory();
    void smallImageOnHugeGifScreenIsMeasuredByItsScreen();

private:
    QTemporaryDir dir;
};

void DamagedPicturesTest::intactFilesRead_data()
{
    QTest::addColumn<QString>("format");
    // JPEG is lossy and the GIF holds 128 colours: how far a pixel may be off.
    QTest::addColumn<int>("tolerance");

    QTest::newRow("png") << "png" << 0;
    QTest::newRow("jpg") << "jpg" << 40;
    QTest::newRow("gif") << "gif" << 64;
}

// The damaged files are made from these; they must read, or the damage proves nothing.
void DamagedPicturesTest::intactFilesRead()
{
    QFETCH(QString, format);
    QFETCH(int, tolerance);
    const QString path = dir.filePath(QStringLiteral("intact.") + format);
    QVERIFY(writeBytes(path, damagedpictures::intactFile(format)));
    QString error;
    const QImage picture = readPicture(path, &error);
    QVERIFY2(!picture.isNull(), qPrintable(error));
    QCOMPARE(picture.size(), damagedpictures::intactSize);
    const QImage original = damagedpictures::intactPicture();
    for (const QPoint spot : {QPoint(32, 24), QPoint(20, 15), QPoint(2, 2), QPoint(50, 30)}) {
        const QRgb read = picture.pixel(spot), expected = original.pixel(spot);
        QVERIFY2(qAbs(qRed(read) - qRed(expected)) <= tolerance &&
                     qAbs(qGreen(read) - qGreen(expected)) <= tolerance &&
                     qAbs(qBlue(read) - qBlue(expected)) <= tolerance,
                 qPrintable(QStringLiteral("pixel (%1, %2)").arg(spot.x()).arg(spot.y())));
    }
}

void DamagedPicturesTest::damagedFiles_data()
{
    damagedpictures::addDamagedSampleRows();
}

void DamagedPicturesTest::damagedFiles()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(Sample::Outcome, outcome);
    QFETCH(QSize, declared);

    const QString path = dir.filePath(fileName);
    QVERIFY(writeBytes(path, bytes));
    QString error;
    StandardErrorCapture printed(dir.filePath(QStringLiteral("stderr.txt")));
    const QImage picture = readPicture(path, &error);
    // A cut file is told of in the reason alone: the decoders print nothing of their own.
    const QString printedText = printed.text();
    if (QString::fromLatin1(QTest::currentDataTag()).contains(QLatin1String(": cut")))
        QVERIFY2(printedText.isEmpty(), qPrintable(printedText));
    if (picture.isNull()) {
        QVERIFY2(!error.isEmpty(), "refused without a reason");
        if (outcome == Sample::TooLarge)
            QVERIFY2(error.contains(QLatin1String("too large")), qPrintable(error));
        return;
    }
    QVERIFY2(outcome == Sample::RefusedOrDeclaredSize,
             qPrintable(QStringLiteral("read as a %1 x %2 picture")
                            .arg(picture.width())
                            .arg(picture.height())));
    QCOMPARE(picture.size(), declared);
}

void DamagedPicturesTest::enormousRefusedWithoutMemory_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");

    for (const Sample &sample : damagedpictures::enormousSamples())
        QTest::newRow(qPrintable(sample.label)) << sample.fileName << sample.bytes;
}

// With at most 256 MiB more address space, a decoder that allocated the declared picture
// would fail with its own error, not with the size refusal.
void DamagedPicturesTest::enormousRefusedWithoutMemory()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);

    const QString path = dir.filePath(fileName);
    QVERIFY(writeBytes(path, bytes));
    QString error;
    QImage picture;
    {
        const AddressSpaceCap cap(qint64(256) << 20);
        if (!cap.active && addressSpaceCanBeCapped)
            QSKIP("the address space cannot be capped here");
        picture = readPicture(path, &error);
    }
    QVERIFY(picture.isNull());
    QVERIFY2(error.contains(QLatin1String("too large")), qPrintable(error));
}

// The GIF reader reports the size of the first image when the logical screen is more than
// ten times larger, yet decodes onto the whole screen: the screen is what must be measured.
void DamagedPicturesTest::smallImageOnHugeGifScreenIsMeasuredByItsScreen()
{
    const QString path = dir.filePath(QStringLiteral("screen-probe.gif"));
    QVERIFY(writeBytes(path, damagedpictures::gifDeclaring(QSize(20000, 20000), QSize(100, 100))));
    QString error;
    QVERIFY(readPicture(path, &error).isNull());
    QVERIFY2(error.contains(QLatin1String("20000 x 20000")), qPrintable(error));

    // Within the limit the same kind of file reads, at the size of its screen.
    const QString fits = dir.filePath(QStringLiteral("screen-fits.gif"));
    QVERIFY(writeBytes(fits, damagedpictures::gifDeclaring(QSize(3000, 2000), QSize(10, 10))));
    const QImage picture = readPicture(fits, &error);
    QVERIFY2(!picture.isNull(), qPrintable(error));
    QCOMPARE(picture.size(), QSize(3000, 2000));
}

QTEST_MAIN(DamagedPicturesTest)
#include "tst_damagedpictures.moc"
