#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "batch/batchsession.h"

#include <QPixmap>

// Converts every file of batchFiles with the current circle and settings into outputFolder.
// A command-line run (batchMode other than 0) leaves its outcome in batchExitCode.
void MainWindow::batchConvert()
{
    BatchSession session(this, *converter, settings());
    session.interactive = batchMode == 0;
    session.title = ui->actionBatch_Convert->text();
    session.texts = texts;
    session.settingsFile = settingsFile;
    session.params = conversionParameters();
    session.started = [this] { ui->label->setPixmap(QPixmap()); };
    session.pictureLoaded = [this](const QImage &picture) {
        // Only the picture's size is taken: holding the picture itself would keep it alive
        // while the next one is decoded, two huge pictures at once. The run ends with no
        // picture open anyway.
        sourceImage = QImage();
        imageWidth = picture.width();
        imageHeight = picture.height();
        // The scales follow every loaded picture, also one whose map is then skipped or
        // refused, which the runner does not convert at all.
        columnScale = double(outputSizeX) / imageWidth;
        rowScale = outputSizeY * 0.5 / imageHeight;
    };
    session.ended = [this] {
        sourceImage = QImage();
        ui->label->setPixmap(QPixmap());
        enablePictureCommands();
        showPictureNote(QString());
    };
    const int exitCode = session.run(batchFiles);
    if (!session.interactive)
        batchExitCode = exitCode;
}

// The batch dialog round trip: only a confirmation takes the typed circle and starts the run.
void MainWindow::on_actionBatch_Convert_triggered()
{
    SettingsRecord record = settings();
    const bool accepted = chooseBatch(this, langFile, batchFiles, record);
    if (accepted)
        readScreenParameter();
    outputFolder = record.outputFolder;
    inputFolder = record.inputFolder;
    sortType = record.sortType;
    fileNameType = record.fileNameType;
    overwrite = record.overwrite;
    openFiler = record.openFiler;
    detectDisk = record.detectDisk;
    ui->actionDetect_Disk->setChecked(detectDisk);
    worldFile = record.worldFile;
    if (accepted)
        batchConvert();
}
