// Whether a GIF file ends inside the data of one of its images, judged from its block
// structure alone: files cut at every kind of block, and whole files with and without the
// closing trailer.

#include "engine/pictureio/gifblocks.h"

#include <QtTest>

class GifBlocksTest : public QObject
{
    Q_OBJECT

private slots:
    void endsInsideAnImage_data();
    void endsInsideAnImage();
    void everyCutOfAWholeFile();
};

namespace {

// Header of a 4 x 4 picture with a global table of two colours.
QByteArray header()
{
    QByteArray bytes("GIF89a");
    bytes += QByteArray::fromHex("0400"
                                 "0400"
                                 "80"
                                 "00"
                                 "00"); // screen, flags, background, aspect
    bytes += QByteArray::fromHex("000000"
                                 "ffffff"); // the colour table
    return bytes;
}

// One image: descriptor, an optional local table of two colours, code size and two data
// sub-blocks (their content does not matter for the structure).
QByteArray image(bool localTable = false)
{
    QByteArray bytes = QByteArray::fromHex("2c"
                                           "0000"
                                           "0000"
                                           "0400"
                                           "0400");
    bytes += localTable ? QByteArray::fromHex("80"
                                              "ff0000"
                                              "00ff00")
                        : QByteArray::fromHex("00");
    bytes += QByteArray::fromHex("02"
                                 "03"
                                 "8c2d99"
                                 "02"
                                 "8e05"
                                 "00");
    return bytes;
}

QByteArray comment()
{
    return QByteArray::fromHex("21"
                               "fe"
                               "05") +
           QByteArray("hello") + QByteArray(1, '\0');
}

const QByteArray trailer = QByteArray::fromHex("3b");

} // namespace

void GifBlocksTest::endsInsideAnImage_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("endsInside");

    const QByteArray whole = header() + image() + trailer;
    QTest::newRow("whole") << whole << false;
    QTest::newRow("no trailer") << header() + image() << false;
    QTest::newRow("two images, whole") << header() + image() + image(true) + trailer << false;
    QTest::newRow("comment after the image") << header() + image() + comment() + trailer << false;
    QTest::newRow("cut inside a comment after the image")
        << header() + image() + comment().left(4) << false;
    QTest::newRow("cut in the descriptor") << header() + image().left(5) << true;
    QTest::newRow("cut in the local table") << header() + image(true).left(12) << true;
    QTest::newRow("cut before the code size") << header() + image().left(10) << true;
    QTest::newRow("cut in the data") << header() + image().left(14) << true;
    QTest::newRow("terminator missing") << header() + image().chopped(1) << true;
    QTest::newRow("second image cut") << header() + image() + image(true).left(18) << true;
    QTest::newRow("comment, then the image cut") << header() + comment() + image().left(13) << true;
    // Left to the decoder: too short to be a GIF, or a block the structure does not know.
    QTest::newRow("only a header") << header().left(10) << false;
    QTest::newRow("unknown block")
        << header() + QByteArray::fromHex("99") + image().left(5) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void GifBlocksTest::endsInsideAnImage()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, endsInside);
    QCOMPARE(gifEndsInsideAnImage(file), endsInside);
}

void GifBlocksTest::everyCutOfAWholeFile()
{
    // Cut anywhere between the first image's separator and its terminator, the file ends
    // inside the image; cut after the terminator, it does not.
    const QByteArray start = header();
    const QByteArray whole = start + image() + trailer;
    for (int length = 0; length <= whole.size(); ++length) {
        const bool insideImage = length > start.size() && length < whole.size() - 1;
        QVERIFY2(gifEndsInsideAnImage(whole.left(length)) == insideImage,
                 qPrintable(QStringLiteral("cut to %1 bytes").arg(length)));
    }
}

QTEST_MAIN(GifBlocksTest)
#include "tst_gifblocks.moc"
