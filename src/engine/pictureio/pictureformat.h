#pragma once

#include <QByteArray>
#include <QString>

// The picture format a file's first bytes show, whatever its name says. Only formats whose
// damage the reader can detect are read: a JPEG, GIF, TIFF or WebP cut short is refused, a PNG
// carries checksums. Other formats would turn a cut file into a picture with a black or blank part.
struct PictureFormat
{
    // "jpeg", "png", "gif", "tiff" or "webp" for a format that is read; empty otherwise.
    QByteArray readerFormat;
    // For a file that is refused, why: the format it is in when that is recognised.
    QString refusal;

    bool accepted() const { return !readerFormat.isEmpty(); }
};

// How many leading bytes pictureFormatOf looks at.
constexpr int pictureSignatureLength = 32;

PictureFormat pictureFormatOf(const QByteArray &start);
