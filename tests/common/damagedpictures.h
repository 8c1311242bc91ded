#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QSize>
#include <QString>

// Damaged picture files for the tests of everything that reads pictures: JPEG, PNG and GIF
// files of one small picture, cut at many lengths, with bytes flipped in the header and in
// the data, empty, not a picture at all, and headers that declare enormous sizes.
namespace damagedpictures {

// The size of the picture every intact file holds.
constexpr QSize intactSize(64, 48);

// A globe-like picture with enough detail that damage to the data shows.
QImage intactPicture();

// The intact picture as a file: "png" and "jpg" written by Qt, "gif" encoded here (Qt reads
// GIF but cannot write it).
QByteArray intactFile(const QString &format);

// A PNG that consists of its signature and an IHDR chunk (with a correct CRC) declaring the
// given size, and no picture data.
QByteArray pngDeclaring(quint32 width, quint32 height);
// A JPEG that starts like a baseline one and whose frame header declares the given size;
// the data after it is cut short.
QByteArray jpegDeclaring(quint16 width, quint16 height);
// A complete, valid GIF whose logical screen is screen and whose one image is image, placed
// at the origin and filled with one colour.
QByteArray gifDeclaring(QSize screen, QSize image);

// How jpegEncoded lays out a JPEG, beyond what Qt's writer does.
enum class JpegLayout
{
    // Colour at full resolution in every channel, or halved horizontally.
    Sampling444,
    Sampling422,
    // Four inverted channels, as Adobe writes CMYK.
    Cmyk,
    // A restart marker after every MCU row.
    Restarts,
    // Progressive, every coefficient of every channel in its own scan, at full precision
    // (193 scans): valid, but far more work than a common progressive file.
    ScanPerCoefficient,
    // Progressive with four scans at full precision, the luminance one repeated repeats
    // times: libjpeg decodes it without a word, at repeats times the work.
    RepeatedScan,
};
// picture encoded by libjpeg at quality 90 in the given layout.
QByteArray jpegEncoded(const QImage &picture, JpegLayout layout, int repeats = 0);
// The intact JPEG with its entropy-coded data damaged in the middle so that the decoder
// reports a bad Huffman code there and makes up the rest.
QByteArray jpegWithBadHuffmanCode();
// The intact picture as an interlaced GIF whose picture data stops, properly terminated, after
// the given share of its pixels.
QByteArray interlacedGifCutAt(double share);
// A TGA header (uncompressed true colour, 64 x 48 at 24 bits) followed by no data.
QByteArray tgaHeader();

struct Sample
{
    enum Outcome
    {
        // Must be refused with a reason.
        Refused,
        // Must be refused with a reason that says the picture is too large, and before it is
        // decoded.
        TooLarge,
        // The damage may still decode: then the picture has the size the header declares;
        // otherwise it is refused with a reason.
        RefusedOrDeclaredSize,
    };

    QString label;
    // File name with the suffix a user would give it.
    QString fileName;
    QByteArray bytes;
    Outcome outcome = Refused;
    QSize declared;
};

// Every damaged file: cuts, flipped bytes, empty and text files, enormous declared sizes.
QList<Sample> damagedSamples();
// Only the enormous ones.
QList<Sample> enormousSamples();

// Adds the columns fileName, bytes, outcome and declared to the running test's data table, and
// a row for each damaged file.
void addDamagedSampleRows();

} // namespace damagedpictures

Q_DECLARE_METATYPE(damagedpictures::Sample::Outcome)
