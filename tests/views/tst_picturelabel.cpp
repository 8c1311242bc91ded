#include "mainwindow/myimage.h"
#include "preview/myimage2.h"
#include "viewtesting.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QtTest>

#include <memory>

using namespace viewtesting;

namespace {

// Collects the regions of the paint events a widget receives.
class PaintRecorder : public QObject
{
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

std::unique_ptr<PictureLabel> makeLabel(const QString &kind)
{
    if (kind == QLatin1String("MyImage"))
        return std::make_unique<MyImage>();
    return std::make_unique<MyImage2>();
}

} // namespace

// Both picture labels share their base class's painting; these tests check that a new pixmap
// makes the whole label repaint, because the picture is drawn over the frame as well.
class TestPictureLabel : public QObject
{
    Q_OBJECT

private slots:
    void newPixmapRepaintsFrame_data();
    void newPixmapRepaintsFrame();
    void overlayIsDrawnInPictureCoordinates_data();
    void overlayIsDrawnInPictureCoordinates();
};

void TestPictureLabel::newPixmapRepaintsFrame_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<QSize>("newPictureSize");

    for (const char *kind : {"MyImage", "MyImage2"}) {
        QTest::addRow("%s, picture replaced", kind) << kind << true << QSize(80, 40);
        QTest::addRow("%s, natural size", kind) << kind << false << QSize(200, 150);
        // An opened picture that fails leaves an empty pixmap.
        QTest::addRow("%s, picture cleared", kind) << kind << true << QSize();
    }
}

void TestPictureLabel::newPixmapRepaintsFrame()
{
    QFETCH(QString, kind);
    QFETCH(bool, scaled);
    QFETCH(QSize, newPictureSize);

    const std::unique_ptr<PictureLabel> label = makeLabel(kind);
    label->setFrameShape(QFrame::Box);
    label->setScaledContents(scaled);
    label->setPixmap(solidPixmap(QSize(60, 60), QColor(0, 255, 0)));
    label->resize(160, 120);
    label->show();
    QVERIFY(QTest::qWaitForWindowExposed(label.get()));
    QVERIFY(label->contentsRect() != label->rect());
    QApplication::processEvents();

    PaintRecorder recorder;
    label->installEventFilter(&recorder);
    label->setPixmap(newPictureSize.isValid() ? solidPixmap(newPictureSize) : QPixmap());
    QTRY_VERIFY(!recorder.painted.isEmpty());
    QCOMPARE(recorder.painted, QRegion(label->rect()));
}

void TestPictureLabel::overlayIsDrawnInPictureCoordinates_data()
{
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<QPoint>("marked");
    // The picture is 400 x 300 in a label of 200 x 150: scaled, a picture pixel is half a label
    // pixel.
    QTest::newRow("scaled into the label") << true << QPoint(60, 60);
    QTest::newRow("natural size") << false << QPoint(120, 120);
}

// What a huge picture's view draws over it lands where it would on the picture, and goes
// with the picture.
void TestPictureLabel::overlayIsDrawnInPictureCoordinates()
{
    QFETCH(bool, scaled);
    QFETCH(QPoint, marked);
    MyImage label;
    label.setScaledContents(scaled);
    label.resize(200, 150);
    label.setPixmap(solidPixmap(QSize(400, 300)));
    label.setOverlay([](QPainter &painter) { painter.fillRect(100, 100, 40, 40, Qt::red); });
    QCOMPARE(label.grab().toImage().pixelColor(marked), QColor(Qt::red));
    QCOMPARE(label.grab().toImage().pixelColor(marked / 2), pictureColour);
    label.setPixmap(solidPixmap(QSize(400, 300)));
    QCOMPARE(label.grab().toImage().pixelColor(marked), pictureColour);
}

QTEST_MAIN(TestPictureLabel)
#include "tst_picturelabel.moc"
