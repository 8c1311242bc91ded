#pragma once

#include <QString>

#include <functional>

class QImage;
class RowScheduler;

// The file formats a map is written in.
enum class MapFormat
{
    Jpg,
    Png,
    // A GeoTIFF, placed on the globe by its own tags.
    Tiff
};

// The format that the settings' output format code stands for: PNG for 1, TIFF for 2, JPG for
// every other code (the code is an int in the settings file and the main window).
MapFormat mapFormatForCode(int outputFormat);
// The format's file suffix: "jpg", "png" or "tif".
QString mapFormatName(MapFormat format);
// The format a map name's suffix asks for (jpg, jpeg, png, tif, tiff, in any case); false for
// any other suffix.
bool mapFormatForSuffix(const QString &suffix, MapFormat *format);
// The name of the format that an output format code stands for.
QString outputFormatName(int outputFormat);

// Where writeMap puts a map, and what it does with a file of that name.
struct MapTarget
{
    QString path;
    // True: an existing file under path is replaced in one step (a symbolic link itself, never
    // the file it points to). False: the map is put only under a name that nothing has at that
    // moment; the check and the placing are one step, so a name taken meanwhile, by another
    // program too, is never replaced.
    bool replace = true;
    // With replace off: given a name found taken, the next name to try, or an empty string to
    // give up. writeMap leaves the name finally used in path.
    std::function<QString(const QString &taken)> nextName;
    // A world file goes beside a JPG or PNG map, under the name the map finally got (map.jgw,
    // map.pgw; worldfile.h), replacing a file of that name. A TIFF map carries its place in
    // its own tags and gets none.
    bool worldFile = false;
};

// Writes a map in the given format with the given quality (JPG only). A map of 16 bits per
// channel is written at 16 bits as PNG and rounded to 8 bits as JPG. The map is encoded out
// of sight and appears under its name only whole, so a failed write leaves every file as it
// was and adds none. A world file asked for is written out of sight too, before the map is
// placed, so that a full disk fails both before either appears; should it still not be placed
// (a folder of its name), the map stays, since it may have replaced an older one, and the write
// fails with a reason that says so. Returns false and sets errorText when the write
// failed, with what the system said ("No space left on device") where it was the file system that
// failed. mayReplace, when given, is asked once the map is encoded: false leaves every file as it
// was.
bool writeMap(const QImage &map, MapTarget &target, MapFormat format, int quality,
              QString *errorText = nullptr, const std::function<bool()> &mayReplace = {});
// The same, replacing a file that exists under path.
bool writeMap(const QImage &map, const QString &path, MapFormat format, int quality,
              QString *errorText = nullptr, const std::function<bool()> &mayReplace = {});

// The map as Qt's JPEG writer reads it, three colour bytes a pixel (the alpha byte dropped,
// never un-premultiplied), made in spent's memory when its size fits and nobody else holds it.
// Written as JPEG it gives the same file as the map itself, and the writer then only encodes:
// a batch packs on the converter's threads while the previous map is still being encoded.
// A map in another format, or with text or a colour space that the writer would store, is
// returned as it is.
QImage packedForJpeg(const QImage &map, QImage spent, RowScheduler &scheduler);
