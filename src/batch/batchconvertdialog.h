#pragma once

#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>

namespace Ui {
class BatchConvertDialog;
}

// The modal dialog that prepares a batch conversion: the input files (picked one by one or
// every PNG, JPG and GIF file of a folder), their processing order, the output folder and
// naming, and the overwrite and open-folder switches. It only collects the choices in its
// public members; chooseBatch (batchsession.h) copies the values in before exec() and back
// afterwards.
class BatchConvertDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BatchConvertDialog(QWidget *parent = nullptr);
    ~BatchConvertDialog() override;

    // Fills the widgets from the members, then runs the dialog modally.
    int exec() override;
    // Replaces the built-in texts with those of section "batch_convert" of langFile.
    void loadLanguage();

    QStringList files;
    QString outputFolder;
    QString inputFolder;
    QString langFile;
    int sortType = 0;
    int fileNameType = 0;
    bool openFiler = true;
    bool overwrite = true;
    // Each picture is converted with the disk found in it.
    bool detectDisk = false;
    // A world file is written beside each JPG or PNG map.
    bool worldFile = false;

private slots:
    void on_btnSelectFiles_clicked();
    void on_btnSelectFolder_clicked();
    void on_btnOutputFolder_clicked();
    void on_btnConvert_clicked();
    void on_btnClose_clicked();

private:
    void showSelectCount();
    // Copies the radio and check states into the members (both buttons do, the close box
    // does not).
    void storeChoices();

    Ui::BatchConvertDialog *ui;

public:
    QMap<QString, QString> texts;
};
