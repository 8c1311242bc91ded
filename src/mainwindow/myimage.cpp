#include "myimage.h"

MyImage::MyImage(QWidget *parent) : QLabel(parent) {}
void MyImage::mousePressEvent(QMouseEvent *) {}
void MyImage::mouseReleaseEvent(QMouseEvent *) {}
void MyImage::mouseMoveEvent(QMouseEvent *) {}
void MyImage::paintEvent(QPaintEvent *) {}
