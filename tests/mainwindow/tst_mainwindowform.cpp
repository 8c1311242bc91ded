#include "app/programversion.h"
#include "debuglog.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/myimage.h"
#include "modalanswerer.h"
#include "mosaicwindow/mosaicdialog.h"
#include "preview/previewwindow.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

using windowdriver::formOf;

// The main window's form: widgets, geometry, texts, icons, menus, focus order and the binding
// of every on_ slot by object name.
class MainWindowFormTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everySlotIsBoundByName();
    void panelWidgets_data();
    void panelWidgets();
    void actions_data();
    void actions();
    void menus();
    void iconButtonsShowOnlyIcons();
    void windowLayout();
    void layouts_data();
    void layouts();
    void sizePolicies_data();
    void sizePolicies();
    void labelAlignment_data();
    void labelAlignment();
    void builtFormBeforeLanguage();
    void focusFollowsCreationOrder();
    void startValues();

private:
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
    // Answers any box a test did not expect, so that such a box fails the test instead of
    // waiting for a user.
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void MainWindowFormTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    window = windowtesting::makeWindow(folder.path());
}

void MainWindowFormTest::cleanup()
{
    window.reset();
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
}

void MainWindowFormTest::everySlotIsBoundByName()
{
    DebugLog warnings(QtWarningMsg);
    MainWindow fresh;
    fresh.startupTimer->stop();
    const QStringList slotBindingWarnings =
        warnings.lines.filter(QLatin1String("connectSlotsByName"));
    QVERIFY2(slotBindingWarnings.isEmpty(), qPrintable(slotBindingWarnings.join('\n')));

    // Every on_<object>_<signal> slot names a child and one of its signals.
    const QMetaObject *meta = fresh.metaObject();
    int bound = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod slot = meta->method(i);
        const QString name = QString::fromLatin1(slot.name());
        if (!name.startsWith(QLatin1String("on_")))
            continue;
        // Object names and signal names may both contain underscores: try every split.
        bool found = false;
        for (int split = name.indexOf('_', 3); split > 0 && !found;
             split = name.indexOf('_', split + 1)) {
            QObject *child = fresh.findChild<QObject *>(name.mid(3, split - 3));
            if (!child)
                continue;
            const QString signalName = name.mid(split + 1);
            const QMetaObject *childMeta = child->metaObject();
            for (int s = 0; s < childMeta->methodCount(); ++s) {
                const QMetaMethod signal = childMeta->method(s);
                if (signal.methodType() == QMetaMethod::Signal &&
                    QString::fromLatin1(signal.name()) == signalName &&
                    QMetaObject::checkConnectArgs(signal, slot))
                    found = true;
            }
        }
        QVERIFY2(found, qPrintable(name));
        ++bound;
    }
    QCOMPARE(bound, 37);
}

void MainWindowFormTest::panelWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("lineCenterX") << "lineCenterX"
                                 << "QLineEdit" << QRect(10, 140, 51, 30) << "0";
    QTest::newRow("lineCenterY") << "lineCenterY"
                                 << "QLineEdit" << QRect(70, 140, 51, 30) << "0";
    QTest::newRow("btnUp") << "btnUp"
                           << "QPushButton" << QRect(40, 180, 51, 30) << "";
    QTest::newRow("btnSizeUp") << "btnSizeUp"
                               << "QPushButton" << QRect(130, 200, 51, 30) << "";
    QTest::newRow("btnRight") << "btnRight"
                              << "QPushButton" << QRect(70, 220, 51, 30) << "";
    QTest::newRow("label_1") << "label_1"
                             << "QLabel" << QRect(10, 0, 191, 31) << "1) 画像を開く";
    QTest::newRow("btnSizeDown") << "btnSizeDown"
                                 << "QPushButton" << QRect(130, 240, 51, 30) << "";
    QTest::newRow("label_radius") << "label_radius"
                                  << "QLabel" << QRect(120, 120, 71, 21) << "半径";
    QTest::newRow("btnDown") << "btnDown"
                             << "QPushButton" << QRect(40, 260, 51, 30) << "";
    QTest::newRow("lineRadius") << "lineRadius"
                                << "QLineEdit" << QRect(130, 140, 51, 30) << "0";
    QTest::newRow("label_center") << "label_center"
                                  << "QLabel" << QRect(10, 120, 111, 21) << "中心点 (横, 縦)";
    QTest::newRow("btnLeft") << "btnLeft"
                             << "QPushButton" << QRect(10, 220, 51, 30) << "";
    QTest::newRow("btnConvert") << "btnConvert"
                                << "QPushButton" << QRect(30, 430, 111, 30) << "画像変換";
    QTest::newRow("btnImageRead") << "btnImageRead"
                                  << "QPushButton" << QRect(30, 30, 71, 30) << "開く";
    QTest::newRow("btnPreview") << "btnPreview"
                                << "QPushButton" << QRect(30, 340, 111, 30) << "プレビュー";
    QTest::newRow("label_2") << "label_2"
                             << "QLabel" << QRect(10, 70, 191, 41)
                             << "2) マウスで円の中心点・\n半径を選択、下記で微調整";
    QTest::newRow("label_3") << "label_3"
                             << "QLabel" << QRect(10, 300, 191, 41)
                             << "3) プレビューウィンドウで\n変換結果を確認";
    QTest::newRow("label_4") << "label_4"
                             << "QLabel" << QRect(10, 390, 191, 41)
                             << "4) 画像変換をし、ファイル\nへ保存";
    QTest::newRow("lineSaveFilename") << "lineSaveFilename"
                                      << "QLineEdit" << QRect(20, 500, 171, 30) << "";
    QTest::newRow("label_4_2") << "label_4_2"
                               << "QLabel" << QRect(20, 470, 151, 31) << "保存ファイル名";
    QTest::newRow("btnBrowse") << "btnBrowse"
                               << "QPushButton" << QRect(120, 540, 71, 30) << "参照";
}

