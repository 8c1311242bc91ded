#include "batch/status.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

class TestStatus : public QObject
{
    Q_OBJECT

private slots:
    void formAsBuilt();
    void progress_data();
    void progress();
    void progressOfAnEmptyRun();
    void stopButtonRaisesTheFlag_data();
    void stopButtonRaisesTheFlag();
    void stopText();
};

void TestStatus::formAsBuilt()
{
    Status status;
    QCOMPARE(status.objectName(), QString("Status"));
    QCOMPARE(status.windowTitle(), QString("Dialog"));
    QCOMPARE(status.size(), QSize(400, 110));
    QVERIFY(!status.stopRequested);
    auto *bar = status.findChild<QProgressBar *>("progStatus");
    auto *count = status.findChild<QLabel *>("lblCount");
    auto *stop = status.findChild<QPushButton *>("btnStop");
    QVERIFY(bar && count && stop);
    QCOMPARE(bar->geometry(), QRect(10, 10, 381, 23));
    QCOMPARE(count->geometry(), QRect(140, 40, 121, 21));
    QCOMPARE(stop->geometry(), QRect(160, 70, 81, 30));
    QCOMPARE(bar->value(), 24);
    QCOMPARE(bar->alignment(), Qt::AlignCenter);
    QCOMPARE(count->text(), QString());
    QCOMPARE(count->alignment(), Qt::AlignCenter);
    QCOMPARE(stop->text(), QString("中止"));
    QVERIFY(!status.layout());
}

void TestStatus::progress_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("bar");
    QTest::addColumn<QString>("label");

    QTest::newRow("3 of 10") << 10 << 3 << 30 << "3 / 10";
    QTest::newRow("1 of 3 truncates 33.33") << 3 << 1 << 33 << "1 / 3";
    QTest::newRow("2 of 3 truncates 66.67") << 3 << 2 << 66 << "2 / 3";
    QTest::newRow("7 of 7 is full") << 7 << 7 << 100 << "7 / 7";
    QTest::newRow("29 of 100 is 28.999999999999996") << 100 << 29 << 28 << "29 / 100";
    QTest::newRow("57 of 100 is 56.99999999999999") << 100 << 57 << 56 << "57 / 100";
    QTest::newRow("none of 5") << 5 << 0 << 0 << "0 / 5";
}

void TestStatus::progress()
{
    QFETCH(int, total);
    QFETCH(int, current);
    QFETCH(int, bar);
    QFETCH(QString, label);

    Status status;
    status.setTotal(total);
    auto *progress = status.findChild<QProgressBar *>("progStatus");
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 100);
    QCOMPARE(progress->value(), 0);
    status.setProgress(current);
    QCOMPARE(progress->value(), bar);
    QCOMPARE(status.findChild<QLabel *>("lblCount")->text(), label);
}

void TestStatus::progressOfAnEmptyRun()
{
    // A run without files has no percentage; the bar stays empty instead of dividing by zero.
    Status status;
    status.setTotal(0);
    status.setProgress(0);
    QCOMPARE(status.findChild<QProgressBar *>("progStatus")->value(), 0);
    QCOMPARE(status.findChild<QLabel *>("lblCount")->text(), QString("0 / 0"));
}

void TestStatus::stopButtonRaisesTheFlag_data()
{
    QTest::addColumn<int>("clicks");
    QTest::newRow("one click") << 1;
    QTest::newRow("two clicks keep it set") << 2;
}

void TestStatus::stopButtonRaisesTheFlag()
{
    QFETCH(int, clicks);
    Status status;
    status.show();
    QVERIFY(QTest::qWaitForWindowExposed(&status));
    auto *stop = status.findChild<QPushButton *>("btnStop");
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(stop, Qt::LeftButton);
    QVERIFY(status.stopRequested);
}

void TestStatus::stopText()
{
    Status status;
    status.setStopText("Stop");
    QCOMPARE(status.findChild<QPushButton *>("btnStop")->text(), QString("Stop"));
    QVERIFY(!status.stopRequested);
}

QTEST_MAIN(TestStatus)
#include "tst_status.moc"
