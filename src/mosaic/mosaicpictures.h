#pragma once

#include "mosaic/mosaicdescription.h"
#include "mosaic/mosaicview.h"

#include <QString>

#include <vector>

// The pictures of a mosaic read and made ready: each one read from its file (taken against the
// mosaic file's folder), its circle found when it asks for Detect, or the reason it is left out.
struct LoadedMosaic
{
    struct Picture
    {
        // The file as the description names it, and where it was read from.
        QString file;
        QString path;
        // Empty when the picture is used.
        QString reason;
        // Index into views when used, -1 otherwise.
        int view = -1;
    };
    std::vector<Picture> pictures;
    std::vector<MosaicView> views;
};

// The path of a picture file of the mosaic: an absolute name as it is, a relative one taken
// against the folder.
QString mosaicPicturePath(const QString &folder, const QString &file);

LoadedMosaic loadMosaicPictures(const MosaicDescription &description, const QString &folder);
