#pragma once

#include "app/settingsrecord.h"
#include "engine/basics/defaultvalues.h"
#include "engine/finder/foundcircle.h"

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class MapConverter;
struct ConversionParameters;
class PreviewWindow;
class QLabel;
class QTimer;

namespace Ui {
class MainWindow;
}

// The program's main window and the owner of all of its state: the opened picture, the
// selection circle, every conversion and batch option, the texts, the timers and the preview
// window. Its members are defined in this folder, split by concern: commands (mainwindow.cpp)
// and mainwindow_<concern>.cpp for start-up, selection editing, parameter files, settings,
// language, conversion, the option dialog and the batch run. The work itself is done by the
// classes of app/, batch/, option/ and preview/, which do not know this window.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    QString settingsFile;
    QString langFile;

    QImage sourceImage;
    int centerX = 0;
    int centerY = 0;
    int radius = 0;
    double distance = defaults::distance;
    double columnScale = 0.0;
    double rowScale = 0.0;
    int imageWidth = 0;
    int imageHeight = 0;
    int batchMode = 1;
    int outputSizeX = defaults::outputWidth;
    int outputSizeY = defaults::outputHeight;
    int sortType = 0;
    int fileNameType = 0;
    bool autoPreview = false;
    bool autoSize = true;
    bool selectionVisible = false;
    bool resizing = false;
    bool moving = false;
    bool clickedOutside = false;
    int anchorX = 0;
    int anchorY = 0;
    int penSize = defaults::penSize;
    QColor penColor;
    int outputQuality = defaults::outputQuality;
    int outputFormat = 0;
    int repeatDelay = 0;
    int stepX = 0;
    int stepY = 0;
    int stepR = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double azimuth = 0.0;
    // 0 the standard conversion, 1 the precise one, for the preview, the convert command and
    // the batch runs alike; any other value counts as standard.
    int conversionMode = 0;
    QMap<QString, QString> texts;
    bool openFiler = true;
    bool overwrite = true;
    QStringList batchFiles;
    QString inputFolder;
    QString outputFolder;
    QString loadFileName;
    QString saveFileName;
    QTimer *startupTimer = nullptr;
    QTimer *clickTimer = nullptr;
    PreviewWindow *previewWindow = nullptr;
    bool previewAtStart = false;
    // Opening a picture proposes the disk found in it (and batches use each picture's own).
    bool detectDisk = false;
    // Batches write a world file beside each JPG or PNG map.
    bool worldFile = false;

    void openImage();
    void updatePreview();
    void updateScreenParameter();
    void readScreenParameter();
    void drawSelection();
    // Takes a circle known more finely than whole pixels (a disk found in the picture): the
    // nearest whole-pixel circle becomes the window's circle and is shown, and the remainders
    // go into the precise conversion until the circle is changed by hand, reset or loaded.
    void setExactCircle(double exactCenterX, double exactCenterY, double exactRadius);
    QImage convertImage();
    void batchConvert();
    void loadLanguage();
    void loadSettings();
    void saveSettings();
    // The settings as the window holds them (the window geometries excepted), and the reverse.
    SettingsRecord settings() const;
    void applySettings(const SettingsRecord &record);
    // Applies settings for this run only: a later saveSettings writes back the values that
    // loadSettings read, not these.
    void overrideSettings(const SettingsRecord &record);
    void loadParameters();
    // Reads the circle from a parameter file and shows it: the line edits and, when it is
    // shown, the circle over the picture. Missing keys and values that are no number give 0;
    // a file that cannot be read is reported in a message box and leaves the circle as it was.
    void loadParameterFile(const QString &path);
    void saveParameters();

    // Why the last convertImage returned a null map although a picture was open; empty
    // after a successful conversion.
    QString lastConversionError;
    // Exit status of a silent command-line batch run: 0 when every file was converted.
    int batchExitCode = 0;

    // The command line that the start-up slot reads (program file first); the application's
    // argument list when empty. A silent run keeps its arguments from Qt and sets them here.
    QStringList commandLine;
    // The start-up work of the timeout slot for the given argument list (program file first).
    void startWith(const QStringList &arguments);
    // The conversion pipeline, for callers that tune it (thread count, event pump).
    MapConverter &mapConverter();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

