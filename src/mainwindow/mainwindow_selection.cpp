#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/basics/diagnostics.h"
#include "mainwindow/selectiongeometry.h"
#include "mainwindow/selectionoverlay.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

// Whether the value rounds to a whole pixel that the circle's int members can hold.
bool roundsToPixel(double value)
{
    const double rounded = std::round(value);
    return rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max();
}

} // namespace

// --- Line edits, overlay and refresh ---

void MainWindow::updateScreenParameter()
{
    ui->lineRadius->setText(QString::number(radius));
    ui->lineCenterX->setText(QString::number(centerX));
    ui->lineCenterY->setText(QString::number(centerY));
    qCDebug(orvixDiagnostics).noquote()
        << "updateScreenParameter, " << radius << centerX << centerY;
    qCDebug(orvixDiagnostics).noquote() << "SetScreenParameter, " << ui->lineRadius->text()
                                        << ui->lineCenterX->text() << ui->lineCenterY->text();
}

void MainWindow::readScreenParameter()
{
    // A text that is not a base-10 integer (or does not fit in 32 bits) reads as 0.
    radius = ui->lineRadius->text().toInt(nullptr, 10);
    centerX = ui->lineCenterX->text().toInt(nullptr, 10);
    centerY = ui->lineCenterY->text().toInt(nullptr, 10);
    dropStaleCircleFractions();
}

// --- Sub-pixel circle ---

void MainWindow::setExactCircle(double exactCenterX, double exactCenterY, double exactRadius)
{
    // Not-a-number and values beyond the int range give no circle to show.
    if (!roundsToPixel(exactCenterX) || !roundsToPixel(exactCenterY) || !roundsToPixel(exactRadius))
        return;
    centerX = int(std::round(exactCenterX));
    centerY = int(std::round(exactCenterY));
    radius = int(std::round(exactRadius));
    circleFractions = {centerX,
                       centerY,
                       radius,
                       exactCenterX - centerX,
                       exactCenterY - centerY,
                       exactRadius - radius};
    if (radius > 0)
        setSelectionVisible(true);
    refreshSelection();
}

bool MainWindow::circleFractionsApply() const
{
    return circleFractions.centerX == centerX && circleFractions.centerY == centerY &&
           circleFractions.radius == radius;
}

void MainWindow::dropStaleCircleFractions()
{
    if (!circleFractionsApply())
        circleFractions = FoundCircle();
}

void MainWindow::drawSelection()
{
    if (sourceImage.isNull())
        return;
    if (qint64(sourceImage.width()) * sourceImage.height() > maxPixelsDrawnInto) {
        showWithOverlay(centerX, centerY, radius, selectionVisible, true);
        return;
    }
    QImage picture = sourceImage.convertToFormat(QImage::Format_ARGB32);
    if (selectionVisible)
        drawSelectionOverlay(picture, centerX, centerY, radius, {penSize, penColor}, true);
    // Moved: the pixmap takes over the picture's memory instead of copying a gigabyte.
    ui->label->setPixmap(QPixmap::fromImage(std::move(picture)));
}

void MainWindow::drawFeedback(int cx, int cy, int r, bool dottedSquare)
{
    if (qint64(sourceImage.width()) * sourceImage.height() > maxPixelsDrawnInto) {
        showWithOverlay(cx, cy, r, true, dottedSquare);
        return;
    }
    ui->label->setPixmap(QPixmap::fromImage(
        pictureWithOverlay(sourceImage, cx, cy, r, {penSize, penColor}, dottedSquare)));
}

void MainWindow::showWithOverlay(int cx, int cy, int r, bool drawn, bool dottedSquare)
{
    // Shares the picture's memory: the selection is drawn over it when the view paints.
    ui->label->setPixmap(QPixmap::fromImage(sourceImage, Qt::NoFormatConversion));
    if (!drawn)
        return;
    const SelectionPen pen{penSize, penColor};
    ui->label->setOverlay(
        [=](QPainter &painter) { paintSelectionOverlay(painter, cx, cy, r, pen, dottedSquare); });
}