void MainWindowFormTest::panelWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    QWidget *widget = window->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), formOf(*window).widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->geometry(), geometry);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        QCOMPARE(edit->text(), text);
        QCOMPARE(edit->toolTip(), QString());
    }
}

void MainWindowFormTest::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<QString>("text");

    QTest::newRow("preview window") << "actionPreview_Window" << true << "プレビューウィンドウ";
    QTest::newRow("auto preview") << "actionAuto_Preview" << true << "オートプレビュー";
    QTest::newRow("batch") << "actionBatch_Convert" << false << "複数画像ファイル変換";
    QTest::newRow("auto size") << "actionAuto_Size" << true << "自動拡大縮小";
    QTest::newRow("save param") << "actionSave_Param" << false << "中心点、半径の保存...";
    QTest::newRow("load param") << "actionLoad_Param" << false << "中心点、半径の読込...";
    QTest::newRow("setting") << "actionSetting" << false << "設定...";
    QTest::newRow("reset") << "actionParam_Reset" << false << "中心点、半径のリセット";
}

void MainWindowFormTest::actions()
{
    QFETCH(QString, name);
    QFETCH(bool, checkable);
    QFETCH(QString, text);

    auto *action = window->findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->isCheckable(), checkable);
    QVERIFY(!action->isChecked());
    QCOMPARE(action->text(), text);
    QVERIFY(action->shortcut().isEmpty());
    QVERIFY(action->icon().isNull());
}

void MainWindowFormTest::menus()
{
    const windowdriver::Form ui = formOf(*window);
    QCOMPARE(ui.menuFile->title(), QStringLiteral("ファイル"));
    QCOMPARE(ui.menuView->title(), QStringLiteral("表示"));
    const QList<QAction *> bar = ui.menuBar->actions();
    QCOMPARE(bar.size(), 4);
    QCOMPARE(bar[0], ui.menuFile->menuAction());
    QCOMPARE(bar[1], ui.menuView->menuAction());
    QCOMPARE(bar[2], ui.menuDisk->menuAction());
    QCOMPARE(bar[3], ui.menuMosaic->menuAction());
    QCOMPARE(ui.menuMosaic->actions(), QList<QAction *>{ui.actionMosaic});
    // The entry opens the mosaic dialog, offered the window's circle.
    bool offered = false;
    {
        ModalAnswerer answerer;
        answerer.then<MosaicDialog>([&](MosaicDialog *dialog) {
            offered = dialog->mainCircleValid == (window->radius > 0) &&
                      dialog->mainRadius == window->radius;
            dialog->reject();
        });
        ui.actionMosaic->trigger();
        QCOMPARE(answerer.pending(), 0);
    }
    QVERIFY(offered);

    QStringList fileEntries;
    for (QAction *action : ui.menuFile->actions())
        fileEntries << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    QCOMPARE(fileEntries, QStringList({"actionLoad_Param", "actionSave_Param", "actionParam_Reset",
                                       "-", "actionBatch_Convert", "-", "actionSetting"}));
    QStringList viewEntries;
    for (QAction *action : ui.menuView->actions())
        viewEntries << action->objectName();
    QCOMPARE(viewEntries,
             QStringList({"actionPreview_Window", "actionAuto_Preview", "actionAuto_Size"}));
    QStringList diskEntries;
    for (QAction *action : ui.menuDisk->actions())
        diskEntries << action->objectName();
    QCOMPARE(diskEntries, QStringList({"actionFind_Disk", "actionDetect_Disk"}));
    QCOMPARE(ui.actionFind_Disk->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));

    // The checkable entries toggle from the menu.
    ui.actionAuto_Preview->trigger();
    QVERIFY(ui.actionAuto_Preview->isChecked());
    QVERIFY(window->autoPreview);
    ui.actionAuto_Preview->trigger();
    QVERIFY(!window->autoPreview);
}

