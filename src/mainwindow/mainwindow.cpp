#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/basics/diagnostics.h"
#include "engine/pictureio/mapwriter.h"
#include "engine/pictureio/picturereader.h"
#include "engine/standard/mapconverter.h"
#include "mainwindow/droppedfiles.h"
#include "mainwindow/messagebox.h"
#include "mainwindow/selectiongeometry.h"
#include "preview/previewwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QTimer>

// The icons are compiled into the static GUI library, whose resources are registered only when
// asked for; the macro must be used outside any namespace.
static void registerIconResources()
{
    Q_INIT_RESOURCE(icons);
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), converter(std::make_unique<MapConverter>())
{
    registerIconResources();
    previewWindow = new PreviewWindow(this);
    ui->setupUi(this);
    ui->lineRadius->setText(QStringLiteral("0"));
    ui->lineCenterX->setText(QStringLiteral("0"));
    ui->lineCenterY->setText(QStringLiteral("0"));
    penColor.setNamedColor(QLatin1String(defaults::penColor));
    ui->label->setMouseTracking(true);
    connect(previewWindow, &PreviewWindow::hidden, this, &MainWindow::slotPreviewWindowHidden);

    startupTimer = new QTimer(this);
    connect(startupTimer, &QTimer::timeout, this, &MainWindow::timeout);
    startupTimer->start(1000);

    clickTimer = new QTimer(this);
    clickTimer->setSingleShot(false);
    connect(clickTimer, &QTimer::timeout, this, &MainWindow::click_timer);
    enablePictureCommands();
}

MainWindow::~MainWindow()
{
    setZoneCursor(Qt::ArrowCursor);
    delete previewWindow;
    delete ui;
}

MapConverter &MainWindow::mapConverter()
{
    return *converter;
}

void MainWindow::setSelectionVisible(bool visible)
{
    selectionVisible = visible;
    ui->label->selectionVisible = visible;
}

void MainWindow::openImage()
{
    // The picture shown is let go first, so that two huge pictures are never held at once.
    sourceImage = QImage();
    ui->label->setPixmap(QPixmap());
    sourceImage = readPicture(loadFileName);
    // A found circle's fractions belong to the picture it was found in.
    circleFractions = FoundCircle();
    setSelectionVisible(false);
    enablePictureCommands();
    showPictureNote(QString());

    if (sourceImage.isNull()) {
        showMessage(this, QMessageBox::Warning, ui->btnImageRead->text(),
                    loadFileName + texts.value(QStringLiteral("open_error")));
        loadFileName.clear();
        return;
    }

    imageWidth = sourceImage.width();
    imageHeight = sourceImage.height();
    openedName = loadFileName;
    openedPath = QDir::cleanPath(QFileInfo(loadFileName).absoluteFilePath());
    const bool found = detectDisk && takeFoundDisk();
    if (detectDisk && !found)
        showPictureNote(texts.value(QStringLiteral("no_disk_at_opening")));
    if (!found && (centerX == 0 || centerY == 0 || radius == 0)) {
        const selection::Circle circle = selection::defaultCircle(imageWidth, imageHeight);
        centerX = circle.centerX;
        centerY = circle.centerY;
        radius = circle.radius;
    }
    if (centerX > 0 && centerY > 0 && radius > 0)
        setSelectionVisible(true);
    updateScreenParameter();
    drawSelection();

    const QFileInfo picture(loadFileName);
    const QString name = QStringLiteral("KY-") +
                         picture.fileName().section(QLatin1Char('.'), 0, 0) + QLatin1Char('.') +
                         outputFormatName(outputFormat);
    ui->lineSaveFilename->setText(name);
    saveFileName = picture.absolutePath() + QLatin1Char('/') + name;
    ui->lineSaveFilename->setToolTip(saveFileName);
}

