#pragma once

#include <QStringList>

class QMimeData;

// The pictures carried by a drag: every URL must be a local file whose suffix, in lower case,
// is jpg, png or gif (not jpeg). One bad URL makes the whole drag unacceptable.
struct DroppedFiles
{
    bool hasUrls = false;
    bool allPictures = false;
    QStringList paths;
};

DroppedFiles droppedPictureFiles(const QMimeData *data);
