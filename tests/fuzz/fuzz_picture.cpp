// A picture file: the bytes go through readPicture, the one picture loader, and a picture
// that decodes is converted by MapConverter::convert at a small map size with the circle a
// picture gets by default. The reader must refuse with a reason or deliver a picture; the
// conversion must deliver a map of the requested size or refuse with a reason.
#include "fuzzsupport.h"

#include "engine/pictureio/picturereader.h"
#include "engine/standard/mapconverter.h"

#include <algorithm>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzing::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzzing::ScratchFile file(QStringLiteral("picture"), data, size);
    QString error;
    const QImage picture = readPicture(file.path(), &error);
    if (picture.isNull()) {
        if (error.isEmpty())
            fuzzing::fail("a picture was refused without a reason");
        return 0;
    }
    if (qint64(picture.width()) * picture.height() > maxPicturePixels)
        fuzzing::fail("a picture larger than the limit was delivered");

    ConversionParameters params;
    params.centerX = picture.width() / 2;
    params.centerY = picture.height() / 2;
    params.radius = int(std::min(picture.width(), picture.height()) * 0.49);
    params.outputWidth = 64;
    params.outputHeight = 32;

    MapConverter converter;
    converter.setThreadCount(1);
    converter.setEventPump([] {});
    const ConversionResult result = converter.convert(picture, params);
    if (result.ok()) {
        if (result.map.size() != QSize(params.outputWidth, params.outputHeight))
            fuzzing::fail("the map has another size than requested");
    } else if (result.error.isEmpty()) {
        fuzzing::fail("a conversion was refused without a reason");
    }
    return 0;
}