void MainWindow::refreshSelection()
{
    dropStaleCircleFractions();
    updateScreenParameter();
    drawSelection();
    updatePreview();
}

void MainWindow::on_lineCenterX_returnPressed()
{
    readScreenParameter();
    drawSelection();
    updatePreview();
}

void MainWindow::on_lineCenterY_returnPressed()
{
    on_lineCenterX_returnPressed();
}

void MainWindow::on_lineRadius_returnPressed()
{
    on_lineCenterX_returnPressed();
}

// --- Arrow buttons with auto-repeat ---

void MainWindow::pressArrow(int dx, int dy, int dr)
{
    stepX = dx;
    stepY = dy;
    stepR = dr;
    // Ten ticks of waiting before the first repeated step.
    repeatDelay = 10;
    clickTimer->setSingleShot(false);
    clickTimer->start(100);
}

void MainWindow::clickArrow(int dx, int dy, int dr)
{
    centerX = selection::add(centerX, dx);
    centerY = selection::add(centerY, dy);
    radius = selection::add(radius, dr);
    stepX = dx;
    stepY = dy;
    stepR = dr;
    // One last tick redraws the click's step without stepping again.
    repeatDelay = 1;
    clickTimer->setSingleShot(true);
    clickTimer->start(100);
}

bool MainWindow::arrowButtonHeld() const
{
    return ui->btnUp->isDown() || ui->btnDown->isDown() || ui->btnLeft->isDown() ||
           ui->btnRight->isDown() || ui->btnSizeUp->isDown() || ui->btnSizeDown->isDown();
}

void MainWindow::click_timer()
{
    qCDebug(orvixDiagnostics) << "click_timer()";
    // A button released away from itself gives no click, so the repeat ends at the first
    // tick that finds no arrow button held.
    if (!clickTimer->isSingleShot() && !arrowButtonHeld()) {
        clickTimer->stop();
        return;
    }
    // Qt delivers no tick of a timer while the slot of its previous tick still runs, and the
    // preview conversion below processes events for as long as it takes (seconds for a large
    // map), so a held button would step once per conversion. Started anew, the timer is a new
    // one to Qt: the ticks that fall due meanwhile step the circle at the repeat rate, and the
    // running preview conversion takes them all into its next round (runPreviewConversion).
    if (clickTimer->isActive() && !clickTimer->isSingleShot())
        clickTimer->start();
    if (repeatDelay <= 0) {
        centerX = selection::add(centerX, stepX);
        centerY = selection::add(centerY, stepY);
        radius = selection::add(radius, stepR);
    } else {
        --repeatDelay;
    }
    refreshSelection();
}

void MainWindow::on_btnUp_clicked()
{
    clickArrow(0, -1, 0);
}

void MainWindow::on_btnDown_clicked()
{
    clickArrow(0, 1, 0);
}

void MainWindow::on_btnLeft_clicked()
{
    clickArrow(-1, 0, 0);
}

void MainWindow::on_btnRight_clicked()
{
    clickArrow(1, 0, 0);
}

void MainWindow::on_btnSizeUp_clicked()
{
    clickArrow(0, 0, 1);
}

void MainWindow::on_btnSizeDown_clicked()
{
    clickArrow(0, 0, -1);
}

void MainWindow::on_btnUp_pressed()
{
    pressArrow(0, -1, 0);
}

void MainWindow::on_btnDown_pressed()
{
    pressArrow(0, 1, 0);
}

void MainWindow::on_btnLeft_pressed()
{
    pressArrow(-1, 0, 0);
}

void MainWindow::on_btnRight_pressed()
{
    pressArrow(1, 0, 0);
}

void MainWindow::on_btnSizeUp_pressed()
{
    pressArrow(0, 0, 1);
}

void MainWindow::on_btnSizeDown_pressed()
{
    pressArrow(0, 0, -1);
}

// --- Mouse gestures in the view ---

void MainWindow::on_label_clicked(int, int)
{
}