void MainWindow::on_btnImageRead_clicked()
{
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({texts.value(QStringLiteral("file_filter")),
                           texts.value(QStringLiteral("file_filter_all"))});
    dialog.setDirectory(QFileInfo(loadFileName).absolutePath());
    dialog.setWindowTitle(texts.value(QStringLiteral("open_file")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    loadFileName = dialog.selectedFiles().first();
    openImage();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    const DroppedFiles files = droppedPictureFiles(event->mimeData());
    if (!files.hasUrls || files.allPictures)
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const DroppedFiles files = droppedPictureFiles(event->mimeData());
    if (!files.hasUrls)
        return;
    if (!files.allPictures) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (files.paths.size() == 1) {
        loadFileName = files.paths.first();
        openImage();
        return;
    }
    // Several pictures: the batch dialog opens with them listed, once the drop has returned,
    // so the drag source is not kept waiting while the dialog is open.
    batchFiles << files.paths;
    QTimer::singleShot(0, this, &MainWindow::on_actionBatch_Convert_triggered);
}

void MainWindow::on_btnBrowse_clicked()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (mapFormatForCode(outputFormat) == MapFormat::Tiff)
        dialog.setNameFilter(texts.value(QStringLiteral("save_tiff_filter")));
    else
        dialog.setNameFilter(texts.value(QStringLiteral("save_image_filter")) +
                             outputFormatName(outputFormat) + QLatin1Char(')'));
    dialog.setDirectory(QFileInfo(saveFileName).absolutePath());
    dialog.setWindowTitle(texts.value(QStringLiteral("save_image_title")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    saveFileName = dialog.selectedFiles().first();
    ui->lineSaveFilename->setText(QFileInfo(saveFileName).fileName());
    ui->lineSaveFilename->setToolTip(saveFileName);
}

void MainWindow::on_btnConvert_clicked()
{
    qCDebug(orvixDiagnostics) << "on_btnConvert_clicked";
    if (sourceImage.isNull())
        return;
    readScreenParameter();
    const QString target =
        QFileInfo(saveFileName).absolutePath() + QLatin1Char('/') + ui->lineSaveFilename->text();
    saveFileName = target;
    const QString title = ui->btnConvert->text();

    // Only a file is worth the question; a folder (an empty name) fails when written.
    if (QFileInfo(target).isFile() &&
        showMessage(this, QMessageBox::Warning, title,
                    ui->lineSaveFilename->text() +
                        texts.value(QStringLiteral("overwrite_question")),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;

    const QImage map = convertImage();
    if (map.isNull()) {
        showMessage(this, QMessageBox::Warning, title,
                    loadFileName + texts.value(QStringLiteral("convert_error")) +
                        QLatin1Char('\n') + lastConversionError);
        return;
    }
    QString error;
    if (!writeMap(map, target, mapFormatForCode(outputFormat), outputQuality, &error)) {
        showMessage(this, QMessageBox::Warning, title,
                    target + texts.value(QStringLiteral("save_error")) + QLatin1Char('\n') + error);
        return;
    }
    showMessage(this, QMessageBox::Information, title,
                target + texts.value(QStringLiteral("saved_file")));
}

void MainWindow::on_btnPreview_clicked()
{
    ui->actionPreview_Window->setChecked(true);
    previewWindow->show();
    qCDebug(orvixDiagnostics) << "on_btnPreview_clicked";
    // A refusal is worth telling when the user asked for this preview; automatic previews
    // stay silent.
    if (runPreviewConversion() && !sourceImage.isNull() && !lastConversionError.isEmpty())
        showMessage(this, QMessageBox::Warning, ui->btnPreview->text(),
                    loadFileName + texts.value(QStringLiteral("convert_error")) +
                        QLatin1Char('\n') + lastConversionError);
}

void MainWindow::on_actionPreview_Window_triggered(bool checked)
{
    if (checked)
        on_btnPreview_clicked();
    else
        previewWindow->hide();
}

void MainWindow::slotPreviewWindowHidden()
{
    ui->actionPreview_Window->setChecked(false);
}

void MainWindow::on_actionAuto_Preview_triggered(bool checked)
{
    autoPreview = checked;
}

void MainWindow::on_actionAuto_Size_triggered(bool checked)
{
    autoSize = checked;
    applyViewScaling();
}

void MainWindow::applyViewScaling()
{
    ui->label->setScaledContents(autoSize);
    ui->label->setMinimumSize(autoSize ? QSize(320, 240) : QSize(0, 0));
}

void MainWindow::on_actionSave_Param_triggered()
{
    saveParameters();
}

void MainWindow::on_actionLoad_Param_triggered()
{
    loadParameters();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveSettings();
    QMainWindow::closeEvent(event);
}
