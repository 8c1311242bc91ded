#include <QImage>
#include <QtTest>

#include <functional>

namespace {

QImage icon(const QString &name)
{
    return QImage(":/" + name).convertToFormat(QImage::Format_ARGB32);
}

bool inked(const QImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y)) != 0;
}

// The image with every pixel moved by the given map of (x, y) to the source position.
QImage remapped(const QImage &image, const std::function<QPoint(int, int)> &source)
{
    QImage result(image.size(), image.format());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QPoint from = source(x, y);
            result.setPixel(x, y, image.pixel(from.x(), from.y()));
        }
    return result;
}

QImage flippedVertically(const QImage &image)
{
    return remapped(image, [&](int x, int y) { return QPoint(x, image.height() - 1 - y); });
}

QImage flippedHorizontally(const QImage &image)
{
    return remapped(image, [&](int x, int y) { return QPoint(image.width() - 1 - x, y); });
}

QImage transposed(const QImage &image)
{
    return remapped(image, [](int x, int y) { return QPoint(y, x); });
}

int inkInRow(const QImage &image, int y)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += inked(image, x, y);
    return count;
}

} // namespace

class TestButtonIcons : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void blackOnTransparent_data();
    void blackOnTransparent();
    void shapesMatchTheirDirections_data();
    void shapesMatchTheirDirections();
    void upArrowHasHeadAboveOnePixelShaft();
    void minusIsTheBarOfThePlus();
};

void TestButtonIcons::initTestCase()
{
    Q_INIT_RESOURCE(icons);
}

void TestButtonIcons::blackOnTransparent_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
         {"up.png", "down.png", "left.png", "right.png", "large.png", "small.png"})
        QTest::newRow(name) << name;
}

void TestButtonIcons::blackOnTransparent()
{
    QFETCH(QString, name);
    const QImage loaded(":/" + name);
    QVERIFY2(!loaded.isNull(), qPrintable(name + " is missing from the resources"));
    QCOMPARE(loaded.size(), QSize(16, 16));
    QVERIFY(loaded.hasAlphaChannel());

    const QImage image = icon(name);
    int ink = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0)
                continue;
            ++ink;
            QCOMPARE(qRed(pixel), 0);
            QCOMPARE(qGreen(pixel), 0);
            QCOMPARE(qBlue(pixel), 0);
        }
    QVERIFY(ink > 8);
    QVERIFY(ink < 16 * 16 / 2);
}

void TestButtonIcons::shapesMatchTheirDirections_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QImage>("expected");

    const QImage up = icon("up.png");
    const QImage left = icon("left.png");
    const QImage large = icon("large.png");
    const QImage small = icon("small.png");
    QTest::newRow("down is up upside down") << icon("down.png") << flippedVertically(up);
    QTest::newRow("left is up turned on its side") << left << transposed(up);
    QTest::newRow("right is left mirrored") << icon("right.png") << flippedHorizontally(left);
    QTest::newRow("up is symmetric about its shaft")
        << up << remapped(up, [](int x, int y) { return QPoint(qBound(0, 14 - x, 15), y); });
    QTest::newRow("plus, left to right") << large << flippedHorizontally(large);
    QTest::newRow("plus, top to bottom") << large << flippedVertically(large);
    QTest::newRow("plus, turned") << large << transposed(large);
    QTest::newRow("minus, left to right") << small << flippedHorizontally(small);
    QTest::newRow("minus, top to bottom") << small << flippedVertically(small);
}

void TestButtonIcons::shapesMatchTheirDirections()
{
    QFETCH(QImage, image);
    QFETCH(QImage, expected);
    QCOMPARE(image, expected);
}

// The head is the widest part and lies above the middle; the shaft below it is one pixel wide.
void TestButtonIcons::upArrowHasHeadAboveOnePixelShaft()
{
    const QImage up = icon("up.png");
    int top = -1, bottom = -1, widestRow = -1, widest = 0;
    for (int y = 0; y < 16; ++y) {
        const int ink = inkInRow(up, y);
        if (ink == 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        if (ink > widest) {
            widest = ink;
            widestRow = y;
        }
    }
    QVERIFY(top >= 0);
    QCOMPARE(inkInRow(up, top), 1);
    QVERIFY(widest >= 7);
    QVERIFY(widestRow < 8);
    for (int y = widestRow + 1; y <= bottom; ++y)
        QCOMPARE(inkInRow(up, y), 1);
    QVERIFY(bottom - widestRow >= 4);
}

void TestButtonIcons::minusIsTheBarOfThePlus()
{
    const QImage large = icon("large.png");
    const QImage small = icon("small.png");
    int onlyInPlus = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (inked(small, x, y))
                QVERIFY(inked(large, x, y));
            else if (inked(large, x, y))
                ++onlyInPlus;
        }
    QVERIFY(onlyInPlus > 0);
    QCOMPARE(transposed(small).pixel(7, 3), large.pixel(7, 3));
}

QTEST_MAIN(TestButtonIcons)
#include "tst_buttonicons.moc"
