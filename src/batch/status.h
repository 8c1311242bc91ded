#pragma once

#include <QDialog>

namespace Ui {
class Status;
}

// The small dialog a batch run shows while it converts: a progress bar, the count of handled
// and total files, and a stop button. The button only raises stopRequested; the run polls it
// before each file, so a stop takes effect before the next file.
class Status : public QDialog
{
    Q_OBJECT

public:
    explicit Status(QWidget *parent = nullptr);
    ~Status() override;

    void setTotal(int total);
    void setProgress(int current);
    void setStopText(const QString &text);

    bool stopRequested = false;

private slots:
    void on_btnStop_clicked();

private:
    Ui::Status *ui;
    int total = 0;
    int current = 0;
};
