// Mouse events go through the window, as a user's do, so that the held buttons and the mouse
// grab of a drag are those of the real event delivery.
#define QTEST_QPA_MOUSE_HANDLING

#include "gesturelog.h"
#include "mainwindow/myimage.h"
#include "viewtesting.h"

#include <QSignalSpy>
#include <QtTest>

#include <climits>
#include <memory>

using namespace viewtesting;

class TestMyImage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pressReportsPictureCoordinates_data();
    void pressReportsPictureCoordinates();
    void drawModeDragProposesCircle_data();
    void drawModeDragProposesCircle();
    void dragReportsRectangle_data();
    void dragReportsRectangle();
    void editModePressAndRelease_data();
    void editModePressAndRelease();
    void plainMovement_data();
    void plainMovement();
    void labelWithoutPixmapReportsNothing_data();
    void labelWithoutPixmapReportsNothing();
    void rightPressRetakesLeftPress_data();
    void rightPressRetakesLeftPress();
    void rightClickAlone();
    void releaseAfterPixmapRemovedEndsGesture();
    void farDragSaturatesScaledCoordinates();

    void paintsScaledPictureTopLeft_data();
    void paintsScaledPictureTopLeft();
    void paintsNaturalSizeUnscaled();
    void scaledPaintingIsSmooth();
    void noPixmapPaintsNothing();

private:
    // A shown top-level view of the given size, picture and mode.
    MyImage *showView(QSize labelSize, QSize pictureSize, bool scaled, bool editMode);

    std::unique_ptr<MyImage> view;
};

void TestMyImage::init()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestMyImage::cleanup()
{
    view.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

MyImage *TestMyImage::showView(QSize labelSize, QSize pictureSize, bool scaled, bool editMode)
{
    view = std::make_unique<MyImage>();
    view->setFrameShape(QFrame::Box);
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (pictureSize.isValid())
        view->setPixmap(solidPixmap(pictureSize));
    view->setScaledContents(scaled);
    view->selectionVisible = editMode;
    markBackground(*view);
    view->resize(labelSize);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    return view->size() == labelSize ? view.get() : nullptr;
}

void TestMyImage::pressReportsPictureCoordinates_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("reported");

    QTest::newRow("natural size") << QSize(400, 300) << false << QPoint(100, 50) << QPoint(100, 50);
    QTest::newRow("natural size, beyond the picture")
        << QSize(40, 30) << false << QPoint(100, 50) << QPoint(100, 50);
    QTest::newRow("scaled 4000x3000 in 800x500, height decides")
        << QSize(4000, 3000) << true << QPoint(100, 50) << QPoint(600, 300);
    QTest::newRow("scaled 4000x1000 in 800x500, width decides")
        << QSize(4000, 1000) << true << QPoint(101, 51) << QPoint(505, 255);
    QTest::newRow("scaled up, truncated toward zero")
        << QSize(400, 100) << true << QPoint(101, 51) << QPoint(50, 25);
    QTest::newRow("scaled by 1/3, truncated toward zero")
        << QSize(2400, 1500) << true << QPoint(7, 8) << QPoint(21, 24);
    QTest::newRow("scaled empty picture") << QSize(0, 0) << true << QPoint(100, 50) << QPoint(0, 0);
    QTest::newRow("natural empty picture")
        << QSize(0, 0) << false << QPoint(100, 50) << QPoint(100, 50);
}

void TestMyImage::pressReportsPictureCoordinates()
{
    QFETCH(QSize, picture);
    QFETCH(bool, scaled);
    QFETCH(QPoint, press);
    QFETCH(QPoint, reported);

    for (bool editMode : {false, true}) {
        MyImage *label = showView(QSize(800, 500), picture, scaled, editMode);
        QVERIFY(label);
        QSignalSpy leftDown(label, &MyImage::mouseleftdown);
        QTest::mousePress(label, Qt::LeftButton, {}, press);
        QCOMPARE(leftDown.count(), 1);
        QCOMPARE(leftDown.at(0).at(0).toInt(), reported.x());
        QCOMPARE(leftDown.at(0).at(1).toInt(), reported.y());
        QVERIFY(label->leftDown);
        QCOMPARE(label->pressPos, press);
        QTest::mouseRelease(label, Qt::LeftButton, {}, press);
        QVERIFY(!label->leftDown);
    }
}

