#pragma once

#include <QLabel>
#include <QPoint>

// The label of the preview window. It scales its pixmap to fit while keeping the aspect
// ratio, anchored at the top-left corner, with the painter's fast transformation so that
// resizing stays cheap for large maps. Its mouse gestures are reported like those of the
// selection view, but nothing listens to them and the preview shows no reaction.
class MyImage2 : public QLabel
{
    Q_OBJECT

public:
    explicit MyImage2(QWidget *parent = nullptr);

    // Gesture state, as in the selection view. The preview has no circle to edit, so it stays
    // in draw mode.
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
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
