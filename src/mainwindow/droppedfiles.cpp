#include "mainwindow/droppedfiles.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

bool isAcceptedPicture(const QString &localPath)
{
    if (localPath.isEmpty())
        return false;
    const QString suffix = QFileInfo(localPath).suffix().toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("png") ||
           suffix == QLatin1String("gif");
}

} // namespace

DroppedFiles droppedPictureFiles(const QMimeData *data)
{
    DroppedFiles files;
    if (!data || !data->hasUrls())
        return files;
    files.hasUrls = true;
    for (const QUrl &url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!isAcceptedPicture(path)) {
            files.paths.clear();
            return files;
        }
        files.paths << path;
    }
    files.allPictures = !files.paths.isEmpty();
    return files;
}
