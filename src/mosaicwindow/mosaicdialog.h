#pragma once

#include "mosaic/mosaicdescription.h"

#include <QDialog>
#include <QImage>
#include <QMap>
#include <QString>

namespace Ui {
class MosaicDialog;
}
class QTableWidgetItem;

// The mosaic dialog: the pictures of a mosaic in order (added, removed, moved), each with its
// circle (found when a picture is added and the finder finds one, edited in the table, or taken
// from the main window), distance, latitude, longitude and azimuth; the map's size, quality and
// exposure matching; a preview of the merged map that can show which picture each region comes
// from; mosaic files opened and saved; and the map written with a progress bar.
class MosaicDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MosaicDialog(QWidget *parent = nullptr);
    ~MosaicDialog() override;

    // Replaces the built-in texts with those of section "mosaic" of langFile.
    void loadLanguage();
    QString langFile;

    // The main window's circle and distance, offered for the selected picture.
    bool mainCircleValid = false;
    double mainCenterX = 0.0;
    double mainCenterY = 0.0;
    double mainRadius = 0.0;
    double mainDistance = 6.6;

    // The mosaic the widgets hold, picture files absolute; an empty text when every value is
    // good, otherwise the first bad one (row and column named).
    MosaicDescription description(QString *problem) const;
    void setDescription(const MosaicDescription &description);
    // Open and save without the file dialogs; false (with a message box) on failure.
    bool openMosaicFile(const QString &path);
    bool saveMosaicFile(const QString &path);
    // The last preview: the merged map, and the overlay of picture regions.
    QImage previewMap;
    QImage previewRegions;

    QMap<QString, QString> texts;

private slots:
    void on_btnAdd_clicked();
    void on_btnRemove_clicked();
    void on_btnUp_clicked();
    void on_btnDown_clicked();
    void on_btnTakeCircle_clicked();
    void on_btnFindCircle_clicked();
    void on_btnPreview_clicked();
    void on_checkOverlay_toggled(bool on);
    void on_btnOpen_clicked();
    void on_btnSave_clicked();
    void on_btnWrite_clicked();
    void on_btnClose_clicked();
    void on_tablePictures_itemChanged(QTableWidgetItem *item);

private:
    void addRow(const MosaicPictureEntry &entry);
    void setRow(int row, const MosaicPictureEntry &entry);
    void moveRow(int from, int to);
    // Fills the row's circle from the disk finder; false when none was found.
    bool findCircle(int row);
    void showPreview();
    void message(const QString &key, const QString &detail);
    QString text(const QString &key) const;
    // The map's name, asked for with a save dialog; empty when cancelled.
    QString chosenMapPath();

    Ui::MosaicDialog *ui;
    // True while the widgets are filled by the program, not edited by the user.
    bool filling = false;
};
