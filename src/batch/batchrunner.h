#pragma once

#include "engine/conversionparameters.h"
#include "engine/defaultvalues.h"

#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class MapConverter;

// How a batch names and writes its outputs.
struct BatchSettings
{
    QString outputFolder;
    int fileNameType = 0;
    int outputFormat = 0;
    int outputQuality = defaults::outputQuality;
    bool overwrite = true;
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
    double columnScale = 0.0;
    double rowScale = 0.0;
};

struct BatchSummary
{
    int total = 0;
    int succeeded = 0;
    int failed = 0;
    bool stopped = false;
    bool allConverted() const { return succeeded == total; }
};

// Converts a list of pictures one after the other with the same circle and settings,
// through the one conversion pipeline, and writes one map per file. A file that cannot be
// read, converted or written counts as a failure and the run goes on. The caller's hooks
// see every step, so a window can show progress and offer a stop between files.
class BatchRunner
{
public:
    BatchRunner(MapConverter &converter, const ConversionParameters &params,
                const BatchSettings &settings);

    // Runs before each file; a window processes its pending events here.
    std::function<void()> beforeFile;
    // Polled after beforeFile; true ends the run before the next file.
    std::function<bool()> stopRequested;
    // A picture has been read and is about to be converted.
    std::function<void(const QImage &picture)> pictureLoaded;
    // A file has been handled, whatever became of it.
    std::function<void(const BatchFileOutcome &outcome)> fileFinished;

    BatchSummary run(const QStringList &files);

private:
    BatchFileOutcome convertFile(int position, const QString &input,
                                 const QSet<QString> &inputIdentities);

    MapConverter &converter;
    const ConversionParameters params;
    const BatchSettings settings;
};
