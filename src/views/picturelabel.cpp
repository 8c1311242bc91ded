#include "views/picturelabel.h"

#include "views/labelgeometry.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

using labelgeometry::hasPixmap;
using labelgeometry::PictureMapper;

PictureLabel::PictureLabel(QWidget *parent, Scaling scaling) : QLabel(parent), scaling(scaling)
{
}

void PictureLabel::setPixmap(const QPixmap &pixmap)
{
    overlay = nullptr;
    QLabel::setPixmap(pixmap);
    update();
}

void PictureLabel::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButtons held = event->buttons();
    if (held & Qt::LeftButton) {
        if (!hasPixmap(*this))
            return;
        leftDown = true;
        pressPos = event->pos();
        const QPoint at = PictureMapper(*this).map(pressPos);
        emit mouseleftdown(at.x(), at.y());
    }
    if (held & Qt::RightButton)
        rightDown = true;
}

bool PictureLabel::reportDrag(const QMouseEvent &event)
{
    if (!leftDown)
        return false;
    if (!hasPixmap(*this))
        return true;
    const PictureMapper mapper(*this);
    const QRect rect = labelgeometry::dragRect(pressPos, event.pos());
    emit size_changing(mapper.map(pressPos.x()), mapper.map(pressPos.y()), mapper.map(rect.left()),
                       mapper.map(rect.top()), mapper.map(rect.right()), mapper.map(rect.bottom()),
                       mapper.map(event.pos().x()), mapper.map(event.pos().y()));
    return true;
}

void PictureLabel::mouseMoveEvent(QMouseEvent *event)
{
    if (!reportDrag(*event))
        QLabel::mouseMoveEvent(event);
}

void PictureLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const Qt::MouseButtons held = event->buttons();
    const bool leftHeld = held & Qt::LeftButton;
    const bool rightHeld = held & Qt::RightButton;

    // Without a pixmap the left gesture reports nothing, but the button state is still
    // brought up to date so that a later move cannot continue a drag that has ended.
    if (leftDown && !leftHeld && hasPixmap(*this)) {
        const PictureMapper mapper(*this);
        if (selectionVisible) {
            const QPoint at = mapper.map(event->pos());
            emit mouseleftup(at.x(), at.y());
        } else {
            // A circle centred on the press point whose radius is the larger extent of the
            // drag, counted Qt's way (right - left + 1).
            const QRect rect = labelgeometry::dragRect(pressPos, event->pos());
            emit size_changed(mapper.map(pressPos.x()), mapper.map(pressPos.y()),
                              std::max(mapper.map(rect.width()), mapper.map(rect.height())));
        }
    }
    if (rightDown && !rightHeld)
        emit mouserightup();
    if (!leftHeld)
        leftDown = false;
    if (!rightHeld)
        rightDown = false;
}

void PictureLabel::setOverlay(std::function<void(QPainter &)> draw)
{
    overlay = std::move(draw);
    update();
}

void PictureLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap *picture = labelgeometry::labelPixmap(*this);
    if (!picture)
        return;
    if (hasScaledContents()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scaling == Scaling::Smooth);
        const QRect fitted = labelgeometry::fittedRect(size(), picture->size());
        painter.drawPixmap(fitted, *picture);
        if (picture->isNull())
            return;
        painter.scale(double(fitted.width()) / picture->width(),
                      double(fitted.height()) / picture->height());
    } else {
        painter.drawPixmap(QPointF(0.0, 0.0), *picture);
    }
    if (overlay)
        overlay(painter);
}
