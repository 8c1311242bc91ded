#pragma once

#include "mainwindow/myimage.h"

#include <QAction>
#include <QByteArray>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QWidget>

// The one place where the tests know the main window's form: its widgets, menus and actions
// found by their object names, so that the generated form stays private to the window's
// library. The names are the form's; a missing one ends the test run with its name.
namespace windowdriver {

template <typename T>
T *child(const QObject &parent, const char *name,
         Qt::FindChildOptions options = Qt::FindChildrenRecursively)
{
    T *found = parent.findChild<T *>(QLatin1String(name), options);
    if (!found)
        qFatal("the main window has no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// The parts of the main window that the tests read and work.
struct Form
{
    // The window's own dialogs and the preview window are its children too: the widgets are
    // looked up below the central widget, the menus below the menu bar, the actions among the
    // window's direct children.
    explicit Form(const QWidget &window)
        : centralWidget(child<QWidget>(window, "centralWidget", Qt::FindDirectChildrenOnly)),
          widget(child<QWidget>(*centralWidget, "widget")),
          scrollArea(child<QScrollArea>(*centralWidget, "scrollArea")),
          scrollAreaWidgetContents(child<QWidget>(*centralWidget, "scrollAreaWidgetContents")),
          gridLayout(child<QGridLayout>(*centralWidget, "gridLayout")),
          label(child<MyImage>(*centralWidget, "label")),
          label_1(child<QLabel>(*centralWidget, "label_1")),
          label_3(child<QLabel>(*centralWidget, "label_3")),
          btnImageRead(child<QPushButton>(*centralWidget, "btnImageRead")),
          btnBrowse(child<QPushButton>(*centralWidget, "btnBrowse")),
          btnConvert(child<QPushButton>(*centralWidget, "btnConvert")),
          btnPreview(child<QPushButton>(*centralWidget, "btnPreview")),
          btnUp(child<QPushButton>(*centralWidget, "btnUp")),
          btnDown(child<QPushButton>(*centralWidget, "btnDown")),
          btnLeft(child<QPushButton>(*centralWidget, "btnLeft")),
          btnRight(child<QPushButton>(*centralWidget, "btnRight")),
          btnSizeUp(child<QPushButton>(*centralWidget, "btnSizeUp")),
          btnSizeDown(child<QPushButton>(*centralWidget, "btnSizeDown")),
          lineCenterX(child<QLineEdit>(*centralWidget, "lineCenterX")),
          lineCenterY(child<QLineEdit>(*centralWidget, "lineCenterY")),
          lineRadius(child<QLineEdit>(*centralWidget, "lineRadius")),
          lineSaveFilename(child<QLineEdit>(*centralWidget, "lineSaveFilename")),
          menuBar(child<QMenuBar>(window, "menuBar", Qt::FindDirectChildrenOnly)),
          menuFile(child<QMenu>(*menuBar, "menuFile")),
          menuView(child<QMenu>(*menuBar, "menuView")),
          menuDisk(child<QMenu>(*menuBar, "menuDisk")),
          menuMosaic(child<QMenu>(*menuBar, "menuMosaic")),
          actionAuto_Preview(
              child<QAction>(window, "actionAuto_Preview", Qt::FindDirectChildrenOnly)),
          actionAuto_Size(child<QAction>(window, "actionAuto_Size", Qt::FindDirectChildrenOnly)),
          actionDetect_Disk(
              child<QAction>(window, "actionDetect_Disk", Qt::FindDirectChildrenOnly)),
          actionFind_Disk(child<QAction>(window, "actionFind_Disk", Qt::FindDirectChildrenOnly)),
          actionLoad_Param(child<QAction>(window, "actionLoad_Param", Qt::FindDirectChildrenOnly)),
          actionMosaic(child<QAction>(window, "actionMosaic", Qt::FindDirectChildrenOnly)),
          actionSave_Param(child<QAction>(window, "actionSave_Param", Qt::FindDirectChildrenOnly)),
          actionParam_Reset(
              child<QAction>(window, "actionParam_Reset", Qt::FindDirectChildrenOnly)),
          actionPreview_Window(
              child<QAction>(window, "actionPreview_Window", Qt::FindDirectChildrenOnly))
    {
    }

    QWidget *centralWidget;
    // The panel of controls left of the picture.
    QWidget *widget;
    QScrollArea *scrollArea;
    QWidget *scrollAreaWidgetContents;
    // The grid of the panel and the scroll area.
    QGridLayout *gridLayout;
    // The picture with the disk selection.
    MyImage *label;
    QLabel *label_1;
    QLabel *label_3;
    QPushButton *btnImageRead;
    QPushButton *btnBrowse;
    QPushButton *btnConvert;
    QPushButton *btnPreview;
    QPushButton *btnUp;
    QPushButton *btnDown;
    QPushButton *btnLeft;
    QPushButton *btnRight;
    QPushButton *btnSizeUp;
    QPushButton *btnSizeDown;
    QLineEdit *lineCenterX;
    QLineEdit *lineCenterY;
    QLineEdit *lineRadius;
    QLineEdit *lineSaveFilename;
    QMenuBar *menuBar;
    QMenu *menuFile;
    QMenu *menuView;
    QMenu *menuDisk;
    QMenu *menuMosaic;
    QAction *actionAuto_Preview;
    QAction *actionAuto_Size;
    QAction *actionDetect_Disk;
    QAction *actionFind_Disk;
    QAction *actionLoad_Param;
    QAction *actionMosaic;
    QAction *actionSave_Param;
    QAction *actionParam_Reset;
    QAction *actionPreview_Window;
};

// The form of a window (a MainWindow), found afresh: widgets the window replaces are found too.
inline Form formOf(const QWidget &window)
{
    return Form(window);
}

} // namespace windowdriver
