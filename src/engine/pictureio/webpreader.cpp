#include "engine/pictureio/webpreader.h"

#include "engine/basics/largebuffer.h"

#include <QFileDevice>
#include <QIODevice>

#include <webp/decode.h>

namespace {

// The RIFF header: "RIFF", the length of what follows (little-endian), "WEBP".
constexpr int riffHeaderBytes = 12;

QString describeStatus(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return QStringLiteral("the file ends before the WebP picture does");
    case VP8_STATUS_OUT_OF_MEMORY:
        return QStringLiteral("not enough memory to decode the WebP");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return QStringLiteral("the WebP uses a feature the decoder does not know");
    default:
        return QStringLiteral("the WebP's data is damaged");
    }
}

// The file's bytes, mapped when the device is a file, so that they take no memory of their own.
class FileBytes
{
public:
    explicit FileBytes(QIODevice &device) : file(qobject_cast<QFileDevice *>(&device))
    {
        const qint64 size = device.size();
        if (file && size > 0)
            mapped = file->map(0, size);
        if (mapped) {
            length = size;
        } else if (device.seek(0)) {
            copy = device.readAll();
            length = copy.size();
        }
    }
    ~FileBytes()
    {
        if (mapped)
            file->unmap(mapped);
    }
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;

    const uint8_t *data() const
    {
        return mapped ? mapped : reinterpret_cast<const uint8_t *>(copy.constData());
    }
    qint64 size() const { return length; }

private:
    QFileDevice *file;
    uchar *mapped = nullptr;
    QByteArray copy;
    qint64 length = 0;
};

} // namespace

QSize readWebpSize(QIODevice &device)
{
    // The size is in the first chunk's header: VP8X, VP8 or VP8L.
    if (!device.seek(0))
        return QSize();
    const QByteArray start = device.read(64);
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(reinterpret_cast<const uint8_t *>(start.constData()), size_t(start.size()),
                        &features) != VP8_STATUS_OK)
        return QSize();
    return QSize(features.width, features.height);
}

QImage readWebp(QIODevice &device, qint64 maxPixels, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QImage();
    };
    const FileBytes bytes(device);
    if (bytes.size() < riffHeaderBytes)
        return fail(QStringLiteral("the file ends before the WebP picture does"));
    const uint8_t *data = bytes.data();
    const quint64 riffLength =
        quint64(data[4]) | quint64(data[5]) << 8 | quint64(data[6]) << 16 | quint64(data[7]) << 24;
    // The RIFF length counts what follows its own field; anything after it is not the picture.
    if (riffLength + 8 > quint64(bytes.size()))
        return fail(QStringLiteral("the file ends before the WebP picture does"));
    const size_t length = size_t(riffLength + 8);

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return fail(QStringLiteral("the WebP decoder could not start"));
    const VP8StatusCode status = WebPGetFeatures(data, length, &config.input);
    if (status != VP8_STATUS_OK)
        return fail(describeStatus(status));
    const int width = config.input.width, height = config.input.height;
    if (config.input.has_animation)
        return fail(QStringLiteral("the WebP is animated; only still WebP pictures are read"));
    if (width <= 0 || height <= 0)
        return fail(QStringLiteral("the WebP's picture is empty"));
    if (qint64(width) * height > maxPixels)
        return fail(
            QStringLiteral("the picture is too large (%1 x %2 pixels)").arg(width).arg(height));

    QImage picture = allocatePictureImage(
        width, height, config.input.has_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull())
        return fail(QStringLiteral("not enough memory for the picture"));
        // The bytes of QImage's 32-bit formats: B, G, R, A on a little-endian machine. The decoder
        // writes an opaque alpha where the file has none, as RGB32 wants.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    config.output.colorspace = MODE_BGRA;
#else
    config.output.colorspace = MODE_ARGB;
#endif
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = picture.bits();
    config.output.u.RGBA.stride = int(picture.bytesPerLine());
    config.output.u.RGBA.size = size_t(picture.sizeInBytes());
    const VP8StatusCode decoded = WebPDecode(data, length, &config);
    WebPFreeDecBuffer(&config.output);
    if (decoded != VP8_STATUS_OK)
        return fail(describeStatus(decoded));
    return picture;
}