void MainWindowFormTest::iconButtonsShowOnlyIcons()
{
    const windowdriver::Form ui = formOf(*window);
    const QList<QPushButton *> buttons = {ui.btnUp,    ui.btnDown,   ui.btnLeft,
                                          ui.btnRight, ui.btnSizeUp, ui.btnSizeDown};
    for (QPushButton *button : buttons) {
        QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
        const QImage icon = button->icon().pixmap(16, 16).toImage();
        QCOMPARE(icon.size(), QSize(16, 16));
        QVERIFY(button->text().isEmpty());
    }
    QCOMPARE(ui.btnUp->iconSize(), QSize(16, 16));
    // Each icon is a different drawing.
    for (int i = 0; i < buttons.size(); ++i)
        for (int j = i + 1; j < buttons.size(); ++j)
            QVERIFY(buttons[i]->icon().pixmap(16, 16).toImage() !=
                    buttons[j]->icon().pixmap(16, 16).toImage());
}

void MainWindowFormTest::windowLayout()
{
    const windowdriver::Form ui = formOf(*window);
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->minimumSize(), QSize(600, 550));
    QVERIFY(window->acceptDrops());
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Kyuvia 画像変換ツール ") + QLatin1String(programVersion));
    QCOMPARE(ui.label->metaObject()->className(), "MyImage");
    QCOMPARE(ui.label->focusPolicy(), Qt::ClickFocus);
    QCOMPARE(ui.label->frameShape(), QFrame::Box);
    QVERIFY(ui.label->hasMouseTracking());
    QVERIFY(ui.scrollArea->widgetResizable());

    window->show();
    window->resize(600, 550);
    QCoreApplication::processEvents();
    QCOMPARE(ui.widget->width(), 200);
    QVERIFY(ui.widget->height() >= 500);
    const int narrowArea = ui.scrollArea->width();

    window->resize(1000, 700);
    QCoreApplication::processEvents();
    QCOMPARE(ui.widget->width(), 200);
    QCOMPARE(ui.scrollArea->width(), narrowArea + 400);
    // The view fills the visible part of the scroll area.
    QCOMPARE(ui.label->size(), ui.scrollArea->viewport()->size());
    QCOMPARE(ui.scrollArea->x(), ui.widget->geometry().right() + 1);
    QCOMPARE(ui.widget->x(), 4);
}

void MainWindowFormTest::layouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("leftMargin");

    // The preview window, a child of the main window, has layouts of the same names, so the
    // layouts are looked up below the central widget.
    QTest::newRow("window columns") << "horizontalLayout" << 0;
    // Only the left margin is set; the others stay at a nested layout's default.
    QTest::newRow("panel and scroll area") << "gridLayout" << 4;
    QTest::newRow("scrolled picture") << "horizontalLayout_3" << 0;
}

void MainWindowFormTest::layouts()
{
    QFETCH(QString, name);
    QFETCH(int, leftMargin);

    auto *layout = formOf(*window).centralWidget->findChild<QLayout *>(name);
    QVERIFY(layout);
    QCOMPARE(layout->spacing(), 0);
    QCOMPARE(layout->contentsMargins(), QMargins(leftMargin, 0, 0, 0));
}

void MainWindowFormTest::sizePolicies_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("horizontal");
    QTest::addColumn<int>("vertical");

    QTest::newRow("central widget")
        << "centralWidget" << int(QSizePolicy::Preferred) << int(QSizePolicy::Preferred);
    QTest::newRow("image label") << "label" << int(QSizePolicy::Expanding)
                                 << int(QSizePolicy::Expanding);
    QTest::newRow("control panel")
        << "widget" << int(QSizePolicy::Fixed) << int(QSizePolicy::Preferred);
}

void MainWindowFormTest::sizePolicies()
{
    QFETCH(QString, name);
    QFETCH(int, horizontal);
    QFETCH(int, vertical);

    QWidget *widget = window->findChild<QWidget *>(name);
    QVERIFY(widget);
    const QSizePolicy policy = widget->sizePolicy();
    QCOMPARE(int(policy.horizontalPolicy()), horizontal);
    QCOMPARE(int(policy.verticalPolicy()), vertical);
    QCOMPARE(policy.horizontalStretch(), 0);
    QCOMPARE(policy.verticalStretch(), 0);
}

