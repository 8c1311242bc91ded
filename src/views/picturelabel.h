#pragma once

#include <QLabel>
#include <QPoint>

#include <functional>

class QPainter;
class QPixmap;

// A label that shows a picture and turns mouse gestures into signals in picture coordinates,
// whether the picture is shown at its natural size or scaled into the label. Scaled, the
// picture keeps its aspect ratio and is anchored at the top-left corner. QLabel's own painting
// is never run: it would draw the frame and a text and, with scaled contents, stretch the
// picture. The selection view and the preview label derive from it.
class PictureLabel : public QLabel
{
    Q_OBJECT

public:
    // Replaces QLabel::setPixmap so that the whole label is repainted, the frame included:
    // QLabel repaints only its contents rectangle, but the picture is drawn over the frame too,
    // which would keep the old picture's pixels (or the background) along its edges. The
    // overlay goes with the picture it was drawn over.
    void setPixmap(const QPixmap &pixmap);
    // Drawn over the picture each time the label is painted, with a painter whose coordinates
    // are the picture's pixels; an empty function draws nothing. For pictures too large to
    // copy for every change of what is drawn over them.
    void setOverlay(std::function<void(QPainter &)> draw);

    // Edit mode (a circle is shown) when true, draw mode when false.
    bool selectionVisible = false;
    bool leftDown = false;
    bool rightDown = false;
    QPoint pressPos;

signals:
    void mouseleftdown(int x, int y);
    void mouseleftup(int x, int y);
    void mouserightup();
    void clicked(int x, int y);
    void size_changed(int x, int y, int r);
    void size_changing(int cx, int cy, int x1, int y1, int x2, int y2, int x, int y);

protected:
    enum class Scaling
    {
        Smooth,
        Fast
    };
    PictureLabel(QWidget *parent, Scaling scaling);

    // Every test looks at the buttons held after the event, not at the button that caused it,
    // so pressing a second button while the left one is held takes the left press again.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Reports the dragged rectangle while a left press is held, else hands the event to
    // QLabel.
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

    // Reports the dragged rectangle while a left press is held. Returns false when no left
    // press is held, leaving the event to the caller.
    bool reportDrag(const QMouseEvent &event);

private:
    Scaling scaling;
    std::function<void(QPainter &)> overlay;
};
