#include "app/windowgeometry.h"

#include <QDataStream>
#include <QGuiApplication>
#include <QRect>
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

// restoreGeometry checks only the leading magic number: cut short, the rest reads as zeros
// and the window would be restored to an empty rectangle. What QWidget::saveGeometry writes
// (format versions 1 to 3) is read here in full first, and anything damaged is ignored.
static bool isIntactGeometry(const QByteArray &geometry)
{
    QDataStream stream(geometry);
    stream.setVersion(QDataStream::Qt_4_0);
    quint32 magic = 0;
    quint16 major = 0, minor = 0;
    QRect frame, normal, restored;
    qint32 screen = 0, screenWidth = 0;
    quint8 maximized = 0, fullScreen = 0;
    stream >> magic >> major >> minor >> frame >> normal >> screen >> maximized >> fullScreen;
    if (major > 1)
        stream >> screenWidth;
    if (major > 2)
        stream >> restored;
    return stream.status() == QDataStream::Ok && magic == 0x1D9D0CB && major >= 1 && major <= 3 &&
           frame.isValid() && normal.isValid();
}

void restoreWindowGeometry(QWidget *window, const QByteArray &geometry)
{
    if (!isIntactGeometry(geometry))
        return;
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
