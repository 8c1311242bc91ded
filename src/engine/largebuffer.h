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

// A premultiplied 32-bit image of the given size on such memory; null when it cannot be had.
QImage allocateMapImage(int width, int height);
