#include "option/option.h"

#include "app/settinglimits.h"
#include "engine/basics/conversionparameters.h"
#include "engine/pictureio/mapwriter.h"
#include "option/optiontexts.h"
#include "ui_option.h"

#include <QColor>
#include <QMessageBox>

namespace {

QString angleText(double degrees)
{
    return QString::number(degrees, 'g', 6);
}

QString distanceText(double distance)
{
    return QString::number(distance, 'g', 6);
}

} // namespace

Option::Option(QWidget *parent) : QDialog(parent), ui(new Ui::Option)
{
    ui->setupUi(this);
}

Option::~Option()
{
    delete ui;
}

int Option::exec()
{
    fillFields();
    ui->btnCancel->setDefault(true);
    return QDialog::exec();
}

void Option::fillFields()
{
    ui->lineDistance->setText(distanceText(distance));
    ui->lineOutputSizeX->setText(QString::number(outputSizeX));
    ui->lineOutputSizeY->setText(QString::number(outputSizeY));
    ui->lineQuality->setText(QString::number(outputQuality));
    // The list holds the formats in the order of their codes; every other code is written as
    // JPG, so an unknown one shows JPG rather than an empty list.
    const MapFormat format = mapFormatForCode(outputFormat);
    ui->cbFormat->setCurrentIndex(format == MapFormat::Png ? 1 : format == MapFormat::Tiff ? 2 : 0);
    ui->lineSize->setText(QString::number(penSize));
    ui->lineColor->setText(penColor.toUpper());
    ui->lineLatitude->setText(angleText(latitude));
    ui->lineLongitude->setText(angleText(longitude));
    ui->lineAzimuth->setText(angleText(azimuth));
    // The list holds the modes in the order of their codes; an unknown code shows the
    // standard conversion, which is what the main window runs for it.
    ui->cbMode->setCurrentIndex(int(conversionModeForCode(conversionMode)));
}

void Option::on_btnOk_clicked()
{
    readFields();
    const QList<QLineEdit *> refused = refusedFields();
    if (refused.isEmpty()) {
        accept();
        return;
    }
    // Focus first: a line edit drops its selection when it loses the focus to another field.
    refused.last()->setFocus(Qt::OtherFocusReason);
    for (QLineEdit *field : refused)
        field->selectAll();
    showRangeWarning();
}

void Option::on_btnCancel_clicked()
{
    reject();
}

void Option::on_btnDefault_clicked()
{
    ui->lineDistance->setText(distanceText(defaults::distance));
    ui->lineOutputSizeX->setText(QString::number(defaults::outputWidth));
    ui->lineOutputSizeY->setText(QString::number(defaults::outputHeight));
    ui->lineQuality->setText(QString::number(defaults::outputQuality));
    // JPG, the first entry of the format list.
    ui->cbFormat->setCurrentIndex(0);
    ui->lineSize->setText(QString::number(defaults::penSize));
    ui->lineColor->setText(QLatin1String(defaults::penColor));
    ui->lineLatitude->setText(angleText(0.0));
    ui->lineLongitude->setText(angleText(0.0));
    ui->lineAzimuth->setText(angleText(0.0));
    ui->cbMode->setCurrentIndex(0);
    update();
}

// Every field is read before anything is checked. The conversions do not depend on the
// locale; a text that does not convert counts as 0 and is caught by the range tests.
void Option::readFields()
{
    distance = ui->lineDistance->text().toDouble();
    outputSizeX = ui->lineOutputSizeX->text().toInt();
    outputSizeY = ui->lineOutputSizeY->text().toInt();
    outputFormat = ui->cbFormat->currentIndex();
    outputQuality = ui->lineQuality->text().toInt();
    penSize = ui->lineSize->text().toInt();
    penColor = ui->lineColor->text();
    latitude = ui->lineLatitude->text().toDouble();
    longitude = ui->lineLongitude->text().toDouble();
    azimuth = ui->lineAzimuth->text().toDouble();
    conversionMode = ui->cbMode->currentIndex();
}

// Checked in the order of the fields on the form, so the focus ends on the last one.
QList<QLineEdit *> Option::refusedFields() const
{
    QList<QLineEdit *> refused;
    const auto check = [&refused](QLineEdit *field, bool accepted) {
        if (!accepted)
            refused.append(field);
    };
    check(ui->lineDistance, limits::distance.contains(distance));
    check(ui->lineOutputSizeX, limits::mapSide.contains(outputSizeX));
    check(ui->lineOutputSizeY, limits::mapSide.contains(outputSizeY));
    check(ui->lineQuality, limits::quality.contains(outputQuality));
    // The pen colour is kept as typed, but it must be a colour the main window can parse:
    // anything else would leave the selection pen undefined.
    check(ui->lineColor, QColor::isValidColor(penColor));
    check(ui->lineSize, limits::penSize.contains(penSize));
    check(ui->lineLatitude, limits::latitude.contains(latitude));
    check(ui->lineLongitude, limits::longitude.contains(longitude));
    check(ui->lineAzimuth, limits::azimuth.contains(azimuth));
    return refused;
}

void Option::showRangeWarning()
{
    QMessageBox box(this);
    box.setText(texts.value(OptionTexts::errorMessageKey, OptionTexts::builtInErrorMessage()));
    box.setWindowTitle(windowTitle());
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(QMessageBox::Warning);
    box.exec();
}
