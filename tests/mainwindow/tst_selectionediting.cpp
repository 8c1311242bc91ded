#include "debuglog.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/myimage.h"
#include "mainwindow/selectiongeometry.h"
#include "mainwindow/selectionoverlay.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

using windowdriver::formOf;

using selection::Zone;

Q_DECLARE_METATYPE(selection::Zone)
Q_DECLARE_METATYPE(selection::Circle)

namespace {

// The ways of changing the circle whose refresh is checked.
enum class Change
{
    Enter,
    Tick,
    NewCircle,
    Move,
    Resize,
    ClickOutside,
    RightClick,
    Reset
};

} // namespace

Q_DECLARE_METATYPE(Change)

// Editing the selection circle: zones, mouse gestures on the real view, arrow buttons with
// auto-repeat, line edits, reset, cursors and the overlay.
class SelectionEditingTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void zones_data();
    void zones();
    void gestures_data();
    void gestures();
    void newCircleNeedsRadiusAboveFour_data();
    void newCircleNeedsRadiusAboveFour();
    void clickOutsideThenRightClick();
    void resizeFeedbackShowsNewRadius();
    void arrowHeldAndReleasedOverButton_data();
    void arrowHeldAndReleasedOverButton();
    void arrowReleasedOutsideEndsRepeat();
    void shortClickMovesOnePixel();
    void sizeDownGoesBelowZero();
    void lineEditsTakeTypedValues_data();
    void lineEditsTakeTypedValues();
    void resetGivesDefaultCircle();
    void resetWithoutPicture();
    void cursors_data();
    void cursors();
    void overlayDrawnInPenColour();
    void extremeCircleValuesStaySafe_data();
    void extremeCircleValuesStaySafe();
    void changesRefresh_data();
    void changesRefresh();

private:
    void openPicture(int width, int height);
    QColor viewPixel(int x, int y) const;

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
    // Answers any box a test did not expect, so that such a box fails the test instead of
    // waiting for a user.
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void SelectionEditingTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    window = windowtesting::makeWindow(folder.path());
    // Natural size, so view positions are picture positions.
    window->autoSize = false;
    window->show();
    window->startWith({QStringLiteral("orvix")});
}

void SelectionEditingTest::cleanup()
{
    window.reset();
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void SelectionEditingTest::openPicture(int width, int height)
{
    window->loadFileName =
        windowtesting::writePicture(folder.filePath(QStringLiteral("picture.png")), width, height);
    window->openImage();
    QVERIFY(!window->sourceImage.isNull());
}

QColor SelectionEditingTest::viewPixel(int x, int y) const
{
    return formOf(*window).label->pixmap(Qt::ReturnByValue).toImage().pixelColor(x, y);
}

void SelectionEditingTest::zones_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<selection::Circle>("circle");
    QTest::addColumn<Zone>("zone");

    const selection::Circle small{500, 300, 294};
    QTest::newRow("near the centre") << QPoint(500, 305) << small << Zone::Move;
    QTest::newRow("on the circle line") << QPoint(794, 300) << small << Zone::Move;
    QTest::newRow("just inside the band") << QPoint(787, 300) << small << Zone::Move;
    QTest::newRow("corner beyond the band") << QPoint(790, 590) << small << Zone::Resize;
    QTest::newRow("upper left corner") << QPoint(210, 10) << small << Zone::Resize;
    QTest::newRow("far right") << QPoint(900, 300) << small << Zone::Outside;
    QTest::newRow("inside, off centre") << QPoint(400, 300) << small << Zone::Neutral;
    QTest::newRow("inner square corner") << QPoint(750, 550) << small << Zone::Neutral;
    // The default circle of the largest picture accepted, 16384 x 16384.
    const selection::Circle large{8192, 8192, 8028};
    QTest::newRow("large: near the centre") << QPoint(8195, 8190) << large << Zone::Move;
    QTest::newRow("large: on the line") << QPoint(8192 + 8028, 8192) << large << Zone::Move;
    QTest::newRow("large: on the line, top") << QPoint(8192, 8192 - 8030) << large << Zone::Move;
    QTest::newRow("large: inside the band, diagonal")
        << QPoint(8192 + 5674, 8192 + 5674) << large << Zone::Move;
    QTest::newRow("large: corner") << QPoint(8192 + 8025, 8192 + 8025) << large << Zone::Resize;
    QTest::newRow("large: inside") << QPoint(8192 + 4000, 8192) << large << Zone::Neutral;
    QTest::newRow("large: outside") << QPoint(8192 + 8100, 8192) << large << Zone::Outside;
}

