#pragma once

#include <QImage>
#include <QMainWindow>

namespace Ui {
class PreviewWindow;
}

// The second top-level window that shows the most recent converted map, scaled to fit.
class PreviewWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit PreviewWindow(QWidget *parent = nullptr);
    ~PreviewWindow() override;

    void setPreviewImage(QImage image);

    Ui::PreviewWindow *ui;

signals:
    // The user closed the window (hiding it through hide() does not emit this).
    void hidden();

protected:
    void closeEvent(QCloseEvent *event) override;
};