void TestMyImage::drawModeDragProposesCircle_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<QString>("proposal");

    QTest::newRow("natural, wider than tall")
        << QSize(400, 300) << false << QPoint(10, 10) << QPoint(30, 15) << "size_changed(10,10,21)";
    QTest::newRow("natural, no movement")
        << QSize(400, 300) << false << QPoint(10, 10) << QPoint(10, 10) << "size_changed(10,10,1)";
    QTest::newRow("natural, up and left, taller than wide")
        << QSize(400, 300) << false << QPoint(40, 40) << QPoint(35, 20) << "size_changed(40,40,21)";
    QTest::newRow("scaled by 6") << QSize(4000, 3000) << true << QPoint(100, 50) << QPoint(110, 53)
                                 << "size_changed(600,300,66)";
    QTest::newRow("scaled by 6, sides truncated separately")
        << QSize(4000, 3000) << true << QPoint(100, 50) << QPoint(104, 58)
        << "size_changed(600,300,54)";
    QTest::newRow("scaled by 1/2, radius truncated")
        << QSize(400, 250) << true << QPoint(11, 11) << QPoint(21, 12) << "size_changed(5,5,5)";
}

void TestMyImage::drawModeDragProposesCircle()
{
    QFETCH(QSize, picture);
    QFETCH(bool, scaled);
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    QFETCH(QString, proposal);

    MyImage *label = showView(QSize(800, 500), picture, scaled, false);
    QVERIFY(label);
    GestureLog log(label);
    QTest::mousePress(label, Qt::LeftButton, {}, press);
    if (release != press)
        QTest::mouseMove(label, release);
    QTest::mouseRelease(label, Qt::LeftButton, {}, release);
    QCOMPARE(log.entries.size(), release != press ? 3 : 2);
    QVERIFY(log.entries.first().startsWith("mouseleftdown("));
    QCOMPARE(log.entries.last(), proposal);
    QVERIFY(!label->leftDown);
}

void TestMyImage::dragReportsRectangle_data()
{
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<QPoint>("moveTo");
    QTest::addColumn<QString>("report");

    QTest::newRow("down and right")
        << false << false << QPoint(30, 15) << "size_changing(10,10,10,10,30,15,30,15)";
    QTest::newRow("normalized, left and down")
        << false << false << QPoint(5, 20) << "size_changing(10,10,5,10,10,20,5,20)";
    QTest::newRow("normalized, up and left")
        << false << false << QPoint(3, 4) << "size_changing(10,10,3,4,10,10,3,4)";
    QTest::newRow("edit mode reports it too")
        << false << true << QPoint(5, 20) << "size_changing(10,10,5,10,10,20,5,20)";
    QTest::newRow("scaled by 6, every value converted")
        << true << false << QPoint(5, 20) << "size_changing(60,60,30,60,60,120,30,120)";
}

void TestMyImage::dragReportsRectangle()
{
    QFETCH(bool, scaled);
    QFETCH(bool, editMode);
    QFETCH(QPoint, moveTo);
    QFETCH(QString, report);

    const QSize picture = scaled ? QSize(4000, 3000) : QSize(400, 300);
    MyImage *label = showView(QSize(800, 500), picture, scaled, editMode);
    QVERIFY(label);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(10, 10));
    GestureLog log(label);
    log.recordHover(label);
    QTest::mouseMove(label, moveTo);
    QCOMPARE(log.entries, QStringList{report});
    QTest::mouseRelease(label, Qt::LeftButton, {}, moveTo);
}

void TestMyImage::editModePressAndRelease_data()
{
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("same point") << false << QPoint(10, 10) << QPoint(10, 10)
                                << QStringList{"mouseleftdown(10,10)", "mouseleftup(10,10)"};
    QTest::newRow("after a drag") << false << QPoint(10, 10) << QPoint(30, 15)
                                  << QStringList{"mouseleftdown(10,10)",
                                                 "size_changing(10,10,10,10,30,15,30,15)",
                                                 "mouseleftup(30,15)"};
    QTest::newRow("scaled by 6") << true << QPoint(10, 10) << QPoint(10, 10)
                                 << QStringList{"mouseleftdown(60,60)", "mouseleftup(60,60)"};
}

