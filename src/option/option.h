#pragma once

#include "engine/basics/defaultvalues.h"

#include <QDialog>
#include <QList>
#include <QMap>
#include <QString>

class QLineEdit;

namespace Ui {
class Option;
}

// The modal settings dialog: camera distance, output size, format and quality, the pen of
// the selection circle, the globe's turns and the conversion mode. The caller fills the public
// members, runs exec() and reads the members back only when it returns non-zero; the widgets are
// filled from the members in exec() and read back only when OK is pressed with every value valid.
class Option : public QDialog
{
    Q_OBJECT

public:
    explicit Option(QWidget *parent = nullptr);
    ~Option() override;

    double distance = 0.0;
    int outputSizeX = 0;
    int outputSizeY = 0;
    int outputQuality = defaults::outputQuality;
    int outputFormat = 0;
    QString penColor = QLatin1String(defaults::penColor);
    int penSize = defaults::penSize;
    double latitude = 0.0;
    double longitude = 0.0;
    double azimuth = 0.0;
    // 0 standard, 1 precise conversion; chosen in the list right of the quality field.
    int conversionMode = 0;
    QString langFile;
    Ui::Option *ui;
    QMap<QString, QString> texts;

    // Replaces the built-in texts with those of section "config" of langFile.
    void loadLanguage();

    int exec() override;

private slots:
    void on_btnOk_clicked();
    void on_btnCancel_clicked();
    void on_btnDefault_clicked();

private:
    void fillFields();
    void readFields();
    // The fields whose values are refused, in the order they are checked.
    QList<QLineEdit *> refusedFields() const;
    void showRangeWarning();
};