void SelectionEditingTest::zones()
{
    QFETCH(QPoint, point);
    QFETCH(selection::Circle, circle);
    QFETCH(Zone, zone);
    QCOMPARE(selection::zoneAt(point.x(), point.y(), circle), zone);
}

void SelectionEditingTest::gestures_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<int>("centerX");
    QTest::addColumn<int>("centerY");
    QTest::addColumn<int>("radius");

    QTest::newRow("move from the centre")
        << QPoint(500, 305) << QPoint(520, 300) << 520 << 295 << 294;
    QTest::newRow("move from the line")
        << QPoint(794, 300) << QPoint(800, 310) << 506 << 310 << 294;
    QTest::newRow("resize from a corner")
        << QPoint(790, 590) << QPoint(800, 600) << 500 << 300 << 300;
    QTest::newRow("neutral press") << QPoint(400, 300) << QPoint(450, 320) << 500 << 300 << 294;
}

void SelectionEditingTest::gestures()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    QFETCH(int, centerX);
    QFETCH(int, centerY);
    QFETCH(int, radius);

    openPicture(1000, 600);
    QCOMPARE(window->radius, 294);
    MyImage *view = formOf(*window).label;
    QTest::mousePress(view, Qt::LeftButton, {}, press);
    windowtesting::moveMouse(view, release, true);
    QTest::mouseRelease(view, Qt::LeftButton, {}, release);

    QCOMPARE(window->centerX, centerX);
    QCOMPARE(window->centerY, centerY);
    QCOMPARE(window->radius, radius);
    QVERIFY(window->selectionVisible);
    QVERIFY(!window->moving && !window->resizing && !window->clickedOutside);
    QCOMPARE(formOf(*window).lineCenterX->text(), QString::number(centerX));
    QCOMPARE(formOf(*window).lineRadius->text(), QString::number(radius));
}

void SelectionEditingTest::newCircleNeedsRadiusAboveFour_data()
{
    QTest::addColumn<int>("dragLength");
    QTest::addColumn<bool>("taken");

    QTest::newRow("two pixels, r = 3") << 2 << false;
    QTest::newRow("three pixels, r = 4") << 3 << false;
    QTest::newRow("four pixels, r = 5") << 4 << true;
    QTest::newRow("long drag") << 120 << true;
}

void SelectionEditingTest::newCircleNeedsRadiusAboveFour()
{
    QFETCH(int, dragLength);
    QFETCH(bool, taken);

    openPicture(1000, 600);
    MyImage *view = formOf(*window).label;
    // A click outside hides the circle, so the next drag draws a new one.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(950, 50));
    QVERIFY(!window->selectionVisible);
    QVERIFY(!view->selectionVisible);

    const QPoint start(300, 200);
    const QPoint end = start + QPoint(dragLength, dragLength / 2);
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    windowtesting::moveMouse(view, end, true);
    if (dragLength > 4) {
        // Live feedback: the dragged circle shows while nothing changes yet.
        QCOMPARE(viewPixel(start.x() + dragLength, start.y()), QColor(Qt::red));
        QCOMPARE(window->radius, 294);
    }
    QTest::mouseRelease(view, Qt::LeftButton, {}, end);

    QCOMPARE(window->selectionVisible, taken);
    if (taken) {
        QCOMPARE(window->centerX, start.x());
        QCOMPARE(window->centerY, start.y());
        QCOMPARE(window->radius, dragLength + 1);
    } else {
        QCOMPARE(window->radius, 294);
        // The feedback is gone: the view shows the plain picture again.
        QCOMPARE(formOf(*window)
                     .label->pixmap(Qt::ReturnByValue)
                     .toImage()
                     .convertToFormat(QImage::Format_ARGB32),
                 window->sourceImage.convertToFormat(QImage::Format_ARGB32));
    }
}

