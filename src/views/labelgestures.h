#pragma once

#include "views/labelgeometry.h"

#include <QMouseEvent>

#include <algorithm>

// The mouse gestures of a picture label turned into signals in picture coordinates; shared by
// the selection view and the preview label. A View is a QLabel with the public members
// selectionVisible, leftDown, rightDown and pressPos and the signals mouseleftdown,
// mouseleftup, mouserightup, size_changed and size_changing.
//
// Every test looks at the buttons held after the event, not at the button that caused it, so
// pressing a second button while the left one is held takes the left press again.
namespace labelgestures {

template <class View> void press(View &view, const QMouseEvent &event)
{
    const Qt::MouseButtons held = event.buttons();
    if (held & Qt::LeftButton) {
        if (!labelgeometry::hasPixmap(view))
            return;
        view.leftDown = true;
        view.pressPos = event.pos();
        const QPoint at = labelgeometry::PictureMapper(view).map(view.pressPos);
        emit view.mouseleftdown(at.x(), at.y());
    }
    if (held & Qt::RightButton)
        view.rightDown = true;
}

// Reports the dragged rectangle while a left press is held. Returns false when no left press
// is held, leaving the event to the caller.
template <class View> bool drag(View &view, const QMouseEvent &event)
{
    if (!view.leftDown)
        return false;
    if (!labelgeometry::hasPixmap(view))
        return true;
    const labelgeometry::PictureMapper mapper(view);
    const QRect rect = labelgeometry::dragRect(view.pressPos, event.pos());
    emit view.size_changing(mapper.map(view.pressPos.x()), mapper.map(view.pressPos.y()),
                            mapper.map(rect.left()), mapper.map(rect.top()),
                            mapper.map(rect.right()), mapper.map(rect.bottom()),
                            mapper.map(event.pos().x()), mapper.map(event.pos().y()));
    return true;
}

template <class View> void release(View &view, const QMouseEvent &event)
{
    const Qt::MouseButtons held = event.buttons();
    const bool leftHeld = held & Qt::LeftButton;
    const bool rightHeld = held & Qt::RightButton;

    // Without a pixmap the left gesture reports nothing, but the button state is still
    // brought up to date so that a later move cannot continue a drag that has ended.
    if (view.leftDown && !leftHeld && labelgeometry::hasPixmap(view)) {
        const labelgeometry::PictureMapper mapper(view);
        if (view.selectionVisible) {
            const QPoint at = mapper.map(event.pos());
            emit view.mouseleftup(at.x(), at.y());
        } else {
            // A circle centred on the press point whose radius is the larger extent of the
            // drag, counted Qt's way (right - left + 1).
            const QRect rect = labelgeometry::dragRect(view.pressPos, event.pos());
            emit view.size_changed(mapper.map(view.pressPos.x()), mapper.map(view.pressPos.y()),
                                   std::max(mapper.map(rect.width()), mapper.map(rect.height())));
        }
    }
    if (view.rightDown && !rightHeld)
        emit view.mouserightup();
    if (!leftHeld)
        view.leftDown = false;
    if (!rightHeld)
        view.rightDown = false;
}

} // namespace labelgestures
