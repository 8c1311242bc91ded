#include "batch/batchrunner.h"

#include "batch/batchfiles.h"
#include "engine/picturereader.h"

#include "engine/mapconverter.h"
#include "engine/mapwriter.h"

#include <QFileInfo>
#include <QSet>

BatchRunner::BatchRunner(MapConverter &converter, const ConversionParameters &params,
                         const BatchSettings &settings)
    : converter(converter), params(params), settings(settings)
{
}

BatchSummary BatchRunner::run(const QStringList &files)
{
    QSet<QString> inputIdentities;
    for (const QString &file : files)
        inputIdentities.insert(fileIdentity(file));

    BatchSummary summary;
    summary.total = files.size();
    for (int position = 0; position < files.size(); ++position) {
        if (beforeFile)
            beforeFile();
        if (stopRequested && stopRequested()) {
            summary.stopped = true;
            break;
        }
        const BatchFileOutcome outcome = convertFile(position, files.at(position), inputIdentities);
        if (outcome.written)
            ++summary.succeeded;
        else
            ++summary.failed;
        if (fileFinished)
            fileFinished(outcome);
    }
    return summary;
}

BatchFileOutcome BatchRunner::convertFile(int position, const QString &input,
                                          const QSet<QString> &inputIdentities)
{
    BatchFileOutcome outcome;
    outcome.position = position;
    outcome.input = input;
    const QImage picture = readPicture(input, &outcome.reason);
    if (picture.isNull())
        return outcome;
    outcome.loaded = true;
    if (pictureLoaded)
        pictureLoaded(picture);

    outcome.output = batchOutputPath(settings.outputFolder, input, position, settings.fileNameType,
                                     settings.outputFormat);
    // Checked before converting, so a file that will not be written costs no conversion.
    // A map never replaces a picture of the batch: with the outputs in the input folder,
    // a.png would otherwise overwrite a.jpg before a.jpg is read, or a.jpg itself.
    if (inputIdentities.contains(fileIdentity(outcome.output))) {
        outcome.reason = QStringLiteral("the map would replace an input picture of this batch");
        return outcome;
    }
    if (!settings.overwrite && QFileInfo::exists(outcome.output)) {
        outcome.reason = QStringLiteral("the output file already exists");
        return outcome;
    }

    const ConversionResult result = converter.convert(picture, params);
    outcome.columnScale = result.columnScale;
    outcome.rowScale = result.rowScale;
    if (!result.ok()) {
        outcome.reason = result.error;
        return outcome;
    }
    outcome.written = writeMap(result.map, outcome.output, settings.outputFormat,
                               settings.outputQuality, &outcome.reason);
    return outcome;
}
