#include "mainwindow/myimage.h"

#include "views/labelgeometry.h"

#include <QMouseEvent>

// A scaled picture is drawn smoothly: the view shows the picture the circle is placed on.
MyImage::MyImage(QWidget *parent) : PictureLabel(parent, Scaling::Smooth)
{
}

void MyImage::mouseMoveEvent(QMouseEvent *event)
{
    if (reportDrag(*event))
        return;
    if (selectionVisible) {
        if (!labelgeometry::hasPixmap(*this))
            return;
        const QPoint at = labelgeometry::PictureMapper(*this).map(event->pos());
        emit mouse_move(at.x(), at.y());
        return;
    }
    QLabel::mouseMoveEvent(event);
}
