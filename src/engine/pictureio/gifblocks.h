#pragma once

#include <QByteArray>

// True when a GIF file ends inside the data of one of its images. The GIF decoder hands such
// a file back as a whole picture whose missing part is blank, so the reader refuses it like a
// cut JPEG. A file that only lacks its closing trailer byte, after complete images, counts as
// whole; a file that is no GIF block structure at all is left to the decoder to judge.
bool gifEndsInsideAnImage(const QByteArray &file);

// True when an image of a GIF file lies partly or wholly outside the file's logical screen.
// The decoder would clip such an image to the screen or draw nothing of it, so the reader
// refuses the file as damaged. Only the blocks up to the file's end are looked at.
bool gifHasImageOutsideScreen(const QByteArray &file);

// True when the picture data of a GIF file's first image stands for fewer pixels than the
// image has: its end code, or the end of its data, comes early. The decoder hands such an
// image back whole, the missing rows blank or (when interlaced) copied from the rows above.
bool gifFirstImageDataEndsEarly(const QByteArray &file);
