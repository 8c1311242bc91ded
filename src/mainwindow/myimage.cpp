#include "mainwindow/myimage.h"

#include "views/labelgeometry.h"
#include "views/labelgestures.h"

#include <QPainter>
#include <QPixmap>

MyImage::MyImage(QWidget *parent) : QLabel(parent)
{
}

void MyImage::mousePressEvent(QMouseEvent *event)
{
    labelgestures::press(*this, *event);
}

void MyImage::mouseReleaseEvent(QMouseEvent *event)
{
    labelgestures::release(*this, *event);
}

void MyImage::mouseMoveEvent(QMouseEvent *event)
{
    if (labelgestures::drag(*this, *event))
        return;
    if (selectionVisible) {
        // Plain movement in edit mode drives the cursor feedback of the main window.
        if (!labelgeometry::hasPixmap(*this))
            return;
        const QPoint at = labelgeometry::PictureMapper(*this).map(event->pos());
        emit mouse_move(at.x(), at.y());
        return;
    }
    QLabel::mouseMoveEvent(event);
}

// The label's own painting is never run: it would draw the frame and, with scaled contents,
// stretch the picture without keeping its aspect ratio.
void MyImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap *picture = labelgeometry::labelPixmap(*this);
    if (!picture)
        return;
    if (hasScaledContents()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawPixmap(labelgeometry::fittedRect(size(), picture->size()), *picture);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawPixmap(QPointF(0.0, 0.0), *picture);
    }
}
