#pragma once

#include "views/picturelabel.h"

// The label of the preview window. It scales its map with the painter's fast transformation
// so that resizing stays cheap for large maps. Its mouse gestures are reported like those of
// the selection view, but nothing listens to them; the preview has no circle to edit, so it
// stays in draw mode.
class MyImage2 : public PictureLabel
{
    Q_OBJECT

public:
    explicit MyImage2(QWidget *parent = nullptr);
};