void SelectionEditingTest::clickOutsideThenRightClick()
{
    openPicture(1000, 600);
    MyImage *view = formOf(*window).label;
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(900, 300));
    QVERIFY(!window->selectionVisible);
    QVERIFY(!view->selectionVisible);
    QCOMPARE(viewPixel(794, 300), window->sourceImage.pixelColor(794, 300));

    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(10, 10));
    QVERIFY(window->selectionVisible);
    QVERIFY(view->selectionVisible);
    QCOMPARE(window->centerX, 500);
    QCOMPARE(window->centerY, 300);
    QCOMPARE(window->radius, 294);
    QCOMPARE(viewPixel(794, 300), QColor(Qt::red));

    // A neutral click does nothing, also right after a click outside.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(900, 300));
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(400, 300));
    QVERIFY(window->selectionVisible);
    QCOMPARE(window->radius, 294);
}

void SelectionEditingTest::resizeFeedbackShowsNewRadius()
{
    openPicture(1000, 600);
    window->on_label_mouseleftdown(790, 590);
    QVERIFY(window->resizing);
    // The feedback circle has radius max(|dx|, |dy|) = 290: its line crosses (210, 300).
    QCOMPARE(viewPixel(210, 300), QColor(Qt::red));
    QCOMPARE(window->radius, 294);
    window->on_label_mouseleftup(790, 590);
    QCOMPARE(window->radius, 290);
    QVERIFY(!window->resizing);
}

void SelectionEditingTest::arrowHeldAndReleasedOverButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<int>("dr");

    QTest::newRow("up") << "btnUp" << 0 << -1 << 0;
    QTest::newRow("down") << "btnDown" << 0 << 1 << 0;
    QTest::newRow("left") << "btnLeft" << -1 << 0 << 0;
    QTest::newRow("right") << "btnRight" << 1 << 0 << 0;
    QTest::newRow("larger") << "btnSizeUp" << 0 << 0 << 1;
    QTest::newRow("smaller") << "btnSizeDown" << 0 << 0 << -1;
}

void SelectionEditingTest::arrowHeldAndReleasedOverButton()
{
    QFETCH(QString, button);
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(int, dr);

    openPicture(1000, 600);
    auto *arrow = window->findChild<QPushButton *>(button);
    QVERIFY(arrow);
    QTest::mousePress(arrow, Qt::LeftButton);
    QVERIFY(window->clickTimer->isActive());
    QVERIFY(!window->clickTimer->isSingleShot());
    QCOMPARE(window->clickTimer->interval(), 100);
    // The ticks are driven by hand: 100 ms to 2000 ms after the press.
    window->clickTimer->stop();
    for (int tick = 1; tick <= 20; ++tick) {
        window->click_timer();
        const int steps = qMax(0, tick - 10);
        QCOMPARE(window->centerX, 500 + steps * dx);
        QCOMPARE(window->centerY, 300 + steps * dy);
        QCOMPARE(window->radius, 294 + steps * dr);
    }
    // Every tick refreshed the line edits.
    QCOMPARE(formOf(*window).lineCenterX->text(), QString::number(500 + 10 * dx));

    QTest::mouseRelease(arrow, Qt::LeftButton);
    QCOMPARE(window->centerX, 500 + 11 * dx);
    QCOMPARE(window->centerY, 300 + 11 * dy);
    QCOMPARE(window->radius, 294 + 11 * dr);
    QVERIFY(window->clickTimer->isActive());
    QVERIFY(window->clickTimer->isSingleShot());

    // Its last tick only redraws.
    window->clickTimer->stop();
    window->click_timer();
    QCOMPARE(window->centerX, 500 + 11 * dx);
    QCOMPARE(formOf(*window).lineRadius->text(), QString::number(294 + 11 * dr));
}