void TestMyImage::editModePressAndRelease()
{
    QFETCH(bool, scaled);
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    QFETCH(QStringList, expected);

    const QSize picture = scaled ? QSize(4000, 3000) : QSize(400, 300);
    MyImage *label = showView(QSize(800, 500), picture, scaled, true);
    QVERIFY(label);
    GestureLog log(label);
    QTest::mousePress(label, Qt::LeftButton, {}, press);
    if (release != press)
        QTest::mouseMove(label, release);
    QTest::mouseRelease(label, Qt::LeftButton, {}, release);
    QCOMPARE(log.entries, expected);
}

void TestMyImage::plainMovement_data()
{
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("edit mode, natural size") << false << true << QStringList{"mouse_move(25,35)"};
    QTest::newRow("edit mode, scaled by 6") << true << true << QStringList{"mouse_move(150,210)"};
    QTest::newRow("draw mode reports nothing") << false << false << QStringList{};
}

void TestMyImage::plainMovement()
{
    QFETCH(bool, scaled);
    QFETCH(bool, editMode);
    QFETCH(QStringList, expected);

    const QSize picture = scaled ? QSize(4000, 3000) : QSize(400, 300);
    MyImage *label = showView(QSize(800, 500), picture, scaled, editMode);
    QVERIFY(label);
    label->setMouseTracking(true);
    QTest::mouseMove(label, QPoint(1, 1));
    GestureLog log(label);
    log.recordHover(label);
    QTest::mouseMove(label, QPoint(25, 35));
    QCOMPARE(log.entries, expected);
}

void TestMyImage::labelWithoutPixmapReportsNothing_data()
{
    QTest::addColumn<bool>("editMode");
    QTest::newRow("draw mode") << false;
    QTest::newRow("edit mode") << true;
}

void TestMyImage::labelWithoutPixmapReportsNothing()
{
    QFETCH(bool, editMode);

    MyImage *label = showView(QSize(800, 500), QSize(), true, editMode);
    QVERIFY(label);
    label->setMouseTracking(true);
    GestureLog log(label);
    log.recordHover(label);
    QTest::mouseMove(label, QPoint(5, 5));
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(label, QPoint(30, 15));
    QTest::mousePress(label, Qt::RightButton, {}, QPoint(30, 15));
    QTest::mouseRelease(label, Qt::RightButton, {}, QPoint(30, 15));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(30, 15));
    QCOMPARE(log.entries, QStringList{});
    QVERIFY(!label->leftDown);
    QVERIFY(!label->rightDown);
}

void TestMyImage::rightPressRetakesLeftPress_data()
{
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<QString>("leftRelease");

    QTest::newRow("draw mode") << false << "size_changed(40,30,11)";
    QTest::newRow("edit mode") << true << "mouseleftup(50,35)";
}

void TestMyImage::rightPressRetakesLeftPress()
{
    QFETCH(bool, editMode);
    QFETCH(QString, leftRelease);

    MyImage *label = showView(QSize(800, 500), QSize(400, 300), false, editMode);
    QVERIFY(label);
    GestureLog log(label);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(label, QPoint(40, 30));
    QTest::mousePress(label, Qt::RightButton, {}, QPoint(40, 30));
    QCOMPARE(label->pressPos, QPoint(40, 30));
    QVERIFY(label->leftDown);
    QVERIFY(label->rightDown);
    QTest::mouseRelease(label, Qt::RightButton, {}, QPoint(40, 30));
    QVERIFY(label->leftDown);
    QVERIFY(!label->rightDown);
    QTest::mouseMove(label, QPoint(50, 35));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(50, 35));
    QVERIFY(!label->leftDown);

    const QStringList expected{
        "mouseleftdown(10,10)", "size_changing(10,10,10,10,40,30,40,30)", "mouseleftdown(40,30)",
        "mouserightup()",       "size_changing(40,30,40,30,50,35,50,35)", leftRelease};
    QCOMPARE(log.entries, expected);
}

