#define QTEST_QPA_MOUSE_HANDLING

#include "gesturelog.h"
#include "preview/myimage2.h"
#include "preview/previewwindow.h"
#include "views/labelgeometry.h"
#include "viewtesting.h"

#include <QHBoxLayout>
#include <QMenuBar>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace viewtesting;

namespace {

template <class Child> Child *child(const QWidget &window, const char *name)
{
    return window.findChild<Child *>(name);
}

MyImage2 *mapLabel(const QWidget &window)
{
    return child<MyImage2>(window, "label2");
}

QScrollArea *scrollArea(const QWidget &window)
{
    return child<QScrollArea>(window, "scrollArea");
}

} // namespace

class TestPreviewWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formHoldsItsObjects_data();
    void formHoldsItsObjects();
    void formSettings();
    void separateWindowOwnedByItsParent();

    void mapIsFittedTopLeft_data();
    void mapIsFittedTopLeft();
    void scalingIsNotSmoothed();
    void unscaledMapIsDrawnAtNaturalSize();
    void noMapPaintsNothing();
    void mouseLeavesPreviewUnchanged();

    void setPreviewImageShowsMap();
    void setPreviewImageReplacesMapAndSettings();
    void shrinkingBelowMinimumShowsScrollBars();
    void closeEmitsHiddenOnceAndKeepsMap();
    void hideEmitsNothing();

private:
    PreviewWindow *showWindow();

    std::unique_ptr<PreviewWindow> window;
    std::unique_ptr<MyImage2> label;
};

void TestPreviewWindow::init()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestPreviewWindow::cleanup()
{
    window.reset();
    label.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

PreviewWindow *TestPreviewWindow::showWindow()
{
    window = std::make_unique<PreviewWindow>();
    window->show();
    return QTest::qWaitForWindowExposed(window.get()) ? window.get() : nullptr;
}

void TestPreviewWindow::formHoldsItsObjects_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    QTest::newRow("central widget") << "centralwidget"
                                    << "QWidget"
                                    << "PreviewWindow";
    QTest::newRow("outer layout") << "horizontalLayout"
                                  << "QHBoxLayout"
                                  << "centralwidget";
    QTest::newRow("scroll area") << "scrollArea"
                                 << "QScrollArea"
                                 << "centralwidget";
    QTest::newRow("scrolled widget") << "scrollAreaWidgetContents"
                                     << "QWidget"
                                     << "qt_scrollarea_viewport";
    QTest::newRow("inner layout") << "horizontalLayout_2"
                                  << "QHBoxLayout"
                                  << "scrollAreaWidgetContents";
    QTest::newRow("map label") << "label2"
                               << "MyImage2"
                               << "scrollAreaWidgetContents";
    QTest::newRow("menu bar") << "menubar"
                              << "QMenuBar"
                              << "PreviewWindow";
}

void TestPreviewWindow::formHoldsItsObjects()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);

    PreviewWindow preview;
    QObject *object = preview.findChild<QObject *>(name);
    QVERIFY(object);
    QCOMPARE(QString(object->metaObject()->className()), className);
    QVERIFY(object->parent());
    QCOMPARE(object->parent()->objectName(), parentName);
}

void TestPreviewWindow::formSettings()
{
    PreviewWindow preview;
    QCOMPARE(preview.objectName(), QString("PreviewWindow"));
    QCOMPARE(preview.size(), QSize(640, 480));
    QCOMPARE(preview.windowTitle(), QString("Kyuvia 画像変換ツール（プレビュー）"));
    QCOMPARE(preview.centralWidget(), child<QWidget>(preview, "centralwidget"));
    QCOMPARE(preview.menuBar(), child<QMenuBar>(preview, "menubar"));
    QVERIFY(child<QMenuBar>(preview, "menubar")->actions().isEmpty());
    QCOMPARE(child<QHBoxLayout>(preview, "horizontalLayout")->contentsMargins(),
             QMargins(0, 0, 0, 0));
    QCOMPARE(child<QHBoxLayout>(preview, "horizontalLayout_2")->contentsMargins(),
             QMargins(0, 0, 0, 0));
    QVERIFY(scrollArea(preview)->widgetResizable());
    QCOMPARE(scrollArea(preview)->widget(), child<QWidget>(preview, "scrollAreaWidgetContents"));

    MyImage2 *map = mapLabel(preview);
    QCOMPARE(map->frameShape(), QFrame::Box);
    QVERIFY(map->hasScaledContents());
    QVERIFY(map->alignment().testFlag(Qt::AlignLeft));
    QVERIFY(map->alignment().testFlag(Qt::AlignTop));
    QVERIFY(map->text().isEmpty());
    QVERIFY(!labelgeometry::hasPixmap(*map));
    QVERIFY(!preview.isVisible());
    QVERIFY(!preview.testAttribute(Qt::WA_DeleteOnClose));
}

