#include "engine/finder/diskinfile.h"

#include "engine/pictureio/picturereader.h"

#include <QImage>

DiskFinding findDiskInFile(const QString &path, QString *readError, int searchSide,
                           int *reductionUsed)
{
    int reduction = 1;
    const QImage picture = readReducedPicture(path, searchSide, &reduction, readError);
    if (reductionUsed)
        *reductionUsed = reduction;
    if (picture.isNull()) {
        if (readError->isEmpty())
            *readError = QStringLiteral("the picture could not be decoded");
        return DiskFinding();
    }
    DiskFinding finding = findDisk(picture);
    // Reduced pixel i stands for the block of source pixels centred on i * k + (k - 1) / 2.
    finding.centerX = finding.centerX * reduction + (reduction - 1) / 2.0;
    finding.centerY = finding.centerY * reduction + (reduction - 1) / 2.0;
    finding.radius *= reduction;
    return finding;
}
