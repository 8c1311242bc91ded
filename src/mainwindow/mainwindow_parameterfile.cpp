#include "mainwindow/mainwindow.h"

#include "app/parameterfile.h"
#include "mainwindow/messagebox.h"
#include "ui_mainwindow.h"

#include <QFileDialog>
#include <QFileInfo>

void MainWindow::saveParameters()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(texts.value(QStringLiteral("inifile_filter")));
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    dialog.setDirectory(QFileInfo(loadFileName).absolutePath());
    dialog.selectFile(QStringLiteral("KY_map_param"));
    dialog.setWindowTitle(texts.value(QStringLiteral("save_inifile")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();

    readScreenParameter();
    // Written before the confirmation, so that a file that could not be written is reported
    // instead of announced as saved.
    QString error;
    const bool written = writeParameterFile(path, {centerX, centerY, radius}, &error);
    const QString title = texts.value(QStringLiteral("save_inifile_title"));
    if (!written) {
        showMessage(this, QMessageBox::Warning, title,
                    path + texts.value(QStringLiteral("save_error")) + QLatin1Char('\n') + error);
        return;
    }
    showMessage(this, QMessageBox::Information, title,
                path + texts.value(QStringLiteral("saved_file")));
}

void MainWindow::loadParameters()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(texts.value(QStringLiteral("inifile_filter")));
    dialog.setDirectory(QFileInfo(loadFileName).absolutePath());
    dialog.setWindowTitle(texts.value(QStringLiteral("load_inifile")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    loadParameterFile(dialog.selectedFiles().first());
}

void MainWindow::loadParameterFile(const QString &path)
{
    CircleParameters circle;
    QString error;
    // A file that cannot be read leaves the circle as it was.
    if (!readParameterFile(path, &circle, &error)) {
        showMessage(this, QMessageBox::Warning, ui->actionLoad_Param->text(),
                    path + texts.value(QStringLiteral("open_error")) + QLatin1Char('\n') + error);
        return;
    }
    centerX = circle.centerX;
    centerY = circle.centerY;
    radius = circle.radius;
    circleFractions = FoundCircle();
    updateScreenParameter();
    drawSelection();
}
