#include "batch/batchsession.h"

#include "batch/batchconvertdialog.h"
#include "batch/batchfiles.h"
#include "batch/batchreport.h"
#include "batch/folderopener.h"
#include "batch/status.h"
#include "engine/basics/diagnostics.h"
#include "engine/pictureio/wholefilewriter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>

namespace {

void printToStandardError(const QString &line)
{
    std::fputs((line + "\n").toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

bool chooseBatch(QWidget *parent, const QString &languageFile, QStringList &files,
                 SettingsRecord &settings)
{
    BatchConvertDialog dialog(parent);
    dialog.langFile = languageFile;
    dialog.loadLanguage();
    dialog.sortType = settings.sortType;
    dialog.fileNameType = settings.fileNameType;
    dialog.files = files;
    dialog.outputFolder = settings.outputFolder;
    dialog.inputFolder = settings.inputFolder;
    dialog.overwrite = settings.overwrite;
    dialog.openFiler = settings.openFiler;
    dialog.detectDisk = settings.detectDisk;
    dialog.worldFile = settings.worldFile;

    const bool accepted = dialog.exec() != 0;
    files = dialog.files;
    settings.outputFolder = dialog.outputFolder;
    settings.inputFolder = dialog.inputFolder;
    settings.sortType = dialog.sortType;
    settings.fileNameType = dialog.fileNameType;
    settings.overwrite = dialog.overwrite;
    settings.openFiler = dialog.openFiler;
    settings.detectDisk = dialog.detectDisk;
    settings.worldFile = dialog.worldFile;
    return accepted;
}

BatchSession::BatchSession(QWidget *window, MapConverter &converter, const SettingsRecord &settings)
    : sortType(settings.sortType), openFolder(settings.openFiler), window(window),
      converter(converter)
{
    this->settings.outputFolder = settings.outputFolder;
    this->settings.fileNameType = settings.fileNameType;
    this->settings.outputFormat = settings.outputFormat;
    this->settings.outputQuality = settings.outputQuality;
    this->settings.overwrite = settings.overwrite;
    this->settings.detectDisk = settings.detectDisk;
    this->settings.worldFile = settings.worldFile;
}

int BatchSession::run(QStringList &files)
{
    qCDebug(orvixDiagnostics) << "batchConvert";

    // Without a folder every map would be written into the filesystem root.
    if (settings.outputFolder.isEmpty()) {
        if (interactive) {
            QMessageBox box(QMessageBox::Warning, title, texts.value("batch_no_output"),
                            QMessageBox::Ok, window);
            box.exec();
        } else {
            printToStandardError(QStringLiteral("No output folder is set (OutputFolder in %1): "
                                                "nothing was converted.")
                                     .arg(settingsFile));
        }
        return 2;
    }

    // A write beyond the file size limit then fails that map with its reason instead of
    // ending the run without a summary.
    if (!interactive)
        ignoreFileSizeSignal();

    Status status(window);
    status.setTotal(files.size());
    status.setStopText(texts.value("batch_btn_stop"));
    sortBatchFiles(files, batchOrderForCode(sortType));
    if (interactive) {
        status.show();
        if (started)
            started();
    }
    window->setEnabled(false);
    status.setEnabled(true);
    // Closing the progress window (its close box or Escape) stops the run like its stop
    // button: otherwise it would vanish while the window it belongs to stays disabled, and
    // nothing would be left to stop the run with.
    QObject::connect(&status, &QDialog::rejected, &status,
                     [&status] { status.stopRequested = true; });

    BatchRunner runner(converter, params, settings);
    QStringList withBatchCircle;
    runner.beforeFile = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    runner.stopRequested = [&status] { return status.stopRequested; };
    runner.pictureLoaded = pictureLoaded;
    runner.fileFinished = [&](const BatchFileOutcome &outcome) {
        if (interactive) {
            // A file that could not be read leaves the count alone; the next one catches up.
            if (outcome.loaded)
                status.setProgress(outcome.position + 1);
            if (outcome.written && outcome.withBatchCircle)
                withBatchCircle << QFileInfo(outcome.input).fileName();
        } else {
            printToStandardError(batchFileLine(outcome));
        }
    };
    const BatchSummary summary = runner.run(files);

    if (ended)
        ended();
    window->setEnabled(true);

    // An output folder that is missing or no folder means nothing was run, as a missing one.
    const int exitCode = !summary.problem.isEmpty() ? 2 : summary.allConverted() ? 0 : 1;
    if (!interactive) {
        printToStandardError(batchSummaryLine(summary));
        return exitCode;
    }
    status.hide();
    QMessageBox box(QMessageBox::Information, title,
                    batchResultText(texts, summary, withBatchCircle), QMessageBox::Ok, window);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    // The folder opens once the result has been read; when it cannot, the user is told where
    // the maps are instead.
    if (openFolder && !openFolderInFileManager(settings.outputFolder)) {
        QMessageBox failed(QMessageBox::Warning, title,
                           settings.outputFolder + texts.value("batch_open_folder_error"),
                           QMessageBox::Ok, window);
        failed.exec();
    }
    return exitCode;
}