// The main window owns the preview, which still opens as a window of its own and goes away
// with its owner.
void TestPreviewWindow::separateWindowOwnedByItsParent()
{
    auto owner = std::make_unique<QWidget>();
    QPointer<PreviewWindow> preview = new PreviewWindow(owner.get());
    QVERIFY(preview->isWindow());
    QCOMPARE(preview->parentWidget(), owner.get());
    QVERIFY(!preview->isVisible());
    owner.reset();
    QVERIFY(preview.isNull());
}

void TestPreviewWindow::mapIsFittedTopLeft_data()
{
    QTest::addColumn<QSize>("labelSize");
    QTest::addColumn<QSize>("map");
    QTest::addColumn<QSize>("drawn");

    QTest::newRow("2048x1024 in 600x400, strip below")
        << QSize(600, 400) << QSize(2048, 1024) << QSize(600, 300);
    QTest::newRow("2048x1024 in 500x200, strip to the right")
        << QSize(500, 200) << QSize(2048, 1024) << QSize(400, 200);
    QTest::newRow("same proportions fill")
        << QSize(640, 320) << QSize(2048, 1024) << QSize(640, 320);
    QTest::newRow("small map enlarged") << QSize(600, 400) << QSize(64, 32) << QSize(600, 300);
    QTest::newRow("sides truncated") << QSize(333, 400) << QSize(2048, 1024) << QSize(333, 166);
}

void TestPreviewWindow::mapIsFittedTopLeft()
{
    QFETCH(QSize, labelSize);
    QFETCH(QSize, map);
    QFETCH(QSize, drawn);

    label = std::make_unique<MyImage2>();
    label->setFrameShape(QFrame::Box);
    label->setPixmap(solidPixmap(map));
    label->setScaledContents(true);
    markBackground(*label);
    label->resize(labelSize);
    const QImage shot = grabImage(*label);
    QCOMPARE(shot.size(), labelSize);
    QCOMPARE(paintedRect(shot), QRect(QPoint(0, 0), drawn));
    QVERIFY(filledWith(shot, QRect(QPoint(0, 0), drawn), pictureColour));
}

void TestPreviewWindow::scalingIsNotSmoothed()
{
    label = std::make_unique<MyImage2>();
    label->setPixmap(stripedPixmap(QSize(200, 200)));
    label->setScaledContents(true);
    markBackground(*label);
    label->resize(100, 100);
    const QImage shot = grabImage(*label);
    QCOMPARE(paintedRect(shot), QRect(0, 0, 100, 100));
    QVERIFY(!hasGrey(shot, QRect(0, 0, 100, 100)));
}

void TestPreviewWindow::unscaledMapIsDrawnAtNaturalSize()
{
    label = std::make_unique<MyImage2>();
    label->setPixmap(stripedPixmap(QSize(60, 40)));
    label->setScaledContents(false);
    markBackground(*label);
    label->resize(200, 100);
    const QImage shot = grabImage(*label);
    QCOMPARE(paintedRect(shot), QRect(0, 0, 60, 40));
    QCOMPARE(shot.copy(0, 0, 60, 40), stripedPixmap(QSize(60, 40)).toImage());
}

void TestPreviewWindow::noMapPaintsNothing()
{
    label = std::make_unique<MyImage2>();
    label->setFrameShape(QFrame::Box);
    label->setText("never drawn");
    markBackground(*label);
    label->resize(200, 100);
    QCOMPARE(paintedRect(grabImage(*label)), QRect());
}

// The preview label reports gestures like the selection view, but nothing is connected to it
// and what it shows does not change.
void TestPreviewWindow::mouseLeavesPreviewUnchanged()
{
    PreviewWindow *preview = showWindow();
    QVERIFY(preview);
    MyImage2 *map = mapLabel(*preview);
    // A map twice the label's size, so that picture positions are twice the label positions.
    preview->setPreviewImage(stripedPixmap(map->size() * 2).toImage());
    QCoreApplication::processEvents();
    const QImage before = grabImage(*preview);
    const Qt::CursorShape cursorBefore = map->cursor().shape();

    GestureLog log(map);
    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(map, QPoint(30, 15));
    QTest::mousePress(map, Qt::RightButton, {}, QPoint(30, 15));
    QTest::mouseRelease(map, Qt::RightButton, {}, QPoint(30, 15));
    QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(30, 15));
    QCoreApplication::processEvents();

    const QStringList expected{"mouseleftdown(20,20)", "size_changing(20,20,20,20,60,30,60,30)",
                               "mouseleftdown(60,30)", "mouserightup()", "size_changed(60,30,2)"};
    QCOMPARE(log.entries, expected);
    QVERIFY(!map->leftDown);
    QVERIFY(!map->rightDown);
    QCOMPARE(grabImage(*preview), before);
    QCOMPARE(map->cursor().shape(), cursorBefore);
}

