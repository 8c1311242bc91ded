#include "batch/batchrunner.h"

#include "batch/batchfiles.h"
#include "engine/pictureio/picturereader.h"

#include "engine/basics/picturedepth.h"
#include "engine/finder/diskfinder.h"
#include "engine/finder/foundcircle.h"
#include "engine/pictureio/mapwriter.h"
#include "engine/pictureio/regularfile.h"
#include "engine/pictureio/sixteenbitpng.h"
#include "engine/standard/mapconverter.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <thread>

namespace {

// The picture converted and the one read ahead together may take this much memory, and so may
// the map converted and the one written meanwhile; a larger pair is taken one after the other.
// Overlapping ordinary pictures and maps costs little next to the conversion's own memory,
// but a second huge picture or map would nearly double the run's peak.
constexpr qint64 overlapPairBytes = qint64(256) << 20;

// Puts the disk found in the picture into the parameters; when none is found they keep the
// batch's circle and the outcome says so.
void useFoundDisk(const QImage &picture, ConversionParameters &params, BatchFileOutcome &outcome)
{
    const DiskFinding finding = findDisk(picture);
    if (finding.found) {
        applyFoundCircle(foundCircle(finding), params);
        return;
    }
    outcome.withBatchCircle = true;
    const QString said =
        QStringLiteral("no disk found, converted with the batch's circle: ") + finding.reason;
    outcome.note = outcome.note.isEmpty() ? said : outcome.note + QStringLiteral("; ") + said;
}

} // namespace

BatchRunner::BatchRunner(MapConverter &converter, const ConversionParameters &params,
                         const BatchSettings &settings)
    : converter(converter), params(params), settings(settings),
      format(mapFormatForCode(settings.outputFormat)),
      packingScheduler(int(std::max(1u, std::thread::hardware_concurrency())), [] {}),
      outputNames(settings.outputFolder, outputNamingForCode(settings.fileNameType), format,
                  settings.overwrite)
{
}

BatchSummary BatchRunner::run(const QStringList &files)
{
    QSet<QString> inputIdentities;
    for (const QString &file : files)
        inputIdentities.insert(fileIdentity(file));

    summary = BatchSummary();
    summary.total = files.size();
    summary.problem = outputFolderProblem(settings.outputFolder);
    if (!summary.problem.isEmpty()) {
        summary.failed = summary.total;
        return summary;
    }
    // The map being written and the one being converted each reuse their memory.
    const qint64 mapBytes = qint64(params.outputWidth) * params.outputHeight * 4;
    const bool mapsOverlap = overlapped && 2 * mapBytes <= overlapPairBytes;
    const int mapsKeptBefore = converter.keptMapCount();
    if (mapsOverlap)
        converter.setKeptMapCount(2);
    for (int position = 0; position < files.size(); ++position) {
        // Not read ahead: the picture before was too large to hold both.
        if (!pendingRead.valid())
            startReading(files.at(position));
        ReadPicture read = pendingRead.get();
        // Converted while the previous map is still being written and the next picture read.
        if (position + 1 < files.size() &&
            (!overlapped ||
             read.picture.sizeInBytes() + declaredPictureBytes(files.at(position + 1)) <=
                 overlapPairBytes))
            startReading(files.at(position + 1));
        const QImage &picture = read.picture;
        QImage map;
        const BatchFileOutcome outcome =
            convertFile(position, files.at(position), inputIdentities, read, &map);
        // The previous map has been written meanwhile; its packed copy is this map's to reuse,
        // so that a batch never holds two.
        finishWriting();
        // A map of 16 bits per channel (of a 16-bit picture in the precise mode) takes twice
        // the memory counted above: it overlaps the next one only when the pair still fits.
        const bool mapOverlaps = mapsOverlap && 2 * map.sizeInBytes() <= overlapPairBytes;
        if (mapsOverlap)
            converter.setKeptMapCount(mapOverlaps ? 2 : 1);
        // JPG holds 8 bits: such a map is rounded to them before it is packed, as writeMap
        // would round it.
        if (mapOverlaps && !map.isNull() && format == MapFormat::Jpg)
            map = packedMap = packedForJpeg(hasSixteenBits(map) ? toEightBits(map) : map,
                                            std::move(packedMap), packingScheduler);
        // Encoded while the hooks of this file run; the file is replaced only once they have
        // let this file go on.
        if (!map.isNull())
            startWriting(outcome, map);

        if (beforeFile)
            beforeFile();
        if (stopRequested && stopRequested()) {
            summary.stopped = true;
            dropWriteAhead();
            // Drops the picture read ahead, once a read in flight has ended; a run that is not
            // overlapped has not read it.
            pendingRead = {};
            break;
        }
        if (outcome.loaded && pictureLoaded)
            pictureLoaded(picture);
        if (map.isNull()) {
            finish(outcome);
            continue;
        }
        letWriteAheadReplace();
        // The map's memory is converted into next unless a second map may be held.
        if (!mapOverlaps)
            finishWriting();
        spentPictures[0] = std::move(spentPictures[1]);
        spentPictures[1] = std::move(read.picture);
    }
    finishWriting();
    spentPictures[0] = spentPictures[1] = QImage();
    packedMap = QImage();
    converter.setKeptMapCount(mapsKeptBefore);
    return summary;
}

