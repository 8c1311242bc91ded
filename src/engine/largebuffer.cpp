#include "largebuffer.h"

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

QImage allocateMapImage(int width, int height)
{
    if (width <= 0 || height <= 0)
        return QImage();
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
    auto *buffer = static_cast<uchar *>(allocateLargeBuffer(bytes));
    if (!buffer)
        return QImage();
    QImage image(buffer, width, height, width * 4, QImage::Format_ARGB32_Premultiplied,
                 releaseImageBuffer, buffer);
    if (image.isNull())
        releaseLargeBuffer(buffer);
    return image;
}
