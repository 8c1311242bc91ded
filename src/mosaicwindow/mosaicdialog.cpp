#include "mosaicwindow/mosaicdialog.h"

#include "app/languagereader.h"
#include "app/mosaicfile.h"
#include "app/settinglimits.h"
#include "engine/basics/rowscheduler.h"
#include "engine/finder/diskfinder.h"
#include "engine/pictureio/mapwriter.h"
#include "engine/pictureio/picturereader.h"
#include "mosaic/mosaicbuilder.h"
#include "mosaic/mosaicpictures.h"
#include "mosaic/owneroverlay.h"
#include "mosaicwindow/mosaictexts.h"
#include "ui_mosaicdialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <algorithm>
#include <cmath>
#include <new>
#include <thread>

namespace {

enum Column
{
    FileColumn,
    CenterXColumn,
    CenterYColumn,
    RadiusColumn,
    DistanceColumn,
    LatitudeColumn,
    LongitudeColumn,
    AzimuthColumn,
    ColumnCount
};

const char *const columnKeys[ColumnCount] = {"col_file",      "col_center_x", "col_center_y",
                                             "col_radius",    "col_distance", "col_latitude",
                                             "col_longitude", "col_azimuth"};
// The limits of each number column, the same as the mosaic file's.
const limits::Range columnRanges[ColumnCount] = {
    {0, 0},           limits::circleCentre, limits::circleCentre, limits::radius,
    limits::distance, limits::latitude,     limits::longitude,    limits::azimuth};

// The file item keeps whether the picture's circle is to be found (Detect=true).
constexpr int detectRole = Qt::UserRole + 1;
// The preview's map width; the height is half of it.
constexpr int previewWidth = 720;

QString numberText(double value)
{
    return QString::number(value, 'g', 10);
}

int threadCount()
{
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace

MosaicDialog::MosaicDialog(QWidget *parent) : QDialog(parent), ui(new Ui::MosaicDialog)
{
    ui->setupUi(this);
    texts = MosaicTexts::builtIn();
    ui->tablePictures->setColumnCount(ColumnCount);
    QStringList headers;
    for (const char *key : columnKeys)
        headers << text(QLatin1String(key));
    ui->tablePictures->setHorizontalHeaderLabels(headers);
    ui->spinWidth->setRange(int(limits::storedMapSide.lowest), int(limits::storedMapSide.highest));
    ui->spinHeight->setRange(int(limits::storedMapSide.lowest), int(limits::storedMapSide.highest));
    ui->spinQuality->setRange(int(limits::quality.lowest), int(limits::quality.highest));
    setDescription(MosaicDescription());
}

MosaicDialog::~MosaicDialog()
{
    delete ui;
}

QString MosaicDialog::text(const QString &key) const
{
    return texts.value(key);
}

void MosaicDialog::loadLanguage()
{
    const LanguageReader reader(langFile, QStringLiteral("mosaic"));
    reader.applyWindowTitle(QStringLiteral("title"), this);
    reader.applyText(QStringLiteral("lbl_pictures"), ui->labelPictures);
    reader.applyText(QStringLiteral("lbl_size"), ui->labelSize);
    reader.applyText(QStringLiteral("lbl_quality"), ui->labelQuality);
    reader.applyText(QStringLiteral("chk_matching"), ui->checkMatching);
    reader.applyText(QStringLiteral("chk_overlay"), ui->checkOverlay);
    reader.applyText(QStringLiteral("btn_add"), ui->btnAdd);
    reader.applyText(QStringLiteral("btn_remove"), ui->btnRemove);
    reader.applyText(QStringLiteral("btn_up"), ui->btnUp);
    reader.applyText(QStringLiteral("btn_down"), ui->btnDown);
    reader.applyText(QStringLiteral("btn_take_circle"), ui->btnTakeCircle);
    reader.applyText(QStringLiteral("btn_find_circle"), ui->btnFindCircle);
    reader.applyText(QStringLiteral("btn_preview"), ui->btnPreview);
    reader.applyText(QStringLiteral("btn_open"), ui->btnOpen);
    reader.applyText(QStringLiteral("btn_save"), ui->btnSave);
    reader.applyText(QStringLiteral("btn_write"), ui->btnWrite);
    reader.applyText(QStringLiteral("btn_close"), ui->btnClose);
    for (auto it = MosaicTexts::builtIn().begin(); it != MosaicTexts::builtIn().end(); ++it)
        reader.storeText(it.key(), it.value(), texts);
    for (int c = 0; c < ColumnCount; ++c)
        ui->tablePictures->horizontalHeaderItem(c)->setText(text(QLatin1String(columnKeys[c])));
}

void MosaicDialog::message(const QString &key, const QString &detail)
{
    QMessageBox::warning(this, text(QStringLiteral("message_title")), text(key) + detail);
}

// --- The table ---

void MosaicDialog::setRow(int row, const MosaicPictureEntry &entry)
{
    const bool wasFilling = filling;
    filling = true;
    auto *file = new QTableWidgetItem(QFileInfo(entry.file).fileName());
    file->setData(Qt::UserRole, entry.file);
    file->setData(detectRole, entry.detect);
    file->setToolTip(entry.file);
    file->setFlags(file->flags() & ~Qt::ItemIsEditable);
    ui->tablePictures->setItem(row, FileColumn, file);
    const double values[ColumnCount] = {0,
                                        entry.centerX,
                                        entry.centerY,
                                        entry.radius,
                                        entry.distance,
                                        entry.latitude,
                                        entry.longitude,
                                        entry.azimuth};
    for (int c = CenterXColumn; c < ColumnCount; ++c) {
        const bool circle = c <= RadiusColumn;
        // A circle still to be found reads "detect" until it is.
        const QString shown = circle && entry.detect && entry.radius <= 0
                                  ? text(QStringLiteral("detect"))
                                  : numberText(values[c]);
        ui->tablePictures->setItem(row, c, new QTableWidgetItem(shown));
    }
    filling = wasFilling;
}

void MosaicDialog::addRow(const MosaicPictureEntry &entry)
{
    const int row = ui->tablePictures->rowCount();
    ui->tablePictures->insertRow(row);
    setRow(row, entry);
}

MosaicDescription MosaicDialog::description(QString *problem) const
{
    MosaicDescription d;
    d.outputSizeX = ui->spinWidth->value();
    d.outputSizeY = ui->spinHeight->value();
    d.outputQuality = ui->spinQuality->value();
    d.exposureMatching = ui->checkMatching->isChecked();
    if (problem)
        problem->clear();
    for (int row = 0; row < ui->tablePictures->rowCount(); ++row) {
        MosaicPictureEntry entry;
        const QTableWidgetItem *file = ui->tablePictures->item(row, FileColumn);
        entry.file = file->data(Qt::UserRole).toString();
        entry.detect = file->data(detectRole).toBool();
        double values[ColumnCount] = {};
        for (int c = CenterXColumn; c < ColumnCount; ++c) {
            const QString cell = ui->tablePictures->item(row, c)->text().trimmed();
            if (entry.detect && c <= RadiusColumn && cell == text(QStringLiteral("detect")))
                continue;
            bool ok = false;
            values[c] = cell.toDouble(&ok);
            if ((!ok || !columnRanges[c].contains(values[c])) && problem && problem->isEmpty())
                *problem = QStringLiteral("%1, %2: \"%3\" (%4 - %5)")
                               .arg(row + 1)
                               .arg(text(QLatin1String(columnKeys[c])), cell,
                                    numberText(columnRanges[c].lowest),
                                    numberText(columnRanges[c].highest));
        }
        entry.centerX = values[CenterXColumn];
        entry.centerY = values[CenterYColumn];
        entry.radius = values[RadiusColumn];
        entry.distance = values[DistanceColumn];
        entry.latitude = values[LatitudeColumn];
        entry.longitude = values[LongitudeColumn];
        entry.azimuth = values[AzimuthColumn];
        d.pictures.push_back(entry);
    }
    return d;
}

void MosaicDialog::setDescription(const MosaicDescription &d)
{
    ui->spinWidth->setValue(d.outputSizeX);
    ui->spinHeight->setValue(d.outputSizeY);
    ui->spinQuality->setValue(d.outputQuality);
    ui->checkMatching->setChecked(d.exposureMatching);
    ui->tablePictures->setRowCount(0);
    for (const MosaicPictureEntry &entry : d.pictures)
        addRow(entry);
}

void MosaicDialog::on_tablePictures_itemChanged(QTableWidgetItem *item)
{
    // A circle edited by hand is no longer to be found.
    if (filling || item->column() < CenterXColumn || item->column() > RadiusColumn)
        return;
    if (QTableWidgetItem *file = ui->tablePictures->item(item->row(), FileColumn))
        file->setData(detectRole, false);
}

bool MosaicDialog::findCircle(int row)
{
    const QString path = ui->tablePictures->item(row, FileColumn)->data(Qt::UserRole).toString();
    const QImage picture = readPicture(path);
    const DiskFinding finding = picture.isNull() ? DiskFinding() : findDisk(picture);
    if (!finding.found)
        return false;
    MosaicDescription d = description(nullptr);
    MosaicPictureEntry entry = d.pictures[row];
    entry.centerX = std::round(finding.centerX * 100) / 100;
    entry.centerY = std::round(finding.centerY * 100) / 100;
    entry.radius = std::round(finding.radius * 100) / 100;
    entry.detect = false;
    setRow(row, entry);
    return true;
}

void MosaicDialog::on_btnAdd_clicked()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(this, text(QStringLiteral("add_title")), QString(),
                                      text(QStringLiteral("filter_pictures")));
    QStringList notFound;
    for (const QString &file : files) {
        MosaicPictureEntry entry;
        entry.file = QFileInfo(file).absoluteFilePath();
        entry.distance = mainDistance;
        // Until the finder or the user gives one, the picture's default circle.
        const QImage picture = readPicture(entry.file);
        entry.centerX = picture.width() / 2;
        entry.centerY = picture.height() / 2;
        entry.radius = std::max(1, int(std::min(entry.centerX, entry.centerY) * 0.98));
        addRow(entry);
        if (!findCircle(ui->tablePictures->rowCount() - 1))
            notFound << QFileInfo(file).fileName();
    }
    if (!notFound.isEmpty())
        message(QStringLiteral("no_disk"), notFound.join(QStringLiteral(", ")));
}

void MosaicDialog::on_btnRemove_clicked()
{
    const int row = ui->tablePictures->currentRow();
    if (row >= 0)
        ui->tablePictures->removeRow(row);
}

void MosaicDialog::moveRow(int from, int to)
{
    if (from < 0 || to < 0 || to >= ui->tablePictures->rowCount())
        return;
    MosaicDescription d = description(nullptr);
    std::swap(d.pictures[from], d.pictures[to]);
    setRow(from, d.pictures[from]);
    setRow(to, d.pictures[to]);
    ui->tablePictures->setCurrentCell(to, ui->tablePictures->currentColumn());
}

void MosaicDialog::on_btnUp_clicked()
{
    const int row = ui->tablePictures->currentRow();
    moveRow(row, row - 1);
}

void MosaicDialog::on_btnDown_clicked()
{
    const int row = ui->tablePictures->currentRow();
    moveRow(row, row + 1);
}

void MosaicDialog::on_btnTakeCircle_clicked()
{
    const int row = ui->tablePictures->currentRow();
    if (row < 0 || !mainCircleValid)
        return;
    MosaicPictureEntry entry = description(nullptr).pictures[row];
    entry.centerX = mainCenterX;
    entry.centerY = mainCenterY;
    entry.radius = mainRadius;
    entry.distance = mainDistance;
    entry.detect = false;
    setRow(row, entry);
}

void MosaicDialog::on_btnFindCircle_clicked()
{
    const int row = ui->tablePictures->currentRow();
    if (row >= 0 && !findCircle(row))
        message(QStringLiteral("no_disk"), ui->tablePictures->item(row, FileColumn)->text());
}

// --- Preview and writing ---

void MosaicDialog::on_btnPreview_clicked()
{
    QString problem;
    const MosaicDescription d = description(&problem);
    if (!problem.isEmpty())
        return message(QStringLiteral("bad_value"), problem);
    if (d.pictures.empty())
        return message(QStringLiteral("no_pictures"), QString());
    const LoadedMosaic loaded = loadMosaicPictures(d, QString());
    if (loaded.views.empty())
        return message(QStringLiteral("left_out"), loaded.pictures.front().reason);
    RowScheduler scheduler(threadCount(), [] {});
    MosaicOptions options;
    options.mapSize = QSize(previewWidth, previewWidth / 2);
    options.exposureMatching = d.exposureMatching;
    const MosaicResult result = MosaicBuilder().build(loaded.views, options, scheduler);
    previewMap = result.map;
    previewRegions = ownerOverlay(result.map, result.owners);
    showPreview();
}

void MosaicDialog::on_checkOverlay_toggled(bool)
{
    showPreview();
}

void MosaicDialog::showPreview()
{
    const QImage &shown = ui->checkOverlay->isChecked() ? previewRegions : previewMap;
    if (!shown.isNull())
        ui->labelPreview->setPixmap(QPixmap::fromImage(shown));
}

QString MosaicDialog::chosenMapPath()
{
    QFileDialog picker(this, text(QStringLiteral("write_title")));
    picker.setAcceptMode(QFileDialog::AcceptSave);
    const QString tiffFilter = text(QStringLiteral("filter_map_tiff"));
    picker.setNameFilters({text(QStringLiteral("filter_map")), tiffFilter});
    // A name typed without a suffix gets that of the chosen filter, before the dialog asks
    // whether a file of the full name may be replaced.
    picker.setDefaultSuffix(QStringLiteral("jpg"));
    connect(&picker, &QFileDialog::filterSelected, &picker,
            [&picker, tiffFilter](const QString &f) {
                picker.setDefaultSuffix(f == tiffFilter ? QStringLiteral("tif")
                                                        : QStringLiteral("jpg"));
            });
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty())
        return QString();
    return picker.selectedFiles().first();
}

