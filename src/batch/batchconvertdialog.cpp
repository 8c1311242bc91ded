#include "batch/batchconvertdialog.h"
#include "ui_batchconvertdialog.h"

#include "app/languagereader.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

BatchConvertDialog::BatchConvertDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::BatchConvertDialog)
{
    ui->setupUi(this);
}

BatchConvertDialog::~BatchConvertDialog()
{
    delete ui;
}

void BatchConvertDialog::loadLanguage()
{
    const LanguageReader reader(langFile, QStringLiteral("batch_convert"));
    reader.applyText("lbl_1", ui->label_1);
    reader.applyText("lbl_2", ui->label_2);
    reader.applyText("lbl_3", ui->label_3);
    reader.applyText("lbl_4", ui->label_4);
    reader.applyText("lbl_5", ui->label_5);
    reader.applyText("btn_file", ui->btnSelectFiles);
    reader.applyText("btn_folder", ui->btnSelectFolder);
    reader.applyText("btn_output", ui->btnOutputFolder);
    reader.applyText("btn_convert", ui->btnConvert);
    reader.applyText("btn_cancel", ui->btnClose);
    reader.applyText("btn_sort1", ui->radioSortType1);
    reader.applyText("btn_sort2", ui->radioSortType2);
    reader.applyText("btn_filename1", ui->radioFilename1);
    reader.applyText("btn_filename2", ui->radioFilename2);
    reader.storeText("file_filter", QStringLiteral("画像ファイル (*.gif *.png *.jpg)"), texts);
    reader.storeText("file_filter_all",
                     QStringLiteral("すべての画像 (*.gif *.png *.jpg *.jpeg *.tif *.tiff *.webp)"),
                     texts);
    reader.storeText("file_open_title", QStringLiteral("変換するファイルを選択して下さい"), texts);
    reader.storeText("file_selected", QStringLiteral(" 個のファイルが選択されました"), texts);
    reader.storeText("folder_open_title",
                     QStringLiteral("変換するファイルが含まれるフォルダを選択して下さい"), texts);
    reader.storeText("output_open_title",
                     QStringLiteral("変換後のファイルを保存するフォルダを選択して下さい"), texts);
    reader.applyWindowTitle("title", this);
    reader.applyText("chk_overwrite", ui->checkOverwrite);
    reader.applyText("chk_open_filer", ui->checkOpenFiler);
    reader.applyToolTip("chk_open_filer_tip", ui->checkOpenFiler);
    reader.applyText("chk_detect_disk", ui->checkDetectDisk);
    reader.applyText("chk_world_file", ui->checkWorldFile);
    reader.applyToolTip("chk_world_file_tip", ui->checkWorldFile);
}

int BatchConvertDialog::exec()
{
    showSelectCount();
    ui->labelOutputFolder->setText(outputFolder);
    if (sortType == 0)
        ui->radioSortType1->setChecked(true);
    else if (sortType == 1)
        ui->radioSortType2->setChecked(true);
    if (fileNameType == 0)
        ui->radioFilename1->setChecked(true);
    else if (fileNameType == 1)
        ui->radioFilename2->setChecked(true);
    ui->checkOverwrite->setChecked(overwrite);
    ui->checkOpenFiler->setChecked(openFiler);
    ui->checkDetectDisk->setChecked(detectDisk);
    ui->checkWorldFile->setChecked(worldFile);
    // Enter on a radio button or check box closes rather than starts a long conversion.
    ui->btnClose->setDefault(true);
    return QDialog::exec();
}

void BatchConvertDialog::on_btnSelectFiles_clicked()
{
    QFileDialog picker(this);
    picker.setFileMode(QFileDialog::ExistingFiles);
    picker.setNameFilters({texts.value("file_filter"), texts.value("file_filter_all")});
    picker.setDirectory(inputFolder);
    picker.setWindowTitle(texts.value("file_open_title"));
    if (picker.exec() != QDialog::Accepted)
        return;
    files = picker.selectedFiles();
    if (!files.isEmpty())
        inputFolder = QFileInfo(files.first()).absolutePath();
    showSelectCount();
}

void BatchConvertDialog::on_btnSelectFolder_clicked()
{
    QFileDialog picker(this);
    picker.setFileMode(QFileDialog::Directory);
    picker.setDirectory(inputFolder);
    picker.setWindowTitle(texts.value("folder_open_title"));
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty())
        return;
    const QString folder = picker.selectedFiles().first();
    inputFolder = folder;
    // Plain files only, matched without regard to case, in name order ignoring case; a
    // .jpeg file and subfolders are not taken.
    const QStringList names = QDir(folder).entryList({"*.png", "*.jpg", "*.gif"}, QDir::Files,
                                                     QDir::Name | QDir::IgnoreCase);
    files.clear();
    for (const QString &name : names)
        files.append(folder + "/" + name);
    showSelectCount();
}

void BatchConvertDialog::on_btnOutputFolder_clicked()
{
    QFileDialog picker(this);
    picker.setFileMode(QFileDialog::Directory);
    picker.setDirectory(outputFolder);
    picker.setWindowTitle(texts.value("output_open_title"));
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty())
        return;
    outputFolder = picker.selectedFiles().first();
    ui->labelOutputFolder->setText(outputFolder);
}

void BatchConvertDialog::on_btnConvert_clicked()
{
    storeChoices();
    accept();
}

void BatchConvertDialog::on_btnClose_clicked()
{
    storeChoices();
    reject();
}

void BatchConvertDialog::showSelectCount()
{
    ui->labelSelectCount->setText(QString::number(files.size()) + texts.value("file_selected"));
}

void BatchConvertDialog::storeChoices()
{
    if (ui->radioSortType1->isChecked())
        sortType = 0;
    else if (ui->radioSortType2->isChecked())
        sortType = 1;
    if (ui->radioFilename1->isChecked())
        fileNameType = 0;
    else if (ui->radioFilename2->isChecked())
        fileNameType = 1;
    overwrite = ui->checkOverwrite->isChecked();
    openFiler = ui->checkOpenFiler->isChecked();
    detectDisk = ui->checkDetectDisk->isChecked();
    worldFile = ui->checkWorldFile->isChecked();
}
