#include "preview/previewwindow.h"
#include "ui_previewwindow.h"

#include <QCloseEvent>
#include <QPixmap>

PreviewWindow::PreviewWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::PreviewWindow)
{
    ui->setupUi(this);
}

PreviewWindow::~PreviewWindow()
{
    delete ui;
}

void PreviewWindow::setPreviewImage(QImage image)
{
    ui->label2->setPixmap(QPixmap::fromImage(image));
    // The fixed minimum keeps the map from shrinking further once the window is small; the
    // scroll area then shows scroll bars.
    ui->label2->setMinimumSize(320, 240);
    ui->label2->setScaledContents(true);
}

// Closing only hides the window: it keeps its last map and can be shown again.
void PreviewWindow::closeEvent(QCloseEvent *event)
{
    emit hidden();
    hide();
    event->accept();
}