// Pictures are read on a thread of their own, one ahead of the conversion, into the memory of
// a picture already converted; a run that is not overlapped reads each one when it is taken.
void BatchRunner::startReading(const QString &input)
{
    pendingRead = std::async(overlapped ? std::launch::async : std::launch::deferred,
                             [input, spent = spentPicture()]() mutable {
                                 ReadPicture read;
                                 read.picture = readPicture(input, &read.reason, std::move(spent));
                                 return read;
                             });
}

// The oldest converted picture that the hooks no longer hold, taken out of the list; a null
// image when there is none. Other pictures nobody else holds are let go, so that at most one
// picture more than the hooks keep is alive at any time.
QImage BatchRunner::spentPicture()
{
    QImage taken;
    for (QImage &picture : spentPictures) {
        if (picture.isNull() || !picture.isDetached())
            continue;
        if (taken.isNull())
            taken = std::move(picture);
        else
            picture = QImage();
    }
    return taken;
}

BatchFileOutcome BatchRunner::convertFile(int position, const QString &input,
                                          const QSet<QString> &inputIdentities,
                                          const ReadPicture &read, QImage *map)
{
    BatchFileOutcome outcome;
    outcome.position = position;
    outcome.input = input;
    outcome.reason = read.reason;
    if (read.picture.isNull())
        return outcome;
    outcome.loaded = true;

    outcome.output = outputNames.choose(input, position, inputIdentities, &outcome.note);
    // The previous map may still be on its way to this very name: once it is written, the name
    // is taken and the map gets the next free one, as in a run of one file after the other.
    if (inFlight.done.valid() && outcome.output == inFlight.output) {
        finishWriting();
        outcome.output = outputNames.choose(input, position, inputIdentities, &outcome.note);
    }
    // Checked before converting, so a file that will not be written costs no conversion.
    // A map never replaces a picture of the batch: with the outputs in the input folder,
    // a.png would otherwise overwrite a.jpg before a.jpg is read, or a.jpg itself.
    if (inputIdentities.contains(fileIdentity(outcome.output))) {
        outcome.reason = QStringLiteral("the map would replace an input picture of this batch");
        return outcome;
    }
    if (!settings.overwrite && directoryEntryExists(outcome.output)) {
        outcome.reason = QStringLiteral("the output file already exists");
        return outcome;
    }

    ConversionParameters pictureParams = params;
    if (settings.detectDisk)
        useFoundDisk(read.picture, pictureParams, outcome);
    const ConversionResult result = converter.convert(read.picture, pictureParams);
    outcome.columnScale = result.columnScale;
    outcome.rowScale = result.rowScale;
    if (!result.ok() || !result.showsPicture()) {
        outcome.reason = result.ok() ? MapConverter::blankMapReason(pictureParams) : result.error;
        return outcome;
    }
    *map = result.map;
    return outcome;
}

// The map is written on a thread of its own; the runner reads no shared state there but its
// constant settings. The encoded file waits for letWriteAheadReplace before it replaces
// anything, and is dropped on dropWriteAhead.
void BatchRunner::startWriting(BatchFileOutcome outcome, const QImage &map)
{
    std::promise<bool> mayReplace;
    std::future<bool> answer = mayReplace.get_future();
    writeAhead.output = outcome.output;
    writeAhead.mayReplace = std::move(mayReplace);
    MapTarget target = outputNames.target(outcome.output, outcome.input, outcome.position);
    target.worldFile = settings.worldFile;
    writeAhead.done =
        std::async(overlapped ? std::launch::async : std::launch::deferred,
                   [this, outcome, map, target, answer = std::move(answer)]() mutable {
                       outcome.written =
                           writeMap(map, target, format, settings.outputQuality, &outcome.reason,
                                    [&answer] { return answer.get(); });
                       outcome.output = target.path;
                       return outcome;
                   });
}

void BatchRunner::letWriteAheadReplace()
{
    writeAhead.mayReplace.set_value(true);
    inFlight = std::move(writeAhead);
    writeAhead = PendingWrite();
}

void BatchRunner::dropWriteAhead()
{
    if (!writeAhead.done.valid())
        return;
    writeAhead.mayReplace.set_value(false);
    // Waits for an encoding in progress; a deferred one never starts.
    writeAhead = PendingWrite();
}

void BatchRunner::finishWriting()
{
    if (!inFlight.done.valid())
        return;
    const BatchFileOutcome outcome = inFlight.done.get();
    inFlight = PendingWrite();
    finish(outcome);
}

void BatchRunner::finish(const BatchFileOutcome &outcome)
{
    if (outcome.written) {
        ++summary.succeeded;
        outputNames.markWritten(outcome.output);
    } else {
        ++summary.failed;
    }
    if (fileFinished)
        fileFinished(outcome);
}
