#include "engine/pictureio/gifblocks.h"

#include <vector>

namespace {

constexpr qint64 headerLength = 13; // signature, logical screen, flags, background, aspect
constexpr qint64 screenFlagsOffset = 10;
constexpr qint64 descriptorLength = 9; // position, size and flags after the separator
constexpr qint64 descriptorFlagsOffset = 8;
constexpr quint8 extensionIntroducer = 0x21;
constexpr quint8 imageSeparator = 0x2C;
constexpr quint8 trailer = 0x3B;

// Walks a GIF file's blocks without decoding anything.
class BlockWalker
{
public:
    explicit BlockWalker(const QByteArray &file) : file(file) {}

    bool atEnd() const { return position >= file.size(); }
    bool holds(qint64 count) const { return position + count <= file.size(); }
    // The byte at offset from the current position, which must lie inside the file.
    quint8 peek(qint64 offset) const { return quint8(file.at(int(position + offset))); }
    quint8 next() { return quint8(file.at(int(position++))); }
    // A little-endian 16-bit field at offset from the current position.
    int field(qint64 offset) const { return int(peek(offset)) | int(peek(offset + 1)) << 8; }
    void skip(qint64 count) { position += count; }

    // A colour table of 2^(n+1) entries follows a block whose flags have bit 7 set.
    void skipColourTable(quint8 flags)
    {
        if (flags & 0x80)
            skip(qint64(3) << ((flags & 7) + 1));
    }

    // Skips a chain of data sub-blocks and its empty terminator; false when the file ends
    // before the terminator.
    bool skipSubBlocks()
    {
        while (!atEnd()) {
            const quint8 length = next();
            if (length == 0)
                return true;
            skip(length);
        }
        return false;
    }

    qint64 at() const { return position; }

private:
    const QByteArray &file;
    qint64 position = 0;
};

// Reads the LZW codes of an image's data sub-blocks, least significant bit first.
class CodeReader
{
public:
    CodeReader(const QByteArray &file, qint64 start) : file(file), position(start) {}

    // The next code of the given width; -1 when the sub-blocks end first.
    int next(int width)
    {
        while (bitCount < width) {
            if (blockLeft == 0) {
                if (position >= file.size())
                    return -1;
                blockLeft = quint8(file.at(int(position++)));
                if (blockLeft == 0 || position + blockLeft > file.size())
                    return -1;
            }
            bits |= quint32(quint8(file.at(int(position++)))) << bitCount;
            bitCount += 8;
            --blockLeft;
        }
        const int code = int(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;
        return code;
    }

private:
    const QByteArray &file;
    qint64 position;
    int blockLeft = 0;
    quint32 bits = 0;
    int bitCount = 0;
};

// How many pixels an image's LZW data stands for, counted without decoding: the length of each
// table entry is that of its prefix plus one. Counting stops at the end code, at the end of the
// data and at a code the table does not hold (where the decoder stops too), or once limit
// pixels are reached.
qint64 lzwPixelCount(const QByteArray &file, qint64 start, int minimumCodeSize, qint64 limit)
{
    constexpr int maxCodes = 4096;
    if (minimumCodeSize < 1 || minimumCodeSize > 11)
        return 0;
    const int clearCode = 1 << minimumCodeSize, endCode = clearCode + 1;
    std::vector<qint64> lengths(maxCodes, 1);
    CodeReader reader(file, start);
    int width = minimumCodeSize + 1, nextCode = clearCode + 2, previous = -1;
    qint64 pixels = 0;
    while (pixels < limit) {
        const int code = reader.next(width);
        if (code < 0 || code == endCode)
            break;
        if (code == clearCode) {
            width = minimumCodeSize + 1;
            nextCode = clearCode + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code > clearCode)
                break;
            pixels += 1;
            previous = code;
            continue;
        }
        if (code > nextCode || (code == nextCode && nextCode >= maxCodes))
            break;
        const qint64 added = lengths[std::size_t(previous)] + 1;
        pixels += code == nextCode ? added : lengths[std::size_t(code)];
        if (nextCode < maxCodes) {
            lengths[std::size_t(nextCode++)] = added;
            if (nextCode == 1 << width && width < 12)
                ++width;
        }
        previous = code;
    }
    return pixels;
}

// Moves past the header and the screen's colour table; false when the header is cut.
bool startAtFirstBlock(BlockWalker &walker)
{
    if (!walker.holds(headerLength))
        return false;
    const quint8 screenFlags = walker.peek(screenFlagsOffset);
    walker.skip(headerLength);
    walker.skipColourTable(screenFlags);
    return true;
}

// Skips extensions up to the next image and moves past its separator. False at the trailer,
// at the end, at a block of no known kind and in an extension cut short, where no picture data
// can be missing.
bool reachNextImage(BlockWalker &walker)
{
    while (!walker.atEnd()) {
        switch (walker.next()) {
        case trailer:
            return false;
        case extensionIntroducer:
            walker.skip(1); // the extension's label
            if (!walker.skipSubBlocks())
                return false;
            break;
        case imageSeparator:
            return true;
        default:
            return false;
        }
    }
    return false;
}

} // namespace

bool gifEndsInsideAnImage(const QByteArray &file)
{
    BlockWalker walker(file);
    if (!startAtFirstBlock(walker))
        return false;
    while (reachNextImage(walker)) {
        if (!walker.holds(descriptorLength))
            return true;
        const quint8 imageFlags = walker.peek(descriptorFlagsOffset);
        walker.skip(descriptorLength);
        walker.skipColourTable(imageFlags);
        walker.skip(1); // the LZW code size
        if (walker.atEnd() || !walker.skipSubBlocks())
            return true;
    }
    return false;
}

bool gifHasImageOutsideScreen(const QByteArray &file)
{
    BlockWalker walker(file);
    if (!walker.holds(headerLength))
        return false;
    const int screenWidth = walker.field(6), screenHeight = walker.field(8);
    startAtFirstBlock(walker);
    while (reachNextImage(walker)) {
        if (!walker.holds(descriptorLength))
            return false;
        // Left, top, width and height of the image on the screen.
        if (walker.field(0) + walker.field(4) > screenWidth ||
            walker.field(2) + walker.field(6) > screenHeight)
            return true;
        const quint8 imageFlags = walker.peek(descriptorFlagsOffset);
        walker.skip(descriptorLength);
        walker.skipColourTable(imageFlags);
        walker.skip(1);
        if (walker.atEnd() || !walker.skipSubBlocks())
            return false;
    }
    return false;
}

bool gifFirstImageDataEndsEarly(const QByteArray &file)
{
    BlockWalker walker(file);
    if (!startAtFirstBlock(walker) || !reachNextImage(walker) || !walker.holds(descriptorLength))
        return false;
    const qint64 pixels = qint64(walker.field(4)) * walker.field(6);
    const quint8 imageFlags = walker.peek(descriptorFlagsOffset);
    walker.skip(descriptorLength);
    walker.skipColourTable(imageFlags);
    if (!walker.holds(1))
        return false;
    const int minimumCodeSize = walker.next();
    return lzwPixelCount(file, walker.at(), minimumCodeSize, pixels) < pixels;
}
