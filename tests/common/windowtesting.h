#pragma once

#include "mainwindow/mainwindow.h"
#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Helpers shared by the main window's tests: a window set up as the program sets it up, test
// pictures and mouse events (modal boxes and file dialogs are answered by ModalAnswerer).
namespace windowtesting {

// A main window with its files in folder and the built-in texts (no language file there) and
// default settings (no settings file). The start-up timer is stopped, so the test decides
// when the start-up work runs.
inline std::unique_ptr<MainWindow> makeWindow(const QString &folder)
{
    auto window = std::make_unique<MainWindow>();
    window->startupTimer->stop();
    window->settingsFile = folder + QStringLiteral("/orvix.ini");
    window->langFile = folder + QStringLiteral("/orvix_lang.ini");
    window->loadLanguage();
    window->loadSettings();
    return window;
}

// Writes a picture of the given size whose pixels tell their position; returns its path.
inline QString writePicture(const QString &path, int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256 + y / 256) % 256));
    picture.save(path);
    return path;
}

// Mouse events delivered straight to a widget, with the buttons held after the event.
inline void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A move with the left button held (during a drag) or with no button (hovering).
inline void moveMouse(QWidget *widget, QPoint pos, bool leftHeld)
{
    sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton,
              leftHeld ? Qt::LeftButton : Qt::NoButton);
}

// Top-level widgets that are visible, for leak checks after a command.
inline int visibleTopLevels()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            ++count;
    return count;
}

} // namespace windowtesting
