#pragma once

#include "batch/outputnames.h"
#include "engine/basics/conversionparameters.h"
#include "engine/basics/defaultvalues.h"
#include "engine/basics/rowscheduler.h"
#include "engine/pictureio/mapwriter.h"

#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <future>

class MapConverter;

// How a batch names and writes its outputs.
struct BatchSettings
{
    QString outputFolder;
    int fileNameType = 0;
    int outputFormat = 0;
    int outputQuality = defaults::outputQuality;
    bool overwrite = true;
    // Each picture is converted with the disk found in it; one without a disk found keeps
    // the batch's circle.
    bool detectDisk = false;
    // A world file goes beside each JPG or PNG map (a TIFF map carries its place itself).
    bool worldFile = false;
};

// What became of one input file.
struct BatchFileOutcome
{
    int position = 0;
    QString input;
    // Empty when the input could not be read.
    QString output;
    bool loaded = false;
    bool written = false;
    // Why the file was not written; empty when it was.
    QString reason;
    // Said in the report of a written map, such as that it was renamed; usually empty.
    QString note;
    // No disk was found in the picture, so it was converted with the batch's circle.
    bool withBatchCircle = false;
    double columnScale = 0.0;
    double rowScale = 0.0;
};

struct BatchSummary
{
    int total = 0;
    int succeeded = 0;
    int failed = 0;
    bool stopped = false;
    // Why nothing at all was converted (a missing output folder); empty otherwise.
    QString problem;
    bool allConverted() const { return succeeded == total; }
};

// Converts a list of pictures one after the other with the same circle and settings,
// through the one conversion pipeline, and writes one map per file. A file that cannot be
// read, converted or written counts as a failure and the run goes on. The caller's hooks
// see every step, so a window can show progress and offer a stop between files.
//
// Decoding a picture and encoding a map each cost more than the conversion, so by default the
// three overlap: while a picture is converted on the caller's thread, the next one is read on
// a thread of its own and the previous map is written on another. A map is encoded as soon as
// it is converted, ahead of its file's hooks, and replaces its output file only once they have
// let the file go on; on a stop there it is dropped with the picture read ahead. The hooks are
// still called on the caller's thread in the order of a one-step-at-a-time run, and the outputs
// are the same. At most two maps are held (the one being converted and the one being written,
// both reused from file to file; a JPEG map is written from a packed copy, reused too) and, besides
// those the hooks keep, two pictures (the one converted and the one read ahead, decoded into the
// memory of an earlier one). Two pictures that would together take more than 256 MiB are not
// overlapped: the next one is read once the one before is converted, into its memory or after it is
// let go, so a batch of huge pictures holds one at a time. Likewise two maps of more than 256 MiB
// together: a map is written before the next one is converted into its memory, so a batch of huge
// maps holds one at a time.
class BatchRunner
{
public:
    BatchRunner(MapConverter &converter, const ConversionParameters &params,
                const BatchSettings &settings);

    // Runs before each file; a window processes its pending events here.
    std::function<void()> beforeFile;
    // Polled after beforeFile; true ends the run before the next file.
    std::function<bool()> stopRequested;
    // A picture has been read; called after stopRequested, whether or not a map is written.
    std::function<void(const QImage &picture)> pictureLoaded;
    // A file has been handled, whatever became of it.
    std::function<void(const BatchFileOutcome &outcome)> fileFinished;

    // False reads, converts and writes each file before the next, all on the caller's thread.
    bool overlapped = true;

    BatchSummary run(const QStringList &files);

private:
    // A picture as readPicture leaves it: null with the reason when it could not be read.
    struct ReadPicture
    {
        QImage picture;
        QString reason;
    };

    void startReading(const QString &input);
    QImage spentPicture();
    BatchFileOutcome convertFile(int position, const QString &input,
                                 const QSet<QString> &inputIdentities, const ReadPicture &read,
                                 QImage *map);
    void startWriting(BatchFileOutcome outcome, const QImage &map);
    void letWriteAheadReplace();
    void dropWriteAhead();
    void finishWriting();
    void finish(const BatchFileOutcome &outcome);

    MapConverter &converter;
    const ConversionParameters params;
    const BatchSettings settings;
    const MapFormat format;
    // Packs JPEG maps on every core, so that the thread writing them only encodes.
    RowScheduler packingScheduler;
    OutputNames outputNames;

    // The state of the run in progress.
    BatchSummary summary;
    std::future<ReadPicture> pendingRead;
    // A map being written: its outcome, the answer whether it may replace its output file,
    // and that file's name.
    struct PendingWrite
    {
        std::future<BatchFileOutcome> done;
        std::promise<bool> mayReplace;
        QString output;
    };
    // The map of the file whose hooks run now, encoded ahead of them.
    PendingWrite writeAhead;
    // The map of the previous file, let through its hooks, whose outcome is reported next.
    PendingWrite inFlight;
    // The last pictures converted, oldest first.
    QImage spentPictures[2];
    // The JPEG map packed for writing, reused from map to map.
    QImage packedMap;
};
