#include "engine/pictureio/pngchunks.h"

#include <QByteArray>
#include <QIODevice>

bool pngChunksRunPastEnd(QIODevice &file)
{
    // After the eight signature bytes, each chunk is its data's length (four bytes, big-endian),
    // its type, its data and a four-byte checksum.
    constexpr qint64 signatureLength = 8, headerLength = 8, checksumLength = 4;
    const qint64 size = file.size();
    qint64 offset = signatureLength;
    while (offset + headerLength <= size) {
        if (!file.seek(offset))
            return true;
        const QByteArray header = file.read(headerLength);
        if (header.size() < headerLength)
            return true;
        if (header.mid(4, 4) == "IEND")
            return false;
        quint32 length = 0;
        for (int i = 0; i < 4; ++i)
            length = length << 8 | quint8(header[i]);
        offset += headerLength + qint64(length) + checksumLength;
    }
    return true;
}
