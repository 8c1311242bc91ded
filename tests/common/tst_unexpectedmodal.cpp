#include <QElapsedTimer>
#include <QMessageBox>
#include <QtTest>

// A message box that no answerer handles fails its test within seconds instead of blocking it
// until CTest's timeout. This test is expected to fail with that message (CMake checks it).
class TestUnexpectedModal : public QObject
{
    Q_OBJECT

private slots:
    void boxThatNothingAnswers()
    {
        QElapsedTimer clock;
        clock.start();
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Unexpected"),
                        QStringLiteral("nothing answers this box"), QMessageBox::Ok);
        box.exec();
        // Reached only because the watch closed the box.
        QVERIFY(clock.elapsed() < 60000);
    }
};

QTEST_MAIN(TestUnexpectedModal)
#include "tst_unexpectedmodal.moc"
