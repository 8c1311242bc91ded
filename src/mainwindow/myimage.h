#pragma once

#include <QLabel>
#include <QPoint>

// The label that shows the opened picture with the selection circle. It turns mouse gestures
// into signals in picture coordinates, whether the picture is shown at its natural size or
// scaled into the view; the main window decides what each gesture does.
class MyImage : public QLabel
{
    Q_OBJECT

public:
    explicit MyImage(QWidget *parent = nullptr);

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
    void mouse_move(int x, int y);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
