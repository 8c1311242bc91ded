#include "views/labelgeometry.h"

#include <QLabel>
#include <QPixmap>
#include <QtTest>

#include <climits>
#include <limits>

class TestLabelGeometry : public QObject
{
    Q_OBJECT

private slots:
    void viewScale_data();
    void viewScale();
    void scaleTruncated_data();
    void scaleTruncated();
    void fittedRect_data();
    void fittedRect();
    void pixmapPresence();
};

void TestLabelGeometry::viewScale_data()
{
    QTest::addColumn<QSize>("label");
    QTest::addColumn<QSize>("pixmap");
    QTest::addColumn<double>("scale");

    QTest::newRow("height decides") << QSize(800, 500) << QSize(4000, 3000) << 6.0;
    QTest::newRow("empty picture") << QSize(800, 500) << QSize(0, 0) << 0.0;
    QTest::newRow("label without width") << QSize(0, 500) << QSize(4000, 1000) << 2.0;
    QTest::newRow("empty label") << QSize(0, 0) << QSize(4000, 1000) << 0.0;
}

void TestLabelGeometry::viewScale()
{
    QFETCH(QSize, label);
    QFETCH(QSize, pixmap);
    QFETCH(double, scale);
    QCOMPARE(labelgeometry::viewScale(label, pixmap), scale);
}

void TestLabelGeometry::scaleTruncated_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("result");

    const double infinity = std::numeric_limits<double>::infinity();
    QTest::newRow("exact") << 100 << 6.0 << 600;
    QTest::newRow("positive, toward zero") << 7 << 1.0 / 3.0 << 2;
    QTest::newRow("negative, toward zero") << -7 << 1.0 / 3.0 << -2;
    QTest::newRow("largest int kept") << INT_MAX << 1.0 << INT_MAX;
    QTest::newRow("above the int range saturates") << 60000 << 40000.0 << INT_MAX;
    QTest::newRow("below the int range saturates") << -60000 << 40000.0 << INT_MIN;
    QTest::newRow("infinite scale saturates") << 3 << infinity << INT_MAX;
    QTest::newRow("zero times infinity gives zero") << 0 << infinity << 0;
}

void TestLabelGeometry::scaleTruncated()
{
    QFETCH(int, value);
    QFETCH(double, scale);
    QFETCH(int, result);
    QCOMPARE(labelgeometry::scaleTruncated(value, scale), result);
}

void TestLabelGeometry::fittedRect_data()
{
    QTest::addColumn<QSize>("label");
    QTest::addColumn<QSize>("pixmap");
    QTest::addColumn<QRect>("rect");

    QTest::newRow("4000x3000 in 800x500")
        << QSize(800, 500) << QSize(4000, 3000) << QRect(0, 0, 666, 500);
    QTest::newRow("2048x1024 in 600x400")
        << QSize(600, 400) << QSize(2048, 1024) << QRect(0, 0, 600, 300);
    QTest::newRow("2048x1024 in 500x200")
        << QSize(500, 200) << QSize(2048, 1024) << QRect(0, 0, 400, 200);
    QTest::newRow("same proportions")
        << QSize(640, 320) << QSize(2048, 1024) << QRect(0, 0, 640, 320);
    QTest::newRow("empty label") << QSize(0, 0) << QSize(2048, 1024) << QRect(0, 0, 0, 0);
    QTest::newRow("empty pixmap") << QSize(640, 320) << QSize(0, 0) << QRect();
}

void TestLabelGeometry::fittedRect()
{
    QFETCH(QSize, label);
    QFETCH(QSize, pixmap);
    QFETCH(QRect, rect);
    QCOMPARE(labelgeometry::fittedRect(label, pixmap), rect);
}

// An empty pixmap is still a pixmap; only a label that never had one, or was cleared, has none.
void TestLabelGeometry::pixmapPresence()
{
    QLabel label;
    QVERIFY(!labelgeometry::hasPixmap(label));
    QCOMPARE(labelgeometry::pixmapSize(label), QSize(0, 0));
    label.setPixmap(QPixmap());
    QVERIFY(labelgeometry::hasPixmap(label));
    label.setPixmap(QPixmap(30, 20));
    QCOMPARE(labelgeometry::pixmapSize(label), QSize(30, 20));
    label.clear();
    QVERIFY(!labelgeometry::hasPixmap(label));
}

QTEST_MAIN(TestLabelGeometry)
#include "tst_labelgeometry.moc"
