#pragma once

#include <QImage>
#include <QString>

class QIODevice;

// The work a JPEG's scans may cost, in passes over the coefficients of every component: a
// progressive file of a common encoder passes over each component four to six times. A file
// whose scans repeat would otherwise cost minutes for a picture that decodes in a second.
constexpr int maxJpegPassesPerComponent = 24;

// Decodes a JPEG with libjpeg into the formats Qt's reader gives, pixel for pixel: 8-bit grey
// for a one-component file, RGB32 otherwise (CMYK files as Qt converts them). Returns a null
// image and sets error when the file is damaged (any report of corrupt data, a file cut short
// included), declares more than maxPixels pixels, or its scans would cost more than
// maxJpegPassesPerComponent passes.
//
// reduction 2, 4 or 8 decodes the picture at that fraction of its size (each side rounded up)
// for a fraction of the cost, through libjpeg's scaled inverse transform. A picture of the
// decoded size and format in reuse is decoded into when nobody else holds it.
QImage readJpeg(QIODevice &device, qint64 maxPixels, QString *error, QImage reuse = QImage(),
                int reduction = 1);
