#pragma once

#include "modalanswerer.h"
#include "testfiles.h"

#include <QColor>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

// A globe-like test picture: a coloured disk on black whose shading depends on the seed, so
// the maps of different pictures differ.
inline QImage globePicture(int width, int height, int seed = 0)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    const int side = qMin(width, height);
    QLinearGradient shade(0, 0, width, height);
    shade.setColorAt(0, QColor::fromHsv((seed * 47) % 360, 200, 255));
    shade.setColorAt(1, QColor::fromHsv((seed * 47 + 120) % 360, 255, 120));
    painter.setBrush(shade);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(width / 2, height / 2), side / 2 - 1, side / 2 - 1);
    return picture;
}

inline bool writeGlobe(const QString &path, int width, int height, int seed = 0,
                       const char *format = nullptr)
{
    return globePicture(width, height, seed).save(path, format);
}

// A GIF of the picture in 128 grey levels. Qt reads GIF but cannot write it, so the
// file is encoded here: 8-bit LZW codes with a clear code before the table would grow, which
// every reader accepts.
inline QByteArray greyGif(const QImage &picture)
{
    const int width = picture.width(), height = picture.height();
    QByteArray gif("GIF89a");
    auto word = [&gif](int value) {
        gif.append(char(value & 0xff));
        gif.append(char((value >> 8) & 0xff));
    };
    word(width);
    word(height);
    gif.append(char(0xf6)); // global palette of 128 entries
    gif.append(char(0));
    gif.append(char(0));
    for (int i = 0; i < 128; ++i)
        gif.append(3, char(i * 2));
    gif.append(',');
    word(0);
    word(0);
    word(width);
    word(height);
    gif.append(char(0));
    gif.append(char(7)); // minimum code size: codes are 8 bits wide

    const int clearCode = 128, endCode = 129, codesPerClear = 120;
    QByteArray codes;
    int sinceClear = codesPerClear;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (sinceClear == codesPerClear) {
                codes.append(char(clearCode));
                sinceClear = 0;
            }
            codes.append(char(qGray(picture.pixel(x, y)) / 2));
            ++sinceClear;
        }
    }
    codes.append(char(endCode));
    for (int start = 0; start < codes.size(); start += 255) {
        const QByteArray block = codes.mid(start, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append(char(0));
    gif.append(';');
    return gif;
}

inline bool setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(time, QFileDevice::FileModificationTime);
}
