#pragma once

#include "app/settingsrecord.h"
#include "batch/batchrunner.h"
#include "engine/basics/conversionparameters.h"

#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class MapConverter;
class QWidget;

// Runs the batch dialog on the files and the settings' folders, order, naming and switches,
// with the texts of languageFile. The choices come back whether it was confirmed or closed; the
// function returns true only for a confirmation, which starts a run.
bool chooseBatch(QWidget *parent, const QString &languageFile, QStringList &files,
                 SettingsRecord &settings);

// One batch run as a window starts it, around BatchRunner. An interactive run shows the
// progress dialog over the window, can be stopped between files, reports the totals and the
// pictures converted with the batch's circle in a box, and opens the output folder (or says
// that it could not); a silent run reports each file and the totals on standard
// error. The window stays disabled while the run goes on.
class BatchSession
{
public:
    // Takes the output folder, naming, format, quality, overwrite rule, order and the
    // open-folder switch from the settings.
    BatchSession(QWidget *window, MapConverter &converter, const SettingsRecord &settings);

    bool interactive = true;
    // The title of its boxes.
    QString title;
    // The window's text table: "batch_btn_stop", "batch_no_output", the result texts,
    // "batch_no_disk" and "batch_open_folder_error".
    QMap<QString, QString> texts;
    // Named in the silent run's report of a missing output folder.
    QString settingsFile;
    int sortType = 0;
    bool openFolder = true;
    BatchSettings settings;
    ConversionParameters params;

    // The interactive run has shown its progress dialog.
    std::function<void()> started;
    // A picture has been read and is about to be converted.
    std::function<void(const QImage &picture)> pictureLoaded;
    // The last file has been handled, before the window is enabled again.
    std::function<void()> ended;

    // Sorts the files in place, then converts them. Returns the exit status of a silent run:
    // 0 when every file was converted, 1 when one was not, 2 when no output folder is set.
    int run(QStringList &files);

private:
    QWidget *window;
    MapConverter &converter;
};
