#pragma once

class QIODevice;

// True when the chunks of a PNG file run past its end before its closing chunk (IEND): a file
// cut short, or one whose chunk lengths are damaged. libpng reports such a file on standard
// error itself, beside the reader's own reason, so the reader refuses it before decoding.
// Only the chunk headers are read; the device's position is left anywhere.
bool pngChunksRunPastEnd(QIODevice &file);
