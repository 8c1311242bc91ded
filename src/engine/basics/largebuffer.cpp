#include "engine/basics/largebuffer.h"

#include <climits>
#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// The size of a huge page on x86-64 and most other Linux targets.
constexpr std::size_t hugePageSize = std::size_t(2) << 20;

void releaseImageBuffer(void *buffer)
{
    releaseLargeBuffer(buffer);
}

} // namespace

void *allocateLargeBuffer(std::size_t bytes)
{
    if (bytes == 0 || bytes > std::size_t(-1) - hugePageSize)
        return nullptr;
    const std::size_t rounded = (bytes + hugePageSize - 1) / hugePageSize * hugePageSize;
    void *buffer = std::aligned_alloc(hugePageSize, rounded);
#ifdef __linux__
    if (buffer)
        madvise(buffer, rounded, MADV_HUGEPAGE); // a hint: without huge pages it still works
#endif
    return buffer;
}

void releaseLargeBuffer(void *buffer)
{
    std::free(buffer);
}

QImage allocateLargeImage(int width, int height, QImage::Format format)
{
    if (width <= 0 || height <= 0)
        return QImage();
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (depth % 8 != 0 || width > (INT_MAX - 3) / (depth / 8))
        return QImage();
    // Rows start on four-byte boundaries, as in every QImage.
    const int bytesPerLine = (width * (depth / 8) + 3) / 4 * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(height);
    auto *buffer = static_cast<uchar *>(allocateLargeBuffer(bytes));
    if (!buffer)
        return QImage();
    QImage image(buffer, width, height, bytesPerLine, format, releaseImageBuffer, buffer);
    if (image.isNull())
        releaseLargeBuffer(buffer);
    return image;
}

QImage allocatePictureImage(int width, int height, QImage::Format format)
{
    const int bytesPerPixel = QImage::toPixelFormat(format).bitsPerPixel() == 64 ? 8 : 4;
    if (qint64(width) * height * bytesPerPixel >= largePictureBytes)
        return allocateLargeImage(width, height, format);
    return QImage(width, height, format);
}

QImage allocateMapImage(int width, int height, QImage::Format format)
{
    return allocateLargeImage(width, height, format);
}
