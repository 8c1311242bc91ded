#include "preview/myimage2.h"

MyImage2::MyImage2(QWidget *parent) : PictureLabel(parent, Scaling::Fast)
{
}
