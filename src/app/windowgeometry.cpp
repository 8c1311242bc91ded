#include "app/windowgeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

// restoreGeometry takes the size stored in the file as it stands, up to Qt's limit of 16777215
// pixels a side; a window of such a size makes Qt allocate its buffer (up to a petabyte) when it
// is shown, which kills the program. A side longer than twice the desktop's is no arrangement a
// user made, so it is shrunk to the desktop's available area; anything smaller is restored
// unchanged.
static int plausibleSide(int side, int desktopSide)
{
    return side > 2 * qint64(desktopSide) ? desktopSide : side;
}

void restoreWindowGeometry(QWidget *window, const QByteArray &geometry)
{
    window->restoreGeometry(geometry);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize desktop = screen->availableVirtualGeometry().size();
    const QSize size(plausibleSide(window->width(), desktop.width()),
                     plausibleSide(window->height(), desktop.height()));
    if (size != window->size())
        window->resize(size);
}
