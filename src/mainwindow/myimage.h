#pragma once

#include "views/picturelabel.h"

// The label that shows the opened picture with the selection circle; the main window decides
// what each gesture does. It also reports plain movement in edit mode, which drives the main
// window's cursor feedback.
class MyImage : public PictureLabel
{
    Q_OBJECT

public:
    explicit MyImage(QWidget *parent = nullptr);

signals:
    void mouse_move(int x, int y);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
};