void TestMyImage::rightClickAlone()
{
    MyImage *label = showView(QSize(800, 500), QSize(400, 300), false, true);
    QVERIFY(label);
    GestureLog log(label);
    QTest::mousePress(label, Qt::RightButton, {}, QPoint(10, 10));
    QVERIFY(label->rightDown);
    QVERIFY(!label->leftDown);
    QTest::mouseRelease(label, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(log.entries, QStringList{"mouserightup()"});
    QVERIFY(!label->rightDown);
}

// Taking the pixmap away in the middle of a drag must not leave the drag running: a later
// plain move would otherwise be reported as a drag from the old press point.
void TestMyImage::releaseAfterPixmapRemovedEndsGesture()
{
    MyImage *label = showView(QSize(800, 500), QSize(400, 300), false, false);
    QVERIFY(label);
    label->setMouseTracking(true);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(10, 10));
    label->clear();
    GestureLog log(label);
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(30, 15));
    QVERIFY(!label->leftDown);
    label->setPixmap(solidPixmap(QSize(400, 300)));
    QTest::mouseMove(label, QPoint(40, 40));
    QCOMPARE(log.entries, QStringList{});
}

// A drag that leaves a tiny label showing a wide picture multiplies positions beyond the int
// range; they are reported at the range's ends instead of wrapping around.
void TestMyImage::farDragSaturatesScaledCoordinates()
{
    QWidget window;
    window.resize(200, 200);
    auto *label = new MyImage(&window);
    label->setGeometry(0, 0, 2, 2);
    label->setPixmap(solidPixmap(QSize(80000, 1)));
    label->setScaledContents(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    GestureLog log(label);
    const QPoint far(60000, -60000);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(label, far);
    QTest::mouseRelease(label, Qt::LeftButton, {}, far);
    const QString max = QString::number(INT_MAX);
    const QString min = QString::number(INT_MIN);
    const QStringList expected{
        "mouseleftdown(40000,40000)",
        QString("size_changing(40000,40000,40000,%1,%2,40000,%2,%1)").arg(min, max),
        QString("size_changed(40000,40000,%1)").arg(max)};
    QCOMPARE(log.entries, expected);
}

void TestMyImage::paintsScaledPictureTopLeft_data()
{
    QTest::addColumn<QSize>("labelSize");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("drawn");

    QTest::newRow("4000x3000 in 800x500")
        << QSize(800, 500) << QSize(4000, 3000) << QSize(666, 500);
    QTest::newRow("4000x1000 in 800x500")
        << QSize(800, 500) << QSize(4000, 1000) << QSize(800, 200);
    QTest::newRow("small picture enlarged") << QSize(800, 500) << QSize(100, 50) << QSize(800, 400);
    QTest::newRow("same proportions fill")
        << QSize(800, 500) << QSize(1600, 1000) << QSize(800, 500);
}

void TestMyImage::paintsScaledPictureTopLeft()
{
    QFETCH(QSize, labelSize);
    QFETCH(QSize, picture);
    QFETCH(QSize, drawn);

    MyImage *label = showView(labelSize, picture, true, false);
    QVERIFY(label);
    label->setText(QString());
    const QImage shot = grabImage(*label);
    QCOMPARE(paintedRect(shot), QRect(QPoint(0, 0), drawn));
    QVERIFY(filledWith(shot, QRect(QPoint(0, 0), drawn), pictureColour));
}

void TestMyImage::paintsNaturalSizeUnscaled()
{
    MyImage *label = showView(QSize(800, 500), QSize(), false, false);
    QVERIFY(label);
    label->setPixmap(stripedPixmap(QSize(300, 200)));
    const QImage shot = grabImage(*label);
    QCOMPARE(paintedRect(shot), QRect(0, 0, 300, 200));
    QCOMPARE(shot.copy(0, 0, 300, 200), stripedPixmap(QSize(300, 200)).toImage());
}

void TestMyImage::scaledPaintingIsSmooth()
{
    MyImage *label = showView(QSize(100, 100), QSize(), true, false);
    QVERIFY(label);
    label->setPixmap(stripedPixmap(QSize(200, 200)));
    const QImage shot = grabImage(*label);
    QCOMPARE(paintedRect(shot), QRect(0, 0, 100, 100));
    QVERIFY(hasGrey(shot, QRect(0, 0, 100, 100)));
}

// Neither the box frame nor a text is drawn: the label paints only its pixmap.
void TestMyImage::noPixmapPaintsNothing()
{
    MyImage *label = showView(QSize(200, 100), QSize(), true, false);
    QVERIFY(label);
    label->setText("text that is never shown");
    const QImage shot = grabImage(*label);
    QCOMPARE(paintedRect(shot), QRect());
}

QTEST_MAIN(TestMyImage)
#include "tst_myimage.moc"