void SelectionEditingTest::arrowReleasedOutsideEndsRepeat()
{
    openPicture(1000, 600);
    QPushButton *arrow = formOf(*window).btnRight;
    QTest::mousePress(arrow, Qt::LeftButton);
    window->clickTimer->stop();
    for (int tick = 1; tick <= 12; ++tick)
        window->click_timer();
    QCOMPARE(window->centerX, 502);

    QTest::mouseRelease(arrow, Qt::LeftButton, {}, QPoint(-30, -30));
    QCOMPARE(window->centerX, 502);
    window->clickTimer->start();
    window->click_timer();
    QVERIFY(!window->clickTimer->isActive());
    window->click_timer();
    QCOMPARE(window->centerX, 502);
}

void SelectionEditingTest::shortClickMovesOnePixel()
{
    openPicture(1000, 600);
    QTest::mouseClick(formOf(*window).btnLeft, Qt::LeftButton);
    QCOMPARE(window->centerX, 499);
    // Nothing is redrawn until the timer's last tick.
    QCOMPARE(formOf(*window).lineCenterX->text(), QStringLiteral("500"));
    window->clickTimer->stop();
    window->click_timer();
    QCOMPARE(formOf(*window).lineCenterX->text(), QStringLiteral("499"));
    QCOMPARE(window->centerX, 499);
}

void SelectionEditingTest::sizeDownGoesBelowZero()
{
    window->radius = 1;
    window->on_btnSizeDown_clicked();
    window->on_btnSizeDown_clicked();
    QCOMPARE(window->radius, -1);
    window->clickTimer->stop();
}

void SelectionEditingTest::lineEditsTakeTypedValues_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");

    QTest::newRow("radius abc") << "lineRadius"
                                << "abc" << 0;
    QTest::newRow("radius 250") << "lineRadius"
                                << "250" << 250;
    QTest::newRow("centre x negative") << "lineCenterX"
                                       << "-7" << -7;
    QTest::newRow("centre x decimal") << "lineCenterX"
                                      << "12.5" << 0;
    QTest::newRow("centre y too large") << "lineCenterY"
                                        << "99999999999" << 0;
    QTest::newRow("centre y hexadecimal") << "lineCenterY"
                                          << "0x10" << 0;
}

void SelectionEditingTest::lineEditsTakeTypedValues()
{
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(int, value);

    openPicture(1000, 600);
    auto *line = window->findChild<QLineEdit *>(edit);
    QVERIFY(line);
    line->clear();
    QTest::keyClicks(line, typed);
    QTest::keyClick(line, Qt::Key_Return);

    const int taken = edit == QLatin1String("lineRadius")    ? window->radius
                      : edit == QLatin1String("lineCenterX") ? window->centerX
                                                             : window->centerY;
    QCOMPARE(taken, value);
    // The edit keeps what was typed.
    QCOMPARE(line->text(), typed);
    QVERIFY(window->selectionVisible);
}

void SelectionEditingTest::resetGivesDefaultCircle()
{
    openPicture(1000, 600);
    window->on_label_mouserightup();
    window->centerX = 7;
    window->radius = 3;
    window->on_actionParam_Reset_triggered();
    QCOMPARE(window->centerX, 500);
    QCOMPARE(window->centerY, 300);
    QCOMPARE(window->radius, 294);
    QVERIFY(window->selectionVisible);
    QCOMPARE(formOf(*window).lineRadius->text(), QStringLiteral("294"));
    QCOMPARE(viewPixel(794, 300), QColor(Qt::red));
}

void SelectionEditingTest::resetWithoutPicture()
{
    window->centerX = 40;
    window->centerY = 50;
    window->radius = 60;
    window->window()->findChild<QAction *>(QStringLiteral("actionParam_Reset"))->trigger();
    QCOMPARE(window->centerX, 0);
    QCOMPARE(window->radius, 0);
    QVERIFY(!window->selectionVisible);
    QCOMPARE(formOf(*window).lineCenterY->text(), QStringLiteral("0"));
}