void TestPreviewWindow::setPreviewImageShowsMap()
{
    PreviewWindow preview;
    QImage image(2048, 1024, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    preview.setPreviewImage(image);

    MyImage2 *map = mapLabel(preview);
    const QPixmap shown = map->pixmap(Qt::ReturnByValue);
    QCOMPARE(shown.size(), QSize(2048, 1024));
    QCOMPARE(shown.toImage().pixel(1000, 500), qRgba(10, 20, 30, 255));
    QCOMPARE(map->minimumSize(), QSize(320, 240));
    QVERIFY(map->hasScaledContents());
}

void TestPreviewWindow::setPreviewImageReplacesMapAndSettings()
{
    PreviewWindow preview;
    preview.setPreviewImage(solidPixmap(QSize(100, 50), Qt::red).toImage());
    MyImage2 *map = mapLabel(preview);
    map->setScaledContents(false);
    map->setMinimumSize(0, 0);

    preview.setPreviewImage(solidPixmap(QSize(80, 40), Qt::green).toImage());
    const QPixmap shown = map->pixmap(Qt::ReturnByValue);
    QCOMPARE(shown.size(), QSize(80, 40));
    QCOMPARE(shown.toImage().pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(map->minimumSize(), QSize(320, 240));
    QVERIFY(map->hasScaledContents());
}

void TestPreviewWindow::shrinkingBelowMinimumShowsScrollBars()
{
    PreviewWindow *preview = showWindow();
    QVERIFY(preview);
    preview->setPreviewImage(solidPixmap(QSize(2048, 1024)).toImage());
    QScrollArea *scroll = scrollArea(*preview);
    MyImage2 *map = mapLabel(*preview);
    QCoreApplication::processEvents();

    QVERIFY(!scroll->horizontalScrollBar()->isVisible());
    QVERIFY(!scroll->verticalScrollBar()->isVisible());
    QCOMPARE(map->size(), scroll->viewport()->size());

    preview->resize(250, 180);
    QCoreApplication::processEvents();
    QVERIFY(scroll->horizontalScrollBar()->isVisible());
    QVERIFY(scroll->verticalScrollBar()->isVisible());
    QCOMPARE(map->size(), QSize(320, 240));

    preview->resize(640, 480);
    QCoreApplication::processEvents();
    QVERIFY(!scroll->horizontalScrollBar()->isVisible());
    QVERIFY(!scroll->verticalScrollBar()->isVisible());
    QCOMPARE(map->size(), scroll->viewport()->size());
}

void TestPreviewWindow::closeEmitsHiddenOnceAndKeepsMap()
{
    PreviewWindow *preview = showWindow();
    QVERIFY(preview);
    preview->setPreviewImage(solidPixmap(QSize(100, 50), Qt::red).toImage());
    QSignalSpy hidden(preview, &PreviewWindow::hidden);
    QPointer<PreviewWindow> alive(preview);
    // The signal comes first, while the window is still shown; hiding follows.
    QList<bool> visibleAtSignal;
    connect(preview, &PreviewWindow::hidden, preview,
            [&] { visibleAtSignal << preview->isVisible(); });

    QVERIFY(preview->close());
    QCOMPARE(visibleAtSignal, QList<bool>{true});
    QCoreApplication::processEvents();
    QCOMPARE(hidden.count(), 1);
    QVERIFY(alive);
    QVERIFY(!preview->isVisible());
    QCOMPARE(mapLabel(*preview)->pixmap(Qt::ReturnByValue).size(), QSize(100, 50));

    preview->setPreviewImage(solidPixmap(QSize(80, 40), Qt::green).toImage());
    QCOMPARE(mapLabel(*preview)->pixmap(Qt::ReturnByValue).size(), QSize(80, 40));
    preview->show();
    QVERIFY(QTest::qWaitForWindowExposed(preview));
    QCOMPARE(hidden.count(), 1);
}

void TestPreviewWindow::hideEmitsNothing()
{
    PreviewWindow *preview = showWindow();
    QVERIFY(preview);
    QSignalSpy hidden(preview, &PreviewWindow::hidden);
    preview->hide();
    QCoreApplication::processEvents();
    QVERIFY(!preview->isVisible());
    QCOMPARE(hidden.count(), 0);
}

QTEST_MAIN(TestPreviewWindow)
#include "tst_previewwindow.moc"
