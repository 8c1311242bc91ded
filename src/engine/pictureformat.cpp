#include "pictureformat.h"

namespace {

struct Signature
{
    int offset;
    QByteArray bytes;
    const char *name;
};

// Formats Qt or its plugins read, and a few common others, recognised so that the refusal can
// name them.
const Signature refusedSignatures[] = {
    {0, QByteArrayLiteral("BM"), "BMP"},
    {0, QByteArrayLiteral("II*\x00"), "TIFF"},
    {0, QByteArrayLiteral("MM\x00*"), "TIFF"},
    {8, QByteArrayLiteral("WEBP"), "WebP"},
    {0, QByteArrayLiteral("\x00\x00\x01\x00"), "ICO"},
    {0, QByteArrayLiteral("\x00\x00\x02\x00"), "CUR"},
    {0, QByteArrayLiteral("/* XPM */"), "XPM"},
    {0, QByteArrayLiteral("#define"), "XBM"},
    {0, QByteArrayLiteral("P1"), "PBM"},
    {0, QByteArrayLiteral("P4"), "PBM"},
    {0, QByteArrayLiteral("P2"), "PGM"},
    {0, QByteArrayLiteral("P5"), "PGM"},
    {0, QByteArrayLiteral("P3"), "PPM"},
    {0, QByteArrayLiteral("P6"), "PPM"},
    {0, QByteArrayLiteral("<svg"), "SVG"},
    {0, QByteArrayLiteral("<?xml"), "SVG or other XML"},
    {0, QByteArrayLiteral("icns"), "ICNS"},
    {0, QByteArrayLiteral("8BPS"), "PSD"},
    {0, QByteArrayLiteral("DDS "), "DDS"},
    {4, QByteArrayLiteral("ftyp"), "HEIF or AVIF"},
    {0, QByteArrayLiteral("\x00\x00\x00\x0cjP  "), "JPEG 2000"},
    {0, QByteArrayLiteral("\xff\x4f\xff\x51"), "JPEG 2000"},
};

bool hasAt(const QByteArray &start, int offset, const QByteArray &bytes)
{
    return start.size() >= offset + bytes.size() && start.mid(offset, bytes.size()) == bytes;
}

} // namespace

PictureFormat pictureFormatOf(const QByteArray &start)
{
    if (hasAt(start, 0, QByteArrayLiteral("\xff\xd8\xff")))
        return {"jpeg", QString()};
    if (hasAt(start, 0, QByteArrayLiteral("\x89PNG\r\n\x1a\n")))
        return {"png", QString()};
    if (hasAt(start, 0, "GIF87a") || hasAt(start, 0, "GIF89a"))
        return {"gif", QString()};
    // XBM files may begin with blank lines or comments before their first #define.
    const QByteArray trimmed = start.trimmed();
    for (const Signature &signature : refusedSignatures)
        if (hasAt(signature.offset == 0 ? trimmed : start, signature.offset, signature.bytes))
            return {QByteArray(), QStringLiteral("the file is a %1 picture; only JPEG, PNG and "
                                                 "GIF pictures are read")
                                      .arg(QLatin1String(signature.name))};
    return {QByteArray(), QStringLiteral("the file is not a JPEG, PNG or GIF picture")};
}