void SelectionEditingTest::cursors_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("shape");

    QTest::newRow("centre") << true << QPoint(500, 300) << int(Qt::SizeAllCursor);
    QTest::newRow("line") << true << QPoint(794, 300) << int(Qt::SizeAllCursor);
    QTest::newRow("lower right") << true << QPoint(790, 590) << int(Qt::SizeFDiagCursor);
    QTest::newRow("upper left") << true << QPoint(210, 10) << int(Qt::SizeFDiagCursor);
    QTest::newRow("lower left") << true << QPoint(210, 590) << int(Qt::SizeBDiagCursor);
    QTest::newRow("upper right") << true << QPoint(790, 10) << int(Qt::SizeBDiagCursor);
    QTest::newRow("neutral") << true << QPoint(400, 300) << -1;
    QTest::newRow("outside") << true << QPoint(900, 300) << -1;
    QTest::newRow("hidden circle") << false << QPoint(500, 300) << -1;
}

void SelectionEditingTest::cursors()
{
    QFETCH(bool, shown);
    QFETCH(QPoint, point);
    QFETCH(int, shape);

    openPicture(1000, 600);
    // Start from a zone cursor, so that every row also shows how it is replaced or removed.
    window->on_label_mouse_move(500, 300);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::SizeAllCursor);
    if (shown) {
        windowtesting::moveMouse(formOf(*window).label, point, false);
    } else {
        // The view reports no plain movement in draw mode; the slot itself falls back to the
        // normal cursor.
        window->on_label_mouserightup();
        window->on_label_mouse_move(point.x(), point.y());
    }

    if (shape < 0) {
        QVERIFY(!QGuiApplication::overrideCursor());
    } else {
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(int(QGuiApplication::overrideCursor()->shape()), shape);
        // Only one override cursor is in force.
        QGuiApplication::restoreOverrideCursor();
        QVERIFY(!QGuiApplication::overrideCursor());
        QGuiApplication::setOverrideCursor(QCursor(Qt::SizeAllCursor));
    }
}

void SelectionEditingTest::overlayDrawnInPenColour()
{
    window->penColor = QColor(0, 255, 0);
    openPicture(1000, 600);
    QCOMPARE(viewPixel(794, 300), QColor(0, 255, 0));
    QCOMPARE(viewPixel(500, 6), QColor(0, 255, 0));
    QCOMPARE(viewPixel(500, 300 - 2 * 3), QColor(0, 255, 0));
    // The dotted square leaves gaps along its edge.
    bool gap = false;
    for (int x = 206; x < 794; ++x)
        gap = gap || viewPixel(x, 6) != QColor(0, 255, 0);
    QVERIFY(gap);
    QCOMPARE(viewPixel(400, 300), window->sourceImage.pixelColor(400, 300));
}

void SelectionEditingTest::extremeCircleValuesStaySafe_data()
{
    QTest::addColumn<int>("centerX");
    QTest::addColumn<int>("centerY");
    QTest::addColumn<int>("radius");

    QTest::newRow("largest values") << INT_MAX << INT_MAX << INT_MAX;
    QTest::newRow("smallest values") << INT_MIN << INT_MIN << INT_MIN;
    QTest::newRow("huge radius") << 500 << 300 << 2000000000;
    QTest::newRow("negative radius") << 500 << 300 << -5;
}

void SelectionEditingTest::extremeCircleValuesStaySafe()
{
    QFETCH(int, centerX);
    QFETCH(int, centerY);
    QFETCH(int, radius);

    openPicture(400, 300);
    window->centerX = centerX;
    window->centerY = centerY;
    window->radius = radius;
    window->drawSelection();
    window->on_label_mouse_move(10, 10);
    window->on_label_mouseleftdown(10, 10);
    window->on_label_size_changing(10, 10, 0, 0, 0, 0, 390, 290);
    window->on_label_mouseleftup(390, 290);
    window->on_btnRight_clicked();
    window->on_btnSizeUp_clicked();
    window->clickTimer->stop();
    window->click_timer();
    // Steps saturate at the integer limits instead of wrapping around.
    if (centerX == INT_MAX)
        QCOMPARE(window->centerX, INT_MAX);
    if (centerX == INT_MIN)
        QVERIFY(window->centerX < 0 && window->centerY < 0);
    QVERIFY(!formOf(*window).label->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(formOf(*window).label->pixmap(Qt::ReturnByValue).size(), QSize(400, 300));
}

void SelectionEditingTest::changesRefresh_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("editsRewritten");
    QTest::addColumn<bool>("previewRefreshed");

    QTest::newRow("Enter in a line edit") << Change::Enter << false << true;
    QTest::newRow("tick of the click timer") << Change::Tick << true << true;
    QTest::newRow("new circle") << Change::NewCircle << true << true;
    QTest::newRow("move committed") << Change::Move << true << true;
    QTest::newRow("resize committed") << Change::Resize << true << true;
    QTest::newRow("click outside") << Change::ClickOutside << false << false;
    QTest::newRow("right click") << Change::RightClick << false << false;
    QTest::newRow("reset") << Change::Reset << true << false;
}