void MainWindowFormTest::labelAlignment_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("wordWrap");
    QTest::addColumn<int>("indent");

    const int leftCentred = int(Qt::AlignLeft | Qt::AlignVCenter);
    QTest::newRow("label_1") << "label_1" << leftCentred << false << -1;
    QTest::newRow("label_radius") << "label_radius" << int(Qt::AlignCenter) << false << -1;
    QTest::newRow("label_center") << "label_center" << int(Qt::AlignCenter) << false << -1;
    QTest::newRow("label_2") << "label_2" << leftCentred << false << -1;
    QTest::newRow("label_3") << "label_3" << leftCentred << false << -1;
    QTest::newRow("label_4 wraps") << "label_4" << leftCentred << true << 0;
    QTest::newRow("label_4_2") << "label_4_2" << leftCentred << false << -1;
    QTest::newRow("image label") << "label" << int(Qt::AlignLeft | Qt::AlignTop) << false << -1;
}

void MainWindowFormTest::labelAlignment()
{
    QFETCH(QString, name);
    QFETCH(int, alignment);
    QFETCH(bool, wordWrap);
    QFETCH(int, indent);

    auto *label = window->findChild<QLabel *>(name);
    QVERIFY(label);
    QCOMPARE(int(label->alignment()), alignment);
    QCOMPARE(label->wordWrap(), wordWrap);
    QCOMPARE(label->indent(), indent);
}

// The form as it stands right after construction, before any language file or settings.
void MainWindowFormTest::builtFormBeforeLanguage()
{
    MainWindow fresh;
    fresh.startupTimer->stop();
    const windowdriver::Form ui = formOf(fresh);
    QCOMPARE(fresh.windowTitle(), QStringLiteral("Kyuvia 画像変換ツール"));
    QCOMPARE(fresh.size(), QSize(655, 606));
    QCOMPARE(fresh.centralWidget(), ui.centralWidget);
    QCOMPARE(fresh.menuBar(), ui.menuBar);
    QCOMPARE(ui.menuBar->geometry(), QRect(0, 0, 655, 22));
    QCOMPARE(ui.scrollArea->widget(), ui.scrollAreaWidgetContents);
    QCOMPARE(ui.label->parentWidget(), ui.scrollAreaWidgetContents);
    QCOMPARE(ui.widget->minimumSize(), QSize(200, 500));
    QCOMPARE(ui.centralWidget->minimumSize(), QSize(0, 0));
    QVERIFY(ui.lineSaveFilename->text().isEmpty());
    QVERIFY(ui.label->text().isEmpty());

    // The panel sits in the first column of the grid, the scroll area in the second.
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    ui.gridLayout->getItemPosition(ui.gridLayout->indexOf(ui.widget), &row, &column, &rowSpan,
                                   &columnSpan);
    QCOMPARE(QRect(column, row, columnSpan, rowSpan), QRect(0, 0, 1, 1));
    ui.gridLayout->getItemPosition(ui.gridLayout->indexOf(ui.scrollArea), &row, &column, &rowSpan,
                                   &columnSpan);
    QCOMPARE(QRect(column, row, columnSpan, rowSpan), QRect(1, 0, 1, 1));

    // Shrinking stops at the window's minimum, and the panel keeps its width.
    fresh.show();
    fresh.resize(300, 200);
    QCoreApplication::processEvents();
    QCOMPARE(fresh.size(), QSize(600, 550));
    QCOMPARE(ui.widget->width(), 200);
}

void MainWindowFormTest::focusFollowsCreationOrder()
{
    const windowdriver::Form ui = formOf(*window);
    const QList<QWidget *> expected = {ui.lineCenterX,      ui.lineCenterY,  ui.btnUp,
                                       ui.btnSizeUp,        ui.btnRight,     ui.btnSizeDown,
                                       ui.btnDown,          ui.lineRadius,   ui.btnLeft,
                                       ui.btnConvert,       ui.btnImageRead, ui.btnPreview,
                                       ui.lineSaveFilename, ui.btnBrowse};
    for (int i = 0; i + 1 < expected.size(); ++i) {
        QWidget *next = expected[i]->nextInFocusChain();
        while (next && !expected.contains(next))
            next = next->nextInFocusChain();
        QCOMPARE(next, expected[i + 1]);
    }
}

void MainWindowFormTest::startValues()
{
    QCOMPARE(window->batchMode, 1);
    QVERIFY(window->startupTimer);
    QCOMPARE(window->startupTimer->interval(), 1000);
    QVERIFY(!window->clickTimer->isActive());
    QVERIFY(!window->clickTimer->isSingleShot());
    QVERIFY(window->previewWindow);
    QVERIFY(!window->previewWindow->isVisible());
    QCOMPARE(window->previewWindow->parent(), window.get());
    QCOMPARE(window->penColor, QColor(255, 0, 0, 255));

    MainWindow fresh;
    QVERIFY(fresh.startupTimer->isActive());
    fresh.startupTimer->stop();
}

QTEST_MAIN(MainWindowFormTest)
#include "tst_mainwindowform.moc"
