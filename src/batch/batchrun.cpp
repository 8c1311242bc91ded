#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "batchconvertdialog.h"
#include "batchfiles.h"
#include "batchreport.h"
#include "batchrunner.h"
#include "folderopener.h"
#include "status.h"

#include "engine/mapconverter.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>
#include <QPixmap>

#include <cstdio>

namespace {

void printToStandardError(const QString &line)
{
    std::fputs((line + "\n").toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

// Converts every file of batchFiles with the current circle and settings into outputFolder.
// An interactive run (batchMode 0) shows the progress dialog, can be stopped between files
// and reports the totals in a box; a command-line run reports each file and the totals on
// standard error and leaves its outcome in batchExitCode.
void MainWindow::batchConvert()
{
    qDebug() << "batchConvert";
    const bool interactive = batchMode == 0;

    // Without a folder every map would be written into the filesystem root.
    if (outputFolder.isEmpty()) {
        if (interactive) {
            QMessageBox box(QMessageBox::Warning, ui->actionBatch_Convert->text(),
                            texts.value("batch_no_output"), QMessageBox::Ok, this);
            box.exec();
        } else {
            printToStandardError(QStringLiteral("No output folder is set (OutputFolder in %1): "
                                                "nothing was converted.")
                                     .arg(settingsFile));
            batchExitCode = 2;
        }
        return;
    }

    Status status(this);
    status.setTotal(batchFiles.size());
    status.setStopText(texts.value("batch_btn_stop"));
    sortBatchFiles(batchFiles, sortType);
    if (interactive) {
        status.show();
        ui->label->setPixmap(QPixmap());
    }
    setEnabled(false);
    status.setEnabled(true);
    // Closing the progress window (its close box or Escape) stops the run like its stop
    // button: otherwise the window would vanish while the main window stays disabled, and
    // nothing would be left to stop the run with.
    connect(&status, &QDialog::rejected, &status, [&status] { status.stopRequested = true; });

    const ConversionParameters params = conversionParameters();
    BatchSettings settings;
    settings.outputFolder = outputFolder;
    settings.fileNameType = fileNameType;
    settings.outputFormat = outputFormat;
    settings.outputQuality = outputQuality;
    settings.overwrite = overwrite;

    BatchRunner runner(*converter, params, settings);
    runner.beforeFile = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    runner.stopRequested = [&status] { return status.stopRequested; };
    runner.pictureLoaded = [this](const QImage &picture) {
        sourceImage = picture;
        imageWidth = picture.width();
        imageHeight = picture.height();
        // The scales follow every loaded picture, also one whose map is then skipped or
        // refused, which the runner does not convert at all.
        columnScale = double(outputSizeX) / imageWidth;
        rowScale = outputSizeY * 0.5 / imageHeight;
    };
    runner.fileFinished = [&](const BatchFileOutcome &outcome) {
        if (interactive) {
            // A file that could not be read leaves the count alone; the next one catches up.
            if (outcome.loaded)
                status.setProgress(outcome.position + 1);
        } else {
            printToStandardError(batchFileLine(outcome));
        }
    };
    const BatchSummary summary = runner.run(batchFiles);

    sourceImage = QImage();
    ui->label->setPixmap(QPixmap());
    setEnabled(true);

    if (!interactive) {
        printToStandardError(batchSummaryLine(summary));
        batchExitCode = summary.allConverted() ? 0 : 1;
        return;
    }
    status.hide();
    QMessageBox box(QMessageBox::Information, ui->actionBatch_Convert->text(),
                    batchResultText(texts, summary), QMessageBox::Ok, this);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (openFiler)
        openFolderInFileManager(outputFolder);
}

// The batch dialog round trip: the dialog's choices come back whether it was confirmed or
// closed, and only a confirmation takes the typed circle and starts the run.
void MainWindow::on_actionBatch_Convert_triggered()
{
    BatchConvertDialog dialog(this);
    dialog.langFile = langFile;
    dialog.loadLanguage();
    dialog.sortType = sortType;
    dialog.fileNameType = fileNameType;
    dialog.files = batchFiles;
    dialog.outputFolder = outputFolder;
    dialog.inputFolder = inputFolder;
    dialog.overwrite = overwrite;
    dialog.openFiler = openFiler;

    const bool accepted = dialog.exec() != 0;
    if (accepted)
        readScreenParameter();
    batchFiles = dialog.files;
    outputFolder = dialog.outputFolder;
    inputFolder = dialog.inputFolder;
    sortType = dialog.sortType;
    fileNameType = dialog.fileNameType;
    overwrite = dialog.overwrite;
    openFiler = dialog.openFiler;
    if (accepted)
        batchConvert();
}