void MainWindow::on_label_size_changing(int cx, int cy, int x1, int y1, int x2, int y2, int x,
                                        int y)
{
    if (sourceImage.isNull())
        return;
    if (!selectionVisible) {
        // Drawing a new circle: centred on the press, as wide as the larger side of the drag.
        if (x1 >= x2 || y1 >= y2)
            return;
        const int r = selection::saturate(std::max(qint64(x2) - x1, qint64(y2) - y1));
        drawFeedback(cx, cy, r, false);
        return;
    }
    if (resizing)
        drawFeedback(centerX, centerY, selection::chebyshevDistance(x, y, centerX, centerY), true);
    else if (moving)
        drawFeedback(selection::add(centerX, qint64(x) - anchorX),
                     selection::add(centerY, qint64(y) - anchorY), radius, true);
}

void MainWindow::on_label_size_changed(int x, int y, int r)
{
    if (sourceImage.isNull())
        return;
    // Short drags are taken for clicks: they only remove the drag feedback.
    if (r > 4) {
        centerX = x;
        centerY = y;
        radius = r;
        setSelectionVisible(true);
    }
    refreshSelection();
}

void MainWindow::on_label_mouseleftdown(int x, int y)
{
    if (!selectionVisible)
        return;
    switch (selection::zoneAt(x, y, {centerX, centerY, radius})) {
    case selection::Zone::Move:
        moving = true;
        anchorX = x;
        anchorY = y;
        on_label_size_changing(x, y, 0, 0, 0, 0, x, y);
        break;
    case selection::Zone::Resize:
        moving = false;
        resizing = true;
        on_label_size_changing(x, y, 0, 0, 0, 0, x, y);
        break;
    case selection::Zone::Outside:
        moving = false;
        resizing = false;
        clickedOutside = true;
        break;
    case selection::Zone::Neutral:
        moving = false;
        resizing = false;
        break;
    }
}

void MainWindow::on_label_mouseleftup(int x, int y)
{
    if (resizing) {
        radius = selection::chebyshevDistance(x, y, centerX, centerY);
        refreshSelection();
        resizing = false;
    } else if (moving) {
        centerX = selection::add(centerX, qint64(x) - anchorX);
        centerY = selection::add(centerY, qint64(y) - anchorY);
        refreshSelection();
        moving = false;
    } else if (clickedOutside) {
        setSelectionVisible(false);
        drawSelection();
        clickedOutside = false;
    }
}

void MainWindow::on_label_mouserightup()
{
    resizing = false;
    moving = false;
    clickedOutside = false;
    if (selectionVisible)
        setSelectionVisible(false);
    else if (radius > 0)
        setSelectionVisible(true);
    drawSelection();
}

void MainWindow::on_label_mouse_move(int x, int y)
{
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (selectionVisible) {
        switch (selection::zoneAt(x, y, {centerX, centerY, radius})) {
        case selection::Zone::Move:
            shape = Qt::SizeAllCursor;
            break;
        case selection::Zone::Resize:
            shape = ((x > centerX && y > centerY) || (x < centerX && y < centerY))
                        ? Qt::SizeFDiagCursor
                        : Qt::SizeBDiagCursor;
            break;
        case selection::Zone::Outside:
        case selection::Zone::Neutral:
            break;
        }
    }
    setZoneCursor(shape);
}

void MainWindow::setZoneCursor(Qt::CursorShape shape)
{
    // At most one override cursor is in force; the normal cursor is had by removing it.
    if (shape == Qt::ArrowCursor) {
        if (zoneCursorSet)
            QGuiApplication::restoreOverrideCursor();
        zoneCursorSet = false;
    } else if (zoneCursorSet) {
        QGuiApplication::changeOverrideCursor(QCursor(shape));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(shape));
        zoneCursorSet = true;
    }
}

// --- Reset ---

void MainWindow::on_actionParam_Reset_triggered()
{
    if (imageWidth > 0 && imageHeight > 0) {
        const selection::Circle circle = selection::defaultCircle(imageWidth, imageHeight);
        centerX = circle.centerX;
        centerY = circle.centerY;
        radius = circle.radius;
        setSelectionVisible(true);
    } else {
        centerX = 0;
        centerY = 0;
        radius = 0;
        setSelectionVisible(false);
    }
    circleFractions = FoundCircle();
    updateScreenParameter();
    drawSelection();
}