// Every change redraws the overlay (the drag feedback is gone afterwards); whether the line
// edits are rewritten and the preview refreshed depends on the change.
void SelectionEditingTest::changesRefresh()
{
    QFETCH(Change, change);
    QFETCH(bool, editsRewritten);
    QFETCH(bool, previewRefreshed);

    openPicture(1000, 600);
    MyImage *view = formOf(*window).label;
    if (change == Change::NewCircle) {
        QTest::mouseClick(view, Qt::RightButton, {}, QPoint(10, 10));
        QVERIFY(!window->selectionVisible);
    }
    // Texts that read as the current values but are not what the window writes.
    formOf(*window).lineRadius->setText(QStringLiteral("+294"));
    formOf(*window).lineCenterX->setText(QStringLiteral("+500"));
    formOf(*window).lineCenterY->setText(QStringLiteral("+300"));
    // Something other than the overlay, so that a missing redraw shows.
    formOf(*window).label->setPixmap(QPixmap());

    {
        DebugLog log;
        switch (change) {
        case Change::Enter:
            QTest::keyClick(formOf(*window).lineCenterY, Qt::Key_Return);
            break;
        case Change::Tick:
            QTest::mouseClick(formOf(*window).btnUp, Qt::LeftButton);
            window->clickTimer->stop();
            window->click_timer();
            break;
        case Change::NewCircle:
            QTest::mousePress(view, Qt::LeftButton, {}, QPoint(300, 200));
            windowtesting::moveMouse(view, QPoint(340, 220), true);
            QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(340, 220));
            break;
        case Change::Move:
            QTest::mousePress(view, Qt::LeftButton, {}, QPoint(500, 305));
            windowtesting::moveMouse(view, QPoint(520, 300), true);
            QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(520, 300));
            break;
        case Change::Resize:
            QTest::mousePress(view, Qt::LeftButton, {}, QPoint(790, 590));
            windowtesting::moveMouse(view, QPoint(800, 600), true);
            QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(800, 600));
            break;
        case Change::ClickOutside:
            QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(900, 300));
            break;
        case Change::RightClick:
            QTest::mouseClick(view, Qt::RightButton, {}, QPoint(10, 10));
            break;
        case Change::Reset:
            formOf(*window).actionParam_Reset->trigger();
            break;
        }
        QCOMPARE(log.count(QStringLiteral("updatePreview")), previewRefreshed ? 1 : 0);
    }

    QCOMPARE(formOf(*window).lineCenterX->text() != QLatin1String("+500"), editsRewritten);
    if (editsRewritten) {
        QCOMPARE(formOf(*window).lineRadius->text(), QString::number(window->radius));
        QCOMPARE(formOf(*window).lineCenterX->text(), QString::number(window->centerX));
        QCOMPARE(formOf(*window).lineCenterY->text(), QString::number(window->centerY));
    }
    const QImage expected =
        window->selectionVisible
            ? pictureWithOverlay(window->sourceImage, window->centerX, window->centerY,
                                 window->radius, {window->penSize, window->penColor}, true)
            : window->sourceImage.convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(view->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32),
             expected);
}

QTEST_MAIN(SelectionEditingTest)
#include "tst_selectionediting.moc"
