#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/batchoptions.h"
#include "app/commandline.h"
#include "app/settingscheck.h"
#include "batch/batcharguments.h"
#include "engine/basics/diagnostics.h"
#include "preview/previewwindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

void MainWindow::timeout()
{
    qCDebug(orvixDiagnostics) << "timeout";
    startupTimer->stop();
    startWith(commandLine.isEmpty() ? QCoreApplication::arguments() : commandLine);
}

void MainWindow::startWith(const QStringList &arguments)
{
    QStringList files = arguments;
    const QString programFile = files.isEmpty() ? QString() : files.takeFirst();

    // The entry point leaves the window hidden only for a "/batch" start.
    const bool silent = !isVisible();
    if (!silent) {
        applyViewScaling();
        ui->actionAuto_Size->setChecked(autoSize);
        if (previewAtStart) {
            ui->actionPreview_Window->setChecked(true);
            previewWindow->show();
        }
        if (autoPreview)
            ui->actionAuto_Preview->setChecked(true);
        batchMode = 0;
    } else if (!files.isEmpty()) {
        files.removeFirst();
    }

    if (silent) {
        // A refused command is refused before anything is read or written, the settings file
        // included; other refusals end as every silent run does, writing back the settings
        // it read.
        const auto refuse = [&](const QString &reason, bool writeSettings) {
            std::fprintf(stderr, "%s /batch: %s; nothing was converted\n",
                         qPrintable(QFileInfo(programFile).fileName()), qPrintable(reason));
            batchExitCode = 2;
            if (writeSettings)
                close();
            else
                QCoreApplication::exit(batchExitCode);
        };
        // Options set this run's settings; the settings file keeps its own.
        const BatchCommand command = readBatchCommand(files, settings());
        if (!command.error.isEmpty())
            return refuse(command.error, false);
        // A silent start always ends by itself: with files it converts them (a single one
        // as a batch of one), without any it says how to call it and fails.
        if (command.files.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(silentBatchUsage(programFile)));
            batchExitCode = 2;
            close();
            return;
        }
        // Values read from the settings file have never met the option dialog's checks.
        const QString problem = storedSettingsProblem(command.settings, settingsFile);
        if (!problem.isEmpty())
            return refuse(problem, true);
        if (command.overridden)
            overrideSettings(command.settings);
        // A --circle in decimals keeps its sub-pixel part for the precise mode.
        if (command.circle)
            circleFractions = *command.circle;
        batchFiles << expandBatchArguments(command.files);
        batchConvert();
        close();
        return;
    }

    if (files.size() == 1) {
        loadFileName = files.first();
        openImage();
    } else if (files.size() >= 2) {
        batchFiles << expandBatchArguments(files);
        on_actionBatch_Convert_triggered();
    } else if (!loadFileName.isEmpty()) {
        openImage();
    }
}
