#pragma once

#include <QImage>

#include <cstddef>

// Working memory for maps and their geometry. On Linux it is backed by transparent huge pages
// where the system allows it: touching a fresh 256 MiB map page by page otherwise costs more
// than converting into it.

// Returns memory of at least the given size, or nullptr.
void *allocateLargeBuffer(std::size_t bytes);
void releaseLargeBuffer(void *buffer);

struct LargeBufferRelease
{
    void operator()(void *buffer) const { releaseLargeBuffer(buffer); }
};

// An image of the given size and format (of whole bytes per pixel) on such memory; null when
// it cannot be had.
QImage allocateLargeImage(int width, int height, QImage::Format format);

// A decoded picture of at least this many bytes (at four bytes a pixel, eight for 16 bits per
// channel) is put on such memory; smaller ones on ordinary memory, which huge pages would
// mostly waste.
constexpr qint64 largePictureBytes = qint64(16) << 20;
QImage allocatePictureImage(int width, int height, QImage::Format format);

// A map of the given size on such memory (premultiplied, 32 or 64 bits a pixel); null when it
// cannot be had.
QImage allocateMapImage(int width, int height,
                        QImage::Format format = QImage::Format_ARGB32_Premultiplied);
