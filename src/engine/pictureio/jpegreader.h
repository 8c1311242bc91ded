#pragma once

#include <QImage>
#include <QString>

class QIODevice;

// The work a JPEG's scans may cost, in passes over the coefficients of every component: a
// progressive file of a common encoder passes over each component four to six times on
// average. A file whose scans repeat would otherwise cost minutes for a picture that decodes
// in a second.
constexpr int maxJpegPassesPerComponent = 12;

// Decodes a JPEG with libjpeg into the formats Qt's reader gives, pixel for pixel: 8-bit grey
// for a one-component file, RGB32 otherwise (CMYK files as Qt converts them). Returns a null
// image and sets error when the file is damaged (any report of corrupt data, a file cut short
// included), declares more than maxPixels pixels, or its scans would cost more than
// maxJpegPassesPerComponent passes.
//
// A picture of the decoded size and format in reuse is decoded into when nobody else holds it;
// otherwise it is let go before the new picture is allocated.
//
// A scaleDenominator of 2, 4 or 8 decodes at that fraction of the size (rounded up), each pixel
// standing for a block of that many pixels a side; maxPixels still bounds the full size. A
// progressive JPEG at an eighth is read only as far as its blocks' means, so damage further
// on goes unseen.
QImage readJpeg(QIODevice &device, qint64 maxPixels, QString *error, QImage reuse = QImage(),
                int scaleDenominator = 1);

// The size a JPEG's header declares, read without a word on damage; invalid when there is no
// readable header.
QSize readJpegSize(QIODevice &device);
