#include "preview/myimage2.h"

#include "views/labelgeometry.h"
#include "views/labelgestures.h"

#include <QPainter>
#include <QPixmap>

MyImage2::MyImage2(QWidget *parent) : QLabel(parent)
{
}

void MyImage2::mousePressEvent(QMouseEvent *event)
{
    labelgestures::press(*this, *event);
}

void MyImage2::mouseReleaseEvent(QMouseEvent *event)
{
    labelgestures::release(*this, *event);
}

void MyImage2::mouseMoveEvent(QMouseEvent *event)
{
    if (!labelgestures::drag(*this, *event))
        QLabel::mouseMoveEvent(event);
}

// The label's own painting is never run, so neither its frame nor a text is drawn.
void MyImage2::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap *map = labelgeometry::labelPixmap(*this);
    if (!map)
        return;
    if (hasScaledContents())
        painter.drawPixmap(labelgeometry::fittedRect(size(), map->size()), *map);
    else
        painter.drawPixmap(0, 0, *map);
}
