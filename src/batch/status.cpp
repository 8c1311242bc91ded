#include "batch/status.h"
#include "ui_status.h"

#include "engine/basics/numeric.h"

Status::Status(QWidget *parent) : QDialog(parent), ui(new Ui::Status)
{
    ui->setupUi(this);
}

Status::~Status()
{
    delete ui;
}

void Status::setTotal(int total)
{
    this->total = total;
    ui->progStatus->setRange(0, 100);
    ui->progStatus->setValue(0);
}

void Status::setProgress(int current)
{
    this->current = current;
    // The quotient first, then the percentage, in double precision: 29 of 100 is
    // 28.999999999999996 and shows 28. An empty run has no meaningful percentage.
    const int percent =
        total > 0 ? numeric::truncateToInt32(double(current) / double(total) * 100.0) : 0;
    ui->progStatus->setValue(percent);
    ui->lblCount->setText(QString::number(current) + " / " + QString::number(total));
}

void Status::setStopText(const QString &text)
{
    ui->btnStop->setText(text);
}

void Status::on_btnStop_clicked()
{
    stopRequested = true;
}
