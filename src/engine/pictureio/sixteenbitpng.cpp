#include "engine/pictureio/sixteenbitpng.h"

#include "engine/basics/largebuffer.h"

#include <QIODevice>

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

// libpng reports errors through a callback that must not return: it jumps back to the setjmp
// in decodeRows. The objects that outlive such a jump live in the caller's frame, so the jump
// skips no destructor and leaves nothing of decodeRows' own in an indeterminate state.
struct Decoding
{
    QIODevice *device = nullptr;
    qint64 maxPixels = 0;
    qint64 maxSixteenBitBytes = 0;
    QImage image;
    std::vector<png_bytep> rows;
    char message[256] = {};
};

void keepMessage(png_structp png, png_const_charp message)
{
    auto *decoding = static_cast<Decoding *>(png_get_error_ptr(png));
    std::strncpy(decoding->message, message, sizeof decoding->message - 1);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp)
{
}

void readBytes(png_structp png, png_bytep data, size_t length)
{
    auto *decoding = static_cast<Decoding *>(png_get_io_ptr(png));
    if (decoding->device->read(reinterpret_cast<char *>(data), qint64(length)) != qint64(length))
        png_error(png, "the file ends before the picture does");
}

// Sets the transformations and allocates the picture. At 16 bits: R, G, B and A (or an opaque
// filler) in the machine's byte order, QImage's RGBA64 and RGBX64. At 8 bits: BGRA (or BGR plus
// an opaque filler), the byte order of QImage's 32-bit formats on a little-endian machine.
void prepareOutput(png_structp png, png_infop info, Decoding &decoding)
{
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (qint64(width) * height > decoding.maxPixels || width > INT_MAX / 8 || height > INT_MAX)
        png_error(png, "the picture is too large");
    const int colourType = png_get_color_type(png, info);
    const bool transparent =
        (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    const bool deep = png_get_bit_depth(png, info) == 16 &&
                      qint64(width) * height * 8 <= decoding.maxSixteenBitBytes;
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    QImage::Format format;
    if (deep) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_swap(png);
#endif
        if (!transparent)
            png_set_filler(png, 0xFFFF, PNG_FILLER_AFTER);
        format = transparent ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
    } else {
        png_set_scale_16(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_bgr(png);
        if (!transparent)
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
#else
        if (transparent)
            png_set_swap_alpha(png);
        else
            png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
#endif
        format = transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * (deep ? 8 : 4))
        png_error(png, "unexpected row layout");

    decoding.image = allocatePictureImage(int(width), int(height), format);
    if (decoding.image.isNull())
        png_error(png, "not enough memory for the picture");
    decoding.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        decoding.rows[y] = decoding.image.scanLine(int(y));
}

// True when the whole file decoded into decoding.image.
bool decodeRows(Decoding &decoding)
{
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &decoding, keepMessage, ignoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &decoding, readBytes);
    png_read_info(png, info);
    prepareOutput(png, info, decoding);
    png_read_image(png, decoding.rows.data());
    // The chunks after the picture data too, so that a file cut before its end is refused.
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

bool isSixteenBitPng(const QByteArray &start)
{
    // Signature, IHDR length and type, width, height, then the bit depth.
    return start.size() > 24 && start.startsWith("\x89PNG\r\n\x1a\n") &&
           start.mid(12, 4) == "IHDR" && quint8(start[24]) == 16;
}

QImage readSixteenBitPng(QIODevice &device, qint64 maxPixels, qint64 maxSixteenBitBytes,
                         QString *error)
{
    Decoding decoding;
    decoding.device = &device;
    decoding.maxPixels = maxPixels;
    decoding.maxSixteenBitBytes = maxSixteenBitBytes;
    if (decodeRows(decoding))
        return decoding.image;
    if (error)
        *error = decoding.message[0] ? QString::fromUtf8(decoding.message)
                                     : QStringLiteral("the PNG decoder could not start");
    return QImage();
}