public slots:
    void on_btnImageRead_clicked();
    void on_btnConvert_clicked();
    void on_btnSizeUp_clicked();
    void on_btnSizeDown_clicked();
    void on_btnUp_clicked();
    void on_btnDown_clicked();
    void on_btnLeft_clicked();
    void on_btnRight_clicked();
    void on_lineCenterX_returnPressed();
    void on_lineCenterY_returnPressed();
    void on_lineRadius_returnPressed();
    void on_label_clicked(int x, int y);
    void on_label_size_changed(int x, int y, int r);
    void on_label_size_changing(int cx, int cy, int x1, int y1, int x2, int y2, int x, int y);
    void on_label_mouseleftdown(int x, int y);
    void on_label_mouseleftup(int x, int y);
    void on_label_mouserightup();
    void on_label_mouse_move(int x, int y);
    void timeout();
    void click_timer();
    void on_actionAuto_Preview_triggered(bool checked);
    void on_actionBatch_Convert_triggered();
    void on_actionAuto_Size_triggered(bool checked);
    void on_actionPreview_Window_triggered(bool checked);
    void on_actionSave_Param_triggered();
    void on_actionLoad_Param_triggered();
    void on_actionSetting_triggered();
    void on_actionParam_Reset_triggered();
    void on_actionFind_Disk_triggered();
    void on_actionMosaic_triggered();
    void on_actionDetect_Disk_triggered(bool checked);
    void slotPreviewWindowHidden();
    void on_btnPreview_clicked();
    void on_btnBrowse_clicked();
    void on_btnRight_pressed();
    void on_btnDown_pressed();
    void on_btnLeft_pressed();
    void on_btnUp_pressed();
    void on_btnSizeUp_pressed();
    void on_btnSizeDown_pressed();

private:
    // The generated form, private to this library: tests find the widgets by object name.
    Ui::MainWindow *ui;
    // The conversion pipeline with its kept geometry (shared by convertImage and the batch).
    std::unique_ptr<MapConverter> converter;
    // Preview conversions do not nest: a change during one only marks the preview stale,
    // and one more conversion runs with the newest values when it ends.
    bool previewConverting = false;
    bool previewStale = false;

    // The circle, distance, map size, turns and mode as the conversion pipeline takes them.
    ConversionParameters conversionParameters() const;
    // The sub-pixel remainders of the circle set by setExactCircle or the disk finder, and the
    // whole-pixel circle they belong to: once the circle differs from that one they no longer
    // apply.
    FoundCircle circleFractions;
    bool circleFractionsApply() const;
    // Clears the remainders when the circle is no longer the one they were set with, so that a
    // circle moved away and back by hand means its whole pixels.
    void dropStaleCircleFractions();
    void setSelectionVisible(bool visible);
    // Line edits, overlay, then the preview: the refresh after every committed change.
    void refreshSelection();
    void applyViewScaling();
    // Converts into the preview window unless a preview conversion is already running;
    // returns false when it only marked the preview stale.
    bool runPreviewConversion();
    // Shows the picture with the overlay of the given circle without changing the members.
    void drawFeedback(int cx, int cy, int r, bool dottedSquare);
    void showWithOverlay(int cx, int cy, int r, bool drawn, bool dottedSquare);
    void pressArrow(int dx, int dy, int dr);
    void clickArrow(int dx, int dy, int dr);
    bool arrowButtonHeld() const;
    void setZoneCursor(Qt::CursorShape shape);
    bool zoneCursorSet = false;
    // The settings as the file held them, and whether this run overrides them.
    SettingsRecord storedSettings;
    bool overridden = false;
    // Finds the disk in the open picture and, when one is found, makes it the circle (not yet
    // shown). Returns whether one was found.
    bool takeFoundDisk();
    // The commands that need a picture are enabled only while one is open.
    void enablePictureCommands();
    // A line about the opened picture in the status bar, which is shown only while it has one;
    // an empty note hides it.
    void showPictureNote(const QString &note);
    QLabel *pictureNote = nullptr;
    // The picture last opened, as it was named and as an absolute path: the settings keep the
    // absolute one, so that a picture named relative to the folder the program was started in
    // opens again from any other folder.
    QString openedName;
    QString openedPath;
};
