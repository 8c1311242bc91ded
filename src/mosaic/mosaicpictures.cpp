#include "mosaic/mosaicpictures.h"

#include "engine/basics/picturedepth.h"
#include "engine/finder/diskfinder.h"
#include "engine/pictureio/picturereader.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

QString mosaicPicturePath(const QString &folder, const QString &file)
{
    return QDir::cleanPath(QDir(folder).absoluteFilePath(file));
}

namespace {

// Why a circle frames nothing of the picture, or an empty text.
QString circleProblem(const MosaicView &view)
{
    const double w = view.picture.width();
    const double h = view.picture.height();
    if (!(view.radius > 0))
        return QStringLiteral("no usable circle (the radius is not above 0)");
    if (view.centerX + view.radius < -0.5 || view.centerX - view.radius > w - 0.5 ||
        view.centerY + view.radius < -0.5 || view.centerY - view.radius > h - 0.5)
        return QStringLiteral("no usable circle (the circle lies outside the %1 x %2 picture)")
            .arg(view.picture.width())
            .arg(view.picture.height());
    return QString();
}

} // namespace

LoadedMosaic loadMosaicPictures(const MosaicDescription &description, const QString &folder)
{
    LoadedMosaic loaded;
    for (const MosaicPictureEntry &entry : description.pictures) {
        LoadedMosaic::Picture picture;
        picture.file = entry.file;
        picture.path = mosaicPicturePath(folder, entry.file);
        QString readError;
        MosaicView view;
        view.picture = readPicture(picture.path, &readError);
        if (view.picture.isNull()) {
            picture.reason = QStringLiteral("the picture could not be read: %1").arg(readError);
            loaded.pictures.push_back(picture);
            continue;
        }
        // The sampler reads premultiplied pixels of the picture's depth; converted here, while
        // nothing else holds the picture, so that the conversion happens in place where it can.
        if (hasSixteenBits(view.picture)) {
            if (view.picture.format() == QImage::Format_RGBA64)
                view.picture.convertTo(QImage::Format_RGBA64_Premultiplied);
        } else if (view.picture.format() != QImage::Format_RGB32 &&
                   view.picture.format() != QImage::Format_ARGB32_Premultiplied) {
            view.picture.convertTo(QImage::Format_ARGB32_Premultiplied);
        }
        if (entry.detect) {
            const DiskFinding finding = findDisk(view.picture);
            if (!finding.found) {
                picture.reason = QStringLiteral("no usable circle (%1)").arg(finding.reason);
                loaded.pictures.push_back(picture);
                continue;
            }
            view.centerX = finding.centerX;
            view.centerY = finding.centerY;
            view.radius = finding.radius;
        } else {
            view.centerX = entry.centerX;
            view.centerY = entry.centerY;
            view.radius = entry.radius;
        }
        view.distance = entry.distance;
        view.latitude = entry.latitude;
        view.longitude = entry.longitude;
        view.azimuth = entry.azimuth;
        picture.reason = circleProblem(view);
        if (picture.reason.isEmpty()) {
            picture.view = int(loaded.views.size());
            loaded.views.push_back(view);
        }
        loaded.pictures.push_back(picture);
    }
    return loaded;
}