void MosaicDialog::on_btnWrite_clicked()
{
    QString problem;
    const MosaicDescription d = description(&problem);
    if (!problem.isEmpty())
        return message(QStringLiteral("bad_value"), problem);
    if (d.pictures.empty())
        return message(QStringLiteral("no_pictures"), QString());
    const QString path = chosenMapPath();
    if (path.isEmpty())
        return;
    // The name's suffix chooses the format; a name without a known one is written as JPG.
    MapFormat format = MapFormat::Jpg;
    mapFormatForSuffix(QFileInfo(path).suffix(), &format);
    const LoadedMosaic loaded = loadMosaicPictures(d, QString());
    if (loaded.views.empty())
        return message(QStringLiteral("left_out"), loaded.pictures.front().reason);
    setEnabled(false);
    MosaicBuilder builder;
    // The bar follows the rows; only paint and timer events are served meanwhile.
    RowScheduler scheduler(threadCount(), [this, &builder] {
        ui->progressBar->setValue(int(builder.progress() * 100));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    MosaicOptions options;
    options.mapSize = QSize(d.outputSizeX, d.outputSizeY);
    options.exposureMatching = d.exposureMatching;
    QString error;
    bool written = false;
    try {
        const MosaicResult result = builder.build(loaded.views, options, scheduler);
        ui->progressBar->setValue(100);
        written = writeMap(result.map, path, format, d.outputQuality, &error);
    } catch (const std::bad_alloc &) {
        error = text(QStringLiteral("no_memory"));
    }
    setEnabled(true);
    QStringList leftOut;
    for (const LoadedMosaic::Picture &picture : loaded.pictures)
        if (picture.view < 0)
            leftOut << QStringLiteral("%1 (%2)").arg(QFileInfo(picture.file).fileName(),
                                                     picture.reason);
    if (!written)
        message(QStringLiteral("write_failed"), error);
    else if (!leftOut.isEmpty())
        message(QStringLiteral("left_out"), leftOut.join(QStringLiteral(", ")));
    else
        QMessageBox::information(this, text(QStringLiteral("message_title")),
                                 text(QStringLiteral("write_done")) + path);
}

// --- Mosaic files ---

bool MosaicDialog::openMosaicFile(const QString &path)
{
    MosaicDescription d;
    QString error;
    if (!readMosaicFile(path, &d, &error)) {
        message(QStringLiteral("open_failed"), error);
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    for (MosaicPictureEntry &entry : d.pictures)
        entry.file = mosaicPicturePath(folder, entry.file);
    setDescription(d);
    return true;
}

bool MosaicDialog::saveMosaicFile(const QString &path)
{
    QString problem;
    MosaicDescription d = description(&problem);
    if (!problem.isEmpty()) {
        message(QStringLiteral("bad_value"), problem);
        return false;
    }
    for (MosaicPictureEntry &entry : d.pictures)
        entry.file = mosaicRelativeName(path, entry.file);
    QString error;
    if (!writeMosaicFile(path, d, &error)) {
        message(QStringLiteral("save_failed"), error);
        return false;
    }
    return true;
}

void MosaicDialog::on_btnOpen_clicked()
{
    const QString path = QFileDialog::getOpenFileName(
        this, text(QStringLiteral("open_title")), QString(), text(QStringLiteral("filter_mosaic")));
    if (!path.isEmpty())
        openMosaicFile(path);
}

void MosaicDialog::on_btnSave_clicked()
{
    const QString path = QFileDialog::getSaveFileName(
        this, text(QStringLiteral("save_title")), QString(), text(QStringLiteral("filter_mosaic")));
    if (!path.isEmpty())
        saveMosaicFile(path);
}

void MosaicDialog::on_btnClose_clicked()
{
    accept();
}
