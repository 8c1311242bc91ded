#include "engine/pictureio/pictureformat.h"

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

quint8 byteAt(const QByteArray &start, int offset)
{
    return quint8(start.at(offset));
}

// ICO and CUR files start with a zero word, their type (1 or 2) and at least one image; a TGA
// header of an uncompressed true-colour picture starts with the same bytes but no count.
const char *iconFormat(const QByteArray &start)
{
    if (start.size() < 6 || byteAt(start, 0) != 0 || byteAt(start, 1) != 0 ||
        byteAt(start, 3) != 0 || (byteAt(start, 4) == 0 && byteAt(start, 5) == 0))
        return nullptr;
    return byteAt(start, 2) == 1 ? "ICO" : byteAt(start, 2) == 2 ? "CUR" : nullptr;
}

// TGA has no signature; its 18-byte header is recognised by fields that hold only a few
// values: the palette flag, the image type, the palette's entry size, the pixel depth.
bool isTgaHeader(const QByteArray &start)
{
    if (start.size() < 18)
        return false;
    const int paletteType = byteAt(start, 1), imageType = byteAt(start, 2);
    const int entryBits = byteAt(start, 7), depth = byteAt(start, 16);
    const bool known = imageType == 1 || imageType == 2 || imageType == 3 || imageType == 9 ||
                       imageType == 10 || imageType == 11;
    const bool palette = paletteType == 0
                             ? entryBits == 0
                             : paletteType == 1 && (entryBits == 15 || entryBits == 16 ||
                                                    entryBits == 24 || entryBits == 32);
    const bool size =
        (byteAt(start, 12) | byteAt(start, 13)) && (byteAt(start, 14) | byteAt(start, 15));
    const bool pixels = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    return known && palette && size && pixels && (byteAt(start, 17) & 0xC0) == 0;
}

QString refusalNaming(const char *name)
{
    return QStringLiteral(
               "the file is a %1 picture; only JPEG, PNG, GIF, TIFF and WebP pictures are read")
        .arg(QLatin1String(name));
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
    // Classic TIFF (version 42) and BigTIFF (43), little- or big-endian.
    for (const char *tiff : {"II*\x00", "MM\x00*", "II+\x00", "MM\x00+"})
        if (hasAt(start, 0, QByteArray(tiff, 4)))
            return {"tiff", QString()};
    if (hasAt(start, 0, "RIFF") && hasAt(start, 8, "WEBP"))
        return {"webp", QString()};
    // XBM files may begin with blank lines or comments before their first #define.
    const QByteArray trimmed = start.trimmed();
    for (const Signature &signature : refusedSignatures)
        if (hasAt(signature.offset == 0 ? trimmed : start, signature.offset, signature.bytes))
            return {QByteArray(), refusalNaming(signature.name)};
    if (const char *icon = iconFormat(start))
        return {QByteArray(), refusalNaming(icon)};
    if (isTgaHeader(start))
        return {QByteArray(), refusalNaming("TGA")};
    return {QByteArray(), QStringLiteral("the file is not a JPEG, PNG, GIF, TIFF or WebP picture")};
}
