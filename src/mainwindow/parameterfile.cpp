#include "mainwindow.h"

#include "messagebox.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

// A parameter file holds the circle under the settings file's keys, so the settings file can
// itself be loaded as a parameter file.

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
    QSettings file(path, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    file.setValue(QStringLiteral("CenterX"), centerX);
    file.setValue(QStringLiteral("CenterY"), centerY);
    file.setValue(QStringLiteral("Radius"), radius);
    // Written before the confirmation, so that a file that could not be written (a folder
    // that cannot be made, a file that cannot be replaced) is reported instead of announced
    // as saved. A previous content that was no INI text is replaced, which is not a failure.
    file.sync();
    const QString title = texts.value(QStringLiteral("save_inifile_title"));
    if (file.status() == QSettings::AccessError) {
        showMessage(this, QMessageBox::Warning, title,
                    path + texts.value(QStringLiteral("save_error")));
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
    {
        QSettings file(path, QSettings::IniFormat);
        file.setIniCodec("UTF-8");
        centerX = file.value(QStringLiteral("CenterX"), 0).toInt();
        centerY = file.value(QStringLiteral("CenterY"), 0).toInt();
        radius = file.value(QStringLiteral("Radius"), 0).toInt();
    }
    updateScreenParameter();
    drawSelection();
}
